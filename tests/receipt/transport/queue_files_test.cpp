// Queue files: their names, their exact content, and that a queued request is
// never lost, never replaces another and never shows up half written.

#include "receipt/queue_files.h"

#include <gtest/gtest.h>
#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <QApplication>
#include <QLabel>
#include <QTimer>
#include <chrono>
#include <ctime>
#include <filesystem>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "common/app_log_capture.h"
#include "common/temp_folder.h"
#include "foundation/message_form.h"
#include "receipt/records.h"
#include "receipt_service/transport_fixture.h"

namespace {

namespace fs = std::filesystem;
using receipt::FTransControl;
using receipt::QueueFileName;
using receipt::QueueRequest;
using receipt::WriteQueueFile;
using testsupport::ReadFileText;

std::chrono::system_clock::time_point LocalTime(int y, int mo, int d, int h, int mi, int s,
                                                int ms) {
  std::tm t{};
  t.tm_year = y - 1900;
  t.tm_mon = mo - 1;
  t.tm_mday = d;
  t.tm_hour = h;
  t.tm_min = mi;
  t.tm_sec = s;
  t.tm_isdst = -1;
  return std::chrono::system_clock::from_time_t(std::mktime(&t)) + std::chrono::milliseconds(ms);
}

std::vector<fs::path> FilesIn(const fs::path& folder) {
  std::vector<fs::path> files;
  for (const auto& e : fs::directory_iterator(folder)) files.push_back(e.path());
  return files;
}

// The time part of a queue file name.
std::string StampOf(const std::string& name) {
  return name.substr(2, 17);
}

class QueueFilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = temp_.Path();
    queue_ = root_ / "VeskRcpts" / "Queue";
    receipt::ResetTransControl();
  }
  void TearDown() override { receipt::ResetTransControl(); }

  std::string AppLog() { return log_.Text(); }

  testsupport::TempFolder temp_{"norvane_queue"};
  testsupport::AppLogCapture log_{"Queue"};
  fs::path root_;
  fs::path queue_;
};

TEST(QueueFileName, HasTheTimeToTheMillisecondTheRandomPartAndTheNameSafeWorkstation) {
  const auto when = LocalTime(2024, 1, 31, 23, 59, 59, 123);
  const struct {
    int random;
    const char* workstation;
    const char* name;
  } cases[] = {
      {42, "3", "Q-20240131235959123_42_WS3.xml"},
      {0, "3", "Q-20240131235959123_0_WS3.xml"},
      {999, "12", "Q-20240131235959123_999_WS12.xml"},
      {5, "POS-2_b", "Q-20240131235959123_5_WSPOS-2_b.xml"},
      {5, "../../etc/x y\\z\xC3\xA9:*", "Q-20240131235959123_5_WSetcxyz.xml"},
      {5, "", "Q-20240131235959123_5_WS.xml"},
  };
  for (const auto& c : cases) EXPECT_EQ(QueueFileName(when, c.random, c.workstation), c.name);
  EXPECT_EQ(QueueFileName(LocalTime(2026, 3, 4, 5, 6, 7, 8), 1, "1"),
            "Q-20260304050607008_1_WS1.xml");
}

TEST_F(QueueFilesTest, QueuesTheRequestByteForByteWithALineEnd) {
  const std::string request =
      "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\r\n<a>caf\xC3\xA9 &amp; \x01 tab\t</a>";
  ASSERT_FALSE(fs::exists(queue_.parent_path())) << "the queue folder is made when missing";
  const auto before = std::chrono::system_clock::now();
  QueueRequest(queue_.string(), request, "3");
  const auto after = std::chrono::system_clock::now();

  EXPECT_TRUE(FTransControl.RequestQueued);
  const auto files = FilesIn(queue_);
  ASSERT_EQ(files.size(), 1u) << "nothing but the queue file is left";
  const std::string name = files[0].filename().string();
  EXPECT_TRUE(std::regex_match(name, std::regex(R"(Q-\d{17}_(0|[1-9]\d{0,2})_WS3\.xml)"))) << name;
  EXPECT_LE(StampOf(QueueFileName(before, 0, "")), StampOf(name));
  EXPECT_GE(StampOf(QueueFileName(after, 0, "")), StampOf(name));
  EXPECT_EQ(ReadFileText(files[0]), request + "\r\n");
  EXPECT_EQ(fs::status(files[0]).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write);
  EXPECT_NE(AppLog().find("Request queued in [ " + files[0].string() + " ]"), std::string::npos);
}

TEST_F(QueueFilesTest, ManyRequestsInTheSameMomentAreAllKept) {
  constexpr int kCount = 300;
  std::set<std::string> contents;
  for (int i = 0; i < kCount; ++i) {
    QueueRequest(queue_.string(), "<r>" + std::to_string(i) + "</r>", "9");
  }
  for (const auto& f : FilesIn(queue_)) contents.insert(ReadFileText(f));
  EXPECT_EQ(contents.size(), static_cast<size_t>(kCount)) << "no queued request was replaced";
}

TEST_F(QueueFilesTest, AClashWithAnExistingFileDrawsAnotherName) {
  fs::create_directories(queue_);
  const fs::path taken = queue_ / "Q-20240131235959123_5_WS1.xml";
  std::ofstream(taken, std::ios::binary) << "earlier";
  std::vector<std::string> names{"Q-20240131235959123_5_WS1.xml", "Q-20240131235959123_6_WS1.xml"};
  size_t drawn = 0;
  const std::string path =
      WriteQueueFile(queue_.string(), "later", [&] { return names.at(drawn++); });

  EXPECT_EQ(drawn, 2u);
  EXPECT_EQ(fs::path(path), queue_ / names[1]);
  EXPECT_EQ(ReadFileText(taken), "earlier");
  EXPECT_EQ(ReadFileText(path), "later");
  EXPECT_EQ(FilesIn(queue_).size(), 2u);
}

TEST_F(QueueFilesTest, GivesUpWhenEveryNameIsTakenAndLeavesNothingBehind) {
  fs::create_directories(queue_);
  std::ofstream(queue_ / "Q-1_1_WS1.xml") << "earlier";
  EXPECT_THROW(WriteQueueFile(queue_.string(), "later", [] { return "Q-1_1_WS1.xml"; }),
               receipt::EQueueWriteError);
  EXPECT_THROW(WriteQueueFile(queue_.string(), "later", [] { return "../escape.xml"; }),
               receipt::EQueueWriteError);
  const auto files = FilesIn(queue_);
  ASSERT_EQ(files.size(), 1u);
  EXPECT_EQ(ReadFileText(files[0]), "earlier");
  EXPECT_FALSE(fs::exists(root_ / "VeskRcpts" / "escape.xml"));
}

// Closes every message form that appears, remembering its text.
struct MessageFormAnswerer {
  MessageFormAnswerer() {
    QObject::connect(&watcher, &QTimer::timeout, [this] {
      if (auto* form = qobject_cast<foundation::TfrmDispMess*>(QApplication::activeModalWidget())) {
        shown.push_back(form->lblMess()->text());
        form->accept();
      }
    });
    watcher.start(20);
  }
  QTimer watcher;
  std::vector<QString> shown;
};

// Takes away, on this thread only, the capabilities that let a privileged
// user write into a folder without write permission.
class WithoutPermissionOverride {
 public:
  WithoutPermissionOverride() {
    header_.version = _LINUX_CAPABILITY_VERSION_3;
    header_.pid = 0;
    ok_ = ::syscall(SYS_capget, &header_, saved_) == 0;
    if (!ok_) return;
    __user_cap_data_struct reduced[2] = {saved_[0], saved_[1]};
    for (int cap : {CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH, CAP_FOWNER}) {
      reduced[0].effective &= ~(1u << cap);
    }
    ok_ = ::syscall(SYS_capset, &header_, reduced) == 0;
  }
  ~WithoutPermissionOverride() {
    if (ok_) ::syscall(SYS_capset, &header_, saved_);
  }
  bool ok() const { return ok_; }

 private:
  __user_cap_header_struct header_{};
  __user_cap_data_struct saved_[2]{};
  bool ok_ = false;
};

// Each failure shows its error once, queues nothing and leaves an earlier
// queued flag as it was.
TEST_F(QueueFilesTest, AReadOnlyFolderOrAFileInItsPlaceShowTheErrorAndQueueNothing) {
  fs::create_directories(queue_);
  fs::permissions(queue_, fs::perms::owner_read | fs::perms::owner_exec);
  MessageFormAnswerer answerer;
  {
    WithoutPermissionOverride restricted;
    ASSERT_TRUE(restricted.ok());
    QueueRequest(queue_.string(), "<r/>", "3");
  }
  EXPECT_FALSE(FTransControl.RequestQueued);
  ASSERT_EQ(answerer.shown.size(), 1u);
  EXPECT_TRUE(
      answerer.shown[0].startsWith("EQueueWriteError exception when queuing request: Cannot create "
                                   "a file in"))
      << answerer.shown[0].toStdString();
  EXPECT_TRUE(answerer.shown[0].endsWith("Permission denied")) << answerer.shown[0].toStdString();
  EXPECT_TRUE(FilesIn(queue_).empty());
  EXPECT_NE(AppLog().find("Queue Request Ex : Cannot create a file in"), std::string::npos);

  // A plain file where the folder should be: nothing can be created below it.
  const fs::path blocked = root_ / "blocked";
  std::ofstream(blocked) << "not a folder";
  FTransControl.RequestQueued = true;
  QueueRequest(blocked.string(), "<r/>", "3");
  EXPECT_TRUE(FTransControl.RequestQueued);
  EXPECT_EQ(answerer.shown.size(), 2u);
  EXPECT_EQ(ReadFileText(blocked), "not a folder");
}

}  // namespace
