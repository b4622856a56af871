// The host process runs a Qt application before it loads the library, as
// pos-host does; the in-process end-to-end tests do the same, so the library
// finds the toolkit already loaded and unloading it leaves the toolkit alone.

#include <gtest/gtest.h>

#include <QApplication>
#include <cstdlib>
#include <memory>

namespace {

class QtHostEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    app_ = std::make_unique<QApplication>(argc_, argv_);
  }
  void TearDown() override { app_.reset(); }
  // A test that ends its process early (a death test's child calling exit)
  // never tears down: Qt's own globals are gone by the time this runs, so
  // the application is left to the process's end.
  ~QtHostEnvironment() override { leftAtExit_ = app_.release(); }

 private:
  static inline QApplication* leftAtExit_ = nullptr;
  int argc_ = 1;
  char name_[16] = "e2e_tests";
  char* argv_[2] = {name_, nullptr};
  std::unique_ptr<QApplication> app_;
};

[[maybe_unused]] ::testing::Environment* const kQtHost =
    ::testing::AddGlobalTestEnvironment(new QtHostEnvironment);

}  // namespace
