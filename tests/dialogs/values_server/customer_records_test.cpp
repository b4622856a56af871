// Creating and updating host customer records through the prepared values
// server, as the customer dialogs call it: the answers, the host's records,
// the adapter's trace and the database rows.

#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <algorithm>

#include "common/app_log_capture.h"
#include "dialogs/vk9_values_server.h"
#include "sales/staged_host.h"
#include "scripted_user/qt_test_app.h"
#include "scripted_user/scripted_user.h"

namespace {

using dialogs::Tvk9ValuesServer;
using Rows = std::vector<std::vector<std::string>>;

const bool kQtApp = testsupport::InstallQtApplication();

class CustomerRecordsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    server_->Initialize();
    ASSERT_EQ(server_->Set_Adapter(&host_.Adapter()), S_OK);
    WordBool prepared = 0;
    ASSERT_EQ(server_->Prepare(&prepared), S_OK);
    ASSERT_EQ(dialogs::ValuesServer(), server_.Get());
    foundation::MainPrefs.CustNoUpdateField = "UDF5";
    host_.Adapter().ClearTrace();
  }
  void TearDown() override { server_->CleanUp(); }

  // The adapter calls whose text starts with `prefix`.
  std::vector<std::string> Calls(const std::string& prefix) {
    std::vector<std::string> calls;
    for (const std::string& call : host_.Adapter().Trace()) {
      if (call.rfind(prefix, 0) == 0) calls.push_back(call);
    }
    return calls;
  }
  // The host's record of customer `sid`.
  const hostsim::BORecord* Customer(const std::string& sid) {
    for (const hostsim::RecordPtr& record : *host_.Adapter().Store().Table(5)) {
      auto it = record->attributes.find("Cust Sid");
      if (it != record->attributes.end() && it->second.ToString() == sid) return record.get();
    }
    return nullptr;
  }
  void FailPosts() {
    host_.Adapter().AddFault({"post", 5, "", 7, "Record locked by POS 2", "TBOCustomer.Post"});
  }

  testsupport::AppLogCapture log_{"values_server", 9, true};
  stagedhost::StagedHost host_{stagedhost::ReadScenario("values_server_customers.yaml")};
  ComPtr<Tvk9ValuesServer> server_ = MakeComObject<Tvk9ValuesServer>();
};

TEST_F(CustomerRecordsTest, ACreatedCustomerIsInTheHostAndTheDatabase) {
  const foundation::StringList values = {"Sbs No=1",
                                         "EMail=new@example.com",
                                         "First Name=Gus",
                                         "Allow Email=YES",
                                         "UDF1 Date=1985-07-14",
                                         "UDF2 Date=whatever",
                                         "EMail=second@example.com"};
  const std::string sid = server_->CreateNewCustomer("1", values);
  ASSERT_FALSE(sid.empty());
  EXPECT_EQ(Calls("BOOperation17").size(), 1u);
  EXPECT_EQ(host_.Database().Query("select email_addr, first_name, allow_email, sbs_no from "
                                   "customer where cust_sid = " +
                                   sid),
            (Rows{{"new@example.com", "Gus", "1", "1"}}));
  EXPECT_EQ(
      host_.Database().Query("select udf1_date, udf2_date from customer where cust_sid = " + sid),
      (Rows{{"1985-07-14 00:00:00", "(null)"}}))
      << "the date typed; a text that is no date is not stored";
  EXPECT_NE(log_.Text().find("UDF2 Date = [whatever] is no date; it is not stored."),
            std::string::npos);

  EXPECT_FALSE(server_->CreateNewCustomer("1", {"EMail=third@example.com"}).empty());
  EXPECT_EQ(Calls("BOSetFilterAttr").size(), 1u) << "one subsidiary filter for two creates";
  EXPECT_EQ(Calls("BOCreate").size(), 1u);
  const size_t includes = Calls("BOIncludeAttrForced").size();
  EXPECT_TRUE(server_->UpdateExistingCustomer("1", sid, {"Info1=after"}));
  // The object exists: only the field written that it has not included yet.
  const std::vector<std::string> after = Calls("BOIncludeAttrForced");
  ASSERT_EQ(after.size(), includes + 1);
  EXPECT_NE(after.back().find(", Info1, "), std::string::npos) << after.back();
  EXPECT_TRUE(server_->UpdateExistingCustomer("1", sid, {"Info1=again"}));
  EXPECT_EQ(Calls("BOIncludeAttrForced").size(), includes + 1) << "included once";
}

// A create that makes the object includes what the updates made on it later
// read: the SID and the no-update field (UDF5 here); an update after it then
// leaves a marked customer alone.
TEST_F(CustomerRecordsTest, AnObjectMadeByACreateServesTheLaterUpdates) {
  ASSERT_FALSE(server_->CreateNewCustomer("1", {"EMail=new@example.com"}).empty());
  std::vector<std::string> included;
  for (const std::string& call : Calls("BOIncludeAttrForced")) {
    included.push_back(call.substr(call.find(", ") + 2, call.rfind(", ") - call.find(", ") - 2));
  }
  EXPECT_EQ(included,
            (std::vector<std::string>{"Sbs No", "Cust Id", "Last Name", "First Name", "Active",
                                      "Supplements", "EMail", "Cust Sid", "UDF 5 Value"}));
  const_cast<hostsim::BORecord*>(Customer("9100"))->attributes["UDF 5 Value"] =
      Variant("No Update");
  EXPECT_TRUE(server_->UpdateExistingCustomer("1", "9100", {"EMail=changed@example.com"}));
  EXPECT_TRUE(Calls("BOEdit").empty());
  EXPECT_EQ(Customer("9100")->attributes.at("EMail").ToString(), "dana@example.com");
}

TEST_F(CustomerRecordsTest, AFailedPostGivesNoSidAndNoRow) {
  FailPosts();
  EXPECT_EQ(server_->CreateNewCustomer("1", {"EMail=lost@example.com"}), "");
  EXPECT_TRUE(host_.Database()
                  .Query("select cust_sid from customer where email_addr = 'lost@example.com'")
                  .empty());
}

TEST_F(CustomerRecordsTest, AnUpdateIncludesTheRequiredFieldsAndChangesTheRow) {
  host_.ClearJournal();
  EXPECT_TRUE(server_->UpdateExistingCustomer(
      "1", "9100", {"EMail=dana@new.example", "UDF 3 Val Id=11", "Allow Email=YES"}));
  std::vector<std::string> included;
  for (const std::string& call : Calls("BOIncludeAttrForced")) {
    included.push_back(call.substr(call.find(", ") + 2, call.rfind(", ") - call.find(", ") - 2));
  }
  EXPECT_EQ(included, (std::vector<std::string>{
                          "Sbs No", "Cust Sid", "Last Name", "First Name", "Active", "Supplements",
                          "Phone1", "Info1", "Phone2", "UDF1 Date", "UDF 3 Val Id", "UDF 3 Val Id",
                          "UDF 4 Val Id", "UDF 4 Val Id", "Aux 1 Val Id", "UDF 5 Value", "EMail",
                          "UDF 3 Val Id", "Allow Email"}));
  const std::vector<std::string> journal = host_.Journal();
  EXPECT_NE(std::find(journal.begin(), journal.end(),
                      std::string(dialogs::kRequiredUdfSQL) + " [SBS_NO='1']"),
            journal.end());
  EXPECT_EQ(
      host_.Database().Query("select email_addr, allow_email from customer where cust_sid = 9100"),
      (Rows{{"dana@new.example", "1"}}));
  EXPECT_EQ(Customer("9100")->attributes.at("UDF 3 Val Id").vt(), VT_I4);
}

TEST_F(CustomerRecordsTest, AFailedUpdateIsShownAndAnswersFalse) {
  FailPosts();
  testsupport::ScriptedUser user;
  QString shown;
  user.WaitForDialog("ShowMessage")
      .Check([&](QDialog& box) {
        shown = static_cast<QMessageBox&>(box).text();
        return QString();
      })
      .Press("btnOK");
  user.Start();
  EXPECT_FALSE(server_->UpdateExistingCustomer("1", "9100", {"EMail=never@example.com"}));
  EXPECT_TRUE(user.Finish()) << user.Failure().toStdString();
  EXPECT_EQ(shown.toStdString(),
            "The receipt will be transmitted, but the customer record cannot be "
            "updated\rRecord locked by POS 2");
  EXPECT_EQ(Calls("Operation125").size(), 2u) << "before the post and after its failure";
  EXPECT_EQ(host_.Database().Query("select email_addr from customer where cust_sid = 9100"),
            (Rows{{"dana@example.com"}}));
}

TEST_F(CustomerRecordsTest, NoUpdateUnknownAndForeignCustomersAreNotEdited) {
  struct Case {
    const char* sid;
    bool answer;
  } cases[] = {{"9101", true}, {"9999", false}, {"", false}, {"9102", false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.sid);
    EXPECT_EQ(server_->UpdateExistingCustomer("1", c.sid, {"EMail=changed@example.com"}), c.answer);
    EXPECT_TRUE(Calls("BOEdit").empty());
    EXPECT_EQ(Calls("BOSetFilterAttr").back().find("BOSetFilterAttr"), 0u);
    EXPECT_NE(Calls("BOSetFilterAttr").back().find("Cust Sid, , 0"), std::string::npos)
        << "the SID filter is cleared";
  }
  // A filter the host answers as done but that lands on another customer.
  host_.Adapter().AddFault({"stray filter", 5, "Cust Sid", 0, "", ""});
  EXPECT_FALSE(server_->UpdateExistingCustomer("1", "9100", {"EMail=changed@example.com"}));
  EXPECT_TRUE(Calls("BOEdit").empty());
  EXPECT_TRUE(host_.Database()
                  .Query("select cust_sid from customer where email_addr = 'changed@example.com'")
                  .empty());
}

// Each field the setup offers for the mark works: a user-defined field's
// list entry or one of the free-text fields, included in the object at its
// first use; a customer without the mark is updated.
TEST_F(CustomerRecordsTest, TheNoUpdateMarkInEveryOfferedField) {
  for (const char* setting : {"UDF5", "Info1", "Info2", "Notes"}) {
    SCOPED_TRACE(setting);
    server_->CleanUp();
    ASSERT_EQ(server_->Set_Adapter(&host_.Adapter()), S_OK);
    WordBool prepared = 0;
    ASSERT_EQ(server_->Prepare(&prepared), S_OK) << "a new object, included afresh";
    foundation::MainPrefs.CustNoUpdateField = setting;
    const std::string field = dialogs::NoUpdateAttributeName(setting);
    hostsim::BORecord& dana = const_cast<hostsim::BORecord&>(*Customer("9100"));
    for (const std::string mark : {" No update ", ""}) {
      dana.attributes[field] = Variant(mark);
      host_.Adapter().ClearTrace();
      EXPECT_TRUE(server_->UpdateExistingCustomer("1", "9100", {"EMail=changed@example.com"}));
      EXPECT_EQ(Calls("BOEdit").size(), mark.empty() ? 1u : 0u) << "[" << mark << "]";
      if (!mark.empty()) {
        const std::vector<std::string> includes = Calls("BOIncludeAttrForced");
        EXPECT_TRUE(std::any_of(includes.begin(), includes.end(), [&](const std::string& call) {
          return call.find(", " + field + ", ") != std::string::npos;
        })) << "included at the first use";
      }
      EXPECT_EQ(host_.Database().Query("select email_addr from customer where cust_sid = 9100"),
                (Rows{{mark.empty() ? "changed@example.com" : "dana@example.com"}}));
      host_.Database().Query(
          "update customer set email_addr = 'dana@example.com' "
          "where cust_sid = 9100");
      dana.attributes["EMail"] = Variant("dana@example.com");
    }
  }
  EXPECT_EQ(log_.Text().find("it is not used"), std::string::npos);
}

TEST_F(CustomerRecordsTest, FailuresOfFirstUseAreReportedNotRaised) {
  EXPECT_FALSE(server_->UpdateExistingCustomer("one", "9100", {"EMail=x@example.com"}));
  EXPECT_NE(log_.Text().find("UpdateExistingCustomer while processing UDF fields"),
            std::string::npos);
  host_.Database().LockReadAccount();
  EXPECT_FALSE(server_->UpdateExistingCustomer("1", "9100", {"EMail=x@example.com"}))
      << "the user-defined fields cannot be read";
  EXPECT_TRUE(Calls("BOCreate").empty());

  server_->CleanUp();
  EXPECT_EQ(dialogs::ValuesServer(), nullptr);
  EXPECT_EQ(server_->CreateNewCustomer("1", {"EMail=x@example.com"}), "") << "no adapter";

  ComPtr<Tvk9ValuesServer> other = MakeComObject<Tvk9ValuesServer>();
  other->Initialize();
  WordBool prepared = 0;
  ASSERT_EQ(other->Prepare(&prepared), S_OK);
  EXPECT_EQ(dialogs::ValuesServer(), other.Get());
  other.Reset();
  EXPECT_EQ(dialogs::ValuesServer(), nullptr) << "forgotten when destroyed";
}

TEST(CustomerFieldNames, UserDefinedFieldsNoUpdateSettingAndTheFieldList) {
  EXPECT_EQ(dialogs::UdfAttributeName(2), "UDF2 Date");
  EXPECT_EQ(dialogs::UdfAttributeName(8), "UDF 8 Val Id");
  EXPECT_EQ(dialogs::UdfAttributeName(9), "Aux 1 Val Id");
  // The setup's entries only, read trimmed and without regard to case.
  for (const char* unset : {"", "None", " none ", "UDF", "UDFx", "Info3", "Address6"}) {
    EXPECT_EQ(dialogs::NoUpdateAttributeName(unset), "") << unset;
  }
  EXPECT_EQ(dialogs::NoUpdateAttributeName("UDF7"), "UDF 7 Value");
  EXPECT_EQ(dialogs::NoUpdateAttributeName(" udf7 "), "UDF 7 Value");
  for (const char* text : {"Info1", "Info2", "Notes"}) {
    EXPECT_EQ(dialogs::NoUpdateAttributeName(text), text) << "the free-text field itself";
  }
  EXPECT_EQ(dialogs::NoUpdateAttributeName("info1"), "Info1");
  EXPECT_EQ(dialogs::NoUpdateAttributeName(" NOTES"), "Notes");
  std::string list = ";;Phone1;Info1";
  EXPECT_EQ(dialogs::NextField(list), "Phone1");
  EXPECT_EQ(dialogs::NextField(list), "Info1");
  EXPECT_EQ(list, "");
}

}  // namespace

// The setup changes a customer field mid-day, after the values server's
// object was made and opened by an earlier update; the settings are read
// again at the next sale. The host fetches an attribute only once it is
// included and the object opened after that: the field the setting now names
// is included, and the object opened again, before the next update reads or
// writes it. (The simulated host answers every attribute included or not, so
// only the order of the calls tells.)
TEST_F(CustomerRecordsTest, AFieldNamedMidDayIsFetchedBeforeTheNextUpdateUsesIt) {
  struct Case {
    const char* what;
    void (*before)();
    void (*after)();
    foundation::StringList values;
    const char* field;
    const char* call;
  } cases[] = {
      {"the no-update field set to Info2",
       [] { foundation::MainPrefs.CustNoUpdateField = "None"; },
       [] { foundation::MainPrefs.CustNoUpdateField = "Info2"; },
       {"EMail=second@example.com"},
       "Info2",
       "BOGetAttrValue"},
      {"the opt-in moved from Allow Email to Notes",
       [] { foundation::MainPrefs.CustNoUpdateField = "None"; },
       [] {},
       {"EMail=second@example.com", "Notes=YES"},
       "Notes",
       "BOSetAttrValue"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    server_->CleanUp();
    ASSERT_EQ(server_->Set_Adapter(&host_.Adapter()), S_OK);
    WordBool prepared = 0;
    ASSERT_EQ(server_->Prepare(&prepared), S_OK);
    c.before();
    EXPECT_TRUE(server_->UpdateExistingCustomer("1", "9100",
                                                {"EMail=first@example.com", "Allow Email=YES"}));
    c.after();
    const size_t start = host_.Adapter().Trace().size();
    server_->UpdateExistingCustomer("1", "9100", c.values);
    const std::vector<std::string>& trace = host_.Adapter().Trace();
    // The handle of the values server's object: the one its update edits.
    std::string handle;
    for (size_t i = start; i < trace.size() && handle.empty(); ++i) {
      if (trace[i].rfind("BOSetFilterAttr(", 0) == 0 &&
          trace[i].find(", Cust Sid, 9100") != std::string::npos) {
        handle = trace[i].substr(16, trace[i].find(',') - 16);
      }
    }
    ASSERT_FALSE(handle.empty());
    const std::string use = std::string(c.call) + "(" + handle + ", " + c.field;
    const std::string include = "BOIncludeAttrForced(" + handle + ", " + c.field + ", ";
    const std::string open = "BOOpen(" + handle + ")";
    size_t used = trace.size();
    for (size_t i = start; i < trace.size(); ++i) {
      if (trace[i].rfind(use, 0) == 0) {
        used = i;
        break;
      }
    }
    ASSERT_LT(used, trace.size()) << "the update " << c.call << " " << c.field;
    size_t included = trace.size();
    for (size_t i = 0; i < used; ++i) {
      if (trace[i].rfind(include, 0) == 0) included = i;
    }
    if (included >= used) {
      ADD_FAILURE() << c.field << " is never included in object " << handle << " before "
                    << trace[used];
      continue;
    }
    EXPECT_TRUE(std::any_of(trace.begin() + static_cast<std::ptrdiff_t>(included),
                            trace.begin() + static_cast<std::ptrdiff_t>(used),
                            [&](const std::string& call) { return call == open; }))
        << c.field << " is included but the object is not opened again before it is used";
  }
}
