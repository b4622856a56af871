#pragma once
// The mechanics the customer capture dialogs share: the quick-pick mail-domain
// buttons, the e-mail check on the address edit, the customer look-up by
// e-mail in the host database, the required customer-field rows added at run
// time, the status line and the switching of the dialog's buttons.

#include <QFont>
#include <QString>
#include <array>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "foundation/prefs_records.h"
#include "foundation/required_customer_field.h"
#include "host_interfaces/host_interfaces.h"

class QDialog;
class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;

namespace dialogs {

// Shown when an address belongs to no customer and the required fields of a
// new record were just added.
inline constexpr const char* kCustomerNotFoundMessage =
    "Customer not found.  Please enter additional information to create new customer record.";

inline constexpr int kDomainButtonCount = 5;
inline constexpr int kDomainButtonWidth = 106;
inline constexpr int kDomainButtonStep = 116;
using TDomainButtons = std::array<QPushButton*, kDomainButtonCount>;

// Gives the first min(n, 5) buttons the first mail domains as captions, shows
// them and centres the row on a client area `clientWidth` wide (buttons 106
// wide, 10 apart). Buttons beyond the domains stay as they are.
void LayoutDomainButtons(const TDomainButtons& buttons, int clientWidth,
                         const foundation::StringList& domains);

// Removes the blanks and control characters around the edit's address: they
// are no part of it. The modified flag stays as it was.
void TrimEmailEdit(QLineEdit& edit);

// Checks the edit's address (the dialogs trim it first). When valid the edit
// holds its lower-case form, its modified flag kept as it was when
// `keepModified`, else cleared.
bool ValidateEmailEdit(QLineEdit& edit, bool keepModified);

// The columns a customer look-up reads besides the SID.
struct TLookupColumns {
  bool optIn = false;
  bool loyaltyStatus = false;
  bool trackingDate = false;
};

// The statement that finds a customer of the till's subsidiary by e-mail
// (case and blanks around the stored address ignored, bound as :email_addr, the subsidiary number
// MainPrefs.SBS as :sbs_no). The opt-in column follows the settings; the loyalty-status and
// tracking-date columns only `withLoyalty`. A configured field name the statement cannot read
// raises std::runtime_error "Unrecognized field name".
std::string CustomerLookupSQL(bool withLoyalty, TLookupColumns& columns);

// A customer found by e-mail and the values its configured columns hold
// (absent when the column is not read or holds NULL).
struct TCustomerMatch {
  std::string custSid;
  std::optional<bool> allowEmail;
  std::optional<std::string> loyaltyStatus;
  std::optional<std::string> trackingDate;
};

// Looks `email` up among the customers of the till's subsidiary on the data
// module's session; nothing when none of them has it. Database errors and a
// refused logon reach the caller; the dataset is closed in every case.
std::optional<TCustomerMatch> FindCustomerByEmail(const std::string& email, bool withLoyalty);

// The required customer-field rows of a capture dialog: labels with edits or
// combo boxes stacked where the e-mail row was, the dialog's fixed controls
// moved down below them.
class TRequiredFieldRows {
 public:
  // `lblEmail` and `edtEmail` give the rows' left edges, widths and fonts and
  // the first row's top; `moveDown(delta)` moves the dialog's fixed controls
  // down by delta and grows the dialog by as much. `tag` names the dialog in
  // the log.
  TRequiredFieldRows(QWidget& form, QLabel& lblEmail, QLineEdit& edtEmail,
                     std::function<void(int)> moveDown, std::string tag);
  ~TRequiredFieldRows();
  TRequiredFieldRows(const TRequiredFieldRows&) = delete;
  TRequiredFieldRows& operator=(const TRequiredFieldRows&) = delete;

  // Adds the rows the host requires for a new customer of the current
  // subsidiary: the attributes of preference 745 (without "EMail" and
  // "Cust Id"), then the required user-defined fields from the database (a
  // date field as an edit, a value list as a combo box; each included in
  // `custBO`). Each failure is logged with the step and raised again.
  void Add(IPluginAdapter& adapter, int32_t custBO);
  bool Empty() const { return rows_.empty(); }
  size_t Count() const { return rows_.size(); }
  const foundation::TRequiredCustomerField& Row(size_t i) const { return *rows_[i]; }

  // True when every edit row holds text (trimmed and written back), a date
  // for a date field, and every combo row has an item chosen (an entry's
  // text typed into it chooses that entry); at the first row that fails, the
  // message "Value required for <caption>" (or "Invalid date for <caption>
  // (yyyy-mm-dd)") and the focus on its control, False.
  bool Validate();
  // One "attribute=value" line per row in order: an edit's text, a combo's
  // chosen value identifier.
  void CollectValues(foundation::StringList& values) const;

 private:
  // Adds an edit or combo row at `y`; the top of the next row.
  int AddRow(bool isEdit, const std::string& caption, const std::string& attribute, int y);
  void PlaceRow(foundation::TRequiredCustomerField& row, QWidget& control,
                const std::string& caption, const std::string& attribute, int y);
  // Moves the fixed controls so that they sit just below `y`.
  void MoveBelow(int y);

  QWidget& form_;
  QLabel& lblEmail_;
  QLineEdit& edtEmail_;
  std::function<void(int)> moveDown_;
  std::string tag_;
  int top_ = 0;    // where the e-mail row was before any row was added
  int moved_ = 0;  // how far the fixed controls have moved so far
  std::vector<std::unique_ptr<foundation::TRequiredCustomerField>> rows_;
};

// Lets the window system repaint and run pending events, user input held back.
void ProcessPendingEvents();

// Shows `text` in the status label, logs "Status: " + text and lets the
// window repaint.
void SetStatusText(QLabel& status, const std::string& text, const std::string& tag);

// Enables or disables the buttons and lets the window repaint.
void SwitchButtons(std::initializer_list<QWidget*> buttons, const TDomainButtons& domains,
                   bool enabled);

// "Version: " and the plug-in library's file version ("3.1.x" unreadable).
QString VersionCaption();

QFont ArialFont(int points, bool bold);

// Logs entry to a routine on construction and its exit on destruction.
class TRoutineTrace {
 public:
  explicit TRoutineTrace(std::string tag);
  ~TRoutineTrace();
  TRoutineTrace(const TRoutineTrace&) = delete;
  TRoutineTrace& operator=(const TRoutineTrace&) = delete;

 private:
  std::string tag_;
};

// Names and places a control of a capture dialog.
template <class W>
W* Place(W* widget, const char* name, int left, int top, int width, int height) {
  widget->setObjectName(name);
  widget->setGeometry(left, top, width, height);
  return widget;
}

// The hidden status line and the version label of a capture dialog.
QLabel* MakeStatusLabel(QWidget& form, int left, int top);
QLabel* MakeVersionLabel(QWidget& form, int left, int top);

// Logs the settings the capture dialogs follow, at log level 9.
void LogCaptureSettings(const std::string& tag);

// The customer SID the document holds in `attribute`; nothing when it is NULL.
// A refused read raises ComError.
std::optional<std::string> CustSidOfDocument(IPluginAdapter& adapter, const std::string& attribute);

// Trims the edit's address (writing it back only when trimming changed it, so
// that the modified flag stays) and looks the customer up by it; nothing when
// the address is empty or no customer has it.
std::optional<TCustomerMatch> FindCustomerByEmailEdit(QLineEdit& edit, bool withLoyalty,
                                                      const std::string& tag);

// Creates the customer of `values` through the prepared values server: its
// SID, empty when the server reported a failure or none is prepared (logged).
std::string CreateCustomerRecord(const foundation::StringList& values, const std::string& tag);
// Updates customer `custSid` with `values`: True when the server reported
// success; False when it failed or none is prepared (logged).
bool UpdateCustomerRecord(const std::string& custSid, const foundation::StringList& values,
                          const std::string& tag);

// Runs a button's work with its buttons switched off (`switchButtons(false)`).
// When the work ends False or raises, the buttons come back on; an exception
// is logged and shown in the message form. True when the work completed.
bool RunButtonWork(const std::string& tag, const std::function<void(bool)>& switchButtons,
                   const std::function<bool()>& work);

}  // namespace dialogs
