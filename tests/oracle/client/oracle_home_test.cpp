// Registered Oracle homes, the choice among them, the registry reader and the
// client character set.

#include "oracle/client/oracle_home.h"
#include "loader_fixture.h"
#include "oracle/client/client_settings.h"

namespace oracle_test {
namespace {

using namespace oracle;
using platform::registry::Root;

class OracleHomeTest : public LoaderTest {
 protected:
  // Registers HOME<index> with a home folder that has a library folder.
  std::string AddHome(int index, const std::string& name) {
    const std::string home = Folder("homes/" + name);
    Folder("homes/" + name + "/lib");
    const std::string key = "SOFTWARE\\ORACLE\\HOME" + std::to_string(index);
    WriteRegistry(Root::LocalMachine, key, "ORACLE_HOME", home);
    WriteRegistry(Root::LocalMachine, key, "ORACLE_HOME_NAME", name);
    return home;
  }

  static std::vector<std::pair<std::string, int>> Listed() {
    std::vector<std::pair<std::string, int>> out;
    for (const auto& e : OracleHomeList()) out.emplace_back(e.name, e.index);
    return out;
  }
};

TEST_F(OracleHomeTest, RegistryReaderResultCodesAndADamagedFile) {
  long code = -1;
  EXPECT_EQ(ReadRegistryString(Root::LocalMachine, "SOFTWARE\\X", "V", &code), "");
  EXPECT_EQ(code, kRegistryNotFound);
  WriteRegistry(Root::LocalMachine, "SOFTWARE\\X", "V", "value");
  EXPECT_EQ(ReadRegistryString(Root::LocalMachine, "software\\x", "V", &code), "value");
  EXPECT_EQ(code, kRegistryOk);
  // 1023 characters fit the reader's buffer, 1024 do not.
  WriteRegistry(Root::LocalMachine, "SOFTWARE\\X", "V", std::string(1023, 'a'));
  EXPECT_EQ(ReadRegistryString(Root::LocalMachine, "SOFTWARE\\X", "V", &code).size(), 1023u);
  WriteRegistry(Root::LocalMachine, "SOFTWARE\\X", "V", std::string(1024, 'a'));
  EXPECT_EQ(ReadRegistryString(Root::LocalMachine, "SOFTWARE\\X", "V", &code), "");
  EXPECT_EQ(code, kRegistryMoreData);
  // A damaged registry file reads as absent.
  std::ofstream(root_ / "registry") << "\x01\x02 this is not a registry file [[[\n";
  code = kRegistryOk;
  EXPECT_EQ(ReadRegistryString(Root::LocalMachine, "SOFTWARE\\ORACLE", "ORACLE_HOME", &code), "");
  EXPECT_NE(code, kRegistryOk);
  EnumOracleHomes();
  EXPECT_TRUE(OracleHomeList().empty());
  EXPECT_EQ(FindOracleHome(), "");
}

TEST_F(OracleHomeTest, EnumeratesNumberedAndNamedHomes) {
  AddHome(0, "OraHome92");
  // A home whose folder has no library folder is not counted.
  WriteRegistry(Root::LocalMachine, "SOFTWARE\\ORACLE\\HOME1", "ORACLE_HOME", Folder("nolib"));
  WriteRegistry(Root::LocalMachine, "SOFTWARE\\ORACLE\\HOME1", "ORACLE_HOME_NAME", "Broken");
  AddHome(2, "alpha");
  AddHome(3, "BeyondTheCounter");
  WriteRegistry(Root::LocalMachine, "SOFTWARE\\ORACLE\\ALL_HOMES", "HOME_COUNTER", "2");
  const std::string keyed = Folder("keyed");
  Folder("keyed/lib");
  WriteRegistry(Root::LocalMachine, "SOFTWARE\\ORACLE\\KEY_OraDb19", "ORACLE_HOME", keyed);
  WriteRegistry(Root::LocalMachine, "SOFTWARE\\ORACLE\\KEY_NoHome", "OTHER", "x");
  EnumOracleHomes();
  EXPECT_EQ(Listed(), (std::vector<std::pair<std::string, int>>{
                          {"alpha", 2}, {"OraDb19", -1}, {"OraHome92", 0}}));
}

TEST_F(OracleHomeTest, CounterThatIsNotANumberSkipsTheNumberedHomes) {
  AddHome(0, "OraHome92");
  WriteRegistry(Root::LocalMachine, "SOFTWARE\\ORACLE\\ALL_HOMES", "HOME_COUNTER", "two");
  EnumOracleHomes();
  EXPECT_TRUE(OracleHomeList().empty());
  // A counter of 0 still looks for one home.
  WriteRegistry(Root::LocalMachine, "SOFTWARE\\ORACLE\\ALL_HOMES", "HOME_COUNTER", "0");
  EnumOracleHomes();
  EXPECT_EQ(Listed(), (std::vector<std::pair<std::string, int>>{{"OraHome92", 0}}));
}

TEST_F(OracleHomeTest, RequestedHomeByCommandLineOrName) {
  AddHome(0, "First");
  const std::string second = AddHome(1, "Second");
  WriteRegistry(Root::LocalMachine, "SOFTWARE\\ORACLE\\ALL_HOMES", "HOME_COUNTER", "2");
  SetCommandLine({"OracleHome=second"});
  EXPECT_EQ(FindOracleHome(), "SOFTWARE\\ORACLE\\HOME1");
  EXPECT_EQ(OracleHomeName, "Second");
  EXPECT_TRUE(OracleHomeNameFound);
  EXPECT_EQ(FindOCIDllInHome(), second);
  EXPECT_TRUE(OracleHomeHasBin);
  FreeOCI();
  EXPECT_EQ(OracleHomeName, "") << "filled by the search, so cleared";

  SetCommandLine({});
  OracleHomeName = "first";
  EXPECT_EQ(FindOracleHome(), "SOFTWARE\\ORACLE\\HOME0");
  EXPECT_FALSE(OracleHomeNameFound);
  FreeOCI();
  EXPECT_EQ(OracleHomeName, "first") << "set by the application, so kept";
}

TEST_F(OracleHomeTest, HomeEarliestInTheLibrarySearchPathWinsElseTheLastListed) {
  const std::string a = AddHome(0, "Zulu");
  const std::string b = AddHome(1, "alpha");
  AddHome(2, "C");
  WriteRegistry(Root::LocalMachine, "SOFTWARE\\ORACLE\\ALL_HOMES", "HOME_COUNTER", "3");
  const std::string path = "/usr/lib:" + b + "/lib:" + a + "/lib";
  ::setenv("LD_LIBRARY_PATH", path.c_str(), 1);
  EXPECT_EQ(FindOracleHome(), "SOFTWARE\\ORACLE\\HOME1");
  EXPECT_EQ(OracleHomeKey, "SOFTWARE\\ORACLE\\HOME1");
  // Without any hint the last listed home (by name) is taken.
  ::unsetenv("LD_LIBRARY_PATH");
  FreeOCI();
  EXPECT_EQ(FindOracleHome(), "SOFTWARE\\ORACLE\\HOME0");
  EXPECT_EQ(OracleHomeName, "Zulu");
}

TEST_F(OracleHomeTest, SingleHomeUnderTheOracleKeyWinsOverTheEnvironmentIfItHasALibraryFolder) {
  const std::string home = Folder("single");
  WriteRegistry(Root::LocalMachine, "SOFTWARE\\ORACLE", "ORACLE_HOME", home);
  const std::string env = Folder("env");
  ::setenv("ORACLE_HOME", env.c_str(), 1);
  EXPECT_EQ(FindOCIDllInHome(), env);
  EXPECT_EQ(OracleHomeKey, "");
  EXPECT_FALSE(OracleHomeHasBin) << "env has no lib folder";
  Folder("env/lib");
  EXPECT_EQ(FindOCIDllInHome(), env);
  EXPECT_TRUE(OracleHomeHasBin);
  FreeOCI();
  Folder("single/lib");
  EXPECT_EQ(FindOracleHome(), "SOFTWARE\\ORACLE");
  EXPECT_EQ(FindOCIDllInHome(), home);
}

TEST_F(OracleHomeTest, ClientCharacterSetFromEnvironmentOrHomeKey) {
  ::setenv("NLS_LANG", "american_america.al32utf8", 1);
  EXPECT_TRUE(ClientCharSetIsUTF8());
  EXPECT_EQ(ClientNLSLang, "AMERICAN_AMERICA.AL32UTF8");
  // Read once: a later change is not seen until FreeOCI.
  ::setenv("NLS_LANG", "AMERICAN_AMERICA.WE8MSWIN1252", 1);
  EXPECT_TRUE(ClientCharSetIsUTF8());
  FreeOCI();
  EXPECT_FALSE(ClientCharSetIsUTF8());

  ::unsetenv("NLS_LANG");
  FreeOCI();
  const std::string home = AddHome(0, "OraHome");
  WriteRegistry(Root::LocalMachine, "SOFTWARE\\ORACLE\\ALL_HOMES", "HOME_COUNTER", "1");
  WriteRegistry(Root::LocalMachine, "SOFTWARE\\ORACLE\\HOME0", "NLS_LANG", "GERMAN_GERMANY.UTF8");
  EXPECT_TRUE(ClientCharSetIsUTF8());
  EXPECT_EQ(ClientNLSLang, "GERMAN_GERMANY.UTF8");
}

TEST_F(OracleHomeTest, RegisteredHomeIsSearchedAndLoaded) {
  const std::string home = AddHome(0, "OraHome");
  WriteRegistry(Root::LocalMachine, "SOFTWARE\\ORACLE\\ALL_HOMES", "HOME_COUNTER", "1");
  const std::string client = Copy("fake_full", "homes/OraHome/lib/libociclient.so");
  ASSERT_EQ(InitError(), "");
  EXPECT_EQ(OCIDLL, client);
  EXPECT_EQ(
      OCILoadTrace.rfind("OracleHomeKey: SOFTWARE\\ORACLE\\HOME0\r\nOracleHomeDir: " + home, 0), 0u)
      << OCILoadTrace;
}

}  // namespace
}  // namespace oracle_test
