// Which of its two files a failed write of the main settings left unsaved:
// the setup names those, and only those, to the administrator.

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "foundation/prefs_io.h"
#include "foundation/prefs_records.h"
#include "foundation/settings/settings_test_support.h"

namespace {

namespace fs = std::filesystem;
using foundation::EmailProviders;
using foundation::MainPrefs;
using foundation::TMainPrefs;
using settings_test::ScratchFolder;

TEST(MainPrefsUnsavedTest, NamesTheFilesLeftUnsaved) {
  const struct {
    const char* name;
    // Makes one of the files a link to a share that is not mounted.
    std::function<void(const fs::path& ini, const fs::path& dat, const fs::path& share)> stage;
    bool iniUnsaved;
  } cases[] = {
      {"the domain list's share is not mounted",
       [](const fs::path&, const fs::path& dat, const fs::path& share) {
         fs::create_symlink(share / "VeskMain.dat", dat);
       },
       false},
      {"the main settings' share is not mounted",
       [](const fs::path& ini, const fs::path&, const fs::path& share) {
         fs::create_symlink(share / "VeskMain.ini", ini);
       },
       true},
  };
  ScratchFolder dir;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const fs::path settings = dir.Path(c.name);
    fs::create_directories(settings);
    const std::string ini = (settings / "VeskMain.ini").string();
    const std::string dat = (settings / "VeskMain.dat").string();
    c.stage(ini, dat, settings / "share");
    MainPrefs = TMainPrefs{};
    EmailProviders = {"example.com"};
    std::string error;
    std::vector<std::string> unsaved;
    EXPECT_FALSE(foundation::WriteMainPrefs(settings.string(), "", ini, dat, &error, &unsaved));
    const std::vector<std::string> expected =
        c.iniUnsaved ? std::vector<std::string>{ini, dat} : std::vector<std::string>{dat};
    EXPECT_EQ(unsaved, expected);
    EXPECT_EQ(fs::is_regular_file(ini), !c.iniUnsaved) << "the main settings written";
    EXPECT_FALSE(error.empty());
  }
  MainPrefs = TMainPrefs{};
  EmailProviders.clear();
}

}  // namespace
