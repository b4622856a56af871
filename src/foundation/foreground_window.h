#pragma once
// Bringing a window to the front as far as the window system lets a program.

class QWidget;

namespace foundation {

// Brings the top-level window of `window` to the foreground: a minimised
// window is restored (to the maximised state when it was minimised from it;
// a maximised one keeps its state), it is raised above the program's other windows and activated
// through the window system's activation request; when it is still not the
// active window afterwards, it is raised and asked for once more.
//
// What the request achieves is the window system's decision. An X11 window
// manager normally grants it (the request is the _NET_ACTIVE_WINDOW message).
// A Wayland compositor lets no client raise or focus its own window over
// another program's: the request is passed on with the activation protocol
// when the compositor offers it and is otherwise dropped, so the window may
// only be marked as wanting attention.
void ForceForegroundWindow(QWidget& window);

}  // namespace foundation
