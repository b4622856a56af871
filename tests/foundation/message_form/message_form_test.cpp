#include "foundation/message_form.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QScreen>
#include <QScrollArea>
#include <QToolButton>
#include <QWidget>
#include <functional>
#include <string>
#include <thread>

#include "foundation/main_window.h"
#include "foundation/settings_message.h"
#include "foundation/ui_guard.h"
#include "scripted_user/qt_test_app.h"
#include "scripted_user/scripted_user.h"

namespace {

using foundation::DisplayMessage;
using foundation::TfrmDispMess;
using testsupport::ScriptedUser;

const bool kQtApp = testsupport::InstallQtApplication();

// What the form looked like while it was shown.
struct Seen {
  QString title;
  QString text;
  QSize form;
  QRect window;  // frame included, on the screen
  QRect label;
  QRect button;
  QWidget* owner = nullptr;
  QPoint centreOffset;
  bool scrolls = false;
};

QString Record(QDialog& dialog, Seen& seen) {
  auto* form = qobject_cast<TfrmDispMess*>(&dialog);
  if (form == nullptr) return "the dialog is not the message form";
  seen.title = form->windowTitle();
  seen.text = form->lblMess()->text();
  seen.form = form->size();
  seen.label = form->lblMess()->geometry();
  seen.button = form->btnOK()->geometry();
  seen.window = form->frameGeometry();
  seen.scrolls = form->findChild<QScrollArea*>("scrMess") != nullptr;
  seen.owner = form->parentWidget();
  const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
  seen.centreOffset = form->frameGeometry().center() - screen.center();
  return {};
}

// Runs `display` with a scripted user that records the message form and
// presses OK.
Seen ShowThrough(const std::function<void()>& display, const QString& screenshot = {}) {
  Seen seen;
  ScriptedUser user;
  user.WaitForDialog("TfrmDispMess").Check([&](QDialog& d) { return Record(d, seen); });
  if (!screenshot.isEmpty()) user.Grab(screenshot);
  user.Press("btnOK");
  user.Start();
  display();
  EXPECT_TRUE(user.Finish()) << user.Failure().toStdString();
  return seen;
}

Seen Show(const std::string& message, const QString& screenshot = {}) {
  return ShowThrough([&] { DisplayMessage("Norvane", message); }, screenshot);
}

void ExpectSizingRules(const Seen& seen) {
  EXPECT_EQ(seen.form.width(), std::max(seen.label.width() + 60, 312));
  EXPECT_EQ(seen.form.height(), seen.label.height() + 120);
  EXPECT_EQ(seen.label.x(), (seen.form.width() - seen.label.width()) / 2);
  EXPECT_EQ(seen.button.x(), (seen.form.width() - seen.button.width()) / 2);
  EXPECT_GT(seen.button.top(), seen.label.bottom()) << "the button stands below the text";
  EXPECT_LE(seen.button.bottom(), seen.form.height()) << "the button fits in the form";
  EXPECT_LE(std::abs(seen.centreOffset.x()), 1);
  EXPECT_LE(std::abs(seen.centreOffset.y()), 1);
}

TEST(DisplayMessage, ShowsTheMessageSizedToItsTextAndClosesOnOk) {
  const QString shot = "screenshots/message_form.png";
  QFile::remove(shot);
  const Seen seen =
      Show("The receipt was queued and will be sent when the service is reachable.", shot);
  EXPECT_EQ(seen.title, "Norvane");
  EXPECT_EQ(seen.text, "The receipt was queued and will be sent when the service is reachable.");
  EXPECT_GT(seen.label.width() + 60, 312) << "a long text widens the form";
  ExpectSizingRules(seen);
  const QImage image(shot);
  ASSERT_FALSE(image.isNull()) << "screenshot missing";
  EXPECT_EQ(image.width(), seen.form.width());
}

TEST(DisplayMessage, ShortMultiLineAndMarkedUpMessages) {
  const Seen shortOne = Show("Saved");
  EXPECT_EQ(shortOne.form.width(), 312) << "the minimum width";
  ExpectSizingRules(shortOne);
  const Seen three = Show("First line\nSecond <b>line</b> &\nThird line");
  EXPECT_GT(three.label.height(), 2 * shortOne.label.height()) << "every line adds height";
  ExpectSizingRules(three);
  EXPECT_EQ(three.text, "First line\nSecond <b>line</b> &\nThird line") << "shown as typed";
  const Seen breaks = Show("Result: \rException: refused\r\nagain");
  EXPECT_EQ(breaks.text, "Result: \nException: refused\nagain") << "CR and CR LF break lines";
  EXPECT_GT(breaks.label.height(), 2 * shortOne.label.height());
  // Its look (font, icon, alignment) shows on the first test's screenshot;
  // here, what a picture does not show.
  TfrmDispMess form;
  EXPECT_EQ(form.lblMess()->textFormat(), Qt::PlainText);
  EXPECT_FALSE(form.windowFlags() & Qt::WindowCloseButtonHint) << "a single fixed border";
  EXPECT_FALSE(form.windowFlags() & Qt::WindowMinMaxButtonsHint);
  EXPECT_EQ(form.minimumSize(), form.maximumSize());
}

// A message too wide or too tall for the screen (a service's answer of one
// long line, say) gives a window within the screen, its button within the
// window: lines are broken, a text still too tall scrolls above the button.
TEST(DisplayMessage, ATextTooLargeForTheScreenStillFitsWithItsButton) {
  const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
  QStringList words;
  for (int i = 0; i < 150; ++i) words << QString("answer%1").arg(i);
  QStringList lines;
  for (int i = 0; i < 400; ++i) lines << QString("line %1").arg(i);
  struct Case {
    const char* what;
    QString message;
    bool scrolls;
    QString joinedBy;  // what the lines are joined by to give the message back
  } cases[] = {
      {"one line without a blank", "Result:" + QString(4100, 'W'), true, ""},
      {"one line of words", words.join(' '), false, " "},
      {"more lines than the screen holds", lines.join('\n'), true, "\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const Seen seen = Show(c.message.toStdString());
    EXPECT_TRUE(screen.contains(seen.window))
        << "window " << seen.window.width() << "x" << seen.window.height() << " on a screen of "
        << screen.width() << "x" << screen.height() << " form " << seen.form.width() << "x"
        << seen.form.height() << " at " << seen.window.x() << "," << seen.window.y();
    EXPECT_TRUE(QRect(QPoint(0, 0), seen.form).contains(seen.button)) << "the button is inside";
    EXPECT_EQ(seen.scrolls, c.scrolls);
    EXPECT_EQ(seen.text.split('\n').join(c.joinedBy), c.message) << "nothing lost";
    if (c.joinedBy != "\n") {
      EXPECT_GT(seen.text.count('\n'), 2) << "the line was broken";
    }
  }
}

TEST(FitLines, NoLineWiderThanAskedAndOnlyBlanksAtBreaksDropped) {
  QFont font("Arial");
  font.setPixelSize(13);
  font.setBold(true);
  const QFontMetrics metrics(font);
  struct Case {
    QString text;
    int width;
    int breaks;  // line breaks added; -1: some
  } cases[] = {
      {"", 100, 0},
      {"short", 1000, 0},
      {"first line\nsecond line", 1000, 0},
      {QString(300, 'x'), 100, -1},
      {"one two three four five six seven eight nine ten", 60, -1},
      {"abc", 1, 2},  // narrower than any character: one per line
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text.left(40).toStdString() + " / " + std::to_string(c.width));
    const QString fitted = foundation::FitLines(c.text, metrics, c.width);
    const QStringList fittedLines = fitted.split('\n');
    for (const QString& line : fittedLines) {
      if (line.size() > 1) {
        EXPECT_LE(metrics.horizontalAdvance(line), c.width + 2);
      }
      EXPECT_FALSE(line.startsWith(' ') || line.endsWith(' ')) << "a break replaces its blank";
    }
    const qsizetype added = fitted.count('\n') - c.text.count('\n');
    if (c.breaks >= 0) {
      EXPECT_EQ(added, c.breaks);
    } else {
      EXPECT_GT(added, 0);
    }
    QString kept = fitted;
    QString original = c.text;
    EXPECT_EQ(kept.remove('\n').remove(' '), original.remove('\n').remove(' '));
    if (c.text.contains(' ')) {
      // Words stay whole: each line is a run of the text's own words.
      for (const QString& line : fittedLines) {
        for (const QString& word : line.split(' ')) {
          EXPECT_TRUE(QString(c.text).replace('\n', ' ').split(' ').contains(word));
        }
      }
    }
  }
}

TEST(DisplayMessage, OwnedByTheHostMainWindowWhenThereIsOne) {
  EXPECT_EQ(Show("no owner").owner, nullptr);
  {
    QWidget mainWindow;
    foundation::SetHostMainWindow(&mainWindow);
    EXPECT_EQ(Show("owned").owner, &mainWindow);
  }
  EXPECT_EQ(foundation::HostMainWindow(), nullptr) << "a destroyed main window is forgotten";
  EXPECT_EQ(Show("owner gone").owner, nullptr);
}

TEST(DisplayMessage, OwnedByTheWindowTheHostNamesThroughTheApplication) {
  auto* window = new QWidget;
  qApp->setProperty(foundation::kHostMainWindowProperty, QVariant::fromValue<QObject*>(window));
  EXPECT_EQ(foundation::HostMainWindow(), window);
  EXPECT_EQ(Show("owned by the host").owner, window);
  delete window;
  EXPECT_EQ(foundation::HostMainWindow(), nullptr) << "a stale name is never dereferenced";
  qApp->setProperty(foundation::kHostMainWindowProperty, QVariant());
}

TEST(DisplayMessage, EnterOrEscapeAlsoCloseIt) {
  {
    ScriptedUser user;
    user.WaitForDialog("TfrmDispMess").PressEscape().WaitForClose();
    user.Start();
    DisplayMessage("Norvane", "Escape");
    EXPECT_TRUE(user.Finish()) << user.Failure().toStdString();
  }
  {
    ScriptedUser user;
    user.WaitForDialog("TfrmDispMess").Check([](QDialog& d) {
      QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
      QCoreApplication::sendEvent(&d, &enter);
      return d.result() == QDialog::Accepted ? QString() : QString("Enter did not press OK");
    });
    user.Start();
    DisplayMessage("Norvane", "Enter");
    EXPECT_TRUE(user.Finish()) << user.Failure().toStdString();
  }
}

TEST(DisplayMessage, RefusesAThreadOtherThanTheApplicationsOne) {
  std::string error;
  std::thread worker([&] {
    try {
      DisplayMessage("Norvane", "from a worker");
    } catch (const foundation::UiUnavailableError& e) {
      error = e.what();
    }
  });
  worker.join();
  EXPECT_NE(error.find("outside the QApplication's thread"), std::string::npos) << error;
}

TEST(SettingsMessages, AppearInTheMessageForm) {
  foundation::RouteSettingsMessagesToMessageForm();
  const Seen seen = ShowThrough([] {
    foundation::ShowSettingsMessage("Workstation preferences cannot be loaded: disk full");
  });
  foundation::SetSettingsMessageSink({});
  EXPECT_EQ(seen.title, "Norvane");
  EXPECT_EQ(seen.text, "Workstation preferences cannot be loaded: disk full");
}

}  // namespace
