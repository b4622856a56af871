#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <tuple>

#include "foundation/prefs_io.h"
#include "foundation/prefs_records.h"
#include "foundation/settings/settings_test_support.h"

namespace {

using foundation::EmailProviders;
using foundation::MainPrefs;
using foundation::ReadMainPrefs;
using foundation::TMainPrefs;
using foundation::WriteMainPrefs;
using settings_test::ReadFileText;
using settings_test::ScratchFolder;
using settings_test::WriteText;

class MainPrefsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    MainPrefs = TMainPrefs{};
    EmailProviders.clear();
  }
  void TearDown() override {
    MainPrefs = TMainPrefs{};
    EmailProviders.clear();
  }

  void Read() { ReadMainPrefs(Folder(), QueueDir(), Ini(), Dat()); }
  bool Write() { return WriteMainPrefs(Folder(), QueueDir(), Ini(), Dat()); }
  void WriteIni(const std::string& text) {
    std::filesystem::create_directories(Folder());
    WriteText(Ini(), text);
  }

  std::string Folder() const { return dir_.Path("VeskRcpts"); }
  std::string QueueDir() const { return Folder() + "/Queue"; }
  std::string Ini() const { return Folder() + "/VeskMain.ini"; }
  std::string Dat() const { return Folder() + "/VeskMain.dat"; }

  ScratchFolder dir_;
};

// Every stored setting with a value other than its default.
TMainPrefs AllSettingsChanged() {
  TMainPrefs p;
  p.ProdURL = "https://prod.example/svc";
  p.TestURL = "https://test.example/svc";
  p.OtherURL = "https://other.example/svc";
  p.URLType = "P";
  p.MerchID = "M-123";
  p.LoyalAttr = "Loyalty Attr";
  p.LoyalField = "Loyalty Field";
  p.CustNoUpdateField = "None";
  p.Cards = {"VISA=Visa", "MASTERCARD=MasterCard"};
  p.SaveEmail = true;
  p.BCType = "Code128";
  p.Timeout = 45;
  p.Disable = true;
  p.OffsetForm = true;
  p.EnableLoyaltyTracking = true;
  p.LoyaltyStatusField = "Status";
  p.LoyaltyTrackingDateField = "Joined";
  p.EmailOptInField = "Opt In";
  p.PromptForEmailMarketingOptIn = true;
  p.InclDesc3 = true;
  p.InclDesc4 = true;
  p.InclSize = true;
  p.InclAttr = true;
  p.InclVendor = true;
  p.AlwaysCreateCustForUniqueEmail = true;
  p.QueueEnabled = false;
  p.QueueInterval = 90;
  p.QueueLogLevel = 4;
  p.EnableAdvancedCategorization = true;
  p.Categories = {"", "Apparel", "Shoes", "", "Gifts", "Sale"};
  p.ProductCategories = {"A01=0;1", "B02=2;-1"};
  return p;
}

TEST_F(MainPrefsTest, EverySettingSurvivesAWriteAndARead) {
  const TMainPrefs written = AllSettingsChanged();
  MainPrefs = written;
  EmailProviders = {"gmail.com", "example.org"};
  ASSERT_TRUE(Write());

  MainPrefs = TMainPrefs{};
  EmailProviders.clear();
  Read();
  const TMainPrefs& r = MainPrefs;
  // Every stored field, compared at once (a failure prints both sides).
  const auto stored = [](const TMainPrefs& p) {
    return std::tie(
        p.ProdURL, p.TestURL, p.OtherURL, p.URLType, p.MerchID, p.LoyalAttr, p.LoyalField,
        p.CustNoUpdateField, p.Cards, p.SaveEmail, p.BCType, p.Timeout, p.Disable, p.OffsetForm,
        p.EnableLoyaltyTracking, p.LoyaltyStatusField, p.LoyaltyTrackingDateField,
        p.EmailOptInField, p.PromptForEmailMarketingOptIn, p.InclDesc3, p.InclDesc4, p.InclSize,
        p.InclAttr, p.InclVendor, p.AlwaysCreateCustForUniqueEmail, p.QueueEnabled, p.QueueInterval,
        p.QueueLogLevel, p.EnableAdvancedCategorization, p.Categories, p.ProductCategories);
  };
  EXPECT_EQ(stored(r), stored(written));
  EXPECT_EQ(r.URL, written.ProdURL);
  EXPECT_EQ(r.QueueDirectory, QueueDir()) << "never written, so the default";
  EXPECT_EQ(EmailProviders, (foundation::StringList{"gmail.com", "example.org"}));

  // Booleans are stored as 1 and 0.
  const std::string text = ReadFileText(Ini());
  EXPECT_NE(text.find("SaveEmail=1\n"), std::string::npos);
  EXPECT_NE(text.find("Enabled=0\n"), std::string::npos);
  EXPECT_EQ(text.find("Directory="), std::string::npos);
  EXPECT_EQ(text.find("LoyaltTrackingDateField"), std::string::npos);
}

TEST_F(MainPrefsTest, MissingFilesReadAsDefaultsAndFoldersAreCreated) {
  EmailProviders = {"kept.com"};
  Read();
  EXPECT_TRUE(std::filesystem::is_directory(Folder()));
  EXPECT_TRUE(std::filesystem::is_directory(QueueDir()));
  EXPECT_FALSE(std::filesystem::exists(Ini())) << "reading creates no settings file";

  EXPECT_EQ(MainPrefs.URLType, "T");
  EXPECT_EQ(MainPrefs.Timeout, 30);
  EXPECT_EQ(MainPrefs.EmailOptInField, "Allow Email");
  EXPECT_TRUE(MainPrefs.QueueEnabled);
  EXPECT_EQ(MainPrefs.QueueInterval, 30);
  EXPECT_EQ(MainPrefs.QueueLogLevel, 1);
  EXPECT_EQ(MainPrefs.QueueDirectory, QueueDir());
  EXPECT_EQ(MainPrefs.Categories[1], "PRODUCT REGISTRATION");
  EXPECT_EQ(EmailProviders, (foundation::StringList{"kept.com"}))
      << "a missing domain list leaves the list as it was";
}

TEST_F(MainPrefsTest, URLTypeSelectsTheActiveAddressExactly) {
  const struct {
    const char* type;
    const char* expected;
  } cases[] = {{"P", "prod"}, {"T", "test"}, {"p", "other"}, {"t", "other"}, {"X", "other"}};
  for (const auto& c : cases) {
    WriteIni(std::string("[MAIN]\nProdURL=prod\nTestURL=test\nOtherURL=other\nURLType=") + c.type +
             "\n");
    Read();
    EXPECT_EQ(MainPrefs.URL, c.expected) << "URLType " << c.type;
  }
  WriteIni("[MAIN]\nProdURL=prod\nTestURL=test\nOtherURL=other\n");
  Read();
  EXPECT_EQ(MainPrefs.URL, "test") << "URLType defaults to T";
}

// An address edited by hand may hold blanks inside its quotes, where the
// read keeps them: the address in use is without them.
TEST_F(MainPrefsTest, TheActiveAddressIsTrimmedInsideItsQuotes) {
  const struct {
    const char* line;
    const char* type;
  } cases[] = {{"ProdURL=\" https://prod.example/WS \"", "P"},
               {"TestURL=' \thttps://prod.example/WS\t'", "T"},
               {"OtherURL=\"https://prod.example/WS  \"", "C"},
               {"ProdURL=  https://prod.example/WS  ", "P"}};
  for (const auto& c : cases) {
    WriteIni(std::string("[MAIN]\n") + c.line + "\nURLType=" + c.type + "\n");
    Read();
    EXPECT_EQ(MainPrefs.URL, "https://prod.example/WS") << c.line;
  }
}

// The setup writes the settings through a file that is a link to a copy
// shared elsewhere: the copy is written, the link stays.
TEST_F(MainPrefsTest, ASettingsFileThatIsALinkIsWrittenThroughIt) {
  namespace fs = std::filesystem;
  const fs::path shared = dir_.Path("shared");
  fs::create_directories(shared);
  WriteText((shared / "VeskMain.ini").string(), "[MAIN]\nMerchID=OLD\n; kept\n");
  fs::create_directories(Folder());
  fs::create_symlink("../shared/VeskMain.ini", Ini());
  Read();
  EXPECT_EQ(MainPrefs.MerchID, "OLD");
  MainPrefs.MerchID = "M-77";
  ASSERT_TRUE(Write());
  EXPECT_TRUE(fs::is_symlink(Ini()));
  const std::string text = ReadFileText((shared / "VeskMain.ini").string());
  EXPECT_NE(text.find("MerchID=M-77"), std::string::npos) << text;
  EXPECT_NE(text.find("; kept"), std::string::npos);
  MainPrefs = TMainPrefs{};
  Read();
  EXPECT_EQ(MainPrefs.MerchID, "M-77");
}

TEST_F(MainPrefsTest, MisspelledDateFieldKeyIsReadAndKeptButNotWritten) {
  WriteIni("[MAIN]\nLoyaltTrackingDateField=X\n");
  Read();
  EXPECT_EQ(MainPrefs.LoyaltyTrackingDateField, "X");

  ASSERT_TRUE(Write());
  const std::string text = ReadFileText(Ini());
  EXPECT_NE(text.find("LoyaltTrackingDateField=X\n"), std::string::npos);
  EXPECT_NE(text.find("LoyaltyTrackingDateField=X\n"), std::string::npos);

  // The correct key wins once both are present.
  WriteIni("[MAIN]\nLoyaltTrackingDateField=X\nLoyaltyTrackingDateField=Y\n");
  Read();
  EXPECT_EQ(MainPrefs.LoyaltyTrackingDateField, "Y");
}

TEST_F(MainPrefsTest, DefaultCategoryOnlyWhenEveryCategoryIsEmpty) {
  WriteIni("[CATEGORIES]\nCAT1=\nCAT2=\nCAT3=\nCAT4=\nCAT5=\n");
  Read();
  EXPECT_EQ(MainPrefs.Categories[1], "PRODUCT REGISTRATION");
  EXPECT_EQ(MainPrefs.Categories[0], "");

  WriteIni("[CATEGORIES]\nCAT1=\nCAT4=Gifts\n");
  Read();
  EXPECT_EQ(MainPrefs.Categories[1], "");
  EXPECT_EQ(MainPrefs.Categories[4], "Gifts");
}

TEST_F(MainPrefsTest, DomainListDropsEmptyLines) {
  std::filesystem::create_directories(Folder());
  WriteText(Dat(), "\r\ngmail.com\r\n\r\n\r\nyahoo.com\r\n\r\n");
  Read();
  EXPECT_EQ(EmailProviders, (foundation::StringList{"gmail.com", "yahoo.com"}));
}

// The domain list file keeps its form: left byte for byte while it holds
// the list (blank lines and line ends as they were), written with the line
// end its first line had when the list changed.
TEST_F(MainPrefsTest, DomainListFileKeepsItsFormUnlessChanged) {
  const struct {
    const char* name;
    const char* before;
    foundation::StringList list;
    const char* after;
  } cases[] = {
      {"CR LF and blank lines, unchanged",
       "a.ex\r\n\r\nb.ex",
       {"a.ex", "b.ex"},
       "a.ex\r\n\r\nb.ex"},
      {"CR LF, changed", "\r\na.ex\r\nb.ex\r\n", {"a.ex", "c.ex"}, "a.ex\r\nc.ex\r\n"},
      {"lone CR, changed", "a.ex\rb.ex\r", {"b.ex"}, "b.ex\r"},
      {"LF, changed", "a.ex\n", {"a.ex", "b.ex"}, "a.ex\nb.ex\n"},
      {"LF after a first line in LF, changed", "a.ex\nb.ex\r\n", {"c.ex"}, "c.ex\n"},
      {"emptied", "a.ex\r\n", {}, ""},
  };
  std::filesystem::create_directories(Folder());
  for (const auto& c : cases) {
    WriteText(Dat(), c.before);
    EmailProviders = c.list;
    ASSERT_TRUE(Write()) << c.name;
    EXPECT_EQ(ReadFileText(Dat()), c.after) << c.name;
  }
  std::filesystem::remove(Dat());
  EmailProviders = {"new.ex"};
  ASSERT_TRUE(Write());
  EXPECT_EQ(ReadFileText(Dat()), "new.ex\n");
}

TEST_F(MainPrefsTest, HandWrittenFileKeepsEverythingButTheChangedValues) {
  // Every key the write stores is present, in odd case and spacing, among
  // comments, an unknown key, an unknown section and a hand-entered queue
  // folder; the file uses CR LF.
  const std::string before =
      "; Receipt service settings, edited by hand\r\n"
      "[main]\r\n"
      "produrl = https://prod\r\n"
      "TESTURL=https://test\r\n"
      "OtherUrl=\r\n"
      "urltype=T\r\n"
      "merchid=OLD\r\n"
      "LoyalAttr=\r\n"
      "LoyalField=\r\n"
      "CustNoUpdateField=\r\n"
      "SaveEmail=1\r\n"
      "BCType=\r\n"
      "timeout=30\r\n"
      "Disable=0\r\n"
      "OffsetForm=0\r\n"
      "LoyaltyStatusField=\r\n"
      "LoyaltyTrackingDateField=\r\n"
      "EmailOptInField=Allow Email\r\n"
      "EnableLoyaltyTracking=0\r\n"
      "PromptForEmailMarketingOptIn=0\r\n"
      "AlwaysCreateCustForUniqueEmail=0\r\n"
      "HandAdded=keep me\r\n"
      "\r\n"
      "[Cards]\r\n"
      "; card types\r\n"
      "VISA=Visa\r\n"
      "\r\n"
      "[QueueService]\r\n"
      "Enabled=1\r\n"
      "Interval=30\r\n"
      "LogLevel=1\r\n"
      "Directory=/srv/queue\r\n"
      "\r\n"
      "[Fields]\r\n"
      "InclDesc3=0\r\n"
      "InclDesc4=0\r\n"
      "InclSize=0\r\n"
      "InclAttr=0\r\n"
      "InclVendor=0\r\n"
      "\r\n"
      "[Categories]\r\n"
      "EnableAdvancedCategorization=0\r\n"
      "CAT1=PRODUCT REGISTRATION\r\n"
      "CAT2=\r\n"
      "CAT3=\r\n"
      "CAT4=\r\n"
      "CAT5=\r\n"
      "\r\n"
      "[Unknown Section]\r\n"
      "Something=else\r\n";
  WriteIni(before);
  Read();
  EXPECT_EQ(MainPrefs.QueueDirectory, "/srv/queue");
  MainPrefs.MerchID = "NEW";
  MainPrefs.Timeout = 60;
  ASSERT_TRUE(Write());

  std::string expected = before;
  expected.replace(expected.find("merchid=OLD"), 11, "merchid=NEW");
  expected.replace(expected.find("timeout=30"), 10, "timeout=60");
  EXPECT_EQ(ReadFileText(Ini()), expected);
}

// Hand-edited values in quotes read without them (the active address too),
// and a write of the same values leaves those lines as they were.
TEST_F(MainPrefsTest, QuotedValuesReadWithoutQuotesAndSurviveAWrite) {
  const std::string text =
      "[MAIN]\r\nProdURL=\"https://prod.example/WS/v2.0/M-1\"\r\nURLType='P'\r\n"
      "MerchID=\"M-1\"\r\nTimeout=\"45\"\r\n[QUEUESERVICE]\r\nDirectory=\"/var/q\"\r\n"
      "[CARDS]\r\nVISA=\"Visa\"\r\n";
  WriteIni(text);
  Read();
  EXPECT_EQ(MainPrefs.URL, "https://prod.example/WS/v2.0/M-1");
  EXPECT_EQ(MainPrefs.MerchID, "M-1");
  EXPECT_EQ(MainPrefs.Timeout, 45);
  EXPECT_EQ(MainPrefs.QueueDirectory, "/var/q");
  EXPECT_EQ(MainPrefs.Cards, foundation::StringList{"VISA=Visa"});

  ASSERT_TRUE(Write());
  const std::string written = ReadFileText(Ini());
  for (const char* line : {"ProdURL=\"https://prod.example/WS/v2.0/M-1\"\r\n", "URLType='P'\r\n",
                           "MerchID=\"M-1\"\r\n", "Timeout=\"45\"\r\n", "VISA=\"Visa\"\r\n"}) {
    EXPECT_NE(written.find(line), std::string::npos) << line << written;
  }
  MainPrefs = TMainPrefs{};
  Read();
  EXPECT_EQ(MainPrefs.URL, "https://prod.example/WS/v2.0/M-1");
}

// List values kept in quotes for the blanks at their ends read with them;
// a write of the same lists leaves the lines as they were, and a changed
// list writes them so that they read back the same.
TEST_F(MainPrefsTest, ListValuesKeepTheBlanksAtTheirEnds) {
  const std::string text = "[CARDS]\nVISA=\" Visa\"\n[PRODUCTCATEGORIES]\nAPP=\"1;2 \"\n";
  WriteIni(text);
  Read();
  EXPECT_EQ(MainPrefs.Cards, foundation::StringList{"VISA= Visa"});
  EXPECT_EQ(MainPrefs.ProductCategories, foundation::StringList{"APP=1;2 "});
  ASSERT_TRUE(Write());
  EXPECT_EQ(ReadFileText(Ini()).substr(0, text.size()), text);

  MainPrefs.Cards.push_back("AMEX=Amex");
  ASSERT_TRUE(Write());
  Read();
  EXPECT_EQ(MainPrefs.Cards, (foundation::StringList{"VISA= Visa", "AMEX=Amex"}));
}

TEST_F(MainPrefsTest, ChangedCardListReplacesTheSection) {
  WriteIni("[CARDS]\nVISA=Visa\nAMEX=Amex\n[PRODUCTCATEGORIES]\nA01=0;1\n");
  Read();
  MainPrefs.Cards = {"DISCOVER=Discover", "=no name", "line without separator"};
  MainPrefs.ProductCategories = {"  =2;3", "B02=1;1"};
  ASSERT_TRUE(Write());
  Read();
  EXPECT_EQ(MainPrefs.Cards, (foundation::StringList{"DISCOVER=Discover"}));
  EXPECT_EQ(MainPrefs.ProductCategories, (foundation::StringList{"B02=1;1"}));
}

// Two lines for one name (in any case): a read takes the first. Left as they
// are when the list is unchanged; when it changed, the name is written once,
// with the value a read took, in either list section.
TEST_F(MainPrefsTest, ListNameGivenTwiceKeepsTheValueARead) {
  const std::string text =
      "[CARDS]\nVISA=Visa\nVisa=Fleet\nAMEX=Amex\n[PRODUCTCATEGORIES]\napp=1;2\nAPP=0;0\n";
  WriteIni(text);
  Read();
  ASSERT_TRUE(Write());
  EXPECT_EQ(ReadFileText(Ini()).substr(0, text.size()), text);

  MainPrefs.Cards.push_back("DISCOVER=DiscoverCard");
  MainPrefs.ProductCategories.push_back("FOO=1;0");
  ASSERT_TRUE(Write());
  Read();
  EXPECT_EQ(MainPrefs.Cards,
            (foundation::StringList{"VISA=Visa", "AMEX=Amex", "DISCOVER=DiscoverCard"}));
  EXPECT_EQ(MainPrefs.ProductCategories, (foundation::StringList{"app=1;2", "FOO=1;0"}));
}

TEST_F(MainPrefsTest, WriteIntoReadOnlyFolderFailsAndKeepsTheOldFiles) {
  WriteIni("[MAIN]\nMerchID=OLD\n");
  WriteText(Dat(), "old.com\n");
  std::filesystem::create_directories(QueueDir());
  ::chmod(Folder().c_str(), 0555);
  settings_test::WithoutFileAccessOverride noOverride;
  if (settings_test::FolderAcceptsNewFiles(Folder())) {
    GTEST_SKIP() << "this user can write into read-only folders";
  }
  MainPrefs.MerchID = "NEW";
  EmailProviders = {"new.com"};
  EXPECT_FALSE(Write());
  EXPECT_EQ(ReadFileText(Ini()), "[MAIN]\nMerchID=OLD\n");
  EXPECT_EQ(ReadFileText(Dat()), "old.com\n");
}

TEST_F(MainPrefsTest, UnreadableSettingsFileIsReportedNotOverwritten) {
  std::filesystem::create_directories(Ini());  // a folder where the file should be
  EXPECT_THROW(Read(), std::exception);
  EXPECT_FALSE(Write());
  EXPECT_TRUE(std::filesystem::is_directory(Ini()));
}

}  // namespace
