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

// The version groups left usable, in load order.
std::string Groups() {
  const std::pair<const char*, bool> groups[] = {
      {"7", OCI7Available && OCI7LogAvailable && OCI7InitAvailable},
      {"8g", OCI8Group},
      {"8", OCI8Available},
      {"err", OCIErrorFunctions},
      {"81g", OCI81Group},
      {"81", OCI81Available},
      {"9g", OCI9Group},
      {"9", OCI9Available},
      {"92g", OCI92Group},
      {"92", OCI92Available}};
  std::string text;
  for (const auto& [name, on] : groups) {
    if (on) text += (text.empty() ? "" : " ") + std::string(name);
  }
  return text;
}

TEST_F(BindingTest, EachClientBindsItsGroupsAndIsInitialisedForThem) {
  // A name missing from a group unbinds that group's later names and every
  // group built on it; 9.2 builds on 9, 8.1 on OCI8 but not on the two error
  // functions. With 8.1 each session makes its own environment, so nothing
  // is initialised; OCI8 alone is initialised threaded with objects (mode 3),
  // OCI7 through opinit (mode 0).
  struct Case {
    const char* client;
    bool forceOCI7;
    const char* groups;
    int bound;
    int initializeCalls;
    int opinitCalls;
  };
  const Case cases[] = {
      // The fake client exports exactly the names the tests list, so a
      // misspelt name in the loader's list would leave its group unbound.
      {"fake_full", false, "7 8g 8 err 81g 81 9g 9 92g 92", 164, 0, 0},
      {"fake_no_fetch2", false, "8g 8 err 81g 81", 135, 0, 0},
      {"fake_no_error_functions", false, "8g 8 81g 81 9g 9 92g 92", 140, 0, 0},
      {"fake_oci8_only", false, "8g 8 err", 117, 1, 0},
      {"fake_oci7_only", false, "7", 22, 0, 1},
      {"fake_oci7_one_oci8_missing", false, "7", 50, 0, 1},
      {"fake_full", true, "7 8g err 81g 81 9g 9 92g 92", 164, 0, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.client) + (c.forceOCI7 ? " forced to OCI7" : ""));
    FreeOCI();
    ForceOCI7 = c.forceOCI7;
    OCIDLL = FakeClient(c.client);
    ASSERT_EQ(InitError(), "");
    EXPECT_TRUE(OCIDllLoaded());
    EXPECT_EQ(Groups(), c.groups);
    EXPECT_EQ(BoundCount(), c.bound);
    EXPECT_EQ(Hook<int (*)()>("fakeoci_InitializeCalls")(), c.initializeCalls);
    EXPECT_EQ(Hook<int (*)()>("fakeoci_OpinitCalls")(), c.opinitCalls);
    if (c.initializeCalls > 0) {
      EXPECT_EQ(Hook<unsigned (*)()>("fakeoci_InitializeMode")(), 3u);
    }
    if (c.opinitCalls > 0) {
      EXPECT_EQ(Hook<unsigned (*)()>("fakeoci_OpinitMode")(), 0u);
    }
    EXPECT_EQ(oracle::OCILoadTrace, "OCIDLL forced to " + OCIDLL);
  }
}

TEST_F(BindingTest, InitOCIIsIdempotentAndFreeOCIUnloadsAndClearsEverything) {
  OCIDLL = FakeClient("fake_oci8_only");
  ASSERT_EQ(InitError(), "");
  void* handle = OCIDLLHandle;
  ASSERT_EQ(InitError(), "");
  EXPECT_EQ(oracle::OCIDLLHandle, handle);
  EXPECT_EQ(Hook<int (*)()>("fakeoci_InitializeCalls")(), 1);
  FreeOCI();
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

TEST_F(BindingTest, ClientsMissingTheCallsTheyNeedOrUnloadableCannotInitialize) {
  OCIDLL = FakeClient("fake_no_oci7_one_oci8_missing");
  std::string error = InitError();
  EXPECT_EQ(error, "Initialization error\r\nCould not initialize \"" + OCIDLL + "\"\r\n\r\n" +
                       "OCIDLL forced to " + OCIDLL);
  // A failed load leaves nothing behind.
  EXPECT_FALSE(OCIDllLoaded());
  EXPECT_EQ(BoundCount(), 0);
  EXPECT_FALSE(OCI8Group || OCI81Group);
  // Nor can a client without the OCI7 calls when OCI7 is forced.
  ForceOCI7 = true;
  OCIDLL = FakeClient("fake_no_fetch2");
  EXPECT_EQ(InitError().rfind("Initialization error\r\nCould not initialize \"", 0), 0u);
  // A file that is not a shared object cannot even be loaded.
  ForceOCI7 = false;
  OCIDLL = File("elsewhere/libociclient.so");  // not a shared object
  const fs::path cwd = fs::current_path();
  error = InitError();
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
