#include "foundation/ini_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "foundation/settings/settings_test_support.h"
#include "foundation/settings_file_io.h"

namespace {

using foundation::IniFile;
using settings_test::ReadFileText;
using settings_test::ScratchFolder;
using settings_test::WriteText;

TEST(IniFileTest, MissingFileReadsAsDefaultsAndIsCreatedOnUpdate) {
  ScratchFolder dir;
  IniFile ini(dir.Path("absent.ini"));
  EXPECT_EQ(ini.ReadString("MAIN", "Key", "dflt"), "dflt");
  EXPECT_EQ(ini.ReadInteger("MAIN", "Key", 42), 42);
  EXPECT_TRUE(ini.ReadBool("MAIN", "Key", true));
  EXPECT_TRUE(ini.ReadSectionValues("MAIN").empty());
  EXPECT_FALSE(std::filesystem::exists(dir.Path("absent.ini")));

  ini.WriteString("MAIN", "Key", "v");
  ini.WriteBool("OTHER", "Flag", true);
  ini.UpdateFile();
  EXPECT_EQ(ReadFileText(dir.Path("absent.ini")), "[MAIN]\nKey=v\n\n[OTHER]\nFlag=1\n");
}

TEST(IniFileTest, NamesIgnoreCaseAndValuesAreTrimmed) {
  ScratchFolder dir;
  WriteText(dir.Path("a.ini"),
            "; leading comment\r\n"
            "[ Main ]\r\n"
            "  produrl  =  https://x/y?a=b  \r\n"
            "empty=\r\n"
            "\tTabbed\t=\tv\t\r\n");
  IniFile ini(dir.Path("a.ini"));
  EXPECT_EQ(ini.ReadString("MAIN", "ProdURL", ""), "https://x/y?a=b");
  EXPECT_EQ(ini.ReadString("main", "PRODURL", ""), "https://x/y?a=b");
  EXPECT_EQ(ini.ReadString("MAIN", "Empty", "dflt"), "") << "a present empty key is not absent";
  EXPECT_EQ(ini.ReadString("MAIN", "tabbed", ""), "v");
  EXPECT_EQ(ini.ReadString("MAIN", "; leading comment", "none"), "none");
}

TEST(IniFileTest, IntegersAndBooleansFollowProfileRules) {
  ScratchFolder dir;
  WriteText(dir.Path("a.ini"),
            "[N]\n"
            "dec=-17\nplus=+5\nhex=0x1F\ndollar=$ff\nallbits=$FFFFFFFF\n"
            "junk=12abc\nword=true\nhuge=2147483648\nmin=-2147483648\nempty=\n"
            "two=2\nzero=0\nneg=-1\n");
  IniFile ini(dir.Path("a.ini"));
  EXPECT_EQ(ini.ReadInteger("N", "dec", 0), -17);
  EXPECT_EQ(ini.ReadInteger("N", "plus", 0), 5);
  EXPECT_EQ(ini.ReadInteger("N", "hex", 0), 31);
  EXPECT_EQ(ini.ReadInteger("N", "dollar", 0), 255);
  EXPECT_EQ(ini.ReadInteger("N", "allbits", 0), -1);
  EXPECT_EQ(ini.ReadInteger("N", "junk", 7), 7);
  EXPECT_EQ(ini.ReadInteger("N", "huge", 7), 7);
  EXPECT_EQ(ini.ReadInteger("N", "min", 7), INT32_MIN);
  EXPECT_EQ(ini.ReadInteger("N", "empty", 7), 7);

  EXPECT_TRUE(ini.ReadBool("N", "two", false));
  EXPECT_TRUE(ini.ReadBool("N", "neg", false));
  EXPECT_FALSE(ini.ReadBool("N", "zero", true));
  // A word is not an integer, so the default wins either way.
  EXPECT_TRUE(ini.ReadBool("N", "word", true));
  EXPECT_FALSE(ini.ReadBool("N", "word", false));
}

TEST(IniFileTest, WriteKeepsCommentsUnknownEntriesAndLineEnds) {
  ScratchFolder dir;
  const std::string original =
      "; settings\r\n"
      "[Main]\r\n"
      "Keep = as it was \r\n"
      "Change=old\r\n"
      "orphan line\r\n"
      "\r\n"
      "[Unknown]\r\n"
      "x=1\r\n";
  WriteText(dir.Path("a.ini"), original);
  IniFile ini(dir.Path("a.ini"));
  ini.WriteString("MAIN", "keep", "as it was");  // unchanged value: line stays verbatim
  ini.WriteString("MAIN", "CHANGE", "new");      // original spelling of the key kept
  ini.WriteInteger("main", "Added", 3);          // after the section's last entry
  ini.UpdateFile();
  EXPECT_EQ(ReadFileText(dir.Path("a.ini")),
            "; settings\r\n"
            "[Main]\r\n"
            "Keep = as it was \r\n"
            "Change=new\r\n"
            "orphan line\r\n"
            "Added=3\r\n"
            "\r\n"
            "[Unknown]\r\n"
            "x=1\r\n");
}

TEST(IniFileTest, SectionValuesAndErase) {
  ScratchFolder dir;
  WriteText(dir.Path("a.ini"),
            "[CARDS]\nVISA=Visa\n; note\nAMEX = Amex=x\n[Other]\nk=v\n[cards]\nMC=Master\n");
  IniFile ini(dir.Path("a.ini"));
  EXPECT_EQ(ini.ReadSectionValues("Cards"),
            (std::vector<std::string>{"VISA=Visa", "AMEX=Amex=x", "MC=Master"}));

  ini.EraseSection("CARDS");
  EXPECT_TRUE(ini.ReadSectionValues("CARDS").empty());
  EXPECT_EQ(ini.ReadString("Other", "k", ""), "v");
  EXPECT_EQ(ini.Text(), "[Other]\nk=v\n");
}

// A hand-edited value in quotes reads without them, as profile files read it.
TEST(IniFileTest, ValuesInOnePairOfQuotesReadWithoutThem) {
  ScratchFolder dir;
  WriteText(dir.Path("a.ini"),
            "[MAIN]\r\n"
            "ProdURL=\"https://x.example/WS/v2.0/M-1\"\r\n"
            "Single='a b'\r\n"
            "Inner =  \" a b \"  \r\n"
            "Twice=\"\"x\"\"\r\n"
            "Unmatched=\"x'\r\n"
            "OnlyOne=\"\r\n"
            "Empty=\"\"\r\n"
            "Inside=a \"b\" c\r\n"
            "Timeout=\"45\"\r\n"
            "Flag='1'\r\n"
            "[CARDS]\r\n"
            "VISA=\"Visa\"\r\n");
  const IniFile ini(dir.Path("a.ini"));
  const struct {
    const char* key;
    const char* value;
  } cases[] = {
      {"ProdURL", "https://x.example/WS/v2.0/M-1"},
      {"Single", "a b"},
      {"Inner", " a b "},
      {"Twice", "\"x\""},
      {"Unmatched", "\"x'"},
      {"OnlyOne", "\""},
      {"Empty", ""},
      {"Inside", "a \"b\" c"},
  };
  for (const auto& c : cases) EXPECT_EQ(ini.ReadString("MAIN", c.key, "dflt"), c.value) << c.key;
  EXPECT_EQ(ini.ReadInteger("MAIN", "Timeout", 30), 45);
  EXPECT_TRUE(ini.ReadBool("MAIN", "Flag", false));
  EXPECT_EQ(ini.ReadSectionValues("CARDS"), std::vector<std::string>{"VISA=Visa"});
}

TEST(IniFileTest, EveryValueWrittenReadsBackAsWritten) {
  ScratchFolder dir;
  const std::string file = dir.Path("a.ini");
  WriteText(file, "[MAIN]\nProdURL=\"https://x\"\n");
  IniFile ini(file);
  // The same value again: the hand-written line stays as it was.
  ini.WriteString("MAIN", "ProdURL", "https://x");
  EXPECT_EQ(ini.Text(), "[MAIN]\nProdURL=\"https://x\"\n");

  for (const std::string value :
       {"\"quoted\"", "'single'", "\"", "'", "\"a'", "plain", "\"\"", "''", "\"x\" and \"y\"",
        "'\"'", " lead", "trail ", "\tboth\t", " ", " \"q\" ", "\"q\" ", " 'a\""}) {
    SCOPED_TRACE(value);
    ini.WriteString("MAIN", "ProdURL", value);
    ini.WriteString("NEW", "Key", value);
    ini.UpdateFile();
    const IniFile again(file);
    EXPECT_EQ(again.ReadString("MAIN", "ProdURL", "dflt"), value);
    EXPECT_EQ(again.ReadString("NEW", "Key", "dflt"), value);
  }
}

// A value kept in quotes for the blanks at its ends reads with them, and
// writing the same value again leaves the line as written by hand.
TEST(IniFileTest, QuotedBlanksAreReadAndTheLineKeptWhenWrittenAgain) {
  ScratchFolder dir;
  const std::string file = dir.Path("a.ini");
  const std::string text = "[MAIN]\r\nMerchID=\" M-77\"\r\nBCType=' Code128 '\r\nName=\"\tx\"\r\n";
  WriteText(file, text);
  IniFile ini(file);
  const struct {
    const char* key;
    const char* value;
  } cases[] = {{"MerchID", " M-77"}, {"BCType", " Code128 "}, {"Name", "\tx"}};
  for (const auto& c : cases) {
    EXPECT_EQ(ini.ReadString("MAIN", c.key, ""), c.value) << c.key;
    ini.WriteString("MAIN", c.key, c.value);
  }
  EXPECT_EQ(ini.Text(), text);
  ini.WriteString("MAIN", "MerchID", "M-77");
  EXPECT_EQ(ini.ReadString("MAIN", "MerchID", ""), "M-77");
  EXPECT_NE(ini.Text().find("MerchID=M-77\r\n"), std::string::npos) << ini.Text();
}

TEST(IniFileTest, RejectsNamesAndValuesThatWouldBreakTheFile) {
  ScratchFolder dir;
  IniFile ini(dir.Path("a.ini"));
  EXPECT_THROW(ini.WriteString("MAIN", "a=b", "v"), foundation::IniFormatError);
  EXPECT_THROW(ini.WriteString("MAIN", "  ", "v"), foundation::IniFormatError);
  EXPECT_THROW(ini.WriteString("MAIN", "[x", "v"), foundation::IniFormatError);
  EXPECT_THROW(ini.WriteString("MAIN", "k", "two\nlines"), foundation::IniFormatError);
  EXPECT_THROW(ini.WriteString("A]B", "k", "v"), foundation::IniFormatError);
  EXPECT_EQ(ini.Text(), "");
}

TEST(IniFileTest, UnreadableFileIsAnErrorNotAnEmptyFile) {
  ScratchFolder dir;
  std::filesystem::create_directory(dir.Path("folder.ini"));
  EXPECT_THROW(IniFile(dir.Path("folder.ini")), foundation::SettingsFileError);
}

size_t EntriesIn(const std::string& folder) {
  auto entries = std::filesystem::directory_iterator(folder);
  return static_cast<size_t>(std::distance(begin(entries), end(entries)));
}

TEST(SettingsFileIoTest, AtomicReplaceKeepsPermissionsAndLeavesNoTemporaryFile) {
  ScratchFolder dir;
  const std::string file = dir.Path("VeskMain.dat");
  WriteText(file, "old");
  ::chmod(file.c_str(), 0640);
  foundation::WriteFileAtomically(file, "new content");
  EXPECT_EQ(ReadFileText(file), "new content");
  struct stat info {};
  ASSERT_EQ(::stat(file.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0640u);
  EXPECT_EQ(EntriesIn(dir.Path()), 1u) << "no temporary file is left";
}

TEST(SettingsFileIoTest, FailedReplaceLeavesOldFileAndNoTemporaryFile) {
  ScratchFolder dir;
  const std::string file = dir.Path("VeskStore.ini");
  WriteText(file, "[STORE]\nName=Old\n");
  ::chmod(dir.Path().c_str(), 0555);
  settings_test::WithoutFileAccessOverride noOverride;
  if (settings_test::FolderAcceptsNewFiles(dir.Path())) {
    GTEST_SKIP() << "this user can write into read-only folders";
  }
  EXPECT_THROW(foundation::WriteFileAtomically(file, "[STORE]\nName=New\n"),
               foundation::SettingsFileError);
  EXPECT_EQ(ReadFileText(file), "[STORE]\nName=Old\n");
  EXPECT_EQ(EntriesIn(dir.Path()), 1u) << "no temporary file is left";
}

// A settings file an administrator made read-only is not replaced, by the
// superuser either; nor is a file of another user that this process may not
// write.
TEST(SettingsFileIoTest, AReadOnlyFileIsRefusedAndLeftAsItWas) {
  const struct {
    const char* name;
    mode_t mode;
    bool anotherUser;
  } cases[] = {{"no write bit", 0444, false},
               {"no write bit but the group's", 0464, true},
               {"another user's file", 0644, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ScratchFolder dir;
    const std::string file = dir.Path("VeskMain.ini");
    WriteText(file, "[MAIN]\nMerchID=OLD\n");
    ASSERT_EQ(::chmod(file.c_str(), c.mode), 0);
    if (c.anotherUser) {
      if (::geteuid() != 0) continue;  // only the superuser can give a file away
      ASSERT_EQ(::chown(file.c_str(), 65534, 65534), 0);
    }
    settings_test::WithoutFileAccessOverride noOverride;
    try {
      foundation::WriteFileAtomically(file, "[MAIN]\nMerchID=NEW\n");
      ADD_FAILURE() << "the file was replaced";
    } catch (const foundation::SettingsFileError& e) {
      EXPECT_NE(std::string(e.what()).find(file), std::string::npos) << e.what();
    }
    EXPECT_EQ(ReadFileText(file), "[MAIN]\nMerchID=OLD\n");
    struct stat info {};
    ASSERT_EQ(::stat(file.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, c.mode);
    EXPECT_EQ(EntriesIn(dir.Path()), 1u) << "no temporary file is left";
  }
}

// A path that is a link writes the file it leads to, in that file's folder:
// by an absolute or relative link, a chain of links, or a link to a file not
// made yet; the links stay links. A loop of links is refused.
TEST(SettingsFileIoTest, ALinkIsWrittenThroughToTheFileItLeadsTo) {
  namespace fs = std::filesystem;
  ScratchFolder dir;
  const fs::path shared = dir.Path("shared");
  const fs::path settings = dir.Path("settings");
  fs::create_directories(shared);
  fs::create_directories(settings);
  WriteText((shared / "a.ini").string(), "old");
  ::chmod((shared / "a.ini").c_str(), 0640);
  fs::create_symlink(shared / "a.ini", settings / "absolute.ini");
  fs::create_symlink("../shared/a.ini", settings / "relative.ini");
  fs::create_symlink("relative.ini", settings / "chain.ini");
  fs::create_symlink("../shared/new.ini", settings / "dangling.ini");
  const struct {
    const char* link;
    fs::path target;
  } cases[] = {{"absolute.ini", shared / "a.ini"},
               {"relative.ini", shared / "a.ini"},
               {"chain.ini", shared / "a.ini"},
               {"dangling.ini", shared / "new.ini"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.link);
    const std::string text = std::string("written through ") + c.link;
    foundation::WriteFileAtomically((settings / c.link).string(), text);
    EXPECT_TRUE(fs::is_symlink(settings / c.link));
    EXPECT_EQ(ReadFileText(c.target.string()), text);
  }
  struct stat info {};
  ASSERT_EQ(::stat((shared / "a.ini").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0640u) << "the target keeps its permissions";
  EXPECT_EQ(EntriesIn(shared.string()), 2u) << "no temporary file is left";
  EXPECT_EQ(EntriesIn(settings.string()), 4u);

  fs::create_symlink("loop2.ini", settings / "loop1.ini");
  fs::create_symlink("loop1.ini", settings / "loop2.ini");
  EXPECT_THROW(foundation::WriteFileAtomically((settings / "loop1.ini").string(), "x"),
               foundation::SettingsFileError);
  EXPECT_TRUE(fs::is_symlink(settings / "loop1.ini"));
}

TEST(SettingsFileIoTest, SplitLinesAcceptsEveryLineEnd) {
  EXPECT_EQ(foundation::SplitLines("a\r\nb\nc\rd"), (std::vector<std::string>{"a", "b", "c", "d"}));
  EXPECT_EQ(foundation::SplitLines("a\n\nb\n"), (std::vector<std::string>{"a", "", "b"}));
  EXPECT_TRUE(foundation::SplitLines("").empty());
}

}  // namespace
