#include "hostplugin/message_box.h"

#include <cxxabi.h>

#include <QApplication>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QString>
#include <QThread>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <typeinfo>

#include "foundation/main_window.h"
#include "foundation/ui_guard.h"

namespace hostplugin {
namespace {

std::mutex g_mutex;
MessageBoxHandler g_handler;

bool CanShowDialog() {
  auto* app = qobject_cast<QApplication*>(QCoreApplication::instance());
  if (app == nullptr || QThread::currentThread() != app->thread()) return false;
  // Without a real display a modal box would wait for a click nobody can give.
  return QGuiApplication::platformName() != "offscreen" &&
         QGuiApplication::platformName() != "minimal";
}

void DefaultShow(const std::string& text) {
  if (CanShowDialog()) {
    QMessageBox::warning(nullptr, QStringLiteral("Norvane"), QString::fromStdString(text));
    return;
  }
  std::fprintf(stderr, "%s\n", text.c_str());
}

MessageBoxHandler CurrentHandler() {
  std::lock_guard lock(g_mutex);
  return g_handler;
}

}  // namespace

void ShowMessageBox(const std::string& text) {
  if (MessageBoxHandler handler = CurrentHandler()) {
    handler(text);
  } else {
    DefaultShow(text);
  }
}

void ShowModalMessageBox(const std::string& text) {
  if (MessageBoxHandler handler = CurrentHandler()) {
    handler(text);
    return;
  }
  if (!foundation::UiAvailableOnThisThread()) {
    DefaultShow(text);
    return;
  }
  QString shown = QString::fromStdString(text);
  shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(u'\r', u'\n');
  QMessageBox box(QMessageBox::Warning, QStringLiteral("Norvane"), shown, QMessageBox::Ok,
                  foundation::HostMainWindow());
  box.setObjectName(QStringLiteral("MessageBox"));
  box.button(QMessageBox::Ok)->setObjectName(QStringLiteral("btnOK"));
  box.exec();
}

void SetMessageBoxHandler(MessageBoxHandler handler) {
  std::lock_guard lock(g_mutex);
  g_handler = std::move(handler);
}

std::string ExceptionClassName(const std::exception& error) {
  const char* mangled = typeid(error).name();
  int status = 0;
  std::unique_ptr<char, void (*)(void*)> demangled(
      abi::__cxa_demangle(mangled, nullptr, nullptr, &status), std::free);
  return status == 0 && demangled ? std::string(demangled.get()) : std::string(mangled);
}

std::string ExceptionShortClassName(const std::exception& error) {
  std::string name = ExceptionClassName(error);
  const size_t colon = name.rfind("::");
  return colon == std::string::npos ? name : name.substr(colon + 2);
}

}  // namespace hostplugin
