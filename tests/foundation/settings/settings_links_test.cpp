// Settings files that are symbolic links to copies kept elsewhere, in every
// form an administrator sets them up: relative, absolute, a chain, leading
// to a file not made yet, to a read-only copy, and a loop. The setup writes the copy (or refuses
// and leaves everything as it was); the link always stays a link, and the
// next read sees what was written.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <functional>

#include "foundation/prefs_io.h"
#include "foundation/prefs_records.h"
#include "foundation/settings/settings_test_support.h"

namespace {

namespace fs = std::filesystem;
using foundation::EmailProviders;
using foundation::MainPrefs;
using foundation::TMainPrefs;
using settings_test::ReadFileText;
using settings_test::ScratchFolder;
using settings_test::WriteText;

class SettingsLinksTest : public ::testing::Test {
 protected:
  void SetUp() override {
    MainPrefs = TMainPrefs{};
    EmailProviders.clear();
  }
  void TearDown() override {
    MainPrefs = TMainPrefs{};
    EmailProviders.clear();
  }
  ScratchFolder dir_;
};

TEST_F(SettingsLinksTest, TheSetupWritesTheCopyALinkLeadsToAndKeepsTheLink) {
  const struct {
    const char* name;
    // Makes VeskRcpts/VeskMain.ini a link in `settings`, the copy in `shared`;
    // gives the file the link finally leads to.
    std::function<fs::path(const fs::path& settings, const fs::path& shared)> stage;
    bool written;
  } cases[] = {
      {"relative link",
       [](const fs::path& s, const fs::path& sh) {
         WriteText((sh / "main.ini").string(), "[MAIN]\nMerchID=OLD\n");
         fs::create_symlink("../shared/main.ini", s / "VeskMain.ini");
         return sh / "main.ini";
       },
       true},
      {"absolute link",
       [](const fs::path& s, const fs::path& sh) {
         WriteText((sh / "main.ini").string(), "[MAIN]\nMerchID=OLD\n");
         fs::create_symlink(sh / "main.ini", s / "VeskMain.ini");
         return sh / "main.ini";
       },
       true},
      {"chain of links",
       [](const fs::path& s, const fs::path& sh) {
         fs::create_directories(sh / "deeper");
         WriteText((sh / "deeper" / "main.ini").string(), "[MAIN]\nMerchID=OLD\n");
         fs::create_symlink("deeper/main.ini", sh / "current.ini");
         fs::create_symlink("../shared/current.ini", s / "VeskMain.ini");
         return sh / "deeper" / "main.ini";
       },
       true},
      {"dangling link",
       [](const fs::path& s, const fs::path& sh) {
         fs::create_symlink("../shared/main.ini", s / "VeskMain.ini");
         return sh / "main.ini";
       },
       true},
      {"link to a read-only copy",
       [](const fs::path& s, const fs::path& sh) {
         WriteText((sh / "main.ini").string(), "[MAIN]\nMerchID=OLD\n");
         fs::permissions(sh / "main.ini", fs::perms::owner_read | fs::perms::group_read);
         fs::create_symlink("../shared/main.ini", s / "VeskMain.ini");
         return sh / "main.ini";
       },
       false},
      {"link loop",
       [](const fs::path& s, const fs::path& sh) {
         fs::create_symlink("../shared/b.ini", s / "VeskMain.ini");
         fs::create_symlink("../VeskRcpts/VeskMain.ini", sh / "b.ini");
         return fs::path();
       },
       false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const fs::path root = dir_.Path(c.name);
    const fs::path settings = root / "VeskRcpts";
    const fs::path shared = root / "shared";
    fs::create_directories(settings);
    fs::create_directories(shared);
    const fs::path copy = c.stage(settings, shared);
    const std::string before = copy.empty() || !fs::exists(copy) ? "" : ReadFileText(copy.string());
    const std::string ini = (settings / "VeskMain.ini").string();
    const std::string dat = (settings / "VeskMain.dat").string();

    MainPrefs = TMainPrefs{};
    try {
      foundation::ReadMainPrefs(settings.string(), "", ini, dat);
    } catch (const std::exception&) {
      EXPECT_TRUE(copy.empty()) << "only a loop cannot be read";
    }
    MainPrefs.MerchID = "M-NEW";
    settings_test::WithoutFileAccessOverride asAnOrdinaryUser;
    EXPECT_EQ(foundation::WriteMainPrefs(settings.string(), "", ini, dat), c.written);

    EXPECT_TRUE(fs::is_symlink(ini)) << "the link was replaced";
    if (c.written) {
      EXPECT_NE(ReadFileText(copy.string()).find("MerchID=M-NEW"), std::string::npos);
      MainPrefs = TMainPrefs{};
      foundation::ReadMainPrefs(settings.string(), "", ini, dat);
      EXPECT_EQ(MainPrefs.MerchID, "M-NEW") << "the next read sees the write";
    } else if (!copy.empty()) {
      EXPECT_EQ(ReadFileText(copy.string()), before) << "a refused write changes nothing";
    }
    for (const auto& entry : fs::directory_iterator(shared)) {
      EXPECT_NE(entry.path().filename().string().front(), '.')
          << "temporary file left: " << entry.path();
    }
  }
}

// A shared copy the till may write, in a folder where it may not create
// files (the folder of a share, owned by its administrator): a settings file
// is only ever replaced whole, by a new file made beside it, so the copy is
// not written; the failure names the copy, the link that led to it, its
// folder and the reason, and the copy stays as it was.
TEST_F(SettingsLinksTest, AWritableCopyInAFolderThatTakesNoNewFilesIsRefusedWithItsReason) {
  const fs::path settings = dir_.Path("VeskRcpts");
  const fs::path shared = dir_.Path("shared");
  fs::create_directories(settings);
  fs::create_directories(shared);
  WriteText((shared / "main.ini").string(), "[MAIN]\nMerchID=OLD\n");
  fs::permissions(shared / "main.ini", fs::perms::owner_read | fs::perms::owner_write);
  fs::permissions(shared, fs::perms::owner_read | fs::perms::owner_exec);
  fs::create_symlink("../shared/main.ini", settings / "VeskMain.ini");
  const std::string ini = (settings / "VeskMain.ini").string();
  const std::string dat = (settings / "VeskMain.dat").string();
  foundation::ReadMainPrefs(settings.string(), "", ini, dat);
  MainPrefs.MerchID = "M-NEW";
  std::string error;
  {
    settings_test::WithoutFileAccessOverride asAnOrdinaryUser;
    ASSERT_FALSE(settings_test::FolderAcceptsNewFiles(shared.string()));
    EXPECT_FALSE(foundation::WriteMainPrefs(settings.string(), "", ini, dat, &error));
  }
  for (const std::string& part :
       {"Cannot write \"" + (shared / "main.ini").string() + "\"", "the link \"" + ini + "\"",
        "its folder \"" + shared.string() + "\"", std::string("(Permission denied)"),
        std::string("replaced whole")}) {
    EXPECT_NE(error.find(part), std::string::npos) << part << " is not in: " << error;
  }
  EXPECT_EQ(ReadFileText((shared / "main.ini").string()), "[MAIN]\nMerchID=OLD\n");
  EXPECT_TRUE(fs::is_symlink(ini));
  fs::permissions(shared, fs::perms::owner_all);
}

}  // namespace
