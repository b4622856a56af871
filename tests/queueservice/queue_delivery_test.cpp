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

  RoundResult Round(const queueservice::StopRequested& stop = {},
                    const queueservice::DeliveryLimits& limits = {}) {
    queueservice::QueueLog log((root_ / "queue.log").string());
    log.SetLevel(9);
    return DeliverQueue(settings_, log, stop, limits);
  }

  fs::path Aside() const { return queueservice::SetAsideFolder(queue_.string()); }
  // The queue files set aside (the folder also keeps the failed-answer counts).
  std::set<std::string> SetAside() const {
    std::set<std::string> names = FileNames(Aside());
    std::erase_if(names,
                  [](const std::string& name) { return !queueservice::IsQueueFileName(name); });
    return names;
  }

  std::string Log() const { return testsupport::ReadFileText(root_ / "queue.log"); }

  fs::path queue_;
  queueservice::QueueSettings settings_;
};

TEST_F(QueueDeliveryTest, SendsOldestFirstRemovesWhatWasAcceptedSetsAsideWhatWasRejected) {
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
  const std::string rejected = testsupport::ReadFileText(queue_ / names["806"]);
  for (const auto& file : files) service_->Plan({.kind = file.second});

  const RoundResult first = Round();
  EXPECT_EQ(first.found, 8);
  EXPECT_EQ(first.sent, 2);
  EXPECT_EQ(first.setAside, 2);
  EXPECT_EQ(first.kept, 4);
  EXPECT_FALSE(first.unreachable);
  EXPECT_EQ(ReceivedNumbers(*service_),
            (std::vector<std::string>{"801", "802", "803", "804", "805", "806", "807", "808"}));
  std::set<std::string> left;
  for (const char* number : {"803", "804", "805", "807"}) left.insert(names[number]);
  EXPECT_EQ(FileNames(queue_), left);
  // A rejection of the request itself is set aside whole, not deleted.
  EXPECT_EQ(SetAside(), (std::set<std::string>{names["802"], names["806"]}));
  EXPECT_EQ(testsupport::ReadFileText(Aside() / names["806"]), rejected);
  // The service received the request as the sale would have posted it.
  const std::string wanted = queuetest::RequestNumbered("801");
  EXPECT_EQ(service_->Requests().front().body, wanted);

  const RoundResult second = Round();  // the service answers normally now
  EXPECT_EQ(second.found, 4);
  EXPECT_EQ(second.sent, 4);
  EXPECT_TRUE(FileNames(queue_).empty());
  EXPECT_EQ(service_->RequestCount(), 12u) << "the rejected files were posted once each";
  EXPECT_EQ(FileNames(Aside()).size(), 2u) << "nothing failing is left to count";
  const std::string log = Log();
  EXPECT_NE(log.find("Sent " + names["801"] + " (receipt 801), accepted and removed"),
            std::string::npos);
  EXPECT_NE(log.find("Kept " + names["803"] + " (receipt 803): HTTP 500"), std::string::npos);
  EXPECT_NE(log.find("Kept " + names["804"] + " (receipt 804): HTTP 200 without a receipt answer"),
            std::string::npos);
  EXPECT_NE(log.find("Set aside " + names["806"] + " (receipt 806) as " + Aside().string() + "/" +
                     names["806"] +
                     ": the service rejected it, exception MERCHANT_NOT_FOUND: The merchant "
                     "identifier is unknown"),
            std::string::npos)
      << log;
  EXPECT_NE(log.find("(receipt 802) as " + Aside().string() + "/" + names["802"] +
                     ": the service rejected it, exception RECEIPT_REJECTED: The receipt was "
                     "rejected"),
            std::string::npos);
  EXPECT_NE(log.find("8 queue file(s): 2 sent, 2 set aside, 4 kept"), std::string::npos);
  EXPECT_EQ(log.find("sendDigitalReceiptRequest"), std::string::npos) << "no request text logged";
}

// A file that meets failed answers round after round is set aside only once
// it has met their number and the first lies the period back; the count
// survives a restart (each round here is a new start), rounds without a
// response leave it as it is, and an accepted send ends it.
TEST_F(QueueDeliveryTest, FailedAnswersSetAFileAsideAfterTheirNumberAndPeriod) {
  auto clock = std::chrono::system_clock::now();
  const queueservice::DeliveryLimits limits{
      .failedAnswers = 3, .failedPeriod = std::chrono::hours(1), .now = [&] { return clock; }};
  const std::string failing = Queue(queue_, "841", std::chrono::seconds(20));
  const std::string mended = Queue(queue_, "842", std::chrono::seconds(10));
  auto round = [&](std::chrono::minutes later, std::vector<AnswerKind> answers) {
    clock += later;
    for (AnswerKind kind : answers) service_->Plan({.kind = kind});
    return Round({}, limits);
  };

  round(0min, {AnswerKind::ServerError, AnswerKind::NotFound});
  service_->RefuseConnections(true);
  EXPECT_TRUE(round(90min, {}).unreachable) << "no response counts for nothing";
  service_->RefuseConnections(false);
  round(1min, {AnswerKind::ServerError, AnswerKind::Normal});  // 842 delivered
  EXPECT_EQ(FileNames(queue_), std::set<std::string>{failing});
  RoundResult result = round(1min, {AnswerKind::ServerError});
  EXPECT_EQ(result.setAside, 1) << "three failed answers over 92 minutes";
  EXPECT_TRUE(FileNames(queue_).empty());
  EXPECT_EQ(FileNames(Aside()), std::set<std::string>{failing}) << "the count file is gone too";
  EXPECT_NE(Log().find("Set aside " + failing + " (receipt 841) as " + Aside().string() + "/" +
                       failing + ": HTTP 500"),
            std::string::npos);

  // Enough answers within the period: kept.
  const std::string again = Queue(queue_, "843");
  for (int i = 0; i < 4; ++i) round(10min, {AnswerKind::NotFound});
  EXPECT_EQ(FileNames(queue_), std::set<std::string>{again});
  EXPECT_NE(Log().find("(receipt 843): HTTP 404"), std::string::npos);
  EXPECT_NE(Log().find("(failed answer 4)"), std::string::npos);
  // Its name taken in the set-aside folder, a file is set aside beside it.
  fs::rename(queue_ / again, queue_ / failing);
  round(0min, {AnswerKind::ErrorStatus});
  const std::string second = failing.substr(0, failing.size() - 4) + "-2.xml";
  EXPECT_EQ(SetAside(), (std::set<std::string>{failing, second}));
}

// The service takes a request but answers after the client's time-out: the
// client keeps the file, counting the missing answer as a failed one, and the
// next round sends it again. The receipt arrives twice, and the service's
// records say which was answered late.
TEST_F(QueueDeliveryTest, AnAnswerAfterTheTimeOutSendsTheReceiptTwice) {
  foundation::MainPrefs.Timeout = 1;  // seconds
  const std::string name = Queue(queue_, "851");
  service_->Plan({.kind = AnswerKind::Stall, .stall = 1500ms});
  RoundResult round = Round();
  EXPECT_FALSE(round.unreachable) << "the request went out: the service is there";
  EXPECT_EQ(round.kept, 1);
  EXPECT_EQ(FileNames(queue_), std::set<std::string>{name});
  service_->FinishStalls(10s);  // the service answers, though nobody waits

  round = Round();
  EXPECT_EQ(round.sent, 1);
  EXPECT_EQ(ReceivedNumbers(*service_), (std::vector<std::string>{"851", "851"}));
  std::vector<receiptservice::ReceivedRequest> received = service_->Requests();
  service_->MarkAnsweredAfterStall(received);
  EXPECT_TRUE(received[0].answeredAfterStall) << "the service holds the first one as well";
  EXPECT_FALSE(received[1].answeredAfterStall);
  EXPECT_NE(
      Log().find("Kept " + name + " (receipt 851): no answer once the request had gone out ("),
      std::string::npos)
      << Log();
  EXPECT_NE(Log().find("(failed answer 1)"), std::string::npos);
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
  // However often and long the service gives no response, nothing is set aside.
  queueservice::DeliveryLimits limits;
  limits.failedAnswers = 1;
  limits.failedPeriod = std::chrono::seconds(0);

  service_->RefuseConnections(true);
  RoundResult round = Round({}, limits);
  EXPECT_TRUE(round.unreachable);
  EXPECT_EQ(round.sent, 0);
  EXPECT_EQ(round.kept, 3);
  service_->RefuseConnections(false);

  // A certificate the transport does not trust is no response either.
  service_->Plan({.kind = AnswerKind::UntrustedCertificate});
  round = Round({}, limits);
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
  // A writer that died in the middle of its write.
  write(".queue-stale1", request.substr(0, request.size() / 2),
        queueservice::kStaleTemporaryAge + 5min);
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
