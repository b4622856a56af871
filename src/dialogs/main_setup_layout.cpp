// The controls of the setup dialog, their places, captions and entry lists.

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableWidget>
#include <QTreeWidget>

#include "dialogs/main_setup.h"
#include "dialogs/up_down_edit.h"

namespace dialogs {

namespace {

const QStringList kFieldEntries = {"None", "UDF3", "UDF4",  "UDF5",  "UDF6",
                                   "UDF7", "UDF8", "Info1", "Info2", "Notes"};
const QStringList kDateFieldEntries = {"None",  "UDF1 Date", "UDF2 Date", "Info1",
                                       "Info2", "Notes",     "Address6"};
const QStringList kBarCodeEntries = {"None",
                                     "Code128",
                                     "GTIN",
                                     "SGTIN",
                                     "SSCC",
                                     "SIN",
                                     "PLU",
                                     "SKU",
                                     "ItemID",
                                     "ISBN",
                                     "ISSN",
                                     "EPC",
                                     "TUC",
                                     "POSDepartment",
                                     "RFID",
                                     "UPC",
                                     "MUZEID",
                                     "AMGID",
                                     "MenuID",
                                     "UPCA",
                                     "UPCA WithSupplimentalBarCode",
                                     "UPCE",
                                     "UPCE WithSupplimentalBarCode",
                                     "UPCD1",
                                     "UPCD2",
                                     "UPCD3",
                                     "UPCD4",
                                     "UPCD5",
                                     "EAN8",
                                     "JAN8",
                                     "EAN8 WithSupplimentalBarCode",
                                     "EAN13",
                                     "JAN13",
                                     "EAN13 WithSupplimentalBarCode",
                                     "EAN128",
                                     "Standard2Of5",
                                     "Codebar",
                                     "Code39",
                                     "Code93",
                                     "OCRA",
                                     "OCRB",
                                     "PDF417",
                                     "MAXICODE",
                                     "OTHER",
                                     "UNKNOWN"};

template <class W, class... Args>
W* Make(QWidget* parent, const char* name, QRect place, Args&&... args) {
  auto* widget = new W(std::forward<Args>(args)..., parent);
  widget->setObjectName(name);
  widget->setGeometry(place);
  return widget;
}

QLabel* Label(QWidget* parent, const QString& text, QRect place) {
  auto* label = new QLabel(text, parent);
  label->setGeometry(place);
  return label;
}

QGroupBox* Group(QWidget* parent, const QString& caption, QRect place) {
  auto* group = new QGroupBox(caption, parent);
  group->setGeometry(place);
  return group;
}

QComboBox* DropDown(QWidget* parent, const char* name, QRect place, const QStringList& entries) {
  auto* combo = Make<QComboBox>(parent, name, place);
  combo->addItems(entries);
  return combo;
}

QTableWidget* Grid(QWidget* parent, const char* name, QRect place, int rows, int columns) {
  auto* grid = Make<QTableWidget>(parent, name, place, rows, columns);
  grid->setSelectionMode(QAbstractItemView::SingleSelection);
  grid->verticalHeader()->setDefaultSectionSize(24);
  return grid;
}

}  // namespace

void TfrmMainSetup::BuildForm() {
  setObjectName("TfrmMainSetup");
  setFixedSize(kClientWidth, kClientHeight);
  pages_ = Make<QTabWidget>(this, "PageControl1", QRect(6, 6, 650, 596));
  // All seven page titles fit side by side.
  pages_->setStyleSheet("QTabBar::tab { padding: 4px 7px; }");
  pages_->setUsesScrollButtons(false);
  const std::pair<const char*, void (TfrmMainSetup::*)(QWidget*)> pages[] = {
      {"General", &TfrmMainSetup::BuildGeneralPage},
      {"Store Information", &TfrmMainSetup::BuildStorePage},
      {"Card Types", &TfrmMainSetup::BuildCardTypesPage},
      {"Email Providers", &TfrmMainSetup::BuildEmailProvidersPage},
      {"Loyalty Tracking", &TfrmMainSetup::BuildLoyaltyPage},
      {"Workstation", &TfrmMainSetup::BuildWorkstationPage},
      {"Items", &TfrmMainSetup::BuildItemsPage}};
  for (const auto& [title, build] : pages) {
    auto* page = new QWidget;
    (this->*build)(page);
    pages_->addTab(page, title);
  }
  lblVersion_ = Make<QLabel>(this, "lblVersion", QRect(12, 616, 400, 24));
  btnExit_ = Make<QPushButton>(this, "btnExit", QRect(552, 612, 100, 32), "Done");
}

void TfrmMainSetup::BuildGeneralPage(QWidget* page) {
  auto* web = Group(page, "Web Service:", QRect(8, 6, 626, 86));
  edtURL_ = Make<QLineEdit>(web, "edtURL", QRect(10, 24, 496, 26));
  btnTest_ = Make<QPushButton>(web, "btnTest", QRect(516, 22, 100, 30), "Test");
  rdbProduction_ = Make<QRadioButton>(web, "rdbProduction", QRect(10, 56, 110, 24), "Production");
  rdbTest_ = Make<QRadioButton>(web, "rdbTest", QRect(130, 56, 80, 24), "Test");
  rdbCustom_ = Make<QRadioButton>(web, "rdbCustom", QRect(220, 56, 90, 24), "Custom");

  auto* merchant = Group(page, "Merchant ID:", QRect(8, 96, 460, 58));
  edtMerchID_ = Make<QLineEdit>(merchant, "edtMerchID", QRect(10, 24, 440, 26));
  auto* timeout = Group(page, "Timeout:", QRect(478, 96, 156, 58));
  edtTimeout_ = Make<QLineEdit>(timeout, "edtTimeout", QRect(10, 24, 136, 26));
  edtTimeout_->setText("30");

  auto* loyalty = Group(page, "Customer Loyalty ID Field:", QRect(8, 158, 308, 58));
  cboLoyalty_ = DropDown(loyalty, "cboLoyalty", QRect(10, 24, 288, 26), kFieldEntries);
  auto* barCode = Group(page, "Receipt Bar Code Type:", QRect(326, 158, 308, 58));
  cboBarCode_ = DropDown(barCode, "cboBarCode", QRect(10, 24, 288, 26), kBarCodeEntries);
  auto* optIn = Group(page, "Email Opt-in Field", QRect(8, 220, 308, 58));
  cboEmailOptInField_ = DropDown(optIn, "cboEmailOptInField", QRect(10, 24, 288, 26),
                                 kFieldEntries + QStringList{"Allow Email"});
  auto* noUpdate =
      Group(page, QString("Customer ") + QChar('"') + "No Update" + QChar('"') + " Field",
            QRect(326, 220, 308, 58));
  cboCustNoUpdateField_ =
      DropDown(noUpdate, "cboCustNoUpdateField", QRect(10, 24, 288, 26), kFieldEntries);

  const std::pair<QCheckBox**, std::pair<const char*, const char*>> boxes[] = {
      {&chkSaveEmail_, {"chkSaveEmail", "Save/Update Bill To Customer Email Address"}},
      {&chkDisable_, {"chkDisable", "Disable Quenlos"}},
      {&chkPromptForEmailMarketingOptIn_,
       {"chkPromptForEmailMarketingOptIn", "Prompt for email marketing opt-in"}},
      {&chkAlwaysCreateCustForUniqueEmail_,
       {"chkAlwaysCreateCustForUniqueEmail",
        "Always create customer record for unique email address"}},
      {&chkOffsetForm_,
       {"chkOffsetForm", "Move receipt prompt dialog to upper left corner of screen"}}};
  int y = 286;
  for (const auto& [box, text] : boxes) {
    *box = Make<QCheckBox>(page, text.first, QRect(14, y, 610, 24), text.second);
    y += 26;
  }

  auto* queue = Group(page, "Queue Processing Service", QRect(8, 420, 626, 116));
  cbTurnOnReceiptQueuingService_ =
      Make<QCheckBox>(queue, "cbTurnOnReceiptQueuingService", QRect(10, 24, 200, 24), "Enabled");
  lblQueueServiceInterval_ = Make<QLabel>(queue, "lblQueueServiceInterval", QRect(10, 54, 240, 24),
                                          "Processing interval, in seconds:");
  // The edits hold whatever integer is stored; the up-downs step within
  // their limits.
  edtQueueServiceInterval_ =
      Make<TUpDownEdit>(queue, "edtQueueServiceInterval", QRect(260, 52, 110, 26), 30, 86400);
  lblQueueServiceLogLevel_ = Make<QLabel>(queue, "lblQueueServiceLogLevel", QRect(10, 84, 240, 24),
                                          "Logging level (0-9):");
  edtQueueServiceLogLevel_ =
      Make<TUpDownEdit>(queue, "edtQueueServiceLogLevel", QRect(260, 82, 110, 26), 0, 9);
}

void TfrmMainSetup::BuildStorePage(QWidget* page) {
  const std::pair<QLineEdit**, std::pair<const char*, const char*>> edits[] = {
      {&edtStoreName_, {"edtStoreName", "Store Name:"}},
      {&edtStoreAddr_, {"edtStoreAddr", "Address:"}},
      {&edtStoreCity_, {"edtStoreCity", "City:"}},
      {&edtStoreState_, {"edtStoreState", "State:"}},
      {&edtStoreZip_, {"edtStoreZip", "Zip:"}},
      {&edtPhone_, {"edtPhone", "Phone:"}}};
  int y = 20;
  for (const auto& [edit, text] : edits) {
    Label(page, text.second, QRect(20, y + 2, 110, 24));
    *edit = Make<QLineEdit>(page, text.first, QRect(140, y, 460, 26));
    y += 40;
  }
}

void TfrmMainSetup::BuildCardTypesPage(QWidget* page) {
  Label(page, "Set the Quenlos card type for each card name:", QRect(12, 10, 600, 24));
  lsvC_ = Make<QTreeWidget>(page, "lsvC", QRect(12, 40, 330, 500));
  lsvC_->setHeaderLabels({"Card Name", "VeskRcpt Type"});
  lsvC_->setColumnWidth(0, 150);
  lsvC_->setColumnWidth(1, 150);
  lsvC_->setRootIsDecorated(false);
  lsvC_->setSelectionBehavior(QAbstractItemView::SelectRows);
  lsvC_->setSelectionMode(QAbstractItemView::SingleSelection);
  lsvC_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  Label(page, "Quenlo Types:", QRect(360, 40, 200, 24));
  cboVeskCT_ = Make<QComboBox>(page, "cboVeskCT", QRect(360, 66, 200, 26));
  btnAddCardType_ = Make<QPushButton>(page, "btnAddCardType", QRect(360, 104, 95, 30), "Set");
  btnDeleteCardType_ =
      Make<QPushButton>(page, "btnDeleteCardType", QRect(465, 104, 95, 30), "Clear");
}

void TfrmMainSetup::BuildEmailProvidersPage(QWidget* page) {
  Label(page, "Email Providers:", QRect(12, 10, 300, 24));
  stgEM_ = Grid(page, "stgEM", QRect(12, 40, 330, kEmailProviderGridHeight), kEmailProviderRows, 1);
  stgEM_->horizontalHeader()->hide();
  stgEM_->verticalHeader()->hide();
  stgEM_->horizontalHeader()->setStretchLastSection(true);
}

void TfrmMainSetup::BuildLoyaltyPage(QWidget* page) {
  auto* status = Group(page, "Loyalty Status Field:", QRect(8, 10, 320, 58));
  cboLoyaltyStatusField_ =
      DropDown(status, "cboLoyaltyStatusField", QRect(10, 24, 300, 26), kFieldEntries);
  auto* date = Group(page, "Loyalty Tracking Date Field:", QRect(8, 76, 320, 58));
  cboLoyaltyTrackingDateField_ =
      DropDown(date, "cboLoyaltyTrackingDateField", QRect(10, 24, 300, 26), kDateFieldEntries);
  chkEnableLoyaltyTracking_ = Make<QCheckBox>(page, "chkEnableLoyaltyTracking",
                                              QRect(14, 146, 400, 24), "Enable Loyalty Tracking");
}

void TfrmMainSetup::BuildWorkstationPage(QWidget* page) {
  chkDefaultEFTReceiptPrintingOn_ =
      Make<QCheckBox>(page, "chkDefaultEFTReceiptPrintingOn", QRect(14, 16, 400, 24),
                      "Default EFT Receipt Printing On");
}

void TfrmMainSetup::BuildItemsPage(QWidget* page) {
  const std::pair<QCheckBox**, std::pair<const char*, const char*>> boxes[] = {
      {&chkItemDesc3Field_, {"chkItemDesc3Field", "Include Description 3"}},
      {&chkItemDesc4Field_, {"chkItemDesc4Field", "Include Description 4"}},
      {&chkItemSizeField_, {"chkItemSizeField", "Include Size"}},
      {&chkItemAttrField_, {"chkItemAttrField", "Include Attribute"}},
      {&chkItemVendorField_, {"chkItemVendorField", "Include Vendor"}}};
  int y = 8;
  for (const auto& [box, text] : boxes) {
    *box = Make<QCheckBox>(page, text.first, QRect(14, y, 300, 24), text.second);
    y += 26;
  }
  cbEnableAdvancedCategorization_ =
      Make<QCheckBox>(page, "cbEnableAdvancedCategorization", QRect(14, y + 6, 300, 24),
                      "Enable Advanced Categorization");

  grdRollupCategories_ = Grid(page, "grdRollupCategories", QRect(330, 8, 300, 156), 5, 1);
  grdRollupCategories_->setHorizontalHeaderLabels({"Roll-up categories"});
  grdRollupCategories_->setVerticalHeaderLabels({"1", "2", "3", "4", "5"});
  grdRollupCategories_->horizontalHeader()->setStretchLastSection(true);

  lblDCSforSbs_ =
      Make<QLabel>(page, "lblDCSforSbs", QRect(14, 200, 400, 24), "DCS for Subsidiary %s");
  grdCategories_ = Grid(page, "grdCategories", QRect(14, 226, 616, 330), 0, 3);
  grdCategories_->setHorizontalHeaderLabels({"DCS Code", "Roll-up 1", "Roll-up 2"});
  grdCategories_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  for (int column = 0; column < 3; ++column) grdCategories_->setColumnWidth(column, 190);
  cbxRollupCategory_ = new QComboBox(grdCategories_->viewport());
  cbxRollupCategory_->setObjectName("cbxRollupCategory");
  cbxRollupCategory_->hide();
}

}  // namespace dialogs
