#include "foundation/proof_of_life.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QGuiApplication>
#include <QMetaObject>
#include <QScreen>
#include <string>

#include "foundation/log.h"
#include "foundation/text_convert.h"

namespace foundation {

namespace {

constexpr const char* kTag = "TProofOfLife.PostActivate";

void Info(const std::string& text) {
  KWLog(0, text, kLevelInfo, kTag);
}

void Error(const std::string& text) {
  KWLog(0, text, kLevelError, kTag);
}

// Lets queued events (painting, layout, window-system replies) run, but no
// click or key press: the caller sits inside a modal form's activation.
void ProcessPendingEvents() {
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

// The class name as declared, without its namespace.
std::string ClassName(const QWidget& form) {
  const std::string name = form.metaObject()->className();
  const size_t colon = name.rfind("::");
  return colon == std::string::npos ? name : name.substr(colon + 2);
}

// The size of the screen the form is on, the primary screen's when none.
QSize ScreenSize(const QWidget& form) {
  const QScreen* screen = form.screen();
  if (screen == nullptr) screen = QGuiApplication::primaryScreen();
  return screen != nullptr ? screen->geometry().size() : QSize();
}

bool InRange(int value, int limit) {
  return value >= -1 && value <= limit;
}

}  // namespace

TProofOfLife::TProofOfLife(QWidget* form) : form_(form) {}

void TProofOfLife::PostActivate(bool fix) {
  LogEnter(0, kTag);
  if (form_.isNull()) {
    Error("No form to watch");
    LogExit(0, kTag);
    return;
  }
  {
    const QRect frame = form_->frameGeometry();
    Info("Form class: " + ClassName(*form_));
    Info("     Caption......" + form_->windowTitle().toStdString());
    Info("     Top.........." + std::to_string(frame.top()));
    Info("     Left........." + std::to_string(frame.left()));
    Info("     Width........" + std::to_string(frame.width()));
    Info("     Height......." + std::to_string(frame.height()));
    Info("     Visible......" + BoolToStrUpper(form_->isVisible()));
  }

  // Each correction runs pending events, which may free the form.
  const auto gone = [this] { return form_.isNull(); };
  if (fix && !form_->isVisible()) {
    Info("Form is not visible, attempting to show.  Clearing message queue...");
    ProcessPendingEvents();
    if (!gone()) {
      Info("Setting \"Visible\" property...");
      form_->setVisible(true);
      ProcessPendingEvents();
    }
    if (!gone() && form_->isVisible()) {
      Info("Form is now visible");
    } else {
      Error("Operation failed");
    }
  }

  // Moves one edge of the frame to kFixedEdge when it lies outside -1..limit.
  const auto fixEdge = [&](const char* problem, const char* property, auto edge, auto moveTo,
                           auto limit) {
    if (gone() || InRange(edge(), limit())) return;
    Info(std::string(problem) + " Clearing message queue...");
    ProcessPendingEvents();
    if (!gone()) {
      Info(std::string("Setting \"") + property + "\" property to " + std::to_string(kFixedEdge));
      moveTo();
      ProcessPendingEvents();
    }
    if (!gone() && InRange(edge(), limit())) {
      Info("Form is now visible");
    } else {
      Error("Operation failed");
    }
  };
  // Gives one side of the frame kFixedSide when it is shorter than kMinimumSide.
  const auto fixSide = [&](const char* problem, const char* property, auto side, auto resizeTo) {
    if (gone() || side() >= kMinimumSide) return;
    Info(std::string(problem) + " Clearing message queue...");
    ProcessPendingEvents();
    if (gone()) return;
    Info(std::string("Setting \"") + property + "\" property to " + std::to_string(kFixedSide));
    resizeTo();
    ProcessPendingEvents();
    Info("Change applied");
  };

  if (fix) {
    QWidget* form = form_.data();
    // The frame's extent beyond the client area, for sizing the frame.
    const auto border = [form] { return form->frameGeometry().size() - form->size(); };
    fixEdge(
        "Top of form is outside viewable area, attempting to correct.", "Top",
        [form] { return form->frameGeometry().top(); },
        [form] { form->move(form->frameGeometry().left(), kFixedEdge); },
        [form] { return ScreenSize(*form).height(); });
    fixEdge(
        "Left edge of form is outside viewable area, attempting to correct.", "Left",
        [form] { return form->frameGeometry().left(); },
        [form] { form->move(kFixedEdge, form->frameGeometry().top()); },
        [form] { return ScreenSize(*form).width(); });
    fixSide(
        "Width of form may be too small, attempting to correct.", "Width",
        [form] { return form->frameGeometry().width(); },
        [form, border] { form->resize(kFixedSide - border().width(), form->height()); });
    fixSide(
        "Height of form may be too small, attempting to correct.", "Height",
        [form] { return form->frameGeometry().height(); },
        [form, border] { form->resize(form->width(), kFixedSide - border().height()); });
  }
  LogExit(0, kTag);
}

}  // namespace foundation
