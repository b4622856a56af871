// The log inside a library that a host loads and unloads: the start header and
// environment summary at load, every line written and the writer gone at
// unload.

#include <dlfcn.h>

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

TEST_F(LogLoad, LoadWritesHeaderAndSummaryAndUnloadWritesEveryLine) {
  void* library = ::dlopen(NORVANE_LOG_PROBE, RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(library, nullptr) << ::dlerror();
  auto log = reinterpret_cast<void (*)(int)>(::dlsym(library, "norvane_probe_log"));
  auto version = reinterpret_cast<const char* (*)()>(::dlsym(library, "norvane_probe_own_version"));
  ASSERT_NE(log, nullptr);
  ASSERT_NE(version, nullptr);
  EXPECT_STREQ(version(), "1.0.0.0");  // the library's own file carries the record
  log(50'000);
  ASSERT_EQ(::dlclose(library), 0);  // stops the log: drains and joins the writer

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
  EXPECT_EQ(std::count_if(texts.begin(), texts.end(),
                          [](const std::string& t) {
                            return !t.empty() && std::isdigit(static_cast<unsigned char>(t[0]));
                          }),
            50'000);
}

}  // namespace
}  // namespace logtest
