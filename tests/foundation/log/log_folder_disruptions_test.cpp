// The log folder disturbed again and again while the log runs, as on a till
// that runs for months: removed (twice in a row), made read-only and writable
// again, replaced by a plain file and given back. Every line logged reaches
// the file once, in order, once the folder can take it again.

#include <sys/mount.h>

#include <fstream>

#include "common/log_fixture.h"
#include "common/private_mounts.h"

namespace logtest {
namespace {

using foundation::KWLog;

class LogFolderDisruptions : public LogFixture {};

TEST_F(LogFolderDisruptions, EveryLineArrivesOnceInOrderWhateverHappensToTheFolder) {
  // The writer thread is started inside the mount namespace, so it sees the
  // read-only mount made later.
  testsupport::PrivateMounts mounts;
  if (!mounts.Available()) GTEST_SKIP() << mounts.Reason();
  const fs::path folder = fs::path(folder_).parent_path();
  foundation::StartLogging("Norvane", true);
  std::vector<std::string> expected;
  auto log = [&](const std::string& text) {
    KWLog(0, text, foundation::kLevelInfo, "");
    expected.push_back(text);
  };
  const struct {
    const char* name;
    std::function<bool()> disturb;  // false: the step could not be staged
    std::function<void()> mend;
    bool held;  // the lines wait until the folder is mended
  } steps[] = {
      {"removed", [&] { return fs::remove_all(folder) > 0; }, [] {}, false},
      {"removed again", [&] { return fs::remove_all(folder) > 0; }, [] {}, false},
      {"read-only", [&] { return mounts.ReadOnly(folder); },
       [&] { ::umount2(folder.c_str(), MNT_DETACH); }, true},
      {"replaced by a file",
       [&] {
         fs::remove_all(folder);
         std::ofstream(folder) << "not a folder";
         return fs::is_regular_file(folder);
       },
       [&] { fs::remove(folder); }, true},
      {"removed once more", [&] { return fs::remove_all(folder) > 0; }, [] {}, false},
  };
  // What the folder holds is taken before each disturbance (a removal takes
  // the files with it); each line is counted where it first appears.
  std::vector<std::string> seen;
  auto collect = [&] {
    if (!fs::is_directory(folder)) return;
    for (const std::string& t : Texts()) {
      if (std::find(seen.begin(), seen.end(), t) == seen.end()) seen.push_back(t);
    }
  };
  log("start");
  Flush();
  for (const auto& step : steps) {
    SCOPED_TRACE(step.name);
    collect();
    ASSERT_TRUE(step.disturb()) << mounts.Reason();
    for (int i = 0; i < 3; ++i) log(std::string(step.name) + " " + std::to_string(i));
    Flush();
    if (step.held && fs::is_directory(folder)) {
      const std::vector<std::string> now = Texts();
      EXPECT_EQ(std::find(now.begin(), now.end(), std::string(step.name) + " 0"), now.end())
          << "the disturbance did not stop the writer";
    }
    step.mend();
    log(std::string("after ") + step.name);
    Flush();
  }
  foundation::StopLogging();
  collect();

  std::vector<std::string> texts = seen;
  std::erase_if(texts, [&](const std::string& t) {
    return std::find(expected.begin(), expected.end(), t) == expected.end();
  });
  EXPECT_EQ(texts, expected);
  for (const std::string& t : seen) EXPECT_EQ(t.find("dropped"), std::string::npos) << t;
}

}  // namespace
}  // namespace logtest
