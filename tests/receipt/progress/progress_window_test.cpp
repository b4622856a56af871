// The progress window: shown at once without waiting, one at a time, owned by
// the host's main window, closed and freed by CloseNM.

#include "receipt/progress_window.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QFont>
#include <QLabel>
#include <QMainWindow>
#include <QPointer>
#include <memory>
#include <thread>

#include "foundation/main_window.h"
#include "screens.h"
#include "scripted_user/qt_test_app.h"

namespace {

const bool kQtApp = testsupport::InstallQtApplication();

using receipt::CloseNM;
using receipt::CurrentProgressWindow;
using receipt::ShowNM;
using receipt::TfrmNM;

class ProgressWindowTest : public ::testing::Test {
 protected:
  void TearDown() override {
    CloseNM();
    foundation::SetHostMainWindow(nullptr);
  }
};

TEST_F(ProgressWindowTest, ShowsAtOnceWithItsCaptionAndText) {
  ShowNM("Norvane", "Transmitting Digital Receipt...");

  TfrmNM* window = CurrentProgressWindow();
  ASSERT_NE(window, nullptr);
  EXPECT_TRUE(window->isVisible()) << "visible before any event loop runs";
  EXPECT_FALSE(window->isModal());
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr) << "the caller is not blocked";
  EXPECT_EQ(window->windowTitle(), "Norvane");
  QLabel* label = window->findChild<QLabel*>("Label1");
  ASSERT_NE(label, nullptr);
  EXPECT_EQ(label->text(), "Transmitting Digital Receipt...");
  EXPECT_EQ(label->geometry(), QRect(50, 40, 333, 19));
  EXPECT_TRUE(label->alignment() & Qt::AlignHCenter);
  EXPECT_TRUE(label->font().bold());
  EXPECT_EQ(label->font().pixelSize(), 16);
  EXPECT_EQ(window->size(), QSize(TfrmNM::kClientWidth, TfrmNM::kClientHeight));
  EXPECT_TRUE(window->grab().save(progresstest::ScreenshotPath("progress_window.png")));
}

TEST_F(ProgressWindowTest, OnlyOneWindowAtATimeAndCloseFreesIt) {
  CloseNM();  // none open
  ShowNM("Norvane", "Transmitting Customer Information...");
  QPointer<TfrmNM> first = CurrentProgressWindow();
  ShowNM("Norvane", "Transmitting Digital Receipt...");
  EXPECT_TRUE(first.isNull()) << "the earlier window was freed";
  QPointer<TfrmNM> window = CurrentProgressWindow();
  ASSERT_FALSE(window.isNull());
  EXPECT_EQ(window->Label1()->text(), "Transmitting Digital Receipt...");
  int shown = 0;
  for (QWidget* w : QApplication::topLevelWidgets()) {
    if (qobject_cast<TfrmNM*>(w) != nullptr && w->isVisible()) ++shown;
  }
  EXPECT_EQ(shown, 1);

  CloseNM();
  EXPECT_TRUE(window.isNull());
  EXPECT_EQ(CurrentProgressWindow(), nullptr);
  CloseNM();
  EXPECT_EQ(CurrentProgressWindow(), nullptr);
}

TEST_F(ProgressWindowTest, OwnedByAndCentredOnTheHostMainWindow) {
  auto main = std::make_unique<QMainWindow>();
  main->setGeometry(100, 100, 900, 700);
  main->show();
  foundation::SetHostMainWindow(main.get());

  ShowNM("Norvane", "Transmitting Customer Information...");
  TfrmNM* window = CurrentProgressWindow();
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(window->parentWidget(), main.get());
  EXPECT_LE((window->frameGeometry().center() - main->frameGeometry().center()).manhattanLength(),
            2);

  // The owner going away frees the window; closing afterwards is harmless.
  main.reset();
  EXPECT_EQ(CurrentProgressWindow(), nullptr);
  CloseNM();
}

TEST_F(ProgressWindowTest, AThreadWithoutTheUserInterfaceShowsNothing) {
  std::thread worker([] {
    ShowNM("Norvane", "Transmitting Customer Information...");
    CloseNM();
  });
  worker.join();
  EXPECT_EQ(CurrentProgressWindow(), nullptr);
}

}  // namespace
