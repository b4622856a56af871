// The host's main window, which owns the plug-in's dialogs when there is one.
#pragma once

class QWidget;

namespace foundation {

// Set by the host side (the simulated host, or a test) on the UI thread. The
// window is watched: once destroyed, HostMainWindow() gives null again.
void SetHostMainWindow(QWidget* window);

// The window dialogs are owned by, or null when there is none.
QWidget* HostMainWindow();

}  // namespace foundation
