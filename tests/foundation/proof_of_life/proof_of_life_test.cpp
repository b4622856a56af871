// The watchdog over a real top-level window: what it logs, and which
// windows it moves, resizes or shows when asked to fix them.

#include "foundation/proof_of_life.h"

#include <gtest/gtest.h>

#include <QDialog>
#include <QGuiApplication>
#include <QScreen>
#include <string>
#include <vector>

#include "common/log_fixture.h"
#include "scripted_user/qt_test_app.h"

namespace watchdogtest {

// A form class inside a namespace: the log names it without the namespace.
// Frameless by default: the off-screen platform shifts framed windows placed
// at negative positions by their border.
class TfrmProbe : public QDialog {
  Q_OBJECT

 public:
  explicit TfrmProbe(bool framed = false) {
    setWindowTitle("Probe caption");
    setWindowFlag(Qt::FramelessWindowHint, !framed);
  }
};

}  // namespace watchdogtest

namespace {

const bool kQtApp = testsupport::InstallQtApplication();

using foundation::TProofOfLife;

const std::string kInfo = foundation::kLevelInfo;

// The watchdog's lines for one form: level text and text, the tag checked.
std::vector<std::string> StateLines(const QRect& frame, bool visible) {
  return {std::string(foundation::kLevelEnter) + "BEGIN",
          kInfo + "Form class: TfrmProbe",
          kInfo + "     Caption......Probe caption",
          kInfo + "     Top.........." + std::to_string(frame.top()),
          kInfo + "     Left........." + std::to_string(frame.left()),
          kInfo + "     Width........" + std::to_string(frame.width()),
          kInfo + "     Height......." + std::to_string(frame.height()),
          kInfo + "     Visible......" + (visible ? "TRUE" : "FALSE")};
}

// The lines of one correction: "show", "top", "left", "width" or "height".
std::vector<std::string> CorrectionLines(const std::string& what) {
  const auto lines = [](const std::string& problem, const std::string& setting,
                        const std::string& outcome) {
    return std::vector<std::string>{kInfo + problem + " Clearing message queue...",
                                    kInfo + "Setting \"" + setting, kInfo + outcome};
  };
  if (what == "show") {
    return lines("Form is not visible, attempting to show. ", "Visible\" property...",
                 "Form is now visible");
  }
  if (what == "top") {
    return lines("Top of form is outside viewable area, attempting to correct.",
                 "Top\" property to 100", "Form is now visible");
  }
  if (what == "left") {
    return lines("Left edge of form is outside viewable area, attempting to correct.",
                 "Left\" property to 100", "Form is now visible");
  }
  if (what == "width") {
    return lines("Width of form may be too small, attempting to correct.",
                 "Width\" property to 600", "Change applied");
  }
  if (what == "height") {
    return lines("Height of form may be too small, attempting to correct.",
                 "Height\" property to 600", "Change applied");
  }
  return {};
}

class ProofOfLifeTest : public logtest::LogFixture {
 protected:
  void SetUp() override {
    LogFixture::SetUp();
    foundation::StartLogging("Norvane", false);
  }

  // The level and text of each line written under the watchdog's tag since
  // the last call.
  std::vector<std::string> NewLines() {
    Flush();
    std::string tag = "TProofOfLife.PostActivate";
    tag.resize(foundation::kLogTagWidth, ' ');
    std::vector<std::string> lines;
    const std::vector<std::string> all = Lines(LogFiles().at(0));
    // time (23) + " | ", the level (9), "|", the tag (50), "| ", the text.
    for (; seen_ < all.size(); ++seen_) {
      const std::string& line = all[seen_];
      if (line.size() >= 88 && line.substr(36, 50) == tag) {
        lines.push_back(line.substr(26, 9) + line.substr(88));
      }
    }
    return lines;
  }

  size_t seen_ = 0;
};

TEST_F(ProofOfLifeTest, FixesOnlyWhatIsOutOfViewAndLogsEachStep) {
  const QSize screen = QGuiApplication::primaryScreen()->geometry().size();
  const int h = screen.height();
  const int w = screen.width();
  struct Case {
    QRect frame;
    bool visible;
    bool fix;
    QRect fixed;
    std::string correction;
  };
  const std::vector<Case> cases = {
      {{-1, -1, 200, 100}, true, true, {-1, -1, 200, 100}, ""},
      {{w, h, 200, 100}, true, true, {w, h, 200, 100}, ""},
      {{50, -2, 200, 100}, true, true, {50, 100, 200, 100}, "top"},
      {{50, h + 1, 200, 100}, true, true, {50, 100, 200, 100}, "top"},
      {{w + 1, 50, 200, 100}, true, true, {100, 50, 200, 100}, "left"},
      {{50, 50, 39, 100}, true, true, {50, 50, 600, 100}, "width"},
      {{50, 50, 40, 40}, true, true, {50, 50, 40, 40}, ""},
      {{50, 50, 200, 39}, true, true, {50, 50, 200, 600}, "height"},
      {{50, 50, 200, 100}, false, true, {50, 50, 200, 100}, "show"},
      {{-5, -2, 39, 39}, false, false, {-5, -2, 39, 39}, ""},  // without fix
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.frame) + " " + c.correction);
    watchdogtest::TfrmProbe form;
    form.setGeometry(c.frame);
    if (c.visible) form.show();
    QCoreApplication::processEvents();
    ASSERT_EQ(form.frameGeometry(), c.frame) << "the window system kept the geometry";

    TProofOfLife(&form).PostActivate(c.fix);

    EXPECT_EQ(form.frameGeometry(), c.fixed);
    EXPECT_EQ(form.isVisible(), c.visible || c.fix);
    std::vector<std::string> expected = StateLines(c.frame, c.visible);
    for (const std::string& line : CorrectionLines(c.correction)) expected.push_back(line);
    expected.push_back(std::string(foundation::kLevelExit) + "END");
    EXPECT_EQ(NewLines(), expected);
  }
}

TEST_F(ProofOfLifeTest, TheTitleBarAndBorderCountAsPartOfTheForm) {
  watchdogtest::TfrmProbe form(true);
  form.show();
  form.setGeometry(50, 50, 30, 30);
  QCoreApplication::processEvents();
  ASSERT_LT(form.frameGeometry().width(), 40) << "the window has a border";
  TProofOfLife(&form).PostActivate(true);
  EXPECT_EQ(form.frameGeometry().size(), QSize(600, 600));
}

}  // namespace

#include "proof_of_life_test.moc"
