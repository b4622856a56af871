// The log inside a library that a host loads: the start header and
// environment summary at load, every line written when the library is
// finalised or, failing that, when the process exits.

#include <dlfcn.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>

#include "foundation/log/log_fixture.h"

namespace logtest {
namespace {

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
};

template <typename F>
F Entry(void* library, const char* name) {
  return reinterpret_cast<F>(::dlsym(library, name));
}

// Every line the probe logs is its number as text; the count of such lines.
size_t NumberedLines(const std::vector<std::string>& texts) {
  return static_cast<size_t>(std::count_if(texts.begin(), texts.end(), [](const std::string& t) {
    return !t.empty() && std::isdigit(static_cast<unsigned char>(t[0]));
  }));
}

TEST_F(LogLoad, LoadWritesHeaderAndSummaryAndFinalizeWritesEveryLine) {
  void* library = ::dlopen(NORVANE_LOG_PROBE, RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(library, nullptr) << ::dlerror();
  auto log = Entry<void (*)(int)>(library, "norvane_probe_log");
  auto finalize = Entry<void (*)()>(library, "norvane_probe_finalize");
  auto version = Entry<const char* (*)()>(library, "norvane_probe_own_version");
  ASSERT_TRUE(log && finalize && version);
  EXPECT_STREQ(version(), "1.0.0.0");  // the library's own file carries the record
  log(50'000);
  finalize();
  ::dlclose(library);

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
  // A fresh host process loads the library, logs and leaves through exit();
  // the library's static destructor stops the log while the process's statics
  // go away.
  pid_t child = 0;
  char* args[] = {const_cast<char*>(NORVANE_LOG_PROBE_HOST), const_cast<char*>(NORVANE_LOG_PROBE),
                  const_cast<char*>("50000"), nullptr};
  ASSERT_EQ(::posix_spawn(&child, NORVANE_LOG_PROBE_HOST, nullptr, nullptr, args, environ), 0);
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status)) << "child ended by signal " << WTERMSIG(status);
  EXPECT_EQ(WEXITSTATUS(status), 0);
  auto texts = Texts();
  ASSERT_FALSE(texts.empty());
  EXPECT_EQ(texts.back(), "49999");
  EXPECT_EQ(NumberedLines(texts), 50'000u);
}

}  // namespace
}  // namespace logtest
