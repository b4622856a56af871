// The host's main window, which owns the plug-in's dialogs when there is one.
#pragma once

class QWidget;

namespace foundation {

// The host names its main window to a loaded plug-in library through this
// property of the QApplication object (a QObject* holding the QWidget). The
// library's own copy of this code and the host's never share globals, so the
// application object is the one place both see.
inline constexpr char kHostMainWindowProperty[] = "norvaneHostMainWindow";

// Set on the UI thread by code linked into the same module (a test, or the
// library itself). The window is watched: once destroyed, HostMainWindow()
// gives null again.
void SetHostMainWindow(QWidget* window);

// The window dialogs are owned by: the one set above, else the one the host
// named through kHostMainWindowProperty, else null.
QWidget* HostMainWindow();

// Moves `window` (frame included) to the centre of its parent window, or of
// its screen when it has no parent. Called from the window's show event.
void CentreOnOwner(QWidget& window);

}  // namespace foundation
