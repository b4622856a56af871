// Some file systems cannot rename without replacing (a network share among
// them): the kernel refuses such a rename with EINVAL, whatever the names.
// The queue writer knows them and publishes with a hard link there; the
// queue service runs on the same folder. Here the queue-service program runs
// under a system-call filter that gives every rename-without-replacing the
// answer those file systems give, and nothing else changes:
//  - a file the service rejects is still set aside and posted no more (else
//    it goes out at every round for ever);
//  - a whole request a writer died before publishing is still published and
//    delivered once (else it lies in its temporary file for ever).

#include <fcntl.h>
#include <linux/audit.h>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstdlib>
#include <fstream>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "queue_delivery.h"
#include "queue_files_support.h"
#include "receipt/queue_files.h"
#include "receipt_service/transport_fixture.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using queuetest::FileNames;
using queuetest::Queue;
using queuetest::ReceivedNumbers;
using receiptservice::AnswerKind;

constexpr unsigned kRenameNoReplace = 1;  // RENAME_NOREPLACE

class RenameWithoutNoReplaceTest : public transporttest::TransportFixture {
 protected:
  void SetUp() override {
    TransportFixture::SetUp();
    settings_ = root_ / "VeskRcpts";
    queue_ = settings_ / "Queue";
    queuetest::WriteSettings(settings_, service_->Url());
  }

  // Makes every renameat2 with RENAME_NOREPLACE of the calling thread (and
  // of what it runs) fail with EINVAL as on such a file system; false when
  // the filter cannot be installed.
  static bool RefuseRenameWithoutReplacing() {
    sock_filter filter[] = {
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, arch)),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, AUDIT_ARCH_X86_64, 1, 0),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, __NR_renameat2, 0, 3),
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, args[4])),
        BPF_JUMP(BPF_JMP | BPF_JSET | BPF_K, kRenameNoReplace, 0, 1),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ERRNO | EINVAL),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
    };
    sock_fprog program{static_cast<unsigned short>(std::size(filter)), filter};
    return ::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) == 0 &&
           ::prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &program) == 0;
  }

  // One round of the program on such a file system. The exit status.
  int RunOnceOnSuchAFileSystem() {
    std::vector<std::string> words = {QUEUE_SERVICE_PROGRAM, "--once", "--settings",
                                      settings_.string(),    "--log",  LogFile()};
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);
    const pid_t pid = ::fork();
    if (pid == 0) {
      if (!RefuseRenameWithoutReplacing()) ::_exit(120);
      ::execv(QUEUE_SERVICE_PROGRAM, argv.data());
      ::_exit(121);
    }
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  }

  // Dates a file `age` back, its access time too: the mirror passes over a
  // change of the modification time alone (one that leaves the access time
  // as it is).
  static void SetTimes(const fs::path& file, std::chrono::seconds age) {
    timespec times[2];
    ::clock_gettime(CLOCK_REALTIME, &times[0]);
    times[0].tv_sec -= age.count();
    times[1] = times[0];
    ASSERT_EQ(::utimensat(AT_FDCWD, file.c_str(), times, 0), 0) << file;
  }

  std::string LogFile() const { return (root_ / "queue-service.log").string(); }
  std::string Log() const { return testsupport::ReadFileText(LogFile()); }

  // The queue files set aside, in either place.
  std::vector<std::string> SetAside() const {
    std::vector<std::string> names;
    for (const std::string& folder : {queueservice::SetAsideFolder(queue_.string()),
                                      queueservice::InnerSetAsideFolder(queue_.string())}) {
      if (!fs::exists(folder)) continue;
      for (const std::string& name : FileNames(folder)) {
        if (queueservice::IsQueueFileName(name)) names.push_back(name);
      }
    }
    return names;
  }

  fs::path settings_;
  fs::path queue_;
};

TEST_F(RenameWithoutNoReplaceTest, ARejectedFileIsSetAsideAndPostedNoMore) {
  const std::string rejected = Queue(queue_, "941");
  service_->SetDefaultAnswer({.kind = AnswerKind::MerchantNotFound});
  for (int round = 0; round < 3; ++round) ASSERT_EQ(RunOnceOnSuchAFileSystem(), 0);
  EXPECT_EQ(ReceivedNumbers(*service_), std::vector<std::string>{"941"})
      << "a rejected file posted at every round\n"
      << Log();
  EXPECT_EQ(SetAside(), std::vector<std::string>{rejected});
}

TEST_F(RenameWithoutNoReplaceTest, AWholeRequestADeadWriterLeftIsDeliveredOnce) {
  fs::create_directories(queue_);
  std::ofstream(queue_ / ".queue-dead01", std::ios::binary)
      << queuetest::RequestNumbered("942") << "\r\n";
  fs::last_write_time(queue_ / ".queue-dead01",
                      fs::file_time_type::clock::now() - queueservice::kStaleTemporaryAge - 5min);
  for (int round = 0; round < 3; ++round) ASSERT_EQ(RunOnceOnSuchAFileSystem(), 0);
  EXPECT_EQ(ReceivedNumbers(*service_), std::vector<std::string>{"942"})
      << "the whole request is never published\n"
      << Log();
  EXPECT_TRUE(FileNames(queue_).empty()) << Log();
}

// The queue writer publishes there by a hard link, as the queue service
// moves files: never over a file of the same name, and no temporary left.
TEST_F(RenameWithoutNoReplaceTest, TheQueueWriterPublishesWithoutReplacingAndLeavesNoTemporary) {
  fs::create_directories(queue_);
  std::vector<std::string> names = {"Q-1_1_WS3.xml", "Q-1_1_WS3.xml", "Q-1_2_WS3.xml"};
  size_t drawn = 0;
  std::vector<std::string> published;
  std::string failure;
  // The filter holds for the thread that installs it, and only for it.
  std::thread writer([&] {
    if (!RefuseRenameWithoutReplacing()) {
      failure = "the filter cannot be installed";
      return;
    }
    try {
      for (const char* request : {"first\r\n", "second\r\n"}) {
        published.push_back(
            receipt::WriteQueueFile(queue_.string(), request, [&] { return names.at(drawn++); }));
      }
    } catch (const std::exception& error) {
      failure = error.what();
    }
  });
  writer.join();
  ASSERT_EQ(failure, "");
  EXPECT_EQ(published,
            (std::vector<std::string>{(queue_ / names[0]).string(), (queue_ / names[2]).string()}));
  EXPECT_EQ(FileNames(queue_), (std::set<std::string>{names[0], names[2]}));
  EXPECT_EQ(testsupport::ReadFileText(queue_ / names[0]), "first\r\n");
  EXPECT_EQ(testsupport::ReadFileText(queue_ / names[2]), "second\r\n");
  EXPECT_EQ(fs::hard_link_count(queue_ / names[2]), 1u);
}

// There a file is set aside by a hard link and the removal of its queue
// name; a round that dies between the two leaves it under both names. The
// next round finishes the move and does not post it again, wherever it was
// being set aside.
TEST_F(RenameWithoutNoReplaceTest, AFileWhoseSettingAsideWasCutShortIsNotPostedAgain) {
  for (const std::string& aside : {queueservice::SetAsideFolder(queue_.string()),
                                   queueservice::InnerSetAsideFolder(queue_.string())}) {
    SCOPED_TRACE(aside);
    service_->TakeRequests();
    const std::string file = Queue(queue_, "945");
    fs::create_directories(aside);
    fs::create_hard_link(queue_ / file, fs::path(aside) / file);
    ASSERT_EQ(RunOnceOnSuchAFileSystem(), 0);
    EXPECT_TRUE(ReceivedNumbers(*service_).empty()) << Log();
    EXPECT_FALSE(fs::exists(queue_ / file)) << Log();
    EXPECT_EQ(SetAside(), std::vector<std::string>{file});
    EXPECT_NE(Log().find("Set aside " + file + " as " + aside + "/" + file), std::string::npos)
        << Log();
    fs::remove_all(aside);
  }
}

// The same on a real file system that refuses it: a FUSE mirror of the
// settings folder (bindfs), where it is installed.
TEST_F(RenameWithoutNoReplaceTest, OnAFuseMirrorARejectedFileIsSetAsideAndAWholeRequestDelivered) {
  const char* const kMirror = "/usr/bin/bindfs";
  if (!fs::exists(kMirror) || ::geteuid() != 0) GTEST_SKIP() << "needs bindfs and the superuser";
  const fs::path real = root_ / "real";
  fs::rename(settings_, real);
  fs::create_directories(settings_);
  if (std::system(
          (std::string(kMirror) + " " + real.string() + " " + settings_.string()).c_str()) != 0) {
    GTEST_SKIP() << "no FUSE file system can be mounted here (/dev/fuse missing?)";
  }
  struct Unmount {
    fs::path at;
    ~Unmount() { std::system(("umount " + at.string()).c_str()); }
  } unmount{settings_};

  const std::string rejected = Queue(queue_, "943");
  std::ofstream(queue_ / ".queue-dead02", std::ios::binary)
      << queuetest::RequestNumbered("944") << "\r\n";
  // The queue file is the older, so it meets the rejection planned for the
  // first post of each round.
  SetTimes(queue_ / rejected, queueservice::kStaleTemporaryAge + 10min);
  SetTimes(queue_ / ".queue-dead02", queueservice::kStaleTemporaryAge + 5min);
  service_->Plan({.kind = AnswerKind::MerchantNotFound});
  for (int round = 0; round < 3; ++round) {
    std::vector<std::string> words = {QUEUE_SERVICE_PROGRAM, "--once", "--settings",
                                      settings_.string(),    "--log",  LogFile()};
    std::string line;
    for (const std::string& word : words) line += word + " ";
    ASSERT_EQ(std::system(line.c_str()), 0);
    service_->Plan({.kind = AnswerKind::MerchantNotFound});
  }
  const std::vector<std::string> received = ReceivedNumbers(*service_);
  EXPECT_EQ(std::count(received.begin(), received.end(), "943"), 1)
      << "a rejected file posted at every round\n"
      << Log();
  EXPECT_EQ(std::count(received.begin(), received.end(), "944"), 1)
      << "the whole request is never published\n"
      << Log();
  EXPECT_EQ(SetAside(), std::vector<std::string>{rejected});
}

}  // namespace
