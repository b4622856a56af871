// The progress window stands while the register waits for the service and is
// gone once the exchange is over (after a failed one too: see the exchange
// rules).

#include <gtest/gtest.h>

#include <QLabel>
#include <QTimer>
#include <chrono>
#include <string>

#include "receipt/progress/screens.h"
#include "receipt/progress_window.h"
#include "receipt/records.h"
#include "receipt/sale_workflow.h"
#include "workflow_fixture.h"

namespace {

using namespace std::chrono_literals;
using receiptservice::AnswerKind;
using workflowtest::WorkflowFixture;

class ProgressDuringExchangeTest : public WorkflowFixture {
 protected:
  // Watches the progress window from the user-interface thread while the
  // exchange runs; the transport lets timers run while it waits.
  void Watch() {
    probe_.setInterval(10);
    QObject::connect(&probe_, &QTimer::timeout, [this] {
      receipt::TfrmNM* window = receipt::CurrentProgressWindow();
      if (window == nullptr || !window->isVisible()) return;
      if (service_->StallsInProgress() == 0) return;  // not yet at the service
      seenWhileWaiting_ = true;
      text_ = window->Label1()->text().toStdString();
      caption_ = window->windowTitle().toStdString();
      if (!grabbed_)
        grabbed_ =
            window->grab().save(progresstest::ScreenshotPath("progress_during_exchange.png"));
    });
    probe_.start();
  }

  QTimer probe_;
  bool seenWhileWaiting_ = false;
  bool grabbed_ = false;
  std::string text_;
  std::string caption_;
};

TEST_F(ProgressDuringExchangeTest, VisibleWhileTheServiceIsAnsweringAndClosedAfter) {
  service_->Plan({.kind = AnswerKind::Stall, .stall = 600ms});
  Watch();

  receipt::AuthBillToCustomer();
  probe_.stop();

  EXPECT_TRUE(seenWhileWaiting_);
  EXPECT_TRUE(grabbed_);
  EXPECT_EQ(caption_, "Norvane");
  EXPECT_EQ(text_, "Transmitting Customer Information...");
  EXPECT_EQ(receipt::CurrentProgressWindow(), nullptr);
  EXPECT_EQ(receipt::FTransControl.HTTPCode, 200) << "the stalled answer did come";
}

}  // namespace
