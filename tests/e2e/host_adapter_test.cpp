// The simulated host's adapter: what the staged-sale tests of the host leave
// out (activity, clearing a filter, the last error of a bad handle,
// preferences and reprints).

#include <gtest/gtest.h>

#include "host_adapter.h"

namespace {

using hostsim::BORecord;
using hostsim::HostAdapter;

TEST(HostAdapterModel, ActivityFiltersErrorsPreferencesAndReprints) {
  ComPtr<HostAdapter> adapter = MakeComObject<HostAdapter>();
  int32_t customers = -1, status = 0;
  ASSERT_EQ(adapter->BOCreate(kBOKindCustomer, &customers, &status), S_OK);
  for (const char* sbs : {"2", "1"}) {
    BORecord record;
    record.attributes["Sbs No"] = Variant(sbs);
    adapter->Store().Find(customers)->AddRecord(std::move(record));
  }
  auto active = [&] {
    WordBool answer = 5;
    EXPECT_EQ(adapter->BOIsActive(customers, &answer), S_OK);
    return answer;
  };
  auto sbs = [&] {
    BStr name("Sbs No");
    Variant value;
    EXPECT_EQ(adapter->BOGetAttrValue(customers, name.Get(), value.Put()), S_OK);
    return value.ToString();
  };
  EXPECT_EQ(active(), 0);
  ASSERT_EQ(adapter->BOOpen(customers, &status), S_OK);
  EXPECT_EQ(active(), 1);

  BStr name("Sbs No");
  Variant one("1"), empty("");
  ASSERT_EQ(adapter->BOSetFilterAttr(customers, name.Get(), &one.Get(), 1, -1, -1, &status), S_OK);
  EXPECT_EQ(sbs(), "1");
  ASSERT_EQ(adapter->BOSetFilterAttr(customers, name.Get(), &empty.Get(), 0, -1, -1, &status),
            S_OK);
  EXPECT_EQ(sbs(), "2") << "an empty value clears the filter";

  EXPECT_EQ(adapter->BOOpen(77, &status), S_OK);
  EXPECT_EQ(status, 0);
  BStr message, function;
  int32_t code = 0;
  ASSERT_EQ(adapter->GetLastErrorMessage(message.Put()), S_OK);
  ASSERT_EQ(adapter->GetLastErrorCode(&code), S_OK);
  ASSERT_EQ(adapter->GetLastErrorFunction(function.Put()), S_OK);
  EXPECT_EQ(message.ToUtf8(), "Invalid business object handle 77");
  EXPECT_EQ(function.ToUtf8(), "BOOpen");
  EXPECT_NE(code, 0);
  Variant value;
  EXPECT_TRUE(FAILED(adapter->BOGetAttrValue(77, name.Get(), value.Put())));
  EXPECT_EQ(adapter->BOOpen(customers, nullptr), E_POINTER);

  Variant preference;
  ASSERT_EQ(adapter->GetPreference(745, 1, preference.Put()), S_OK);
  EXPECT_TRUE(preference.IsNull());
  adapter->Store().SetPreference(745, 1, Variant("EMail;Phone1"));
  ASSERT_EQ(adapter->GetPreference(745, 1, preference.Put()), S_OK);
  EXPECT_EQ(preference.ToString(), "EMail;Phone1");

  adapter->Store().SetDocument(hostsim::BusinessObject(kBOKindInvoice));
  BStr none("");
  ASSERT_EQ(adapter->BOReprint(0, 0, none.Get(), &status), S_OK);
  EXPECT_EQ(adapter->ReprintCount(0), 1);
  EXPECT_EQ(adapter->Trace().back(), "BOReprint(0, 0, )");
}

}  // namespace
