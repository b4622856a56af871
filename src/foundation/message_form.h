// The modal message form the plug-in shows instead of a plain message box.
#pragma once

#include <QDialog>
#include <QString>
#include <string>

class QFontMetrics;
class QLabel;
class QScrollArea;
class QToolButton;

namespace foundation {

// A fixed-size dialog with one centred, bold message (`lblMess`) and an OK
// button with its glyph above the text (`btnOK`). When shown, it sizes itself
// to the message: width = label width + 60 but at least 312, height = label
// height + 120, label and button centred horizontally; the dialog is centred
// on the screen. It never outgrows the screen: a line too wide for it is
// broken (FitLines), and a text too tall is shown in a scroll area
// (`scrMess`) as tall as the screen allows, the button below it.
class TfrmDispMess : public QDialog {
  Q_OBJECT

 public:
  explicit TfrmDispMess(QWidget* owner = nullptr);

  // Title and text applied at the next show.
  void SetCaptionAndMessage(const QString& caption, const QString& message);

  QLabel* lblMess() const { return lblMess_; }
  QToolButton* btnOK() const { return btnOK_; }

  static constexpr int kMinWidth = 312;
  static constexpr int kExtraWidth = 60;
  static constexpr int kExtraHeight = 120;

 protected:
  void showEvent(QShowEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void FormShow();
  // Breaks the label's `text` into lines so that the label is at most
  // `width` pixels wide.
  void FitLabel(const QString& text, int width);

  QLabel* lblMess_;
  QToolButton* btnOK_;
  QScrollArea* scrMess_ = nullptr;
  QString caption_;
  QString message_;
};

// `text` with line breaks added so that no line is wider than `width` pixels
// in `metrics`: a wider line breaks after its last blank that fits (the blank
// dropped), or, with no blank there, where it reaches the width.
QString FitLines(const QString& text, const QFontMetrics& metrics, int width);

// The caption of every message the plug-in shows.
inline constexpr const char* kMessageCaption = "Norvane";

// Shows the message form modally with `caption` as the window title and
// `message` as its text, owned by the host's main window when there is one,
// and frees it afterwards. Throws UiUnavailableError without a QApplication on
// the calling thread.
void DisplayMessage(const std::string& caption, const std::string& message);

// Makes the settings code's messages (ShowSettingsMessage) appear in the
// message form with the plug-in's caption. Where no user interface runs on
// the calling thread they go to the application log instead. Run once at
// library start-up.
void RouteSettingsMessagesToMessageForm();

}  // namespace foundation
