#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "platform/com/com.h"

namespace {

constexpr IID IID_ISample = MakeGuid("{A22780F0-A55F-4E05-9C4D-A98FEB6A7A9F}");
constexpr IID IID_IOther = MakeGuid("{D769FFDE-3738-4A93-88AA-CE6357C6AD8E}");
constexpr IID IID_INotThere = MakeGuid("{9F41F920-DE63-47E4-866C-175D2D41C7EE}");

struct ISample : IDispatch {
  virtual HRESULT Get_Value(int32_t* value) = 0;
};
struct IOther : IUnknown {
  virtual HRESULT Fail(int32_t* out) = 0;
};

int g_destroyed = 0;
bool g_failInitialize = false;

// A sample object with two interfaces, in the shape the plug-ins take.
class Sample : public ComObject<ISample, IOther> {
 public:
  ~Sample() override { ++g_destroyed; }

  void Initialize() {
    if (g_failInitialize) throw ComError(E_FAIL, "set-up failed");
    value_ = 42;
  }

  HRESULT GetTypeInfoCount(uint32_t* count) override {
    *count = 0;
    return S_OK;
  }
  HRESULT GetTypeInfo(uint32_t, uint32_t, void**) override { return E_NOTIMPL; }
  HRESULT GetIDsOfNames(const IID&, OLECHAR**, uint32_t, uint32_t, int32_t*) override {
    return E_NOTIMPL;
  }
  HRESULT Invoke(int32_t, const IID&, uint32_t, uint16_t, void*, VARIANT*, void*,
                 uint32_t*) override {
    return DISP_E_MEMBERNOTFOUND;
  }
  HRESULT Get_Value(int32_t* value) override {
    return SafeCall([&] { *value = value_; });
  }
  HRESULT Fail(int32_t* out) override {
    return SafeCall([&] {
      int32_t result = Compute();  // throws before the out value is written
      *out = result;
    });
  }

 protected:
  void* FindInterface(const IID& iid) override {
    return ComInterfaceLookup(iid, {{IID_IDispatch, static_cast<IDispatch*>(this)},
                                    {IID_ISample, static_cast<ISample*>(this)},
                                    {IID_IOther, static_cast<IOther*>(this)}});
  }

 private:
  static int32_t Compute() { throw std::runtime_error("no value"); }
  int32_t value_ = 0;
};

IUnknown* Identity(IUnknown* object) {
  IUnknown* unknown = nullptr;
  EXPECT_EQ(object->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&unknown)), S_OK);
  unknown->Release();
  return unknown;
}

class ComObjectTest : public ::testing::Test {
 protected:
  void SetUp() override {
    g_destroyed = 0;
    g_failInitialize = false;
    baseline_ = ComObjectCount();
  }
  long baseline_ = 0;
};

TEST_F(ComObjectTest, QueryInterfaceKeepsIdentitySymmetryAndRefusesUnknownIids) {
  ComPtr<Sample> sample = MakeComObject<Sample>();
  ComPtr<ISample> asSample = sample.As<ISample>(IID_ISample);
  ComPtr<IOther> asOther = sample.As<IOther>(IID_IOther);
  ASSERT_TRUE(asSample && asOther);

  // Identity: every interface leads to the same IUnknown.
  IUnknown* identity = Identity(asSample.Get());
  EXPECT_EQ(Identity(asOther.Get()), identity);
  EXPECT_EQ(Identity(static_cast<IDispatch*>(asSample.Get())), identity);

  // Symmetry and transitivity: each interface reaches the others.
  EXPECT_TRUE(asOther.As<ISample>(IID_ISample));
  EXPECT_TRUE(asOther.As<IDispatch>(IID_IDispatch));
  EXPECT_EQ(asOther.As<ISample>(IID_ISample).Get(), asSample.Get());

  void* none = reinterpret_cast<void*>(1);
  EXPECT_EQ(asSample->QueryInterface(IID_INotThere, &none), E_NOINTERFACE);
  EXPECT_EQ(none, nullptr);
  EXPECT_EQ(asSample->QueryInterface(IID_ISample, nullptr), E_POINTER);

  int32_t value = 0;
  EXPECT_EQ(asSample->Get_Value(&value), S_OK);
}

TEST_F(ComObjectTest, ReferencesCountAndTheLastReleaseDestroys) {
  Sample* raw = new Sample;
  EXPECT_EQ(ComObjectCount(), baseline_ + 1);
  EXPECT_EQ(raw->AddRef(), 1u);
  void* other = nullptr;
  ASSERT_EQ(raw->QueryInterface(IID_IOther, &other), S_OK);  // QI adds one
  EXPECT_EQ(static_cast<IOther*>(other)->AddRef(), 3u);
  EXPECT_EQ(static_cast<IOther*>(other)->Release(), 2u);
  EXPECT_EQ(static_cast<IOther*>(other)->Release(), 1u);
  EXPECT_EQ(g_destroyed, 0);
  EXPECT_EQ(raw->Release(), 0u);
  EXPECT_EQ(g_destroyed, 1);
  EXPECT_EQ(ComObjectCount(), baseline_);
}

TEST_F(ComObjectTest, ReferenceCountingIsSafeAcrossThreads) {
  ComPtr<Sample> sample = MakeComObject<Sample>();
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&] {
      for (int i = 0; i < 10000; ++i) {
        ComPtr<Sample> copy = sample;
      }
    });
  }
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(g_destroyed, 0);
  sample.Reset();
  EXPECT_EQ(g_destroyed, 1);
}

TEST_F(ComObjectTest, FactoryCreatesInitialisedObjectsAndRefusesAggregation) {
  ComPtr<IClassFactory> factory = MakeComObject<ClassFactory<Sample>>();
  EXPECT_EQ(ComObjectCount(), baseline_);  // factories are not counted

  ComPtr<ISample> created;
  ASSERT_EQ(factory->CreateInstance(nullptr, IID_ISample, created.PutVoid()), S_OK);
  int32_t value = 0;
  EXPECT_EQ(created->Get_Value(&value), S_OK);
  EXPECT_EQ(value, 42);  // Initialize ran before the caller got the object
  EXPECT_EQ(ComObjectCount(), baseline_ + 1);

  void* out = reinterpret_cast<void*>(1);
  EXPECT_EQ(factory->CreateInstance(created.Get(), IID_ISample, &out), CLASS_E_NOAGGREGATION);
  EXPECT_EQ(out, nullptr);
  EXPECT_EQ(factory->CreateInstance(nullptr, IID_ISample, nullptr), E_POINTER);
  EXPECT_EQ(factory->CreateInstance(nullptr, IID_INotThere, &out), E_NOINTERFACE);
  EXPECT_EQ(out, nullptr);

  g_failInitialize = true;
  EXPECT_EQ(factory->CreateInstance(nullptr, IID_ISample, &out), E_FAIL);
  EXPECT_EQ(out, nullptr);
  created.Reset();
  EXPECT_EQ(ComObjectCount(), baseline_);  // the refused objects were destroyed
  EXPECT_EQ(g_destroyed, 3);
}

TEST_F(ComObjectTest, UnloadIsAllowedOnlyWithoutObjectsAndLocks) {
  ASSERT_EQ(ComCanUnloadNow(), S_OK);
  ComPtr<IClassFactory> factory = MakeComObject<ClassFactory<Sample>>();
  EXPECT_EQ(ComCanUnloadNow(), S_OK);

  EXPECT_EQ(factory->LockServer(1), S_OK);
  EXPECT_EQ(ComCanUnloadNow(), S_FALSE);
  EXPECT_EQ(factory->LockServer(0), S_OK);
  EXPECT_EQ(ComCanUnloadNow(), S_OK);
  // An unmatched unlock does not push the count below zero.
  EXPECT_EQ(factory->LockServer(0), S_OK);
  EXPECT_EQ(factory->LockServer(1), S_OK);
  EXPECT_EQ(ComCanUnloadNow(), S_FALSE);
  EXPECT_EQ(factory->LockServer(0), S_OK);

  {
    ComPtr<Sample> alive = MakeComObject<Sample>();
    EXPECT_EQ(ComCanUnloadNow(), S_FALSE);
  }
  EXPECT_EQ(ComCanUnloadNow(), S_OK);
}

TEST(SafeCallGuard, TurnsExceptionsIntoStatusesAndLeavesOutValues) {
  EXPECT_EQ(SafeCall([] {}), S_OK);
  EXPECT_EQ(SafeCall([] { throw std::runtime_error("boom"); }), E_UNEXPECTED);
  EXPECT_EQ(SafeCall([] { throw ComError(E_INVALIDARG, "bad"); }), E_INVALIDARG);
  EXPECT_EQ(SafeCall([] { throw 7; }), E_UNEXPECTED);
  // A "coded" error with a success code must not be reported as success.
  EXPECT_EQ(SafeCall([] { throw ComError(S_FALSE, "odd"); }), E_UNEXPECTED);

  ComPtr<Sample> sample = MakeComObject<Sample>();
  int32_t out = -7;
  EXPECT_EQ(sample->Fail(&out), E_UNEXPECTED);
  EXPECT_EQ(out, -7);
}

TEST(SafeCallGuard, ReportsEachErrorToTheHookAndSurvivesAThrowingHook) {
  std::vector<std::string> seen;
  SetSafeCallErrorHook([&](const std::exception& e) { seen.push_back(e.what()); });
  SafeCall([] { throw std::runtime_error("first"); });
  SafeCall([] { throw ComError(E_FAIL, "second"); });
  SafeCall([] { throw 1; });
  EXPECT_EQ(seen, (std::vector<std::string>{"first", "second", "unknown exception"}));

  SetSafeCallErrorHook([](const std::exception&) { throw std::logic_error("hook"); });
  EXPECT_EQ(SafeCall([] { throw std::runtime_error("x"); }), E_UNEXPECTED);
  SetSafeCallErrorHook(nullptr);
  EXPECT_EQ(ComError(E_FAIL).what(), std::string("COM error 0x80004005"));
}

}  // namespace
