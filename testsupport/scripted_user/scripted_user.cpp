#include "scripted_user/scripted_user.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QCoreApplication>
#include <QDialog>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTabWidget>
#include <QTextEdit>
#include <QThread>
#include <utility>

namespace testsupport {

namespace {

constexpr int kTickMs = 10;
constexpr qint64 kDismissGraceMs = 300;

QString ClassName(const QObject& object) {
  QString name = QString::fromLatin1(object.metaObject()->className());
  const qsizetype colon = name.lastIndexOf("::");
  return colon < 0 ? name : name.mid(colon + 2);
}

bool Matches(const QWidget& widget, const QString& name) {
  return QString::fromLatin1(widget.metaObject()->className()) == name ||
         ClassName(widget) == name || widget.objectName() == name || widget.windowTitle() == name;
}

// The keys a "key" step can type, by name (compared without regard to case).
int KeyCode(const QString& name) {
  static const std::pair<const char*, int> kKeys[] = {
      {"Return", Qt::Key_Return},   {"Enter", Qt::Key_Enter},   {"Tab", Qt::Key_Tab},
      {"Backtab", Qt::Key_Backtab}, {"Escape", Qt::Key_Escape}, {"Space", Qt::Key_Space}};
  for (const auto& [text, code] : kKeys) {
    if (name.compare(QLatin1String(text), Qt::CaseInsensitive) == 0) return code;
  }
  return 0;
}

// A key pressed and released in `target` (the events go up to the controls
// holding it while one leaves them unhandled, as a real key's do).
void PostKey(QWidget* target, int key) {
  const QString text = key == Qt::Key_Space ? QString(" ") : QString();
  QCoreApplication::postEvent(target, new QKeyEvent(QEvent::KeyPress, key, Qt::NoModifier, text));
  QCoreApplication::postEvent(target, new QKeyEvent(QEvent::KeyRelease, key, Qt::NoModifier, text));
}

QString Ms(std::chrono::milliseconds bound) {
  return QString::number(bound.count()) + " ms";
}

// Clicks a button once the current timer callback has returned, so that a
// dialog the click opens runs its own exec() loop with this script still
// able to act in it.
void ClickLater(QAbstractButton* button) {
  QPointer<QAbstractButton> target(button);
  QTimer::singleShot(0, button, [target] {
    if (target) target->click();
  });
}

}  // namespace

ScriptedUser::ScriptedUser(std::chrono::milliseconds bound, QObject* parent)
    : QObject(parent), bound_(bound) {
  timer_.setInterval(kTickMs);
  connect(&timer_, &QTimer::timeout, this, &ScriptedUser::OnTick);
}

ScriptedUser::~ScriptedUser() {
  timer_.stop();
}

ScriptedUser& ScriptedUser::SetBound(std::chrono::milliseconds bound) {
  bound_ = bound;
  return *this;
}

ScriptedUser& ScriptedUser::Add(Step step) {
  step.bound = bound_;
  steps_.push_back(std::move(step));
  return *this;
}

ScriptedUser& ScriptedUser::WaitForDialog(const QString& name) {
  return Add({Kind::Wait, name, {}, true, {}, {}});
}
ScriptedUser& ScriptedUser::Fill(const QString& control, const QString& text) {
  return Add({Kind::Fill, control, text, true, {}, {}});
}
ScriptedUser& ScriptedUser::Choose(const QString& combo, const QString& entry) {
  return Add({Kind::Choose, combo, entry, true, {}, {}});
}
ScriptedUser& ScriptedUser::Tick(const QString& box, bool checked) {
  return Add({Kind::Tick, box, {}, checked, {}, {}});
}
ScriptedUser& ScriptedUser::Press(const QString& button) {
  return Add({Kind::Press, button, {}, true, {}, {}});
}
ScriptedUser& ScriptedUser::SelectTab(const QString& title) {
  return Add({Kind::Tab, title, {}, true, {}, {}});
}
ScriptedUser& ScriptedUser::SelectCell(const QString& grid, int row, int column) {
  Step step{Kind::Cell, grid, {}, false, {}, {}};
  step.row = row;
  step.column = column;
  return Add(std::move(step));
}
ScriptedUser& ScriptedUser::FillCell(const QString& grid, int row, int column,
                                     const QString& text) {
  Step step{Kind::Cell, grid, text, true, {}, {}};
  step.row = row;
  step.column = column;
  return Add(std::move(step));
}
ScriptedUser& ScriptedUser::SelectRow(const QString& view, const QString& row) {
  return Add({Kind::Row, view, row, true, {}, {}});
}
ScriptedUser& ScriptedUser::PressEscape() {
  return Add({Kind::Escape, {}, {}, true, {}, {}});
}
ScriptedUser& ScriptedUser::TypeKey(const QString& key) {
  return Add({Kind::Key, key, {}, true, {}, {}});
}
ScriptedUser& ScriptedUser::CloseBox() {
  return Add({Kind::Close, {}, {}, true, {}, {}});
}
ScriptedUser& ScriptedUser::Grab(const QString& pngPath) {
  return Add({Kind::Grab, {}, pngPath, true, {}, {}});
}
ScriptedUser& ScriptedUser::Check(std::function<QString(QDialog&)> check) {
  return Add({Kind::Check, {}, {}, true, std::move(check), {}});
}
ScriptedUser& ScriptedUser::WaitForClose() {
  return Add({Kind::WaitClose, {}, {}, true, {}, {}});
}

bool ScriptedUser::AddStepsFromText(const QString& script, QString* error) {
  std::vector<Step> parsed;
  std::chrono::milliseconds bound = bound_;
  const QStringList lines = script.split('\n');
  for (qsizetype i = 0; i < lines.size(); ++i) {
    const QString line = lines[i].trimmed();
    if (line.isEmpty() || line.startsWith('#')) continue;
    const qsizetype space = line.indexOf(' ');
    const QString verb = (space < 0 ? line : line.left(space)).toLower();
    const QString rest = space < 0 ? QString() : line.mid(space + 1).trimmed();
    const qsizetype restSpace = rest.indexOf(' ');
    const QString first = restSpace < 0 ? rest : rest.left(restSpace);
    const QString tail = restSpace < 0 ? QString() : rest.mid(restSpace + 1);
    auto bad = [&](const QString& why) {
      if (error != nullptr) *error = QString("line %1: %2: \"%3\"").arg(i + 1).arg(why, line);
      return false;
    };
    Step step{Kind::Wait, {}, {}, true, {}, bound};
    if (verb == "wait" && !rest.isEmpty()) {
      step = {Kind::Wait, rest, {}, true, {}, bound};
    } else if (verb == "fill" && !first.isEmpty()) {
      step = {Kind::Fill, first, tail, true, {}, bound};
    } else if (verb == "choose" && !first.isEmpty() && !tail.isEmpty()) {
      step = {Kind::Choose, first, tail, true, {}, bound};
    } else if ((verb == "tick" || verb == "untick") && !rest.isEmpty()) {
      step = {Kind::Tick, rest, {}, verb == "tick", {}, bound};
    } else if (verb == "press" && !rest.isEmpty()) {
      step = {Kind::Press, rest, {}, true, {}, bound};
    } else if (verb == "tab" && !rest.isEmpty()) {
      step = {Kind::Tab, rest, {}, true, {}, bound};
    } else if (verb == "cell" && !tail.isEmpty()) {
      // GRID ROW COLUMN [TEXT]
      const QStringList parts = tail.split(' ');
      bool rowOk = false;
      bool columnOk = false;
      step = {Kind::Cell, first, {}, parts.size() > 2, {}, bound};
      step.row = parts.value(0).toInt(&rowOk);
      step.column = parts.value(1).toInt(&columnOk);
      if (!rowOk || !columnOk || step.row < 0 || step.column < 0) {
        return bad("the row and column must be numbers from 0");
      }
      if (step.flag) step.text = tail.section(' ', 2);
      // Two double quotes type an empty text, which a line cannot end with.
      if (step.text == "\"\"") step.text.clear();
    } else if (verb == "row" && !first.isEmpty() && !tail.isEmpty()) {
      step = {Kind::Row, first, tail, true, {}, bound};
    } else if (verb == "key" && !rest.isEmpty()) {
      if (KeyCode(rest) == 0) return bad("unknown key");
      step = {Kind::Key, rest, {}, true, {}, bound};
    } else if (verb == "escape" && rest.isEmpty()) {
      step = {Kind::Escape, {}, {}, true, {}, bound};
    } else if (verb == "close" && rest.isEmpty()) {
      step = {Kind::Close, {}, {}, true, {}, bound};
    } else if (verb == "grab" && !rest.isEmpty()) {
      step = {Kind::Grab, {}, rest, true, {}, bound};
    } else if (verb == "waitclose" && rest.isEmpty()) {
      step = {Kind::WaitClose, {}, {}, true, {}, bound};
    } else if (verb == "bound") {
      bool ok = false;
      const int ms = rest.toInt(&ok);
      if (!ok || ms <= 0) return bad("the bound must be a positive number of milliseconds");
      bound = std::chrono::milliseconds(ms);
      continue;
    } else {
      return bad("unknown or incomplete step");
    }
    parsed.push_back(std::move(step));
  }
  for (Step& step : parsed) steps_.push_back(std::move(step));
  bound_ = bound;
  return true;
}

void ScriptedUser::Start() {
  if (started_) return;
  started_ = true;
  auto* app = qobject_cast<QApplication*>(QCoreApplication::instance());
  if (app == nullptr || app->thread() != QThread::currentThread()) {
    Fail("the scripted user needs a QApplication on the calling thread");
    return;
  }
  timer_.start();
}

bool ScriptedUser::Finish(std::chrono::milliseconds limit) {
  if (!started_) Start();
  if (!done_) {
    QEventLoop loop;
    connect(this, &ScriptedUser::finished, &loop, &QEventLoop::quit);
    QTimer::singleShot(limit, &loop, &QEventLoop::quit);
    if (!done_) loop.exec();
  }
  if (!done_) {
    Fail(QString("the script did not finish within %1; it was at step %2 (%3)")
             .arg(Ms(limit))
             .arg(next_ + 1)
             .arg(next_ < steps_.size() ? Describe(steps_[next_]) : QString("end")));
  }
  return Succeeded();
}

void ScriptedUser::OnTick() {
  if (done_) return;
  if (next_ >= steps_.size()) {
    Complete();
    return;
  }
  const Step& step = steps_[next_];
  if (!stepStarted_) {
    stepStarted_ = true;
    stepClock_.start();
  }
  QString why;
  retryDetail_.clear();
  switch (Run(step, why)) {
    case Outcome::Done:
      trace_ << QString("step %1: %2").arg(next_ + 1).arg(Describe(step));
      ++next_;
      stepStarted_ = false;
      if (next_ >= steps_.size()) Complete();
      return;
    case Outcome::Failed:
      Fail(QString("step %1 (%2): %3").arg(next_ + 1).arg(Describe(step), why));
      return;
    case Outcome::Retry:
      if (stepClock_.elapsed() > step.bound.count()) {
        Fail(QString("step %1 (%2): %3 within %4%5")
                 .arg(next_ + 1)
                 .arg(Describe(step), why, Ms(step.bound), retryDetail_));
      }
      return;
  }
}

ScriptedUser::Outcome ScriptedUser::RunWait(const Step& step, QString& why) {
  QWidget* modal = QApplication::activeModalWidget();
  auto* dialog = qobject_cast<QDialog*>(modal);
  // A dialog just dismissed by a button or key is normally hidden by the time
  // of this tick; should it stay open (the button did not close it), it may be
  // waited for again after a short grace period.
  const bool justDismissed =
      dialog != nullptr && dialog == dismissed_.data() && stepClock_.elapsed() < kDismissGraceMs;
  if (dialog != nullptr && dialog->isVisible() && !justDismissed && Matches(*dialog, step.name)) {
    dialog_ = dialog;
    dismissed_.clear();
    return Outcome::Done;
  }
  why = QString("no modal dialog \"%1\" appeared").arg(step.name);
  if (modal != nullptr && modal != dismissed_.data()) {
    retryDetail_ = QString(" (the active modal dialog is %1 \"%2\", title \"%3\")")
                       .arg(ClassName(*modal), modal->objectName(), modal->windowTitle());
  }
  return Outcome::Retry;
}

QWidget* ScriptedUser::FindControl(const QString& name, QString& why) {
  auto* control = dialog_->findChild<QWidget*>(name);
  if (control == nullptr) {
    why = QString("control \"%1\" did not appear in %2").arg(name, DialogText());
    return nullptr;
  }
  if (!control->isVisible()) {
    why = QString("control \"%1\" in %2 stayed hidden").arg(name, DialogText());
    return nullptr;
  }
  if (!control->isEnabled()) {
    why = QString("control \"%1\" in %2 stayed disabled").arg(name, DialogText());
    return nullptr;
  }
  return control;
}

ScriptedUser::Outcome ScriptedUser::RunTab(const Step& step, QString& why) {
  for (QTabWidget* tabs : dialog_->findChildren<QTabWidget*>()) {
    for (int i = 0; i < tabs->count(); ++i) {
      if (tabs->tabText(i).remove('&') == step.name && tabs->isTabEnabled(i) && tabs->isVisible()) {
        tabs->setCurrentIndex(i);
        return Outcome::Done;
      }
    }
  }
  why = QString("no tab page \"%1\" appeared in %2").arg(step.name, DialogText());
  return Outcome::Retry;
}

ScriptedUser::Outcome ScriptedUser::RunCell(const Step& step, QString& why) {
  QWidget* control = FindControl(step.name, why);
  if (control == nullptr) return Outcome::Retry;
  auto* view = qobject_cast<QAbstractItemView*>(control);
  if (view == nullptr || view->model() == nullptr) {
    why = QString("control \"%1\" is a %2, not a grid").arg(step.name, ClassName(*control));
    return Outcome::Failed;
  }
  const QModelIndex index = view->model()->index(step.row, step.column);
  if (!index.isValid()) {
    why = QString("grid \"%1\" has no cell at row %2, column %3")
              .arg(step.name)
              .arg(step.row)
              .arg(step.column);
    return Outcome::Retry;
  }
  if (step.flag && (view->editTriggers() == QAbstractItemView::NoEditTriggers ||
                    !(view->model()->flags(index) & Qt::ItemIsEditable))) {
    why = QString("the cell at row %2, column %3 of grid \"%1\" cannot be typed into")
              .arg(step.name)
              .arg(step.row)
              .arg(step.column);
    return Outcome::Failed;
  }
  view->setFocus();
  view->setCurrentIndex(index);
  emit view->clicked(index);
  if (step.flag) view->model()->setData(index, step.text, Qt::EditRole);
  return Outcome::Done;
}

ScriptedUser::Outcome ScriptedUser::RunRow(const Step& step, QString& why) {
  QWidget* control = FindControl(step.name, why);
  if (control == nullptr) return Outcome::Retry;
  auto* view = qobject_cast<QAbstractItemView*>(control);
  if (view == nullptr || view->model() == nullptr) {
    why = QString("control \"%1\" is a %2, not a list view").arg(step.name, ClassName(*control));
    return Outcome::Failed;
  }
  const QAbstractItemModel& model = *view->model();
  bool isNumber = false;
  int row = step.text.toInt(&isNumber);
  if (!isNumber) {
    row = -1;
    for (int r = 0; r < model.rowCount() && row < 0; ++r) {
      if (model.index(r, 0).data().toString().compare(step.text, Qt::CaseInsensitive) == 0) row = r;
    }
  }
  if (row < 0 || row >= model.rowCount()) {
    why = QString("no row \"%1\" appeared in list view \"%2\"").arg(step.text, step.name);
    return Outcome::Retry;
  }
  view->setFocus();
  view->selectionModel()->setCurrentIndex(
      model.index(row, 0), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  return Outcome::Done;
}

ScriptedUser::Outcome ScriptedUser::Run(const Step& step, QString& why) {
  if (step.kind == Kind::Wait) return RunWait(step, why);
  if (dialog_.isNull()) {
    why = "no dialog to act on (a \"wait\" step must come first, or the dialog was freed)";
    return step.kind == Kind::WaitClose ? Outcome::Done : Outcome::Failed;
  }
  QDialog& dialog = *dialog_;
  if (step.kind == Kind::WaitClose) {
    if (!dialog.isVisible()) return Outcome::Done;
    why = QString("%1 did not close").arg(DialogText());
    return Outcome::Retry;
  }
  if (!dialog.isVisible()) {
    why = QString("%1 has closed").arg(DialogText());
    return Outcome::Failed;
  }
  switch (step.kind) {
    case Kind::Fill: {
      QWidget* control = FindControl(step.name, why);
      if (control == nullptr) return Outcome::Retry;
      control->setFocus();
      if (auto* edit = qobject_cast<QLineEdit*>(control)) {
        edit->selectAll();
        edit->insert(step.text);
      } else if (auto* combo = qobject_cast<QComboBox*>(control); combo && combo->isEditable()) {
        combo->lineEdit()->selectAll();
        combo->lineEdit()->insert(step.text);
      } else if (auto* text = qobject_cast<QTextEdit*>(control)) {
        text->setPlainText(step.text);
      } else if (auto* plain = qobject_cast<QPlainTextEdit*>(control)) {
        plain->setPlainText(step.text);
      } else if (auto* spin = qobject_cast<QAbstractSpinBox*>(control);
                 spin && spin->findChild<QLineEdit*>() != nullptr) {
        QLineEdit* line = spin->findChild<QLineEdit*>();
        line->selectAll();
        line->insert(step.text);
        spin->interpretText();
      } else {
        why = QString("control \"%1\" is a %2, which cannot be typed into")
                  .arg(step.name, ClassName(*control));
        return Outcome::Failed;
      }
      return Outcome::Done;
    }
    case Kind::Choose: {
      QWidget* control = FindControl(step.name, why);
      if (control == nullptr) return Outcome::Retry;
      auto* combo = qobject_cast<QComboBox*>(control);
      if (combo == nullptr) {
        why =
            QString("control \"%1\" is a %2, not a combo box").arg(step.name, ClassName(*control));
        return Outcome::Failed;
      }
      const int index = combo->findText(step.text, Qt::MatchFixedString);
      if (index < 0) {
        why = QString("no entry \"%2\" appeared in combo box \"%1\"").arg(step.name, step.text);
        return Outcome::Retry;
      }
      combo->setFocus();
      combo->setCurrentIndex(index);
      emit combo->activated(index);
      emit combo->textActivated(combo->itemText(index));
      return Outcome::Done;
    }
    case Kind::Tick:
    case Kind::Press: {
      QWidget* control = FindControl(step.name, why);
      if (control == nullptr) return Outcome::Retry;
      auto* button = qobject_cast<QAbstractButton*>(control);
      if (button == nullptr) {
        why = QString("control \"%1\" is a %2, not a button").arg(step.name, ClassName(*control));
        return Outcome::Failed;
      }
      if (step.kind == Kind::Tick) {
        if (!button->isCheckable()) {
          why = QString("control \"%1\" cannot be ticked").arg(step.name);
          return Outcome::Failed;
        }
        if (button->isChecked() == step.flag) return Outcome::Done;
        if (!step.flag && qobject_cast<QRadioButton*>(button) && button->autoExclusive()) {
          why = QString("radio button \"%1\" cannot be unticked by clicking it").arg(step.name);
          return Outcome::Failed;
        }
      } else {
        dismissed_ = &dialog;
      }
      ClickLater(button);
      return Outcome::Done;
    }
    case Kind::Tab:
      return RunTab(step, why);
    case Kind::Cell:
      return RunCell(step, why);
    case Kind::Row:
      return RunRow(step, why);
    case Kind::Escape:
    case Kind::Key: {
      const int key = step.kind == Kind::Escape ? int(Qt::Key_Escape) : KeyCode(step.name);
      if (key == 0) {
        why = QString("unknown key \"%1\"").arg(step.name);
        return Outcome::Failed;
      }
      PostKey(dialog.focusWidget() != nullptr ? dialog.focusWidget() : &dialog, key);
      // A key may close the dialog (Escape, Enter on a button).
      if (key != Qt::Key_Tab && key != Qt::Key_Backtab) dismissed_ = &dialog;
      return Outcome::Done;
    }
    case Kind::Close: {
      QPointer<QDialog> target(&dialog);
      QTimer::singleShot(0, &dialog, [target] {
        if (target) target->close();
      });
      dismissed_ = &dialog;
      return Outcome::Done;
    }
    case Kind::Grab: {
      const QFileInfo file(step.text);
      if (!QDir().mkpath(file.absolutePath())) {
        why = QString("cannot create the folder %1").arg(file.absolutePath());
        return Outcome::Failed;
      }
      if (!dialog.grab().save(file.absoluteFilePath(), "PNG")) {
        why = QString("cannot write the screenshot %1").arg(file.absoluteFilePath());
        return Outcome::Failed;
      }
      return Outcome::Done;
    }
    case Kind::Check: {
      why = step.check ? step.check(dialog) : QString();
      return why.isEmpty() ? Outcome::Done : Outcome::Failed;
    }
    case Kind::Wait:
    case Kind::WaitClose:
      break;
  }
  return Outcome::Done;
}

QString ScriptedUser::Describe(const Step& step) const {
  switch (step.kind) {
    case Kind::Wait:
      return QString("wait for dialog \"%1\"").arg(step.name);
    case Kind::Fill:
      return QString("fill \"%1\"").arg(step.name);
    case Kind::Choose:
      return QString("choose \"%1\" in \"%2\"").arg(step.text, step.name);
    case Kind::Tick:
      return QString("%1 \"%2\"").arg(step.flag ? "tick" : "untick", step.name);
    case Kind::Press:
      return QString("press \"%1\"").arg(step.name);
    case Kind::Tab:
      return QString("tab page \"%1\"").arg(step.name);
    case Kind::Cell:
      return QString("%1 cell %2,%3 of \"%4\"")
          .arg(step.flag ? "fill" : "select")
          .arg(step.row)
          .arg(step.column)
          .arg(step.name);
    case Kind::Row:
      return QString("row \"%1\" of \"%2\"").arg(step.text, step.name);
    case Kind::Escape:
      return "press Escape";
    case Kind::Key:
      return QString("key %1").arg(step.name);
    case Kind::Close:
      return "close box";
    case Kind::Grab:
      return QString("grab %1").arg(step.text);
    case Kind::Check:
      return "check";
    case Kind::WaitClose:
      return "wait for the dialog to close";
  }
  return {};
}

QString ScriptedUser::DialogText() const {
  if (dialog_.isNull()) return "no dialog";
  return QString("dialog %1 \"%2\"").arg(ClassName(*dialog_), dialog_->windowTitle());
}

void ScriptedUser::Complete() {
  timer_.stop();
  done_ = true;
  emit finished();
}

void ScriptedUser::Fail(const QString& why) {
  if (failure_.isEmpty()) {
    failure_ = why.isEmpty() ? QString("failed") : why;
    trace_ << "FAILED: " + failure_;
  }
  timer_.stop();
  CloseModalDialogs();
  if (!done_) {
    done_ = true;
    emit finished();
  }
}

void ScriptedUser::CloseModalDialogs() {
  // Rejecting the topmost modal dialog ends its exec(); the next one down
  // becomes the active modal widget. The count bounds the walk.
  for (int i = 0; i < 64; ++i) {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal == nullptr) return;
    if (auto* dialog = qobject_cast<QDialog*>(modal)) {
      dialog->reject();
    } else {
      modal->close();
    }
    if (QApplication::activeModalWidget() == modal) modal->hide();
  }
}

}  // namespace testsupport
