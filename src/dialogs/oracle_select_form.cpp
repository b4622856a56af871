#include "dialogs/oracle_select_form.h"

#include <QCheckBox>
#include <QListWidget>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>

#include "dialogs/customer_capture.h"
#include "foundation/main_window.h"

namespace dialogs {

namespace {

constexpr int kBottomHeight = 50;

}  // namespace

TOracleSelectForm::TOracleSelectForm(QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                         Qt::MSWindowsFixedSizeDialogHint) {
  setObjectName("OracleSelectForm");
  setFixedSize(kClientWidth, kClientHeight);
  collListBox_ = Place(new QListWidget(this), "CollListBox", 10, 15, 533, 193);
  collListBox_->setSelectionMode(QAbstractItemView::SingleSelection);
  connect(collListBox_, &QListWidget::itemDoubleClicked, this, &QDialog::accept);

  // One sheet without its tab holds the options.
  auto* pages =
      Place(new QTabWidget(this), "PageControl", 10, 212, 533, kClientHeight - kBottomHeight - 212);
  pages->tabBar()->hide();
  auto* sheet = new QWidget;
  sheet->setObjectName("CollSheet");
  pages->addTab(sheet, QString());
  collReadOnlyCheck_ =
      Place(new QCheckBox("Create ReadOnly DataSet", sheet), "CollReadOnlyCheck", 8, 8, 250, 20);
  collReadOnlyCheck_->setChecked(true);

  auto* bottom = Place(new QWidget(this), "BottomPanel", 0, kClientHeight - kBottomHeight,
                       kClientWidth, kBottomHeight);
  auto* ok = Place(new QPushButton("OK", bottom), "OKBtn", kClientWidth - 180, 13, 75, 25);
  ok->setDefault(true);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  auto* cancel =
      Place(new QPushButton("Cancel", bottom), "CancelBtn", kClientWidth - 95, 13, 75, 25);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void TOracleSelectForm::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  foundation::CentreFrameOn(*this, foundation::ScreenArea(*this));
}

bool SelectMasterCollectionColumn(const std::vector<std::string>& columns, int& index,
                                  bool& readOnly) {
  index = -1;
  readOnly = false;
  TOracleSelectForm form(foundation::HostMainWindow());
  form.setWindowTitle("Select Master Collection Column for Detail Dataset");
  for (const std::string& column : columns)
    form.CollListBox()->addItem(QString::fromStdString(column));
  if (!columns.empty()) form.CollListBox()->setCurrentRow(0);
  if (form.exec() != QDialog::Accepted) return false;
  index = form.CollListBox()->currentRow();
  readOnly = form.CollReadOnlyCheck()->isChecked();
  return true;
}

}  // namespace dialogs
