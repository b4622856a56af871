// The watchdog over a real top-level window: what it logs, and which
// windows it moves, resizes or shows when asked to fix them.

#include "foundation/proof_of_life.h"

#include <gtest/gtest.h>

#include <QDialog>
#include <QGuiApplication>
#include <QScreen>
#include <string>
#include <vector>

#include "foundation/log/log_fixture.h"
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

constexpr const char* kTag = "TProofOfLife.PostActivate";

// One expected log line: its level text and its text (the tag is always kTag).
struct Line {
  std::string level;
  std::string text;
  bool operator==(const Line&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Line& line) {
  return out << "[" << line.level << "] " << line.text;
}

Line Info(const std::string& text) {
  return {foundation::kLevelInfo, text};
}

std::vector<Line> StateLines(const QRect& frame, bool visible) {
  return {{foundation::kLevelEnter, "BEGIN"},
          Info("Form class: TfrmProbe"),
          Info("     Caption......Probe caption"),
          Info("     Top.........." + std::to_string(frame.top())),
          Info("     Left........." + std::to_string(frame.left())),
          Info("     Width........" + std::to_string(frame.width())),
          Info("     Height......." + std::to_string(frame.height())),
          Info(std::string("     Visible......") + (visible ? "TRUE" : "FALSE"))};
}

std::vector<Line> Correction(const std::string& problem, const std::string& property,
                             const std::string& value, const std::string& outcome) {
  return {Info(problem + " Clearing message queue..."),
          Info("Setting \"" + property + "\" property to " + value), Info(outcome)};
}

// Shows `form` and gives its frame (title bar and border included) `frame`.
void PlaceFrame(QWidget& form, const QRect& frame) {
  form.show();
  QCoreApplication::processEvents();
  const QMargins border(form.geometry().left() - form.frameGeometry().left(),
                        form.geometry().top() - form.frameGeometry().top(),
                        form.frameGeometry().right() - form.geometry().right(),
                        form.frameGeometry().bottom() - form.geometry().bottom());
  form.setGeometry(frame - border);
  QCoreApplication::processEvents();
}

class ProofOfLifeTest : public logtest::LogFixture {
 protected:
  void SetUp() override {
    LogFixture::SetUp();
    foundation::StartLogging("Norvane", false);
  }

  // The watchdog's lines written since the last call, with the tag checked.
  std::vector<Line> NewLines() {
    Flush();
    std::vector<Line> lines;
    const auto files = LogFiles();
    if (files.size() != 1) {
      ADD_FAILURE() << files.size() << " log files";
      return lines;
    }
    const std::vector<std::string> all = Lines(files[0]);
    // time (23) + " | ", then the level (9), "|", the tag (50), "| ", the text.
    for (; seen_ < all.size(); ++seen_) {
      const std::string& line = all[seen_];
      if (line.size() < 88) continue;
      const std::string tag = line.substr(36, 50);
      if (tag.rfind(kTag, 0) != 0) continue;
      EXPECT_EQ(tag, std::string(kTag) + std::string(50 - std::string(kTag).size(), ' '));
      lines.push_back({line.substr(26, 9), line.substr(88)});
    }
    return lines;
  }

  size_t seen_ = 0;
};

TEST_F(ProofOfLifeTest, FixesOnlyWhatIsOutOfViewAndLogsEachStep) {
  const QSize screen = QGuiApplication::primaryScreen()->geometry().size();
  const int h = screen.height();
  const int w = screen.width();
  const std::string top = "Top of form is outside viewable area, attempting to correct.";
  const std::string left = "Left edge of form is outside viewable area, attempting to correct.";
  const std::string narrow = "Width of form may be too small, attempting to correct.";
  const std::string low = "Height of form may be too small, attempting to correct.";
  struct Case {
    const char* name;
    QRect frame;
    bool visible;
    bool fix;
    QRect fixed;
    std::vector<Line> steps;
  };
  const std::vector<Case> cases = {
      {"edges at -1 stay", {-1, -1, 200, 100}, true, true, {-1, -1, 200, 100}, {}},
      {"edges at the screen's far sides stay", {w, h, 200, 100}, true, true, {w, h, 200, 100}, {}},
      {"top -2",
       {50, -2, 200, 100},
       true,
       true,
       {50, 100, 200, 100},
       Correction(top, "Top", "100", "Form is now visible")},
      {"top below the screen",
       {50, h + 1, 200, 100},
       true,
       true,
       {50, 100, 200, 100},
       Correction(top, "Top", "100", "Form is now visible")},
      {"left past the screen",
       {w + 1, 50, 200, 100},
       true,
       true,
       {100, 50, 200, 100},
       Correction(left, "Left", "100", "Form is now visible")},
      {"width 39",
       {50, 50, 39, 100},
       true,
       true,
       {50, 50, 600, 100},
       Correction(narrow, "Width", "600", "Change applied")},
      {"width and height 40 stay", {50, 50, 40, 40}, true, true, {50, 50, 40, 40}, {}},
      {"height 39",
       {50, 50, 200, 39},
       true,
       true,
       {50, 50, 200, 600},
       Correction(low, "Height", "600", "Change applied")},
      {"hidden",
       {50, 50, 200, 100},
       false,
       true,
       {50, 50, 200, 100},
       {Info("Form is not visible, attempting to show.  Clearing message queue..."),
        Info("Setting \"Visible\" property..."), Info("Form is now visible")}},
      {"everything wrong without fix", {-5, -2, 39, 39}, false, false, {-5, -2, 39, 39}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    watchdogtest::TfrmProbe form;
    PlaceFrame(form, c.frame);
    if (!c.visible) form.hide();
    ASSERT_EQ(form.frameGeometry(), c.frame) << "the window system kept the geometry";

    TProofOfLife(&form).PostActivate(c.fix);

    EXPECT_EQ(form.frameGeometry(), c.fixed);
    EXPECT_EQ(form.isVisible(), c.visible || c.fix);
    std::vector<Line> expected = StateLines(c.frame, c.visible);
    expected.insert(expected.end(), c.steps.begin(), c.steps.end());
    expected.push_back({foundation::kLevelExit, "END"});
    EXPECT_EQ(NewLines(), expected);
  }
}

TEST_F(ProofOfLifeTest, TheTitleBarAndBorderCountAsPartOfTheForm) {
  watchdogtest::TfrmProbe form(true);
  PlaceFrame(form, {50, 50, 39, 39});
  ASSERT_NE(form.size(), QSize(39, 39)) << "the window has a border";
  TProofOfLife(&form).PostActivate(true);
  EXPECT_EQ(form.frameGeometry().size(), QSize(600, 600));
}

TEST_F(ProofOfLifeTest, AFormFreedBeforeTheCheckIsReportedNotTouched) {
  auto* form = new watchdogtest::TfrmProbe;
  TProofOfLife watchdog(form);
  delete form;
  watchdog.PostActivate(true);
  const std::vector<Line> expected = {{foundation::kLevelEnter, "BEGIN"},
                                      {foundation::kLevelError, "No form to watch"},
                                      {foundation::kLevelExit, "END"}};
  EXPECT_EQ(NewLines(), expected);
}

}  // namespace

#include "proof_of_life_test.moc"
