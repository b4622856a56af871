// The receipt plug-ins' clean-up logs the shared host database session off
// and frees the data module, whichever plug-in the host cleans up first.

#include <gtest/gtest.h>

#include "plugins/vk9_email_sb.h"
#include "plugins/vk9_rcpt_on_update.h"
#include "plugins/vk9_so_dep_on_update.h"
#include "plugins/vk9_sosb.h"
#include "receipt/host_data_module.h"
#include "sales/staged_host.h"

namespace {

template <class Plugin>
void CleanUpAfterAConnection(stagedhost::StagedHost& host, bool connect) {
  ComPtr<Plugin> plugin = MakeComObject<Plugin>();
  plugin->Initialize();
  SCOPED_TRACE(plugin->ClassName());
  ASSERT_EQ(plugin->Set_Adapter(&host.Adapter()), S_OK);
  receipt::TdQ& dq = receipt::EnsureDataModule();
  if (connect) {
    ASSERT_TRUE(dq.Connect());
  }
  ASSERT_EQ(oracle::OracleSessions().size(), 1u);

  EXPECT_EQ(plugin->CleanUp(), S_OK);
  EXPECT_EQ(receipt::DataModule(), nullptr);
  EXPECT_TRUE(oracle::OracleSessions().empty());
  EXPECT_EQ(plugin->CleanUp(), S_OK) << "a second clean-up is harmless";
}

TEST(PluginCleanUp, EveryReceiptPluginLogsTheSessionOffAndFreesTheModule) {
  stagedhost::StagedHost host(stagedhost::ReadScenario("extract_return.yaml"));
  for (bool connect : {true, false}) {
    CleanUpAfterAConnection<plugins::Tvk9RcptOnUpdate>(host, connect);
    CleanUpAfterAConnection<plugins::Tvk9EmailSB>(host, connect);
    CleanUpAfterAConnection<plugins::Tvk9SOSB>(host, connect);
    CleanUpAfterAConnection<plugins::Tvk9SODepOnUpdate>(host, connect);
  }
}

}  // namespace
