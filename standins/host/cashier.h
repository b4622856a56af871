#pragma once
// The cashier of a scenario run: watches for modal dialogs while the host's
// events run, lists each one (class, name, title, visible texts) and plays
// the scenario's steps for it with the scripted user. A dialog the scenario
// did not expect, or a step that cannot be done, is a failure: the dialog is
// closed, so an event never waits on a dialog no one will answer.

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "scenario.h"

class QWidget;

namespace testsupport {
class ScriptedUser;
}

namespace hostsim {

struct ShownDialog {
  std::string className;
  std::string objectName;
  std::string title;
  std::vector<std::string> texts;  // visible labels, buttons, fields, in order
  bool Named(const std::string& name) const;
};

class Cashier : public QObject {
  Q_OBJECT

 public:
  // Relative "grab" paths of the steps are taken inside `screenshotFolder`.
  // Each dialog and each step carried out is written to `transcript` (when
  // not null) as it happens.
  Cashier(std::vector<DialogEntry> dialogs, int boundMs, std::string screenshotFolder,
          std::ostream* transcript = nullptr);
  ~Cashier() override;

  // From now on each dialog is answered by the first entry of its name, as
  // often as it appears and in any order, and not kept in Shown() (a long
  // run of sales). A dialog no entry names is still a failure.
  void AnswerByName() { byName_ = true; }
  // Dialogs answered so far.
  size_t Answered() const { return answered_; }

  // Starts watching; call before the events.
  void Start();
  // Lets a scripted user still at work finish (within its bound) and stops
  // watching. Dialogs the scenario expected but never saw become failures.
  void Finish();

  const std::vector<ShownDialog>& Shown() const { return shown_; }
  const std::vector<std::string>& Failures() const { return failures_; }

 private:
  void OnTick();
  void Settle();
  static ShownDialog Describe(QWidget& dialog);

  std::vector<DialogEntry> dialogs_;
  size_t next_ = 0;
  size_t entry_ = 0;  // the entry whose steps are being played
  bool byName_ = false;
  size_t answered_ = 0;
  int repeats_ = 0;  // answers of entry_ in a row, by name
  int boundMs_;
  std::string screenshotFolder_;
  QTimer timer_;
  QPointer<QWidget> current_;
  std::unique_ptr<testsupport::ScriptedUser> user_;
  QElapsedTimer stepsDone_;  // since the current dialog's steps were done
  std::vector<ShownDialog> shown_;
  std::vector<std::string> failures_;
  std::ostream* transcript_;
};

}  // namespace hostsim
