// A scripted user for modal Qt dialogs, used by the tests and by the simulated
// host. A script is a list of steps (wait for a dialog, fill a control, choose
// a combo entry, tick a box, press a button, press Escape, use the close box,
// save a screenshot, check something). It runs from a timer on the UI thread,
// so it acts while the code under test sits in a dialog's exec() loop.
//
// Every step that waits (for a dialog, for a control to appear or become
// usable, for a dialog to close) gives up after a bound. A failure records a
// clear message, stops the script and closes every modal dialog that is open,
// so the code under test returns instead of hanging.
//
//   testsupport::ScriptedUser user;
//   user.WaitForDialog("TfrmDispMess").Grab(path).Press("btnOK");
//   user.Start();
//   foundation::DisplayMessage("Norvane", "Saved");
//   EXPECT_TRUE(user.Finish()) << user.Failure().toStdString();
#pragma once

#include <QDialog>
#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <chrono>
#include <functional>
#include <vector>

class QWidget;

namespace testsupport {

class ScriptedUser : public QObject {
  Q_OBJECT

 public:
  static constexpr std::chrono::milliseconds kDefaultBound{10000};

  explicit ScriptedUser(std::chrono::milliseconds bound = kDefaultBound, QObject* parent = nullptr);
  ~ScriptedUser() override;

  // The bound of the steps added from now on.
  ScriptedUser& SetBound(std::chrono::milliseconds bound);

  // Waits until the active modal dialog is one whose class name (with or
  // without namespace), objectName or window title is `name`; it becomes the
  // dialog the following steps act on.
  ScriptedUser& WaitForDialog(const QString& name);
  // Types `text` into a line edit, editable combo box or text edit, replacing
  // what was there.
  ScriptedUser& Fill(const QString& control, const QString& text);
  // Chooses the combo box entry whose text is `entry` (without regard to case).
  ScriptedUser& Choose(const QString& combo, const QString& entry);
  // Sets a check box (or radio button) to `checked` by clicking it if needed.
  ScriptedUser& Tick(const QString& box, bool checked = true);
  // Clicks a button.
  ScriptedUser& Press(const QString& button);
  // Brings the tab page titled `title` (without its "&" marks) to the front.
  ScriptedUser& SelectTab(const QString& title);
  // Focuses the grid and makes the cell at `row`, `column` (from 0, below the
  // header) current, as a click on it does.
  ScriptedUser& SelectCell(const QString& grid, int row, int column);
  // Selects the cell as SelectCell does and types `text` into it; the grid
  // must be editable.
  ScriptedUser& FillCell(const QString& grid, int row, int column, const QString& text);
  // Focuses the list view and selects the row numbered `row` (from 0) or, when
  // `row` is not a number, the row whose first column is `row` (without regard
  // to case).
  ScriptedUser& SelectRow(const QString& view, const QString& row);
  // Presses the Escape key in the dialog.
  ScriptedUser& PressEscape();
  // Types one key ("Return", "Enter", "Tab", "Backtab", "Escape", "Space")
  // into the dialog's focused control, as a cashier does; the key goes on to
  // the controls holding it when the focused one leaves it.
  ScriptedUser& TypeKey(const QString& key);
  // Closes the dialog with its window's close box.
  ScriptedUser& CloseBox();
  // Saves a screenshot of the dialog as a PNG file (folders are created).
  ScriptedUser& Grab(const QString& pngPath);
  // Runs `check` on the dialog; a non-empty answer fails the script with it.
  ScriptedUser& Check(std::function<QString(QDialog&)> check);
  // Waits until the dialog is closed.
  ScriptedUser& WaitForClose();

  // Appends steps written one per line: "wait NAME", "fill CONTROL TEXT",
  // "choose COMBO ENTRY", "tick BOX", "untick BOX", "press BUTTON",
  // "tab TITLE", "cell GRID ROW COLUMN [TEXT]" (TEXT "" empties the cell), "row VIEW ROW",
  // "key KEY", "escape", "close", "grab PATH", "waitclose", "bound MILLISECONDS"; blank lines and
  // lines starting with "#" are skipped. False (and nothing added) on an
  // unknown or incomplete line, with the reason in `error`.
  bool AddStepsFromText(const QString& script, QString* error = nullptr);

  // Arms the script's timer; call before the code that shows the dialog.
  // Fails at once when there is no QApplication on this thread.
  void Start();

  // Lets events run until the script has finished or failed, at most `limit`
  // (the script fails if it has not finished by then). True when every step
  // was carried out.
  bool Finish(std::chrono::milliseconds limit = kDefaultBound);

  bool Done() const { return done_; }
  bool Failed() const { return !failure_.isEmpty(); }
  bool Succeeded() const { return done_ && failure_.isEmpty(); }
  QString Failure() const { return failure_; }
  // One line per step carried out, and the failure.
  QStringList Trace() const { return trace_; }
  // The dialog the steps act on (null before the first wait or once freed).
  QDialog* CurrentDialog() const { return dialog_.data(); }

  // Fails the script: records `why` (the first failure wins), stops, and
  // closes every open modal dialog.
  void Fail(const QString& why);

 signals:
  void finished();

 private:
  enum class Kind {
    Wait,
    Fill,
    Choose,
    Tick,
    Press,
    Tab,
    Cell,
    Row,
    Escape,
    Key,
    Close,
    Grab,
    Check,
    WaitClose
  };
  enum class Outcome { Done, Retry, Failed };

  struct Step {
    Kind kind;
    QString name;
    QString text;
    bool flag = true;
    std::function<QString(QDialog&)> check;
    std::chrono::milliseconds bound;
    int row = 0;
    int column = 0;
  };

  ScriptedUser& Add(Step step);
  void OnTick();
  Outcome Run(const Step& step, QString& why);
  Outcome RunWait(const Step& step, QString& why);
  Outcome RunTab(const Step& step, QString& why);
  Outcome RunCell(const Step& step, QString& why);
  Outcome RunRow(const Step& step, QString& why);
  QWidget* FindControl(const QString& name, QString& why);
  QString Describe(const Step& step) const;
  QString DialogText() const;
  void Complete();
  static void CloseModalDialogs();

  std::vector<Step> steps_;
  size_t next_ = 0;
  bool stepStarted_ = false;
  QElapsedTimer stepClock_;
  QString retryDetail_;
  std::chrono::milliseconds bound_;
  QTimer timer_;
  QPointer<QDialog> dialog_;
  QPointer<QWidget> dismissed_;
  bool started_ = false;
  bool done_ = false;
  QString failure_;
  QStringList trace_;
};

}  // namespace testsupport
