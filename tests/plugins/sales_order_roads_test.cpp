// The sales-order button and the deposit plug-in run in process over the
// sales of their scenarios, with the stand-in service over TLS: the host's
// answers to the button, a disabled plug-in, the invoice or customer filter
// failing or landing on another record, and a deposit balance the database
// refuses. Only the loaded invoice is ever sent; anything else ends in the
// failed notice with nothing sent.

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "common/app_log_capture.h"
#include "foundation/prefs_records.h"
#include "platform/com/safearray.h"
#include "plugins/vk9_so_dep_on_update.h"
#include "plugins/vk9_sosb.h"
#include "receipt/records.h"
#include "receipt_service/transport_fixture.h"
#include "sales/staged_host.h"
#include "scripted_user/qt_test_app.h"
#include "scripted_user/scripted_user.h"

namespace {

const bool kQtApp = testsupport::InstallQtApplication();

using hostsim::HostFault;

constexpr const char* kFailed = "wait TfrmVeskFail\npress btnExit\nwaitclose";
constexpr const char* kPaperOnly = "wait TfrmAskForVesk\npress btnPrintOnly\nwaitclose";

struct Case {
  const char* name;
  const char* eventType;  // the button's UI event; the deposit's save when null
  std::function<void(stagedhost::StagedHost&)> arrange;
  const char* cashier;  // the scripted user's steps; none: no dialog
  int authentications;  // requests the service must receive
  int sends;
  const char* logged;  // a text the application log must hold
  // Further checks of the host once the road ran; empty when none.
  std::function<void(stagedhost::StagedHost&)> check = nullptr;
};

HostFault Fault(const char* operation, int32_t kind, const char* attribute) {
  HostFault fault;
  fault.operation = operation;
  fault.kind = kind;
  fault.attribute = attribute;
  return fault;
}

std::function<void(stagedhost::StagedHost&)> WithFault(const char* operation, int32_t kind,
                                                       const char* attribute) {
  return [=](stagedhost::StagedHost& host) {
    host.Adapter().AddFault(Fault(operation, kind, attribute));
  };
}

void Disable(stagedhost::StagedHost&) {
  foundation::MainPrefs.Disable = true;
}

int Count(const std::vector<receiptservice::ReceivedRequest>& requests, size_t from,
          const char* operation) {
  int count = 0;
  for (size_t i = from; i < requests.size(); ++i) {
    count += requests[i].body.find(operation) != std::string::npos;
  }
  return count;
}

// Runs the cases on the scenario's sale, the plug-in made as the class
// factory makes it.
template <typename Plugin>
void RunCases(const char* scenario, const std::vector<Case>& cases) {
  testsupport::AppLogCapture log("sales_order_roads", 9, true);
  stagedhost::StagedHost host(stagedhost::ReadScenario(scenario));
  receiptservice::ReceiptService service(transporttest::TestCertificates());
  service.Start();
  ::setenv(receipt::kCaBundleEnvironment, transporttest::TestCertificates().caCert.c_str(), 1);
  plugins::ConfigurationChecked = plugins::SystemPreferencesLogged = true;
  foundation::MainPrefs.URL = service.Url();
  foundation::MainPrefs.QueueDirectory = (host.Folder() / "Queue").string();
  ComPtr<Plugin> plugin = MakeComObject<Plugin>();
  plugin->Initialize();
  ASSERT_EQ(plugin->Set_Adapter(&host.Adapter()), S_OK);
  WordBool result = 0;
  ASSERT_EQ(plugin->Prepare(&result), S_OK);

  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    host.Adapter().ClearFaults();
    host.FailStatements(nullptr, 0);
    foundation::MainPrefs.Disable = false;
    if (c.arrange) c.arrange(host);
    for (int i = 0; i < c.authentications; ++i) service.Plan({.authenticated = false});
    for (int i = 0; i < c.sends; ++i) service.Plan({});
    const size_t before = service.Requests().size();
    testsupport::ScriptedUser user;
    if (c.cashier != nullptr) {
      ASSERT_TRUE(user.AddStepsFromText(c.cashier));
      user.Start();
    }
    if constexpr (std::is_same_v<Plugin, plugins::Tvk9SOSB>) {
      BStr type(c.eventType);
      Variant parameters;
      Variant returned;
      WordBool handled = -1;
      ASSERT_EQ(plugin->HandleBOUIEvent(0, type.Get(), &parameters.Get(), returned.Put(), &handled,
                                        &result),
                S_OK);
      // The host's answers stand whatever the road did.
      EXPECT_NE(result, 0);
      EXPECT_EQ(handled, 0);
      ASSERT_EQ(returned.vt(), VT_ARRAY | VT_I4);
      LONG index = 1;
      int32_t value = 0;
      ASSERT_EQ(SafeArrayGetElement(returned.Array(), &index, &value), S_OK);
      EXPECT_EQ(value, 2);
    } else {
      ASSERT_EQ(plugin->BeforeUpdate(&result), S_OK);
      EXPECT_NE(result, 0);
      ASSERT_EQ(plugin->AfterUpdate(), S_OK);
    }
    if (c.cashier != nullptr) {
      EXPECT_TRUE(user.Finish()) << user.Failure().toStdString();
    }
    const auto requests = service.Requests();
    EXPECT_EQ(Count(requests, before, "AuthenticateUserPOS"), c.authentications);
    EXPECT_EQ(Count(requests, before, "sendDigitalReceiptRequest"), c.sends);
    if (c.logged != nullptr) {
      EXPECT_NE(log.Text().find(c.logged), std::string::npos) << c.logged;
    }
    if (c.check) c.check(host);
  }
  host.Adapter().ClearFaults();
  host.FailStatements(nullptr, 0);
  foundation::MainPrefs.Disable = false;
  plugin->CleanUp();
  service.Stop();
  ::unsetenv(receipt::kCaBundleEnvironment);
  plugins::ConfigurationChecked = false;
  receipt::ResetTransControl();
  receipt::ResetAuth();
}

// The settings name the opt-in in Notes mid-day, after the road made and
// opened its customer object: the road includes Notes in it and opens it
// again before it reads the customer's opt-in there.
void OptInMovedToNotes(stagedhost::StagedHost& host) {
  foundation::MainPrefs.EmailOptInField = "Notes";
  host.Adapter().ClearTrace();
}

void NotesFetchedBeforeItIsRead(stagedhost::StagedHost& host) {
  const std::vector<std::string>& trace = host.Adapter().Trace();
  const auto read = std::find_if(trace.begin(), trace.end(), [](const std::string& call) {
    return call.rfind("BOGetAttrValue(", 0) == 0 && call.find(", Notes)") != std::string::npos;
  });
  ASSERT_NE(read, trace.end()) << "the opt-in is read";
  const std::string handle = read->substr(15, read->find(',') - 15);
  const auto included =
      std::find(trace.begin(), read, "BOIncludeAttrForced(" + handle + ", Notes, -1)");
  ASSERT_NE(included, read) << "Notes is included in object " << handle << " before " << *read;
  EXPECT_NE(std::find(included, read, "BOOpen(" + handle + ")"), read)
      << "object " << handle << " is opened again before " << *read;
  foundation::MainPrefs.EmailOptInField = "Allow Email";
}

TEST(SalesOrderRoads, OnlyTheLoadedInvoiceIsSent) {
  const auto invoiceFilter = [](const char* operation) {
    return WithFault(operation, kBOKindInvoice, "Invoice SID");
  };
  const auto strayCustomer = WithFault("stray filter", kBOKindCustomer, "Cust Sid");
  RunCases<plugins::Tvk9SOSB>(
      "so_recorded_receipts.yaml",
      {
          {"another UI event", "SALEVOIDED", nullptr, nullptr, 0, 0, nullptr},
          {"disabled", "SALERECORDED", Disable, nullptr, 0, 0, nullptr},
          {"invoice filter refused", "SALERECORDED", invoiceFilter("filter"), kFailed, 0, 0,
           "The recorded invoice [7401] was not loaded"},
          {"invoice filter on another invoice", "RETURNRECORDED", invoiceFilter("stray filter"),
           kFailed, 0, 0, "The recorded invoice [7401] was not loaded"},
          // Not read, so not authenticated: asked as a sale without customer.
          {"customer filter on another customer", "SALERECORDED", strayCustomer, kPaperOnly, 0, 1,
           "The customer record found is not bill-to customer 9401"},
          {"the opt-in named in Notes mid-day", "SALERECORDED", OptInMovedToNotes, kPaperOnly, 1, 1,
           nullptr, NotesFetchedBeforeItIsRead},
      });
  RunCases<plugins::Tvk9SODepOnUpdate>(
      "so_deposit_receipts.yaml",
      {
          {"disabled: the objects are still prepared", nullptr, Disable, nullptr, 0, 0,
           "Invoice filter status = -1"},
          {"invoice filter refused", nullptr, invoiceFilter("filter"), kFailed, 0, 0,
           "The deposit invoice [7501] was not loaded"},
          {"invoice filter on another invoice", nullptr, invoiceFilter("stray filter"), kFailed, 0,
           0, "The deposit invoice [7501] was not loaded"},
          {"customer filter on another customer", nullptr, strayCustomer, kPaperOnly, 0, 1,
           "The customer record found is not bill-to customer 9501"},
          {"the opt-in named in Notes mid-day", nullptr, OptInMovedToNotes, kPaperOnly, 1, 1,
           nullptr, NotesFetchedBeforeItIsRead},
          {"deposit balance refused", nullptr,
           [](stagedhost::StagedHost& host) { host.FailStatements("TotDep", 942); },
           "wait TfrmAskForVesk\npress btnPrintOnly\nwait TfrmVeskFail\npress btnExit\nwaitclose",
           1, 0, "ExtractDocument while opening fSOTable"},
      });
}

}  // namespace
