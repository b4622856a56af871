#pragma once
// A watchdog for the modal forms the plug-in shows over the host's window:
// it logs whether the form can really be seen and, when asked, pulls an
// invisible, off-screen or collapsed form back into view.

#include <QPointer>
#include <QWidget>

namespace foundation {

class TProofOfLife {
 public:
  // Watches `form`, a top-level window it does not own.
  explicit TProofOfLife(QWidget* form);

  // Logs the form's class, caption, frame geometry and visibility at level 0
  // under the tag "TProofOfLife.PostActivate". With `fix` it then shows a
  // hidden form, moves a top or left edge that lies outside the screen to 100
  // and widens or heightens a side shorter than 40 to 600, logging each step.
  // Pending events run between the steps with user input held back, so no
  // click is handled inside the watchdog. Call on the user-interface thread
  // once the form is active.
  void PostActivate(bool fix);

  static constexpr int kFixedEdge = 100;
  static constexpr int kMinimumSide = 40;
  static constexpr int kFixedSide = 600;

 private:
  QPointer<QWidget> form_;
};

}  // namespace foundation
