// The host database data module over the stand-in client: logging on once
// with the built-in account, a refused logon, and the datasets' open and
// close rules.

#include <gtest/gtest.h>

#include <filesystem>

#include "common/app_log_capture.h"
#include "common/file_text.h"
#include "receipt/host_data_module.h"
#include "sales/staged_host.h"

namespace {

using receipt::TdQ;

// The account's password as the host database fixture holds it.
constexpr const char* kPassword = "plimsy";

class DataModuleTest : public ::testing::Test {
 protected:
  int Logons() {
    int logons = 0;
    for (const std::string& entry : host_.Journal()) logons += entry.rfind("SESSION BEGIN", 0) == 0;
    return logons;
  }

  testsupport::AppLogCapture log_{"data_module", 9, true};
  stagedhost::StagedHost host_{stagedhost::ReadScenario("extract_return.yaml")};
  TdQ& dq_ = receipt::EnsureDataModule();
};

TEST_F(DataModuleTest, ConnectLogsOnOnceWithTheBuiltInAccount) {
  EXPECT_EQ(&receipt::EnsureDataModule(), receipt::DataModule()) << "one process-wide module";
  EXPECT_TRUE(dq_.Connect());
  EXPECT_TRUE(dq_.Connect());
  EXPECT_EQ(Logons(), 1);
  EXPECT_EQ(dq_.os1.LogonDatabase(), "RPROODS");
  EXPECT_EQ(dq_.os1.LogonUsername(), "VESKDATA");
  EXPECT_FALSE(dq_.ds1.Optimize());
  EXPECT_FALSE(dq_.ds2.Optimize());
  EXPECT_FALSE(dq_.oq1.Optimize());

  receipt::FreeDataModule();
  EXPECT_EQ(receipt::DataModule(), nullptr);
  EXPECT_TRUE(oracle::OracleSessions().empty()) << "logged off and freed";
  receipt::FreeDataModule();  // nothing left to free
}

TEST_F(DataModuleTest, ARefusedLogonGivesFalseAndTheServersText) {
  host_.Database().LockReadAccount();
  EXPECT_FALSE(dq_.Connect());
  EXPECT_EQ(dq_.LastError().rfind("Logon Ex: ORA-28000", 0), 0u) << dq_.LastError();

  std::string written = log_.Text() + dq_.LastError();
  for (const std::string& entry : host_.Journal()) written += entry;
  for (const auto& file : std::filesystem::recursive_directory_iterator(host_.Folder())) {
    if (!file.is_regular_file() || file.path().filename() == "host.sqlite") continue;
    written += testsupport::ReadFileText(file.path());
  }
  EXPECT_EQ(written.find(kPassword), std::string::npos);
}

TEST_F(DataModuleTest, DatasetsOpenOnRowsAndCloseOtherwise) {
  ASSERT_TRUE(dq_.Connect());
  int closes = 0;
  dq_.ds1.AfterClose = [&](dataset::TDataSet&) { ++closes; };

  EXPECT_TRUE(dq_.OpenDS1("select vend_name from vendor_v where sbs_no = :sbs order by vend_name",
                          {{"sbs", "1"}}));
  EXPECT_EQ(dq_.ds1.FieldByName("vend_name").AsString(), "Acme Outdoor") << "on the first row";
  EXPECT_TRUE(dq_.OpenDS1("select vend_name from vendor_v where sbs_no = :sbs", {{"sbs", "2"}}));
  EXPECT_EQ(closes, 1) << "the first result was closed";
  EXPECT_EQ(dq_.ds1.FieldByName("vend_name").AsString(), "Acme Outlet");

  const int prepares = host_.Prepares();
  EXPECT_FALSE(dq_.OpenDS1("select vend_name from vendor_v where sbs_no = :sbs", {{"sbs", "9"}}));
  EXPECT_FALSE(dq_.ds1.Active()) << "an empty result is closed";
  EXPECT_EQ(host_.Prepares(), prepares) << "a statement run before is not compiled again";

  host_.ClearJournal();
  EXPECT_TRUE(dq_.OpenDS2("select count(*) as n from vendor_v where :v is null", {{"v", ""}}));
  EXPECT_EQ(host_.Journal().back(), "select count(*) as n from vendor_v where :v is null [V=NULL]")
      << "an empty value binds NULL";
  EXPECT_THROW(dq_.OpenDS2("select nothing from nowhere"), std::exception);
}

}  // namespace
