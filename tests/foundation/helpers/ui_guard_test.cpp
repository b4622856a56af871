// This program creates no QApplication: every user-interface entry point must
// refuse with a clear error instead of crashing.
#include "foundation/ui_guard.h"

#include <gtest/gtest.h>

#include <QWidget>
#include <string>

#include "foundation/message_form.h"
#include "foundation/required_customer_field.h"

namespace {

using foundation::UiUnavailableError;

TEST(UiGuard, WithoutAnApplicationEveryEntryPointRefuses) {
  EXPECT_FALSE(foundation::UiAvailableOnThisThread());
  try {
    foundation::DisplayMessage("Norvane", "hello");
    FAIL() << "DisplayMessage showed a window without a QApplication";
  } catch (const UiUnavailableError& e) {
    EXPECT_NE(std::string(e.what()).find("DisplayMessage"), std::string::npos) << e.what();
    EXPECT_NE(std::string(e.what()).find("QApplication"), std::string::npos) << e.what();
  }
  EXPECT_THROW(foundation::TRequiredCustomerField(nullptr, true), UiUnavailableError);
  EXPECT_THROW(foundation::TfrmDispMess form, UiUnavailableError);
}

}  // namespace
