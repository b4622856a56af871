#pragma once
// The plain message box the frame shows when something fails outside a host
// call (a class factory that cannot be registered, a debug log that cannot be
// created). Tests and headless runs replace where the text goes.

#include <exception>
#include <functional>
#include <string>

namespace hostplugin {

// Shows `text` in a modal message box when a user interface runs on this
// thread with a real display; otherwise writes it to standard error.
void ShowMessageBox(const std::string& text);

// The plain message box of a sale: modal and owned by the host's main window
// whenever a user interface runs on this thread, off-screen included (a
// scripted cashier closes it there); otherwise as ShowMessageBox. A carriage
// return breaks the line. A handler set below takes the text instead.
void ShowModalMessageBox(const std::string& text);

// Replaces what ShowMessageBox and ShowModalMessageBox do; an empty function restores the default.
using MessageBoxHandler = std::function<void(const std::string& text)>;
void SetMessageBoxHandler(MessageBoxHandler handler);

// The readable class name of an exception ("std::runtime_error").
std::string ExceptionClassName(const std::exception& error);

// The same without its namespaces ("runtime_error").
std::string ExceptionShortClassName(const std::exception& error);

}  // namespace hostplugin
