#include "queue_delivery.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <set>
#include <vector>

#include "queue_files_support.h"
#include "queue_settings.h"
#include "receipt_service/transport_fixture.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using queueservice::DeliverQueue;
using queueservice::RoundResult;
using queuetest::FileNames;
using queuetest::Queue;
using queuetest::ReceivedNumbers;
using receiptservice::AnswerKind;

TEST(QueueServiceNames, TellsQueueFilesFromWritesInProgress) {
  const struct {
    const char* name;
    bool queueFile;
    bool temporary;
  } cases[] = {
      {"Q-20240131235959123_42_WS3.xml", true, false},
      {"Q-x.xml", true, false},
      {".queue-Ab12Cd", false, true},
      {".queue-Ab12Cd.xml", false, true},
      {".Q-1.xml", false, false},
      {"q-1.xml", false, false},
      {"Q-1.xml.bak", false, false},
      {"Q-.xml", false, false},
      {"notes.txt", false, false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(queueservice::IsQueueFileName(c.name), c.queueFile) << c.name;
    EXPECT_EQ(queueservice::IsQueueTemporaryName(c.name), c.temporary) << c.name;
  }
  EXPECT_EQ(queueservice::RequestOfQueueFile("<a/>\r\n"), "<a/>");
  EXPECT_EQ(queueservice::RequestOfQueueFile("<a/>\n"), "<a/>");
  EXPECT_EQ(queueservice::RequestOfQueueFile("<a/>\r\n\r\n"), "<a/>\r\n") << "one line break only";
  EXPECT_EQ(queueservice::RequestOfQueueFile("<a/>"), "<a/>");
}

class QueueDeliveryTest : public transporttest::TransportFixture {
 protected:
  void SetUp() override {
    TransportFixture::SetUp();
    queue_ = root_ / "VeskRcpts" / "Queue";
    fs::create_directories(queue_);
    settings_.directory = queue_.string();
    settings_.url = service_->Url();
  }

  RoundResult Round(const queueservice::StopRequested& stop = {}) {
    queueservice::QueueLog log((root_ / "queue.log").string());
    log.SetLevel(9);
    return DeliverQueue(settings_, log, stop);
  }

  std::string Log() const { return testsupport::ReadFileText(root_ / "queue.log"); }

  fs::path queue_;
  queueservice::QueueSettings settings_;
};

TEST_F(QueueDeliveryTest, SendsOldestFirstAndRemovesOnlyWhatTheServiceAccepted) {
  // Written youngest first, so that the names run against the ages: the
  // order is the files' age, not their names.
  const std::vector<std::pair<std::string, AnswerKind>> files = {
      {"801", AnswerKind::Normal},      {"802", AnswerKind::ErrorStatus},
      {"803", AnswerKind::ServerError}, {"804", AnswerKind::Garbage},
      {"805", AnswerKind::NotFound},    {"806", AnswerKind::MerchantNotFound},
      {"807", AnswerKind::Redirect},    {"808", AnswerKind::Normal}};
  std::map<std::string, std::string> names;
  for (size_t i = files.size(); i-- > 0;) {
    names[files[i].first] = Queue(queue_, files[i].first, std::chrono::seconds(100 - 10 * i));
  }
  ASSERT_GT(names["801"], names["808"]);
  for (const auto& file : files) service_->Plan({.kind = file.second});

  const RoundResult first = Round();
  EXPECT_EQ(first.found, 8);
  EXPECT_EQ(first.sent, 2);
  EXPECT_EQ(first.kept, 6);
  EXPECT_FALSE(first.unreachable);
  EXPECT_EQ(ReceivedNumbers(*service_),
            (std::vector<std::string>{"801", "802", "803", "804", "805", "806", "807", "808"}));
  std::set<std::string> left;
  for (const char* number : {"802", "803", "804", "805", "806", "807"}) left.insert(names[number]);
  EXPECT_EQ(FileNames(queue_), left);
  // The service received the request as the sale would have posted it.
  const std::string wanted = queuetest::RequestNumbered("801");
  EXPECT_EQ(service_->Requests().front().body, wanted);

  const RoundResult second = Round();  // the service answers normally now
  EXPECT_EQ(second.found, 6);
  EXPECT_EQ(second.sent, 6);
  EXPECT_TRUE(FileNames(queue_).empty());
  const std::string log = Log();
  EXPECT_NE(log.find("Sent " + names["801"] + " (receipt 801), accepted and removed"),
            std::string::npos);
  EXPECT_NE(log.find("Kept " + names["803"] + " (receipt 803): HTTP 500"), std::string::npos);
  EXPECT_NE(log.find("Kept " + names["802"] + " (receipt 802): the service did not process it"),
            std::string::npos);
  EXPECT_EQ(log.find("sendDigitalReceiptRequest"), std::string::npos) << "no request text logged";
}

// A confirmation in another well-formed form is a confirmation; a redirect
// or a 400 is not, and the file stays with the status in the log.
TEST_F(QueueDeliveryTest, AReformattedConfirmationRemovesTheFileARedirectOrA400KeepsIt) {
  const std::string redirected = Queue(queue_, "821", std::chrono::seconds(30));
  const std::string refused = Queue(queue_, "822", std::chrono::seconds(20));
  const std::string confirmed = Queue(queue_, "823", std::chrono::seconds(10));
  service_->Plan({.kind = AnswerKind::Redirect});
  service_->Plan({.kind = AnswerKind::BadRequest});
  service_->Plan({.kind = AnswerKind::Reformatted});

  const RoundResult round = Round();
  EXPECT_EQ(round.sent, 1);
  EXPECT_EQ(round.kept, 2);
  EXPECT_FALSE(round.unreachable) << "an answer came";
  EXPECT_EQ(FileNames(queue_), (std::set<std::string>{redirected, refused}));
  const std::string log = Log();
  EXPECT_NE(log.find("Kept " + redirected + " (receipt 821): HTTP 302, HTTP/1.1 302 Found"),
            std::string::npos)
      << log;
  EXPECT_NE(log.find("Kept " + refused + " (receipt 822): HTTP 400, HTTP/1.1 400 Bad Request"),
            std::string::npos)
      << log;
  EXPECT_NE(log.find("Sent " + confirmed + " (receipt 823), accepted and removed"),
            std::string::npos);
}

TEST_F(QueueDeliveryTest, NoResponseEndsTheRoundAndKeepsEveryFile) {
  for (const char* number : {"811", "812", "813"}) Queue(queue_, number);
  const std::set<std::string> queued = FileNames(queue_);

  service_->RefuseConnections(true);
  RoundResult round = Round();
  EXPECT_TRUE(round.unreachable);
  EXPECT_EQ(round.sent, 0);
  EXPECT_EQ(round.kept, 3);
  service_->RefuseConnections(false);

  // A certificate the transport does not trust is no response either.
  service_->Plan({.kind = AnswerKind::UntrustedCertificate});
  round = Round();
  EXPECT_TRUE(round.unreachable);
  EXPECT_EQ(round.kept, 3);
  EXPECT_NE(receipt::LastCommError.find("SSL"), std::string::npos) << receipt::LastCommError;
  EXPECT_EQ(service_->RequestCount(), 0u);
  EXPECT_EQ(FileNames(queue_), queued);

  settings_.url.clear();
  round = Round();
  EXPECT_EQ(round.kept, 3);
  EXPECT_NE(Log().find("No service address in the settings: 3 queue file(s) kept"),
            std::string::npos);
  EXPECT_EQ(FileNames(queue_), queued);
}

TEST_F(QueueDeliveryTest, PassesOverWritesInProgressAndRemovesOnlyStaleOnes) {
  const std::string sent = Queue(queue_, "821");
  auto write = [&](const std::string& name, const std::string& text,
                   std::chrono::minutes age = 0min) {
    std::ofstream(queue_ / name) << text;
    fs::last_write_time(queue_ / name, fs::file_time_type::clock::now() - age);
  };
  const std::string request = queuetest::RequestNumbered("822") + "\r\n";
  write(".queue-fresh1", request, queueservice::kStaleTemporaryAge - 5min);
  write(".queue-stale1", request, queueservice::kStaleTemporaryAge + 5min);
  write(".hidden.xml", request, 600min);
  write("notes.txt", request);
  write("Q-not-a-request.xml", "<a/>\r\n");
  fs::create_directory(queue_ / "Q-folder.xml");

  const RoundResult round = Round();
  EXPECT_EQ(round.temporariesRemoved, 1);
  EXPECT_EQ(round.found, 2);
  EXPECT_EQ(round.sent, 1);
  EXPECT_EQ(ReceivedNumbers(*service_), std::vector<std::string>{"821"});
  EXPECT_EQ(FileNames(queue_), (std::set<std::string>{".queue-fresh1", ".hidden.xml", "notes.txt",
                                                      "Q-not-a-request.xml", "Q-folder.xml"}));
  EXPECT_NE(Log().find("Kept Q-not-a-request.xml: it holds no receipt request"), std::string::npos);
}

TEST_F(QueueDeliveryTest, OneServicePerFolderAndAStopBetweenFiles) {
  for (const char* number : {"831", "832", "833"}) Queue(queue_, number);

  // Another queue service holds the folder: this one sends nothing.
  const int held = ::open(queue_.c_str(), O_RDONLY | O_DIRECTORY);
  ASSERT_EQ(::flock(held, LOCK_EX), 0);
  RoundResult round = Round();
  EXPECT_TRUE(round.busy);
  EXPECT_EQ(service_->RequestCount(), 0u);
  ::close(held);

  // A stop asked for is taken between two files, never inside one.
  int asked = 0;
  round = Round([&] { return ++asked > 1; });
  EXPECT_EQ(round.sent, 1);
  EXPECT_EQ(round.kept, 2);
  EXPECT_EQ(ReceivedNumbers(*service_), std::vector<std::string>{"831"});
}

TEST_F(QueueDeliveryTest, SettingsAreThePluginsOwn) {
  const fs::path settings = root_ / "VeskRcpts";
  const struct {
    const char* lines;
    bool enabled;
    int interval;
    int level;
    std::string directory;
  } cases[] = {
      {"", true, 30, 1, (settings / "Queue").string()},
      {"Enabled=0\nInterval=5\nLogLevel=3\n", false, 5, 3, (settings / "Queue").string()},
      {"Interval=0\nDirectory=/var/spool/receipts\n", true, 30, 1, "/var/spool/receipts"},
  };
  for (const auto& c : cases) {
    queuetest::WriteSettings(settings, "https://a.example/ws", c.lines);
    const queueservice::QueueSettings read = queueservice::ReadQueueSettings(settings.string());
    EXPECT_EQ(read.enabled, c.enabled) << c.lines;
    EXPECT_EQ(read.intervalSeconds, c.interval) << c.lines;
    EXPECT_EQ(read.logLevel, c.level) << c.lines;
    EXPECT_EQ(read.directory, c.directory) << c.lines;
    EXPECT_EQ(read.url, "https://a.example/ws");
    EXPECT_EQ(foundation::MainPrefs.Timeout, 5) << "the plug-in's send time-out";
  }
  EXPECT_THROW(queueservice::ReadQueueSettings((root_ / "missing").string()), std::runtime_error);
}

}  // namespace
