// A QApplication for GoogleTest programs that show widgets: created before the
// first test and destroyed after the last. Header-only, so the scripted-user
// library itself does not depend on GoogleTest.
//
//   static const bool kQtApp = testsupport::InstallQtApplication();
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QByteArray>

namespace testsupport {

class QtApplicationEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    if (QCoreApplication::instance() == nullptr) app_ = new QApplication(argc_, argv_);
  }
  void TearDown() override {
    delete app_;
    app_ = nullptr;
  }

 private:
  int argc_ = 1;
  char name_[8] = "tests";
  char* argv_[2] = {name_, nullptr};
  QApplication* app_ = nullptr;
};

// Registers the environment once per program.
inline bool InstallQtApplication() {
  static const bool installed =
      (::testing::AddGlobalTestEnvironment(new QtApplicationEnvironment), true);
  return installed;
}

}  // namespace testsupport
