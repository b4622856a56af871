#include <pugixml.hpp>

#include <QLabel>
#include <cstdlib>
#include <set>

#include "common/certificate_environment.h"
#include "dialogs/test_dialog.h"
#include "dialogs/test_receipt.h"
#include "platform/com/com_object.h"
#include "plugins/digital_receipt_processor.h"
#include "plugins/vk9_configure.h"
#include "receipt/https_transport.h"
#include "receipt/soap_messages.h"
#include "receipt_service.h"
#include "setup_fixture.h"

#ifdef STANDIN_ORACLE_HOME

namespace setuptest {
namespace {

using testsupport::ScriptedUser;

const auto* const kCertificates = testsupport::AddCertificateEnvironment("norvane_setup_tls");

constexpr const char* kMerchant = "M&<1";
constexpr const char* kEmail = "a&b<c@shop.example";

class TestReceiptTest : public SetupDialogTest {
 protected:
  void SetUp() override {
    SetupDialogTest::SetUp();
    service_ = std::make_unique<receiptservice::ReceiptService>(kCertificates->Certificates());
    service_->Start();
    ::setenv(receipt::kCaBundleEnvironment, kCertificates->Certificates().caCert.c_str(), 1);
  }
  void TearDown() override {
    service_->Stop();
    ::unsetenv(receipt::kCaBundleEnvironment);
    SetupDialogTest::TearDown();
  }

  // Settings naming the service, `kMerchant` and `queueFolder`.
  void WriteSettings(const fs::path& queueFolder) {
    Write(MainIni(), "[MAIN]\nURLType=T\nTestURL=" + service_->Url() + "\nMerchID=" + kMerchant +
                         "\nTimeout=10\n[QUEUESERVICE]\nDirectory=" + queueFolder.string() + "\n");
  }

  // The queue files of the test workstation in `folder`.
  static std::vector<fs::path> QueueFiles(const fs::path& folder) {
    std::vector<fs::path> files;
    if (!fs::is_directory(folder)) return files;
    for (const auto& entry : fs::directory_iterator(folder)) {
      if (entry.path().filename().string().ends_with("_WS4.xml")) files.push_back(entry.path());
    }
    return files;
  }

  std::unique_ptr<receiptservice::ReceiptService> service_;
};

// Checks that the message form's text contains `part`.
std::function<QString(QDialog&)> MessageContains(QString part) {
  return [part](QDialog& dialog) {
    const QString shown = dialog.findChild<QLabel*>("lblMess")->text();
    return shown.contains(part) ? QString() : QString("the message reads \"%1\"").arg(shown);
  };
}

// Two queued tests: each file holds a request that parses, with the escaped
// insertions and its own receipt number in 1000000..1000999.
TEST_F(TestReceiptTest, TwoQueuedTestsDrawTwoReceiptNumbers) {
  const fs::path queue = root_ / "Queue";
  WriteSettings(queue);
  ScriptedUser user;
  user.WaitForDialog("TfrmMainSetup").Tick("cbTurnOnReceiptQueuingService");
  for (int i = 0; i < 2; ++i) {
    user.Press("btnTest")
        .WaitForDialog("TfrmTestDialog")
        .Fill("edtEmail", kEmail)
        .Press("btnOk")
        .WaitForDialog("TfrmDispMess")
        .Check(MessageContains("Test receipt queued"))
        .Press("btnOK")
        .WaitForDialog("TfrmMainSetup");
  }
  user.CloseBox().WaitForClose();
  RunSetup(user);

  EXPECT_EQ(service_->RequestCount(), 0u);
  const std::vector<fs::path> files = QueueFiles(queue);
  ASSERT_EQ(files.size(), 2u);
  std::set<std::string> numbers;
  for (const fs::path& file : files) {
    const std::string request = Read(file);
    EXPECT_NE(request.find("a&amp;b&lt;c@shop.example"), std::string::npos);
    pugi::xml_document document;
    ASSERT_TRUE(document.load_string(request.c_str())) << request;
    const pugi::xml_node envelope = document.first_child();
    EXPECT_EQ(envelope.attribute("xmlns:v2").value(),
              std::string(receipt::kServiceNamespace) + "/" + kMerchant);
    const std::string number = envelope.select_node("//ReceiptNumber").node().text().get();
    EXPECT_GE(std::stoi(number), 1000000);
    EXPECT_LE(std::stoi(number), 1000999);
    numbers.insert(number);
  }
  // A repeat is possible but unlikely enough (1 in 1000) to be worth telling
  // apart from a fixed number.
  EXPECT_EQ(numbers.size(), 2u) << "both test receipts carry " << *numbers.begin();
}

TEST(TestDialog, AcceptsAddressesByItsOwnRule) {
  const std::pair<const char*, bool> addresses[] = {{"jo@shop.example", true},
                                                    {"j@s.co", true},
                                                    {"", false},
                                                    {"@a.bc", false},
                                                    {"jo@a.", false},
                                                    {"jo@ab", false},
                                                    {"jo.x@shop.example", false},
                                                    {"jo@shop", false},
                                                    {"jo@s.c", true},
                                                    {"jo@sc", false}};
  for (const auto& [address, accepted] : addresses) {
    EXPECT_EQ(dialogs::AcceptTestEmail(address), accepted) << address;
  }
}

TEST_F(SetupDialogTest, ConfigureAllOpensTheSetupDialogAndShowsItsErrors) {
  auto plugin = MakeComObject<plugins::Tvk9Configure>();
  plugin->Initialize();
  ScriptedUser user;
  user.WaitForDialog("TfrmMainSetup").CloseBox().WaitForClose();
  user.Start();
  // Once the dialog closed, the receipt roads read the files again.
  plugins::ConfigurationChecked = true;
  EXPECT_EQ(plugin->ConfigureAll(), S_OK);
  EXPECT_TRUE(user.Finish()) << user.Failure().toStdString();
  EXPECT_FALSE(plugins::ConfigurationChecked);

  // A settings file that cannot be read stops the dialog with a message.
  fs::create_directories(MainIni());
  ScriptedUser failing;
  failing.WaitForDialog("TfrmDispMess")
      .Check(MessageContains("ConfigureAll: "))
      .Press("btnOK")
      .WaitForClose();
  failing.Start();
  plugins::ConfigurationChecked = true;
  EXPECT_EQ(plugin->ConfigureAll(), S_OK);
  EXPECT_TRUE(failing.Finish()) << failing.Failure().toStdString();
  EXPECT_FALSE(plugins::ConfigurationChecked);
  EXPECT_EQ(plugin->ConfigureReserved(1), S_OK);
}

}  // namespace
}  // namespace setuptest

#endif  // STANDIN_ORACLE_HOME
