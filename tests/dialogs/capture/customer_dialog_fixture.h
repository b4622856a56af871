#pragma once
// What the tests of the customer capture dialogs share: a sale staged in the
// simulated host (business objects, a copy of the host database fixture, the
// stand-in OCI client), a customer object, the values server when prepared,
// the log, and the scripted user's message-form step.

#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <algorithm>
#include <string>
#include <vector>

#include "common/app_log_capture.h"
#include "dialogs/vk9_values_server.h"
#include "foundation/message_form.h"
#include "receipt/records.h"
#include "sales/staged_host.h"
#include "scripted_user/scripted_user.h"

namespace customerdialogs {

using Rows = std::vector<std::vector<std::string>>;
using testsupport::ScriptedUser;

inline constexpr const char* kSidAttr = "Bill To Cust Sid";

inline QString Shot(const char* name) {
  return QString(SCREENSHOT_FOLDER) + "/" + name + ".png";
}

// Waits for the message form, checks its text, confirms it and goes back to
// dialog `form`.
inline ScriptedUser& Message(ScriptedUser& user, const std::string& text, const char* form) {
  return user.WaitForDialog("TfrmDispMess")
      .Check([text](QDialog& d) {
        const QString shown = static_cast<foundation::TfrmDispMess&>(d).lblMess()->text();
        return shown.toStdString() == text ? QString() : "message: " + shown;
      })
      .Press("btnOK")
      .WaitForDialog(form);
}

// Empty when the first domains are shown on buttons btnEM1.. at `lefts` and
// the other buttons are hidden; else the buttons that are wrong.
inline QString DomainButtonsAt(QDialog& d, const std::vector<std::string>& domains,
                               const std::vector<int>& lefts) {
  QString why;
  for (int i = 0; i < 5; ++i) {
    auto* button = d.findChild<QPushButton*>(QString("btnEM%1").arg(i + 1));
    const bool shown = i < static_cast<int>(lefts.size());
    if (button->isVisible() != shown || (shown && button->x() != lefts[i]) ||
        (shown && button->text().toStdString() != domains[i])) {
      why += QString("btnEM%1 at %2 ").arg(i + 1).arg(button->x());
    }
  }
  return why;
}

// The edits and combo boxes of the dialog: the address and the required rows.
inline qsizetype EditsAndCombos(QDialog& d) {
  return d.findChildren<QLineEdit*>(Qt::FindDirectChildrenOnly).size() +
         d.findChildren<QComboBox*>(Qt::FindDirectChildrenOnly).size();
}

// A values server made, given the adapter and prepared as the host does it.
inline ComPtr<dialogs::Tvk9ValuesServer> PreparedValuesServer(IPluginAdapter& adapter) {
  ComPtr<dialogs::Tvk9ValuesServer> server = MakeComObject<dialogs::Tvk9ValuesServer>();
  server->Initialize();
  WordBool prepared = 0;
  EXPECT_EQ(server->Set_Adapter(&adapter), S_OK);
  EXPECT_EQ(server->Prepare(&prepared), S_OK);
  return server;
}

class CustomerDialogTest : public ::testing::Test {
 protected:
  explicit CustomerDialogTest(const char* logName) : log_(logName, 9, true) {}

  void SetUp() override {
    receipt::ResetTransControl();
    receipt::ResetAuth();
    foundation::EmailProviders.clear();
    foundation::MainPrefs.SBS = "1";
    host_.Adapter().BOCreate(5, &custBO_, &status_);
  }
  void TearDown() override {
    if (server_) server_->CleanUp();
    foundation::EmailProviders.clear();
    foundation::WSPrefs = {};
    receipt::ResetTransControl();
    receipt::ResetAuth();
  }

  void PrepareValuesServer() { server_ = PreparedValuesServer(host_.Adapter()); }
  void SetDocumentSid(const char* sid) {
    Variant value(sid);
    BStr attr(kSidAttr);
    host_.Adapter().BOSetAttrValue(0, attr.Get(), &value.Get(), &status_);
  }
  // A value list of `count` active values ("L0", "L1", ...) for UDF `udfId`.
  void AddUdfValues(int udfId, int count) {
    for (int i = 0; i < count; ++i) {
      host_.Database().AddRow({"udf_val",
                               {{"udf_val_id", Variant(1000 + i)},
                                {"udf_id", Variant(udfId)},
                                {"udf_value", Variant("L" + std::to_string(i))},
                                {"active", Variant(1)}}});
    }
  }
  size_t JournalCount(const std::string& fragment) {
    const std::vector<std::string> journal = host_.Journal();
    return std::count_if(journal.begin(), journal.end(), [&](const std::string& entry) {
      return entry.find(fragment) != std::string::npos;
    });
  }
  Rows Query(const std::string& sql) { return host_.Database().Query(sql); }

  testsupport::AppLogCapture log_;
  stagedhost::StagedHost host_{stagedhost::ReadScenario("capture_sale.yaml")};
  ComPtr<dialogs::Tvk9ValuesServer> server_;
  int32_t custBO_ = -1;
  int32_t status_ = 0;
};

}  // namespace customerdialogs
