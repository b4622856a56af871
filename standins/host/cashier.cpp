#include "cashier.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QElapsedTimer>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextEdit>
#include <algorithm>
#include <chrono>

#include "scripted_user/scripted_user.h"

namespace hostsim {

namespace {

constexpr int kTickMs = 20;
// Answers by name: how often one entry may answer in a row.
constexpr int kRepeatsAllowed = 5;

std::string Std(const QString& text) {
  return text.toStdString();
}

// The steps with relative screenshot paths put inside `folder`.
QString StepsIn(const std::string& steps, const std::string& folder) {
  QStringList lines = QString::fromStdString(steps).split('\n');
  for (QString& line : lines) {
    const QString trimmed = line.trimmed();
    if (!trimmed.startsWith("grab ")) continue;
    const QString path = trimmed.mid(5).trimmed();
    if (!path.startsWith('/')) line = "grab " + QString::fromStdString(folder) + "/" + path;
  }
  return lines.join('\n');
}

void Dismiss(QWidget& widget) {
  if (auto* dialog = qobject_cast<QDialog*>(&widget)) {
    dialog->reject();
  } else {
    widget.close();
  }
  if (QApplication::activeModalWidget() == &widget) widget.hide();
}

}  // namespace

bool ShownDialog::Named(const std::string& name) const {
  return name == className || name == objectName || name == title;
}

Cashier::Cashier(std::vector<DialogEntry> dialogs, int boundMs, std::string screenshotFolder,
                 std::ostream* transcript)
    : dialogs_(std::move(dialogs)),
      boundMs_(boundMs),
      screenshotFolder_(std::move(screenshotFolder)),
      transcript_(transcript) {
  timer_.setInterval(kTickMs);
  connect(&timer_, &QTimer::timeout, this, &Cashier::OnTick);
}

Cashier::~Cashier() = default;

void Cashier::Start() {
  timer_.start();
}

ShownDialog Cashier::Describe(QWidget& dialog) {
  ShownDialog shown;
  QString name = QString::fromLatin1(dialog.metaObject()->className());
  const qsizetype colon = name.lastIndexOf("::");
  shown.className = Std(colon < 0 ? name : name.mid(colon + 2));
  shown.objectName = Std(dialog.objectName());
  shown.title = Std(dialog.windowTitle());
  for (QWidget* child : dialog.findChildren<QWidget*>()) {
    if (!child->isVisible()) continue;
    QString text;
    if (auto* label = qobject_cast<QLabel*>(child)) {
      text = label->text();
    } else if (auto* button = qobject_cast<QAbstractButton*>(child)) {
      text = button->text();
    } else if (auto* edit = qobject_cast<QLineEdit*>(child)) {
      text = edit->text();
    } else if (auto* combo = qobject_cast<QComboBox*>(child)) {
      text = combo->currentText();
    } else if (auto* rich = qobject_cast<QTextEdit*>(child)) {
      text = rich->toPlainText();
    } else if (auto* plain = qobject_cast<QPlainTextEdit*>(child)) {
      text = plain->toPlainText();
    } else if (auto* group = qobject_cast<QGroupBox*>(child)) {
      text = group->title();
    }
    if (!text.trimmed().isEmpty()) shown.texts.push_back(Std(text));
    // A box's state as the dialog came up: "[x] caption" or "[ ] caption".
    auto* box = qobject_cast<QAbstractButton*>(child);
    if (box != nullptr && box->isCheckable() && !text.trimmed().isEmpty()) {
      shown.texts.push_back(Std((box->isChecked() ? "[x] " : "[ ] ") + text));
    }
  }
  return shown;
}

void Cashier::Settle() {
  if (user_ == nullptr || !user_->Done()) return;
  if (transcript_ != nullptr) {
    for (const QString& line : user_->Trace()) *transcript_ << "    " << Std(line) << "\n";
  }
  if (user_->Failed()) {
    const DialogEntry& entry = dialogs_[entry_];
    failures_.push_back("dialog \"" + entry.name + "\" (" + entry.place.Text() +
                        "): " + Std(user_->Failure()));
  } else {
    stepsDone_.start();
  }
  user_.reset();
}

void Cashier::OnTick() {
  Settle();
  if (user_ != nullptr) return;  // the scripted user is still at work
  QWidget* modal = QApplication::activeModalWidget();
  if (modal == nullptr || !modal->isVisible()) return;
  if (modal == current_.data()) {
    // Its steps are done but it is still open: the scenario left it there.
    if (stepsDone_.isValid() && stepsDone_.elapsed() > boundMs_) {
      failures_.push_back("dialog \"" + dialogs_[entry_].name +
                          "\" stayed open after its steps; closed");
      stepsDone_.invalidate();
      Dismiss(*modal);
    }
    return;
  }
  current_ = modal;
  stepsDone_.invalidate();
  ShownDialog shown = Describe(*modal);
  ++answered_;
  if (byName_) {
    auto named = std::find_if(dialogs_.begin(), dialogs_.end(),
                              [&](const DialogEntry& entry) { return shown.Named(entry.name); });
    if (named == dialogs_.end()) {
      failures_.push_back("unexpected dialog " + shown.className + " \"" + shown.title +
                          "\" (no entry names it); closed");
      Dismiss(*modal);
      return;
    }
    // The same dialog answered again and again (a refused choice brought
    // back) would never end the event: it is closed instead.
    const auto entry = static_cast<size_t>(named - dialogs_.begin());
    repeats_ = entry == entry_ ? repeats_ + 1 : 0;
    entry_ = entry;
    if (repeats_ >= kRepeatsAllowed) {
      failures_.push_back("dialog \"" + named->name + "\" came back " +
                          std::to_string(kRepeatsAllowed) + " times in a row; closed");
      repeats_ = 0;
      Dismiss(*modal);
      return;
    }
  } else {
    std::string line = "  Dialog " + std::to_string(shown_.size() + 1) + ": " + shown.className +
                       " \"" + shown.objectName + "\", title \"" + shown.title + "\"";
    for (const std::string& text : shown.texts) line += "\n    text: \"" + text + "\"";
    if (transcript_ != nullptr) *transcript_ << line << "\n";
    shown_.push_back(shown);

    if (next_ >= dialogs_.size() || !shown.Named(dialogs_[next_].name)) {
      std::string expected = next_ < dialogs_.size() ? "\"" + dialogs_[next_].name + "\" (" +
                                                           dialogs_[next_].place.Text() + ")"
                                                     : std::string("no further dialog");
      failures_.push_back("unexpected dialog " + shown.className + " \"" + shown.title +
                          "\" (the scenario expected " + expected + "); closed");
      Dismiss(*modal);
      return;
    }
    entry_ = next_++;
  }
  const DialogEntry& entry = dialogs_[entry_];
  user_ = std::make_unique<testsupport::ScriptedUser>(std::chrono::milliseconds(boundMs_));
  user_->WaitForDialog(QString::fromStdString(entry.name));
  QString error;
  if (!user_->AddStepsFromText(StepsIn(entry.steps, screenshotFolder_), &error)) {
    failures_.push_back("dialog \"" + entry.name + "\" (" + entry.place.Text() +
                        "): " + Std(error) + "; closed");
    user_.reset();
    Dismiss(*modal);
    return;
  }
  user_->Start();
}

void Cashier::Finish() {
  if (user_ != nullptr) user_->Finish(std::chrono::milliseconds(boundMs_));
  Settle();
  timer_.stop();
  if (byName_) return;
  for (size_t i = next_; i < dialogs_.size(); ++i) {
    failures_.push_back("dialog \"" + dialogs_[i].name + "\" (" + dialogs_[i].place.Text() +
                        ") was never shown");
  }
  next_ = dialogs_.size();
}

}  // namespace hostsim
