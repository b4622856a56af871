#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <optional>

#include "common/file_text.h"
#include "common/scoped_env.h"
#include "common/temp_folder.h"
#include "platform/registry/registry.h"
#include "platform/registry/registry_file.h"

namespace {

namespace reg = platform::registry;
using reg::RegistryError;
using reg::Root;
namespace fs = std::filesystem;

using testsupport::ScopedEnv;

using testsupport::ReadFileText;
// Runs `body` in a child process; the child's exit status is 0 when the body
// returned normally.
pid_t RunChild(const std::function<void()>& body) {
  pid_t pid = ::fork();
  if (pid == 0) {
    int status = 0;
    try {
      body();
    } catch (...) {
      status = 1;
    }
    ::_exit(status);
  }
  return pid;
}

int WaitExit(pid_t pid) {
  int status = 0;
  ::waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

class RegistryFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = temp_.Path().string();
    path_ = dir_ + "/config/norvane/registry";  // the folders do not exist yet
    env_.emplace("NORVANE_REGISTRY_FILE", path_.c_str());
  }
  void TearDown() override { env_.reset(); }

  std::vector<std::string> TemporaryFiles() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(fs::path(path_).parent_path())) {
      std::string name = entry.path().filename();
      if (name.rfind("registry.tmp.", 0) == 0) names.push_back(name);
    }
    return names;
  }

  testsupport::TempFolder temp_{"registry_test"};
  std::string dir_;
  std::string path_;
  std::optional<ScopedEnv> env_;
};

TEST(RegistryFilePath, FollowsTheEnvironmentThenTheConfigFolder) {
  ScopedEnv file("NORVANE_REGISTRY_FILE", "/tmp/elsewhere/reg");
  EXPECT_EQ(reg::RegistryFilePath(), "/tmp/elsewhere/reg");
  {
    ScopedEnv none("NORVANE_REGISTRY_FILE", nullptr);
    ScopedEnv config("XDG_CONFIG_HOME", "/cfg");
    EXPECT_EQ(reg::RegistryFilePath(), "/cfg/norvane/registry");
    ScopedEnv relative("XDG_CONFIG_HOME", "relative/cfg");  // not absolute: ignored
    ScopedEnv home("HOME", "/home/pos");
    EXPECT_EQ(reg::RegistryFilePath(), "/home/pos/.config/norvane/registry");
  }
}

TEST_F(RegistryFileTest, ReadsOfAMissingFileFindNothingAndCreateNothing) {
  EXPECT_FALSE(reg::KeyExists(Root::LocalMachine, "SOFTWARE"));
  EXPECT_EQ(reg::ReadString(Root::LocalMachine, "SOFTWARE", "x"), std::nullopt);
  EXPECT_TRUE(reg::SubKeyNames(Root::ClassesRoot, "CLSID").empty());
  EXPECT_FALSE(fs::exists(fs::path(path_).parent_path()));
}

TEST_F(RegistryFileTest, CreatesReadsEnumeratesAndDeletesThroughTheFile) {
  reg::WriteString(Root::LocalMachine, "SOFTWARE\\Retail Pro\\CE\\RPro9\\9.30", "INSTALLPATH",
                   "/opt/pos");
  reg::WriteDword(Root::LocalMachine, "SOFTWARE\\ORACLE\\ALL_HOMES", "HOME_COUNTER", 1);
  reg::CreateKey(Root::CurrentUser, "SOFTWARE\\Pellworth\\KEL\\Warnings");
  ASSERT_TRUE(fs::exists(path_));

  EXPECT_EQ(
      reg::ReadString(Root::LocalMachine, "software\\retail pro\\ce\\rpro9\\9.30", "INSTALLPATH"),
      "/opt/pos");
  EXPECT_EQ(reg::ReadDword(Root::LocalMachine, "SOFTWARE\\ORACLE\\ALL_HOMES", "HOME_COUNTER"), 1u);
  EXPECT_TRUE(reg::KeyExists(Root::CurrentUser, "SOFTWARE\\Pellworth\\KEL\\Warnings"));
  // Enumerating and deleting values follow the tree's rules (its own test).
  reg::DeleteKey(Root::LocalMachine, "SOFTWARE");
  EXPECT_FALSE(reg::KeyExists(Root::LocalMachine, "SOFTWARE\\Retail Pro"));
  EXPECT_TRUE(reg::KeyExists(Root::CurrentUser, "SOFTWARE\\Pellworth"));
  EXPECT_TRUE(TemporaryFiles().empty());
}

TEST_F(RegistryFileTest, AnUpdateIsAppliedWholeOrNotAtAll) {
  reg::WriteString(Root::ClassesRoot, "Existing", "", "before");
  std::string before = ReadFileText(path_);

  EXPECT_THROW(reg::Update([](reg::Tree& t) {
                 t.WriteString(Root::ClassesRoot, "Existing", "", "after");
                 t.CreateKey(Root::ClassesRoot, "HalfDone");
                 throw std::runtime_error("step failed");
               }),
               std::runtime_error);
  EXPECT_EQ(ReadFileText(path_), before);

  reg::Update([](reg::Tree& t) {
    for (int i = 0; i < 40; ++i) {
      t.WriteString(Root::ClassesRoot, "CLSID\\K" + std::to_string(i) + "\\InprocServer32",
                    "ThreadingModel", "Apartment");
    }
  });
  EXPECT_EQ(reg::SubKeyNames(Root::ClassesRoot, "CLSID").size(), 40u);

  // An update that changes nothing leaves the file alone.
  struct stat first {};
  struct stat second {};
  ::stat(path_.c_str(), &first);
  reg::DeleteKey(Root::ClassesRoot, "NotThere");
  reg::CreateKey(Root::ClassesRoot, "Existing");
  ::stat(path_.c_str(), &second);
  EXPECT_EQ(first.st_ino, second.st_ino);
}

TEST_F(RegistryFileTest, ADamagedFileIsReportedAndNeverOverwritten) {
  reg::WriteString(Root::LocalMachine, "SOFTWARE\\A", "v", "1");
  std::string whole = ReadFileText(path_);
  std::string truncated = whole.substr(0, whole.size() - 5);
  std::ofstream(path_, std::ios::binary | std::ios::trunc) << truncated;

  try {
    reg::ReadString(Root::LocalMachine, "SOFTWARE\\A", "v");
    FAIL() << "expected RegistryError";
  } catch (const RegistryError& e) {
    EXPECT_NE(std::string(e.what()).find(path_ + ":"), std::string::npos) << e.what();
    EXPECT_NE(std::string(e.what()).find("truncated"), std::string::npos) << e.what();
  }
  EXPECT_THROW(reg::WriteString(Root::LocalMachine, "SOFTWARE\\B", "v", "2"), RegistryError);
  EXPECT_EQ(ReadFileText(path_), truncated);
}

TEST_F(RegistryFileTest, TwoProcessesWritingAtOnceLoseNothing) {
  constexpr int kEach = 1000;
  auto writer = [](const char* prefix) {
    return [prefix] {
      for (int i = 0; i < kEach; ++i) {
        reg::WriteDword(Root::CurrentUser, "Concurrent", prefix + std::to_string(i),
                        static_cast<uint32_t>(i));
      }
    };
  };
  pid_t a = RunChild(writer("a"));
  pid_t b = RunChild(writer("b"));
  ASSERT_GT(a, 0);
  ASSERT_GT(b, 0);
  EXPECT_EQ(WaitExit(a), 0);
  EXPECT_EQ(WaitExit(b), 0);

  reg::Tree t = reg::Snapshot();
  EXPECT_EQ(t.ValueNames(Root::CurrentUser, "Concurrent").size(), 2u * kEach);
  for (int i = 0; i < kEach; ++i) {
    ASSERT_EQ(t.ReadDword(Root::CurrentUser, "Concurrent", "a" + std::to_string(i)),
              static_cast<uint32_t>(i));
    ASSERT_EQ(t.ReadDword(Root::CurrentUser, "Concurrent", "b" + std::to_string(i)),
              static_cast<uint32_t>(i));
  }
}

TEST_F(RegistryFileTest, AWriterKilledMidWayLeavesAWholeFileAndNoLock) {
  for (int round = 0; round < 3; ++round) {
    std::string key = "Killed" + std::to_string(round);
    pid_t child = RunChild([&] {
      for (int i = 0; i < 100000; ++i) {
        reg::WriteDword(Root::LocalMachine, key, "n" + std::to_string(i), static_cast<uint32_t>(i));
      }
    });
    ASSERT_GT(child, 0);
    // Read while it writes (every read must see a whole file), then kill it.
    size_t seen = 0;
    for (int poll = 0; poll < 100000 && seen < 20 + 10 * static_cast<size_t>(round); ++poll) {
      seen = reg::ValueNames(Root::LocalMachine, key).size();
    }
    ::kill(child, SIGKILL);
    EXPECT_EQ(WaitExit(child), -1);

    reg::Tree t = reg::Snapshot();
    std::vector<std::string> names = t.ValueNames(Root::LocalMachine, key);
    ASSERT_GE(names.size(), seen);
    for (size_t i = 0; i < names.size(); ++i) {
      // The writes that landed are exactly the first ones, in order.
      EXPECT_EQ(t.ReadDword(Root::LocalMachine, key, "n" + std::to_string(i)),
                static_cast<uint32_t>(i));
    }
    // The dead writer's lock is gone with it, and its temporary file is cleared.
    reg::WriteString(Root::LocalMachine, key, "after", "yes");
    EXPECT_TRUE(TemporaryFiles().empty());
  }
}

TEST_F(RegistryFileTest, WaitingForTheWriteLockIsBounded) {
  reg::RegistryWriteLock held(path_);
  try {
    reg::RegistryWriteLock second(path_, 50);
    FAIL() << "expected RegistryError";
  } catch (const RegistryError& e) {
    EXPECT_NE(std::string(e.what()).find("stayed locked"), std::string::npos) << e.what();
  }
}

}  // namespace
