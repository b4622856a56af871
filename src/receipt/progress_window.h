#pragma once
// The progress window shown while the register waits for the receipt
// service: a small non-modal window with one centred line of text. There is at
// most one; ShowNM and CloseNM are called in pairs around one exchange.

#include <QDialog>
#include <string>

class QLabel;

namespace receipt {

class TfrmNM : public QDialog {
  Q_OBJECT

 public:
  // Owned by `owner` (the host's main window) and centred on it when given.
  explicit TfrmNM(QWidget* owner = nullptr);

  // The text line, objectName "Label1".
  QLabel* Label1() const { return label1_; }

  static constexpr int kClientWidth = 434;
  static constexpr int kClientHeight = 111;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  QLabel* label1_;
};

// Creates the progress window owned by the host's main window with `caption`
// as its title and `text` in Label1, shows it without waiting and paints it at
// once, so it stays visible during the blocking exchange that follows. A
// progress window still open is closed first. Where no user interface runs on
// the calling thread nothing is shown.
void ShowNM(const std::string& caption, const std::string& text);

// Closes and frees the progress window; nothing when there is none.
void CloseNM();

// Shows `window` without waiting and paints it at once (the window system
// maps and draws it), so it stays visible during blocking work that follows
// on this thread.
void ShowPaintedNow(QWidget& window);

// The open progress window, or null.
TfrmNM* CurrentProgressWindow();

}  // namespace receipt
