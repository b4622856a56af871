// The simulated host's adapter over its business objects, as the plug-ins
// will use it.

#include <gtest/gtest.h>

#include "host_adapter.h"

namespace {

using hostsim::BORecord;
using hostsim::BusinessObject;
using hostsim::HostAdapter;

BORecord Customer(const char* sid, const char* sbs, const char* email) {
  BORecord record;
  record.attributes["Cust Sid"] = Variant(sid);
  record.attributes["Sbs No"] = Variant(sbs);
  record.attributes["EMail"] = Variant(email);
  return record;
}

class HostAdapterModel : public ::testing::Test {
 protected:
  void SetUp() override {
    adapter_ = MakeComObject<HostAdapter>();
    int32_t status = 0;
    ASSERT_EQ(adapter_->BOCreate(kBOKindCustomer, &customers_, &status), S_OK);
    ASSERT_EQ(status, kAdapterSuccess);
    BusinessObject* object = adapter_->Store().Find(customers_);
    object->AddRecord(Customer("C1", "1", "a@x.test"));
    object->AddRecord(Customer("C2", "2", "b@x.test"));
    object->AddRecord(Customer("C3", "1", "c@x.test"));
  }

  int32_t Status(HRESULT (IPluginAdapter::*method)(int32_t, int32_t*), int32_t handle) {
    int32_t status = 99;
    EXPECT_EQ((adapter_.Get()->*method)(handle, &status), S_OK);
    return status;
  }

  std::string Attribute(int32_t handle, const char* name) {
    BStr attr(name);
    Variant value;
    EXPECT_EQ(adapter_->BOGetAttrValue(handle, attr.Get(), value.Put()), S_OK);
    return value.IsEmpty() ? "(empty)" : value.ToString();
  }

  bool AtEnd(int32_t handle) {
    WordBool atEnd = 0;
    EXPECT_EQ(adapter_->BOEof(handle, &atEnd), S_OK);
    return atEnd != 0;
  }

  ComPtr<HostAdapter> adapter_;
  int32_t customers_ = -1;
};

TEST_F(HostAdapterModel, FilteredWalkVisitsOnlyMatchingRecords) {
  EXPECT_EQ(Status(&IPluginAdapter::BOIsOpen, customers_), 0);
  WordBool active = 5;
  ASSERT_EQ(adapter_->BOIsActive(customers_, &active), S_OK);
  EXPECT_EQ(active, 0);
  EXPECT_EQ(Status(&IPluginAdapter::BOOpen, customers_), kAdapterSuccess);
  ASSERT_EQ(adapter_->BOIsActive(customers_, &active), S_OK);
  EXPECT_EQ(active, 1);

  BStr sbs("Sbs No");
  Variant one("1");
  int32_t status = 0;
  ASSERT_EQ(adapter_->BOSetFilterAttr(customers_, sbs.Get(), &one.Get(), 1, -1, -1, &status), S_OK);
  EXPECT_EQ(status, kAdapterSuccess);

  std::vector<std::string> seen;
  EXPECT_EQ(Status(&IPluginAdapter::BOFirst, customers_), kAdapterSuccess);
  while (!AtEnd(customers_)) {
    seen.push_back(Attribute(customers_, "Cust Sid"));
    EXPECT_EQ(Status(&IPluginAdapter::BONext, customers_), kAdapterSuccess);
  }
  EXPECT_EQ(seen, (std::vector<std::string>{"C1", "C3"}));

  Variant empty("");
  ASSERT_EQ(adapter_->BOSetFilterAttr(customers_, sbs.Get(), &empty.Get(), 0, -1, -1, &status),
            S_OK);
  EXPECT_EQ(Attribute(customers_, "Cust Sid"), "C1");
  EXPECT_EQ(Attribute(customers_, "Unknown Field"), "(empty)");
}

TEST_F(HostAdapterModel, InsertSetPostAndReadBack) {
  EXPECT_EQ(Status(&IPluginAdapter::BOInsert, customers_), kAdapterSuccess);
  BStr email("EMail");
  Variant value("new@x.test");
  int32_t status = 0;
  ASSERT_EQ(adapter_->BOSetAttrValue(customers_, email.Get(), &value.Get(), &status), S_OK);
  EXPECT_EQ(status, kAdapterSuccess);
  EXPECT_EQ(Status(&IPluginAdapter::BOPost, customers_), kAdapterSuccess);
  EXPECT_EQ(Attribute(customers_, "EMail"), "new@x.test");
  EXPECT_EQ(adapter_->Store().Find(customers_)->Records().size(), 4u);
}

TEST_F(HostAdapterModel, FailuresAnswerStatusZeroAndLeaveALastError) {
  EXPECT_EQ(Status(&IPluginAdapter::BOOpen, 77), 0);
  BStr message, function;
  int32_t code = 0;
  ASSERT_EQ(adapter_->GetLastErrorMessage(message.Put()), S_OK);
  ASSERT_EQ(adapter_->GetLastErrorCode(&code), S_OK);
  ASSERT_EQ(adapter_->GetLastErrorFunction(function.Put()), S_OK);
  EXPECT_EQ(message.ToUtf8(), "Invalid business object handle 77");
  EXPECT_EQ(function.ToUtf8(), "BOOpen");
  EXPECT_NE(code, 0);

  BStr name("Cust Sid");
  Variant value;
  EXPECT_TRUE(FAILED(adapter_->BOGetAttrValue(77, name.Get(), value.Put())));

  BStr items("items");
  int32_t child = 5, status = 5;
  ASSERT_EQ(adapter_->BOGetChild(customers_, items.Get(), &child, &status), S_OK);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(child, -1);
  EXPECT_EQ(adapter_->BOOpen(customers_, nullptr), E_POINTER);
}

TEST_F(HostAdapterModel, ChildrenPreferencesAndReprintsAreTheHosts) {
  int32_t status = 0, items = -1, child = -1;
  ASSERT_EQ(adapter_->BOCreate(kBOKindInvoice, &items, &status), S_OK);
  adapter_->Store().SetDocument(BusinessObject(kBOKindInvoice));
  adapter_->Store().Find(0)->SetChild("items", items);
  BStr reference("items");
  ASSERT_EQ(adapter_->BOGetChild(0, reference.Get(), &child, &status), S_OK);
  EXPECT_EQ(status, kAdapterSuccess);
  EXPECT_EQ(child, items);

  Variant preference;
  ASSERT_EQ(adapter_->GetPreference(745, 1, preference.Put()), S_OK);
  EXPECT_TRUE(preference.IsNull());
  adapter_->Store().SetPreference(745, 1, Variant("EMail;Phone1"));
  ASSERT_EQ(adapter_->GetPreference(745, 1, preference.Put()), S_OK);
  EXPECT_EQ(preference.ToString(), "EMail;Phone1");

  BStr none("");
  ASSERT_EQ(adapter_->BOReprint(0, 0, none.Get(), &status), S_OK);
  EXPECT_EQ(adapter_->ReprintCount(0), 1);
  EXPECT_EQ(adapter_->Trace().back(), "BOReprint(0, 0, )");
}

}  // namespace
