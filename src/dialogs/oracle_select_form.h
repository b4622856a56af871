#pragma once
// The chooser of a master dataset's collection column from which a detail
// dataset is configured: a list of the columns (and collection attributes of
// object columns) and whether the detail is to be read-only.

#include <QDialog>
#include <string>
#include <vector>

class QCheckBox;
class QListWidget;
class QPushButton;

namespace dialogs {

class TOracleSelectForm : public QDialog {
 public:
  explicit TOracleSelectForm(QWidget* owner = nullptr);

  QListWidget* CollListBox() const { return collListBox_; }
  QCheckBox* CollReadOnlyCheck() const { return collReadOnlyCheck_; }

  static constexpr int kClientWidth = 558;
  static constexpr int kClientHeight = 306;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  QListWidget* collListBox_ = nullptr;
  QCheckBox* collReadOnlyCheck_ = nullptr;
};

// Shows the form with `columns`, the first selected. True on OK, with the
// selected index and the check box's state; on Cancel -1 and false.
bool SelectMasterCollectionColumn(const std::vector<std::string>& columns, int& index,
                                  bool& readOnly);

}  // namespace dialogs
