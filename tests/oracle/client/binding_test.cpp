// Binding the entry points of a loaded client by version group.

#include <string>

#include "loader_fixture.h"

namespace oracle_test {
namespace {

using namespace oracle;

int BoundCount() {
  int count = 0;
#define COUNT_BOUND(name) count += (oracle::name != nullptr) ? 1 : 0;
  NORVANE_OCI_ALL_NAMES(COUNT_BOUND)
#undef COUNT_BOUND
  return count;
}

class BindingTest : public LoaderTest {};

TEST_F(BindingTest, FullClientBindsEveryNameAndEveryGroup) {
  // The fake client exports exactly the 164 names as the tests list them, so
  // a misspelt name in the loader's list would leave its group unbound.
  OCIDLL = FakeClient("fake_full");
  ASSERT_EQ(InitError(), "");
  EXPECT_TRUE(OCIDllLoaded());
  EXPECT_EQ(BoundCount(), 164);
  EXPECT_TRUE(OCI7Available && OCI7LogAvailable && OCI7InitAvailable);
  EXPECT_TRUE(OCI8Group && OCI8Available && OCIErrorFunctions);
  EXPECT_TRUE(OCI81Group && OCI81Available && OCI9Group && OCI9Available);
  EXPECT_TRUE(OCI92Group && OCI92Available);
  // With 8.1 each session makes its own environment: nothing is initialised.
  EXPECT_EQ(Hook<int (*)()>("fakeoci_InitializeCalls")(), 0);
  EXPECT_EQ(Hook<int (*)()>("fakeoci_OpinitCalls")(), 0);
  EXPECT_EQ(oracle::OCILoadTrace, "OCIDLL forced to " + OCIDLL);
}

TEST_F(BindingTest, FreeOCIUnloadsAndClearsEverything) {
  OCIDLL = FakeClient("fake_full");
  ASSERT_EQ(InitError(), "");
  FreeOCI();
  EXPECT_FALSE(OCIDllLoaded());
  EXPECT_EQ(BoundCount(), 0);
  EXPECT_FALSE(OCI7Available || OCI8Group || OCI8Available || OCI81Available || OCI9Available ||
               OCI92Available || OCIErrorFunctions);
  // Set by the application, not by the search: kept.
  EXPECT_EQ(oracle::OCIDLL, FakeClient("fake_full"));
}

TEST_F(BindingTest, InitOCIIsIdempotentOnceLoaded) {
  OCIDLL = FakeClient("fake_oci8_only");
  ASSERT_EQ(InitError(), "");
  void* handle = OCIDLLHandle;
  ASSERT_EQ(InitError(), "");
  EXPECT_EQ(oracle::OCIDLLHandle, handle);
  EXPECT_EQ(Hook<int (*)()>("fakeoci_InitializeCalls")(), 1);
}

TEST_F(BindingTest, NoOCI7AndOneOCI8NameMissingCannotInitialize) {
  OCIDLL = FakeClient("fake_no_oci7_one_oci8_missing");
  const std::string error = InitError();
  EXPECT_EQ(error, "Initialization error\r\nCould not initialize \"" + OCIDLL + "\"\r\n\r\n" +
                       "OCIDLL forced to " + OCIDLL);
  // A failed load leaves nothing behind.
  EXPECT_FALSE(OCIDllLoaded());
  EXPECT_EQ(BoundCount(), 0);
  EXPECT_FALSE(OCI8Group || OCI81Group);
}

TEST_F(BindingTest, OnlyFetch2MissingKeepsOCI8And81) {
  OCIDLL = FakeClient("fake_no_fetch2");
  ASSERT_EQ(InitError(), "");
  EXPECT_FALSE(OCI7Available);
  EXPECT_TRUE(OCI8Available && OCIErrorFunctions);
  EXPECT_TRUE(OCI81Available);
  EXPECT_NE(oracle::OCIEnvCreate, nullptr);
  EXPECT_FALSE(OCI9Group || OCI9Available);
  // 9.2 builds on 9: its names are exported but stay unbound.
  EXPECT_FALSE(OCI92Group || OCI92Available);
  EXPECT_EQ(oracle::OCIStmtFetch2, nullptr);
  EXPECT_EQ(oracle::OCISessionPoolCreate, nullptr);
  EXPECT_EQ(oracle::OCIStmtRelease, nullptr);
}

TEST_F(BindingTest, MissingErrorFunctionsLeaveTheLaterGroupsBound) {
  // 8.1 and later build on the OCI8 group, not on the two error functions.
  OCIDLL = FakeClient("fake_no_error_functions");
  ASSERT_EQ(InitError(), "");
  EXPECT_TRUE(OCI8Available);
  EXPECT_FALSE(OCIErrorFunctions);
  EXPECT_TRUE(OCI81Available && OCI9Available && OCI92Available);
  EXPECT_NE(oracle::OCIStmtFetch2, nullptr);
}

TEST_F(BindingTest, OCI8WithoutOCI81IsInitialisedThreadedWithObjects) {
  OCIDLL = FakeClient("fake_oci8_only");
  ASSERT_EQ(InitError(), "");
  EXPECT_TRUE(OCI8Available);
  EXPECT_FALSE(OCI81Available || OCI9Available || OCI92Available);
  EXPECT_EQ(Hook<int (*)()>("fakeoci_InitializeCalls")(), 1);
  EXPECT_EQ(Hook<unsigned (*)()>("fakeoci_InitializeMode")(), 3u);
}

TEST_F(BindingTest, OCI7OnlyClientIsInitialisedThroughOpinit) {
  OCIDLL = FakeClient("fake_oci7_only");
  ASSERT_EQ(InitError(), "");
  EXPECT_TRUE(OCI7Available && OCI7LogAvailable && OCI7InitAvailable);
  EXPECT_FALSE(OCI8Group || OCI8Available || OCI81Available);
  EXPECT_EQ(Hook<int (*)()>("fakeoci_OpinitCalls")(), 1);
  EXPECT_EQ(Hook<unsigned (*)()>("fakeoci_OpinitMode")(), 0u);
}

TEST_F(BindingTest, MissingOCI8NameDisablesEveryLaterGroup) {
  OCIDLL = FakeClient("fake_oci7_one_oci8_missing");
  ASSERT_EQ(InitError(), "");
  EXPECT_TRUE(OCI7Available);
  EXPECT_FALSE(OCI8Group || OCI8Available || OCIErrorFunctions);
  // The 8.1 names are exported, but 8.1 builds on OCI8.
  EXPECT_FALSE(OCI81Group || OCI81Available);
  EXPECT_EQ(oracle::OCIEnvCreate, nullptr);
  // Names after the missing one in its own group are not bound either.
  EXPECT_EQ(oracle::OCIParamGet, nullptr);
  EXPECT_EQ(Hook<int (*)()>("fakeoci_OpinitCalls")(), 1);
}

TEST_F(BindingTest, ForceOCI7KeepsTheGroupButNotOCI8Mode) {
  ForceOCI7 = true;
  OCIDLL = FakeClient("fake_full");
  ASSERT_EQ(InitError(), "");
  EXPECT_TRUE(OCI8Group);
  EXPECT_FALSE(OCI8Available);
  EXPECT_TRUE(OCI81Available);
  EXPECT_EQ(Hook<int (*)()>("fakeoci_OpinitCalls")(), 1);
}

TEST_F(BindingTest, ForceOCI7WithoutOCI7CannotInitialize) {
  ForceOCI7 = true;
  OCIDLL = FakeClient("fake_no_fetch2");
  EXPECT_EQ(InitError().rfind("Initialization error\r\nCould not initialize \"", 0), 0u);
}

TEST_F(BindingTest, UnloadableFileCannotBeLoaded) {
  OCIDLL = File("elsewhere/libociclient.so");  // not a shared object
  const fs::path cwd = fs::current_path();
  const std::string error = InitError();
  EXPECT_EQ(fs::current_path(), cwd) << "the current directory is never changed";
  const std::string head = "Initialization error\r\nCould not load \"" + OCIDLL + "\"\r\n\r\n";
  ASSERT_EQ(error.rfind(head, 0), 0u) << error;
  EXPECT_NE(error.find("OCIDLL forced to " + OCIDLL + "\r\nLoadLibrary(" + OCIDLL + ") returned 0"),
            std::string::npos)
      << error;
  EXPECT_FALSE(OCIDllLoaded());
}

}  // namespace
}  // namespace oracle_test
