#include "dialogs/customer_capture.h"

#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPushButton>
#include <algorithm>
#include <stdexcept>

#include "dialogs/vk9_values_server.h"
#include "foundation/customer_field_names.h"
#include "foundation/email_validation.h"
#include "foundation/file_version.h"
#include "foundation/helpers_text.h"
#include "foundation/log.h"
#include "foundation/message_form.h"
#include "foundation/prefs_records.h"
#include "hostplugin/bo_fields.h"
#include "platform/com/bstr.h"
#include "platform/com/com_error.h"
#include "platform/com/variant.h"
#include "receipt/host_data_module.h"

namespace dialogs {

namespace {

constexpr int32_t kRequiredCustomerFieldsPreference = 745;
constexpr int kRowGap = 8;
constexpr int kLabelDrop = 4;

QString Q(const std::string& text) {
  return QString::fromStdString(text);
}

[[noreturn]] void Unrecognized(const std::string& name, const char* what) {
  throw std::runtime_error("Unrecognized field name \"" + name + "\" configured for " + what);
}

// ", cu.<column> as <alias>" for the host's free-text customer columns.
std::optional<std::string> TextColumn(const std::string& name, const char* alias) {
  for (const char* column : {"Info1", "Info2", "Notes"}) {
    if (name == column) {
      return ", cu." + foundation::helpers::LowerAscii(column) + " as " + alias;
    }
  }
  return std::nullopt;
}

constexpr const char* kUdfValuesJoin = " left join cust_udf_v cv on cv.cust_sid=cu.cust_sid";

int32_t SubsidiaryNumber() {
  const std::string& sbs = foundation::MainPrefs.SBS;
  try {
    size_t used = 0;
    const int value = std::stoi(sbs, &used);
    if (used == sbs.size()) return value;
  } catch (const std::exception&) {
  }
  return 1;
}

// An entry typed whole into a list row (case and blanks around it aside) is
// chosen as if picked from the list; a text that is no entry leaves the row
// without a choice, the text kept for the cashier to correct. (Leaving the
// row by Tab or a click does the same: the combo box chooses a typed entry
// when its edit loses the focus; a choice button pressed with the keyboard
// or by the program leaves the row without that.)
void ChooseTypedEntry(QComboBox& combo) {
  const QString typed = combo.currentText().trimmed();
  const int index = typed.isEmpty() ? -1 : combo.findText(typed, Qt::MatchFixedString);
  if (index >= 0) {
    if (index != combo.currentIndex()) combo.setCurrentIndex(index);
    return;
  }
  if (combo.currentIndex() >= 0) {
    combo.setCurrentIndex(-1);
    combo.setEditText(typed);
  }
}

bool IsDateAttribute(const std::string& attribute) {
  return attribute == "UDF1 Date" || attribute == "UDF2 Date";
}

}  // namespace

void LayoutDomainButtons(const TDomainButtons& buttons, int clientWidth,
                         const foundation::StringList& domains) {
  const int n = std::min<int>(static_cast<int>(domains.size()), kDomainButtonCount);
  if (n <= 0) return;
  const int first = (clientWidth - (n * kDomainButtonWidth + (n - 1) * 10)) / 2;
  for (int i = 0; i < n; ++i) {
    QPushButton* button = buttons[i];
    button->move(first + i * kDomainButtonStep, button->y());
    button->setText(Q(domains[i]));
    button->setVisible(true);
  }
}

void TrimEmailEdit(QLineEdit& edit) {
  const QString trimmed = Q(foundation::helpers::TrimText(edit.text().toStdString()));
  if (trimmed == edit.text()) return;
  const bool modified = edit.isModified();
  edit.setText(trimmed);
  edit.setModified(modified);
}

bool ValidateEmailEdit(QLineEdit& edit, bool keepModified) {
  std::string email = edit.text().toStdString();
  if (!foundation::ValidateEmailAddress(email)) return false;
  const bool modified = edit.isModified();
  const QString checked = Q(email);
  if (edit.text() != checked) {
    edit.setText(checked);
  } else {
    // The same text is not set again, which would only redraw the edit; the
    // caret goes to the end as setting it would.
    edit.deselect();
    edit.end(false);
  }
  edit.setModified(keepModified && modified);
  return true;
}

std::string CustomerLookupSQL(bool withLoyalty, TLookupColumns& columns) {
  const foundation::TMainPrefs& prefs = foundation::MainPrefs;
  std::string select = "select to_char(cu.cust_sid) as cust_sid";
  std::string source = " from customer cu";
  columns = {};
  // Each field setting is read as every reader of it reads it (blanks and
  // case aside, spelt as the setup's entry).
  if (prefs.PromptForEmailMarketingOptIn &&
      foundation::CustomerFieldConfigured(prefs.EmailOptInField)) {
    const std::string name = foundation::CustomerFieldSetting(prefs.EmailOptInField);
    if (name == "Allow Email") {
      select += ", cu.allow_email as allow_email";
    } else if (TextColumn(name, "")) {
      // "YES" in any case, blanks around it ignored, as every reader of the
      // value compares it.
      select += ", decode( upper( trim( cu." + foundation::helpers::LowerAscii(name) +
                " ) ), 'YES', 1, 0 ) as allow_email";
    } else if (const std::optional<char> udf = foundation::UdfSettingDigit(name)) {
      // The setup offers the user-defined fields: the opt-in is the text of
      // the entry chosen in the field's list (cust_udf_v.udf_<digit>).
      select += std::string(", decode( upper( trim( cv.udf_") + *udf +
                " ) ), 'YES', 1, 0 ) as allow_email";
      source += kUdfValuesJoin;
    } else {
      Unrecognized(name, "email opt-in field");
    }
    columns.optIn = true;
  }
  if (withLoyalty && foundation::CustomerFieldConfigured(prefs.LoyaltyStatusField)) {
    const std::string name = foundation::CustomerFieldSetting(prefs.LoyaltyStatusField);
    if (auto column = TextColumn(name, "loyalty_status")) {
      select += *column;
    } else if (const std::optional<char> udf = foundation::UdfSettingDigit(name)) {
      select += std::string(", cv.udf_") + *udf + " as loyalty_status";
      if (source.find(kUdfValuesJoin) == std::string::npos) source += kUdfValuesJoin;
    } else {
      Unrecognized(name, "loyalty status field");
    }
    columns.loyaltyStatus = true;
  }
  if (withLoyalty && foundation::CustomerFieldConfigured(prefs.LoyaltyTrackingDateField)) {
    const std::string name = foundation::CustomerFieldSetting(prefs.LoyaltyTrackingDateField);
    if (name == "UDF1 Date" || name == "UDF2 Date") {
      select += std::string(", cu.udf") + name[3] + "_date as tracking_date";
    } else if (auto column = TextColumn(name, "tracking_date")) {
      select += *column;
    } else if (name == "Address6") {
      select += ", ca.address6 as tracking_date";
      source += " left join cust_address ca on ca.cust_sid=cu.cust_sid and ca.addr_no=1";
    } else {
      Unrecognized(name, "loyalty tracking date field");
    }
    columns.trackingDate = true;
  }
  // Only the customers of the till's subsidiary: the customer object the
  // record is then read, updated and linked through is filtered on it. Blanks
  // around a stored address are no part of it, as around a typed one.
  return select + source +
         " where upper( trim( cu.email_addr ) ) = upper( :email_addr ) and cu.sbs_no = :sbs_no";
}

std::optional<TCustomerMatch> FindCustomerByEmail(const std::string& email, bool withLoyalty) {
  TLookupColumns columns;
  const std::string sql = CustomerLookupSQL(withLoyalty, columns);
  receipt::TdQ& dq = receipt::EnsureDataModule();
  if (!dq.Connect()) throw std::runtime_error(dq.LastError());
  const receipt::TBinds binds = {{"email_addr", email}, {"sbs_no", foundation::MainPrefs.SBS}};
  foundation::KWLog(9, "Customer look-up: " + receipt::StatementText(sql, binds),
                    foundation::kLevelDebug, "FindCustomerByEmail");
  std::optional<TCustomerMatch> match;
  try {
    if (dq.OpenDS2(sql, binds)) {
      const auto text = [&](const char* name) -> std::optional<std::string> {
        const auto& field = dq.ds2.FieldByName(name);
        if (field.IsNull()) return std::nullopt;
        return field.AsString();
      };
      match.emplace();
      match->custSid = dq.ds2.FieldByName("cust_sid").AsString();
      if (columns.optIn) {
        if (auto value = text("allow_email"))
          match->allowEmail = hostplugin::HostFlagIsTrue(*value);
      }
      if (columns.loyaltyStatus) match->loyaltyStatus = text("loyalty_status");
      if (columns.trackingDate) match->trackingDate = text("tracking_date");
    }
  } catch (...) {
    dq.ds2.Close();
    throw;
  }
  dq.ds2.Close();
  return match;
}

TRequiredFieldRows::TRequiredFieldRows(QWidget& form, QLabel& lblEmail, QLineEdit& edtEmail,
                                       std::function<void(int)> moveDown, std::string tag)
    : form_(form),
      lblEmail_(lblEmail),
      edtEmail_(edtEmail),
      moveDown_(std::move(moveDown)),
      tag_(std::move(tag)) {}

TRequiredFieldRows::~TRequiredFieldRows() {
  while (!rows_.empty()) rows_.pop_back();
}

void TRequiredFieldRows::MoveBelow(int y) {
  const int delta = y - top_ - moved_;
  if (delta == 0) return;
  moved_ += delta;
  moveDown_(delta);
}

void TRequiredFieldRows::PlaceRow(foundation::TRequiredCustomerField& row, QWidget& control,
                                  const std::string& caption, const std::string& attribute, int y) {
  QLabel& label = *row.Label;
  label.setGeometry(lblEmail_.x(), y + kLabelDrop, lblEmail_.width(), lblEmail_.height());
  label.setFont(lblEmail_.font());
  label.setText(Q(caption + ":"));
  label.setAlignment(Qt::AlignRight | Qt::AlignTop);
  label.setTextFormat(Qt::PlainText);
  control.setGeometry(edtEmail_.x(), y, edtEmail_.width(), edtEmail_.height());
  control.setFont(edtEmail_.font());
  row.AttrName = attribute;
  label.show();
  control.show();
}

int TRequiredFieldRows::AddRow(bool isEdit, const std::string& caption,
                               const std::string& attribute, int y) {
  const std::string kind = isEdit ? "edit" : "combo";
  foundation::KWLog(7, "     Adding " + kind + " control required for field \"" + caption + "\"...",
                    foundation::kLevelInfo,
                    tag_ + (isEdit ? ".AddARequiredField" : ".AddARequiredCombo"));
  auto row = std::make_unique<foundation::TRequiredCustomerField>(&form_, isEdit);
  QWidget& control = isEdit ? static_cast<QWidget&>(*row->Edit) : *row->ComboBox;
  control.setObjectName(
      Q((isEdit ? "edtRequired" : "cbxRequired") + std::to_string(rows_.size() + 1)));
  PlaceRow(*row, control, caption, attribute, y);
  rows_.push_back(std::move(row));
  return control.y() + control.height() + kRowGap;
}

void TRequiredFieldRows::Add(IPluginAdapter& adapter, int32_t custBO) {
  const std::string where = tag_ + ".AddRequiredFields";
  std::string step = "reading the required-fields preference";
  try {
    top_ = edtEmail_.y() - moved_;
    int y = edtEmail_.y();
    Variant preference;
    const HRESULT hr = adapter.GetPreference(kRequiredCustomerFieldsPreference, SubsidiaryNumber(),
                                             preference.Put());
    if (FAILED(hr)) throw ComError(hr, "The host could not read preference 745");
    if (!preference.IsNull()) {
      step = "adding the fields of the preference";
      std::string list = preference.ToString();
      for (const std::string name : {"EMail", "Cust Id"}) {
        for (size_t at = list.find(name); at != std::string::npos; at = list.find(name, at)) {
          list.erase(at, name.size());
        }
      }
      if (list.size() >= 2) {
        while (!list.empty()) {
          const std::string field = NextField(list);
          if (!field.empty()) y = AddRow(true, field, field, y);
        }
      }
      MoveBelow(y);
    }

    step = "reading the user-defined fields";
    receipt::TdQ& dq = receipt::EnsureDataModule();
    if (!dq.Connect()) throw std::runtime_error(dq.LastError());
    const bool any = dq.OpenDS1(kRequiredUdfSQL, {{"sbs_no", foundation::MainPrefs.SBS}});
    step = "adding the user-defined fields";
    try {
      std::string previous;
      std::string pendingCaption;  // a combo row waiting for its first value
      QComboBox* combo = nullptr;
      foundation::TRequiredCustomerField* comboRow = nullptr;
      for (; any && !dq.ds1.Eof(); dq.ds1.Next()) {
        const int number = dq.ds1.FieldByName("udf_no").AsInteger();
        const std::string caption = dq.ds1.FieldByName("udf_name").AsString();
        const std::string attribute = UdfAttributeName(number);
        if (attribute != previous) {
          previous = attribute;
          combo = nullptr;
          comboRow = nullptr;
          pendingCaption.clear();
          BStr name(attribute);
          int32_t status = 0;
          const HRESULT included =
              adapter.BOIncludeAttrForced(custBO, name.Get(), VARIANT_TRUE, &status);
          if (FAILED(included)) throw ComError(included, "The host could not include " + attribute);
          if (number < 3) {
            MoveBelow(y = AddRow(true, caption, attribute, y));
          } else {
            pendingCaption = caption;
          }
        }
        const auto& value = dq.ds1.FieldByName("udf_value");
        if (value.IsNull() || (combo == nullptr && pendingCaption.empty())) continue;
        if (combo == nullptr) {
          // A value list without any active value gets no row: it could not be filled.
          MoveBelow(y = AddRow(false, pendingCaption, attribute, y));
          comboRow = rows_.back().get();
          combo = comboRow->ComboBox;
          pendingCaption.clear();
        }
        const int id = dq.ds1.FieldByName("udf_val_id").AsInteger();
        const int index = combo->count();
        combo->addItem(Q(value.AsString()), id);
        combo->setCurrentIndex(-1);
        if (index < foundation::TRequiredCustomerField::kValueIdCount)
          comboRow->ValueIds[index] = id;
      }
    } catch (...) {
      dq.ds1.Close();
      throw;
    }
    dq.ds1.Close();
  } catch (const std::exception& e) {
    foundation::LogException(e, where + " while " + step);
    throw;
  }
}

bool TRequiredFieldRows::Validate() {
  for (const auto& row : rows_) {
    bool filled = false;
    bool wrongDate = false;
    QWidget* control = nullptr;
    if (row->Edit != nullptr) {
      row->Edit->setText(Q(foundation::helpers::TrimText(row->Edit->text().toStdString())));
      filled = !row->Edit->text().isEmpty();
      // A date field keeps what is typed only when it is a date.
      wrongDate = filled && IsDateAttribute(row->AttrName) &&
                  !CustomerDateOfText(row->Edit->text().toStdString());
      control = row->Edit;
    } else if (row->ComboBox != nullptr) {
      ChooseTypedEntry(*row->ComboBox);
      filled = row->ComboBox->currentIndex() >= 0;
      control = row->ComboBox;
    }
    if (filled && !wrongDate) continue;
    QString caption = row->Label != nullptr ? row->Label->text() : QString();
    if (caption.endsWith(':')) caption.chop(1);
    foundation::DisplayMessage(foundation::kMessageCaption,
                               wrongDate
                                   ? "Invalid date for " + caption.toStdString() + " (yyyy-mm-dd)"
                                   : "Value required for " + caption.toStdString());
    if (control != nullptr) control->setFocus();
    return false;
  }
  return true;
}

void TRequiredFieldRows::CollectValues(foundation::StringList& values) const {
  for (const auto& row : rows_) {
    if (row->Edit != nullptr) {
      values.push_back(row->AttrName + "=" + row->Edit->text().toStdString());
    } else if (row->ComboBox != nullptr) {
      const QVariant id = row->ComboBox->currentData();
      values.push_back(row->AttrName + "=" + (id.isValid() ? std::to_string(id.toInt()) : ""));
    }
  }
}

void ProcessPendingEvents() {
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void SetStatusText(QLabel& status, const std::string& text, const std::string& tag) {
  status.setText(Q(text));
  foundation::KWLog(7, "Status: " + text, foundation::kLevelInfo, tag);
  ProcessPendingEvents();
}

void SwitchButtons(std::initializer_list<QWidget*> buttons, const TDomainButtons& domains,
                   bool enabled) {
  for (QWidget* button : buttons) button->setEnabled(enabled);
  for (QPushButton* button : domains) button->setEnabled(enabled);
  ProcessPendingEvents();
}

QString VersionCaption() {
  // The library's own version cannot change while it is loaded: read once.
  static const QString caption = [] {
    const std::string version = foundation::GetFileVersionText(foundation::OwnLibraryPath());
    return "Version: " + Q(version.empty() ? "3.1.x" : version);
  }();
  return caption;
}

TRoutineTrace::TRoutineTrace(std::string tag) : tag_(std::move(tag)) {
  foundation::LogEnter(7, tag_);
}

TRoutineTrace::~TRoutineTrace() {
  foundation::LogExit(7, tag_);
}

QFont ArialFont(int points, bool bold) {
  QFont font("Arial", points);
  font.setBold(bold);
  return font;
}

QLabel* MakeStatusLabel(QWidget& form, int left, int top) {
  QLabel* status = Place(new QLabel(&form), "lblStatus", left, top, 445, 18);
  status->setFont(ArialFont(8, false));
  status->setTextFormat(Qt::PlainText);
  status->setAutoFillBackground(true);
  QPalette palette = status->palette();
  palette.setColor(QPalette::Window, QColor(0xDB, 0xF0, 0xF2));
  palette.setColor(QPalette::WindowText, Qt::black);
  status->setPalette(palette);
  status->hide();
  return status;
}

QLabel* MakeVersionLabel(QWidget& form, int left, int top) {
  QLabel* version = Place(new QLabel(&form), "lblVersion", left, top, 102, 12);
  version->setFont(ArialFont(7, false));
  version->setTextFormat(Qt::PlainText);
  version->setAlignment(Qt::AlignRight | Qt::AlignTop);
  return version;
}

void LogCaptureSettings(const std::string& tag) {
  constexpr size_t kDumpWidth = 44;
  if (foundation::GetLogLevel() < 9) return;
  const foundation::TMainPrefs& p = foundation::MainPrefs;
  const auto b = foundation::BoolToText;
  const std::pair<const char*, std::string> settings[] = {
      {"CustLoyalAttr", p.LoyalAttr},
      {"CustLoyalField", p.LoyalField},
      {"EnableLoyaltyTracking", b(p.EnableLoyaltyTracking)},
      {"LoyaltyStatusField", p.LoyaltyStatusField},
      {"LoyaltyTrackingDateField", p.LoyaltyTrackingDateField},
      {"EmailOptInField", p.EmailOptInField},
      {"DefaultEFTReceiptPrintingOn", b(foundation::WSPrefs.DefaultEFTReceiptPrintingOn)},
      {"PromptForEmailMarketingOptIn", b(p.PromptForEmailMarketingOptIn)},
      {"InclDesc3", b(p.InclDesc3)},
      {"InclDesc4", b(p.InclDesc4)},
      {"InclSize", b(p.InclSize)},
      {"InclAttr", b(p.InclAttr)},
      {"InclVendor", b(p.InclVendor)},
      {"AlwaysCreateCustForUniqueEmail", b(p.AlwaysCreateCustForUniqueEmail)},
      {"TurnOnReceiptQueuingService", b(p.QueueEnabled)},
      {"QueueServiceInterval", std::to_string(p.QueueInterval)},
      {"QueueServiceLogLevel", std::to_string(p.QueueLogLevel)}};
  foundation::KWLog(9, "Settings:", foundation::kLevelDebug, tag);
  for (const auto& [name, value] : settings) {
    std::string line = std::string("     fMain.") + name;
    if (line.size() < kDumpWidth) line.append(kDumpWidth - line.size(), '.');
    foundation::KWLog(9, line + value, foundation::kLevelDebug, tag);
  }
}

std::optional<std::string> CustSidOfDocument(IPluginAdapter& adapter,
                                             const std::string& attribute) {
  BStr name(attribute);
  Variant value;
  const HRESULT hr = adapter.BOGetAttrValue(0, name.Get(), value.Put());
  if (FAILED(hr)) throw ComError(hr, "The host could not read \"" + attribute + "\"");
  if (value.IsNull()) return std::nullopt;
  return value.ToString();
}

std::optional<TCustomerMatch> FindCustomerByEmailEdit(QLineEdit& edit, bool withLoyalty,
                                                      const std::string& tag) {
  const std::string email = foundation::helpers::TrimText(edit.text().toStdString());
  // As the platform's edit does, an unchanged text is not set again and so
  // keeps its modified flag.
  if (Q(email) != edit.text()) edit.setText(Q(email));
  if (email.empty()) return std::nullopt;
  std::optional<TCustomerMatch> match = FindCustomerByEmail(email, withLoyalty);
  foundation::KWLog(7, match ? "Customer found: " + match->custSid : "No customer has this email",
                    foundation::kLevelInfo, tag);
  return match;
}

std::string CreateCustomerRecord(const foundation::StringList& values, const std::string& tag) {
  Tvk9ValuesServer* server = ValuesServer();
  if (server == nullptr) {
    foundation::KWLog(0, "No values server is prepared; the new customer is not stored",
                      foundation::kLevelError, tag);
    return {};
  }
  return server->CreateNewCustomer(foundation::MainPrefs.SBS, values);
}

bool UpdateCustomerRecord(const std::string& custSid, const foundation::StringList& values,
                          const std::string& tag) {
  Tvk9ValuesServer* server = ValuesServer();
  if (server == nullptr) {
    foundation::KWLog(0, "No values server is prepared; the customer is not updated",
                      foundation::kLevelError, tag);
    return false;
  }
  return server->UpdateExistingCustomer(foundation::MainPrefs.SBS, custSid, values);
}

bool RunButtonWork(const std::string& tag, const std::function<void(bool)>& switchButtons,
                   const std::function<bool()>& work) {
  switchButtons(false);
  std::string failure;
  try {
    if (work()) return true;
  } catch (const std::exception& e) {
    foundation::LogException(e, tag);
    failure = e.what();
  } catch (...) {
    foundation::KWLog(0, "Unknown exception", foundation::kLevelError, tag);
    failure = "Unknown error";
  }
  switchButtons(true);
  if (!failure.empty()) foundation::DisplayMessage(foundation::kMessageCaption, failure);
  return false;
}

}  // namespace dialogs
