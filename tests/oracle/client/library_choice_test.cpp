// Choosing the client library: version from the file name, the candidate list
// of a home, the two-pass choice, the forced path and the failure texts.

#include "loader_fixture.h"
#include "oracle/client/oci_library_names.h"
#include "oracle/client/oracle_home.h"
#include "oracle_fixture/exception_text.h"

namespace oracle_test {
namespace {

using namespace oracle;
using oracle_test_support::ErrorOf;

TEST(ClientLibraryVersion, ReadsTheDigitsAfterOraAndNT) {
  EXPECT_DOUBLE_EQ(*ClientLibraryVersion("libora805.so"), 0.805);
  EXPECT_DOUBLE_EQ(*ClientLibraryVersion("libora73.so"), 0.73);
  EXPECT_DOUBLE_EQ(*ClientLibraryVersion("liboraNT73.so"), 0.73);
  EXPECT_DOUBLE_EQ(*ClientLibraryVersion("liborant8.so"), 0.8);
  // No digits, letters, or zero: no version.
  EXPECT_FALSE(ClientLibraryVersion("liboramts.so"));
  EXPECT_FALSE(ClientLibraryVersion("liboramts10.so"));
  EXPECT_FALSE(ClientLibraryVersion("libora.so"));
  EXPECT_FALSE(ClientLibraryVersion("libora000.so"));
  EXPECT_FALSE(ClientLibraryVersion("libociclient.so"));
  EXPECT_FALSE(ClientLibraryVersion("ora805.so"));
}

TEST(ChooseOCIDll, GenericClientThenHighestVersionExcludedOnlyInTheFirstPass) {
  const std::string exclude = "\"LIBOCICLIENT.SO\"\"LIBORA805.SO\"";
  const struct {
    std::vector<std::string> candidates;
    std::string exclude, chosen;
  } cases[] = {
      {{"/h/lib/libora92.so", "/h/lib/libociclient.so"}, "", "/h/lib/libociclient.so"},
      {{"/h/libora73.so", "/h/libora805.so", "/h/liboraNT8.so"}, "", "/h/libora805.so"},
      {{}, "", ""},
      {{"/h/libociclient.so", "/h/libora805.so", "/h/libora73.so"}, exclude, "/h/libora73.so"},
      // The only candidate is chosen in the second pass although excluded.
      {{"/h/libora805.so"}, exclude, "/h/libora805.so"},
  };
  for (const auto& c : cases) EXPECT_EQ(ChooseOCIDll(c.candidates, c.exclude), c.chosen);
}

class LibraryChoiceTest : public LoaderTest {};

TEST_F(LibraryChoiceTest, CandidatesOfAHomeLibraryFolderInOrderElseOfTheHomeFolder) {
  const std::string home = Folder("home");
  File("home/lib/libora805.so");
  File("home/lib/libora73.so");
  File("home/lib/liboramts.so");
  File("home/lib/libociclient.so");
  File("home/lib/libother.so");
  OracleHomeHasBin = true;
  const auto list = FindOCIDllOnPath(home);
  EXPECT_EQ(list,
            (std::vector<std::string>{home + "/lib/libociclient.so", home + "/lib/libora73.so",
                                      home + "/lib/libora805.so"}));
  EXPECT_EQ(oracle::OCILoadTrace,
            "Found: libociclient.so\r\nFound: libora73.so\r\nFound: libora805.so");
  // An empty library folder falls back to the home folder.
  const std::string other = Folder("other");
  Folder("other/lib");
  File("other/libora92.so");
  OracleHomeHasBin = true;
  EXPECT_EQ(FindOCIDllOnPath(other), std::vector<std::string>{other + "/libora92.so"});
  EXPECT_FALSE(OracleHomeHasBin);
  EXPECT_TRUE(FindOCIDllOnPath("").empty());
}

TEST_F(LibraryChoiceTest, SearchThroughOracleHomeLoadsAndTracesAndHonoursTheExclusions) {
  const std::string home = Folder("home");
  const std::string client = Copy("fake_full", "home/lib/libociclient.so");
  const std::string versioned = Copy("fake_oci8_only", "home/lib/libora805.so");
  ::setenv("ORACLE_HOME", home.c_str(), 1);
  ASSERT_EQ(InitError(), "");
  EXPECT_EQ(oracle::OCIDLL, client);
  EXPECT_TRUE(OCIDLLFoundBySearch);
  EXPECT_EQ(OracleHomeDir, home);
  EXPECT_EQ(oracle::OCILoadTrace,
            "OracleHomeKey: \r\nOracleHomeDir: " + home +
                "\r\nFound: libociclient.so\r\nFound: libora805.so\r\nUsing: " + client);
  FreeOCI();
  // Found by the search: forgotten again.
  EXPECT_EQ(oracle::OCIDLL, "");
  // Excluded, the generic client loses to a versioned one.
  OCIDLLExclude = "\"libociclient.so\"";  // upper-cased by the search
  ASSERT_EQ(InitError(), "");
  EXPECT_EQ(oracle::OCIDLL, versioned);
  EXPECT_EQ(oracle::OCIDLLExclude, "\"LIBOCICLIENT.SO\"");
}

TEST_F(LibraryChoiceTest, CommandLineSwitchForcesThePathInAnyLetterCase) {
  const std::string home = Folder("home");
  Copy("fake_full", "home/lib/libociclient.so");
  ::setenv("ORACLE_HOME", home.c_str(), 1);
  for (const char* name : {"OCIDLL=", "ocidll=", "/OciDll=", "-ocIDLL="}) {
    SetCommandLine({"/WSCFGDIR=x", std::string(name) + FakeClient("fake_oci8_only")});
    ASSERT_EQ(InitError(), "") << name;
    EXPECT_EQ(oracle::OCIDLL, FakeClient("fake_oci8_only")) << name;
    EXPECT_FALSE(OCIDLLFoundBySearch);
    EXPECT_FALSE(OCI81Available) << "the forced client, not the home's, is loaded";
    ResetLoader();
  }
}

TEST_F(LibraryChoiceTest, NoOracleHomeOrAHomeWithoutAnyClient) {
  std::string error = InitError();
  EXPECT_EQ(error.rfind("Initialization error\r\nSQL*Net not properly installed\r\n\r\n", 0), 0u)
      << error;
  EXPECT_FALSE(OCIDllLoaded());
  const std::string home = FolderOf(Folder("home/lib"));
  ::setenv("ORACLE_HOME", home.c_str(), 1);
  error = InitError();
  EXPECT_EQ(error.rfind("Initialization error\r\nCould not locate OCI dll\r\n\r\n", 0), 0u)
      << error;
  EXPECT_NE(error.find("OracleHomeDir: " + home), std::string::npos) << error;
}

TEST_F(LibraryChoiceTest, LibrarySearchPathLocatesTheHome) {
  // A folder named lib gives its parent as a home with a library folder; any
  // other folder is the home itself. "." does not count as a home.
  ::setenv("ORACLE_HOME", ".", 1);
  for (const std::string name : {"instant/lib", "client"}) {
    SCOPED_TRACE(name);
    ResetLoader();
    const std::string folder = Folder(name);
    Copy("fake_full", name + "/libociclient.so");
    const bool lib = name.ends_with("/lib");
    ::setenv("LD_LIBRARY_PATH", (lib ? "/nonexistent:" + folder + "/" : folder).c_str(), 1);
    EXPECT_EQ(FindOCIDllInHome(), lib ? FolderOf(folder) : folder);
    EXPECT_EQ(OracleHomeHasBin, lib);
    ASSERT_EQ(InitError(), "");
    EXPECT_EQ(oracle::OCIDLL, folder + "/libociclient.so");
  }
}

TEST_F(LibraryChoiceTest, TransactionServerLibraryBesideTheClient) {
  // Missing: located beside the client, and the client itself stays loaded.
  OCIDLL = Copy("fake_full", "client/libociclient.so");
  EXPECT_EQ(ErrorOf([] { LoadMTSDll(); }),
            "Initialization error\r\nCould not locate \"" + FolderOf(OCIDLL) + "/liboramts.so\"");
  EXPECT_FALSE(OracleMTSAvailable);
  EXPECT_TRUE(OCIDllLoaded());
  // Lacking a call: refused, nothing bound.
  const std::string incomplete = Copy("fake_mts_incomplete", "client/liboramts.so");
  EXPECT_EQ(ErrorOf([] { LoadMTSDll(); }),
            "Initialization error\r\nCould not initialize \"" + incomplete + "\"");
  EXPECT_FALSE(OracleMTSAvailable);
  EXPECT_EQ(oracle::OCIMTSDLL, "");
  EXPECT_EQ(oracle::OraMTSSvcGet, nullptr);
  // Complete: its calls are bound until the client is freed.
  fs::remove(incomplete);
  Copy("fake_mts", "client/liboramts10.so");
  ASSERT_NO_THROW(LoadMTSDll());
  EXPECT_TRUE(OracleMTSAvailable);
  EXPECT_NE(oracle::OraMTSTransTest, nullptr);
  EXPECT_EQ(oracle::OCIMTSDLL, FolderOf(OCIDLL) + "/liboramts10.so");
  FreeOCI();
  EXPECT_FALSE(OracleMTSAvailable);
  EXPECT_EQ(oracle::OraMTSSvcGet, nullptr);
}

}  // namespace
}  // namespace oracle_test
