// The host's main window, which owns the plug-in's dialogs when there is one.
#pragma once

class QRect;
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

// The available area of the screen the window is on, the primary screen when
// it is on none; an invalid rectangle without any screen.
QRect ScreenArea(const QWidget& window);

// Moves the window so that its frame (title bar and border included) is
// centred on `area`; nothing happens for an invalid area.
void CentreFrameOn(QWidget& window, const QRect& area);

// Centres the window on the host's main window, or on its screen when the
// host named no main window.
void CentreOnHostMainWindow(QWidget& window);

// Centres the window on its parent window, or on its screen when it has no
// parent.
void CentreOnOwner(QWidget& window);

}  // namespace foundation
