#pragma once
// The information box: a small non-modal window without buttons that tells
// the cashier what the plug-in is doing while the host waits for it (reading
// or saving a customer). It is painted at once, so it stays visible while the
// blocking work that follows runs, and freed when its owner goes.

#include <QDialog>
#include <QPointer>
#include <string>

class QLabel;

namespace dialogs {

class TfrmInfoBox : public QDialog {
  Q_OBJECT

 public:
  // Owned by `owner` (the host's main window) and centred on it when given.
  explicit TfrmInfoBox(QWidget* owner = nullptr);

  // The text line, objectName "lblInfo".
  QLabel* lblInfo() const { return lblInfo_; }

  static constexpr int kClientWidth = 434;
  static constexpr int kClientHeight = 111;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  QLabel* lblInfo_;
};

// One information box for the life of the object: shown with caption
// "Norvane" and `text` on construction, freed by Close or on destruction,
// whichever comes first. Where no user interface runs on the calling thread
// nothing is shown (and that is logged).
class TInfoBox {
 public:
  explicit TInfoBox(const std::string& text);
  ~TInfoBox();
  TInfoBox(const TInfoBox&) = delete;
  TInfoBox& operator=(const TInfoBox&) = delete;

  void Close();
  // The window while it is open, else null.
  TfrmInfoBox* Window() const { return window_.data(); }

 private:
  QPointer<TfrmInfoBox> window_;
};

}  // namespace dialogs
