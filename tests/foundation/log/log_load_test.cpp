// The log inside a library that a host loads: the start header and
// environment summary at load, every line written when the library is
// finalised or, failing that, when the process exits.

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <cstdlib>

#include "common/log_fixture.h"

namespace logtest {
namespace {

// Every line the probe logs is its number as text; the count of such lines.
size_t NumberedLines(const std::vector<std::string>& texts) {
  return static_cast<size_t>(std::count_if(texts.begin(), texts.end(), [](const std::string& t) {
    return !t.empty() && std::isdigit(static_cast<unsigned char>(t[0]));
  }));
}

class LogLoad : public LogFixture {
 protected:
  void SetUp() override {
    LogFixture::SetUp();
    ::setenv("NORVANE_PROBE_LOG_FOLDER", folder_.c_str(), 1);
  }
  void TearDown() override {
    ::unsetenv("NORVANE_PROBE_LOG_FOLDER");
    LogFixture::TearDown();
  }

  // Runs the minimal host in a fresh process; its output lands in `output_`.
  void RunHost(const char* lines, const char* ending) {
    const std::string out = root_.string() + "/host.out";
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    char* args[] = {const_cast<char*>(NORVANE_LOG_PROBE_HOST), const_cast<char*>(NORVANE_LOG_PROBE),
                    const_cast<char*>(lines), const_cast<char*>(ending), nullptr};
    pid_t child = 0;
    int spawned = ::posix_spawn(&child, NORVANE_LOG_PROBE_HOST, &actions, nullptr, args, environ);
    posix_spawn_file_actions_destroy(&actions);
    ASSERT_EQ(spawned, 0);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status)) << "host ended by signal " << WTERMSIG(status);
    ASSERT_EQ(WEXITSTATUS(status), 0);
    output_ = testsupport::ReadFileText(out);
  }

  std::string output_;
};

TEST_F(LogLoad, LoadWritesHeaderAndSummaryAndFinalizeWritesEveryLine) {
  RunHost("50000", "finalize");
  EXPECT_EQ(output_, "1.0.0.0\n");  // the library's own file carries the version record

  ASSERT_EQ(LogFiles().size(), 1u);
  const std::string name = LogFiles()[0];
  EXPECT_EQ(name.rfind("Norvane_", 0), 0u);
  EXPECT_EQ(name.size(), std::string("Norvane_yyyymmdd_hhnnsszzz.log").size());
  auto texts = Texts();
  EXPECT_TRUE(Contains(texts, "START OF LOG"));
  EXPECT_TRUE(Contains(texts, "VeskEngine plug-in version:1.0.0.0"));
  EXPECT_TRUE(Contains(texts, "Plug-in manifests:"));
  ASSERT_FALSE(texts.empty());
  EXPECT_EQ(texts.back(), "49999");
  EXPECT_EQ(NumberedLines(texts), 50'000u);
}

TEST_F(LogLoad, ExitWithoutFinalizeStillWritesEveryLineAndEndsCleanly) {
  // The library's static destructor stops the log at exit, while the
  // process's other statics are being destroyed.
  RunHost("50000", "exit");
  auto texts = Texts();
  ASSERT_FALSE(texts.empty());
  EXPECT_EQ(texts.back(), "49999");
  EXPECT_EQ(NumberedLines(texts), 50'000u);
}

}  // namespace
}  // namespace logtest
