#pragma once
// The Oracle library's user interface on Qt: the busy cursor as the
// application's override cursor and the confirmation dialog as a modal
// message box owned by the host's main window, and calls of other threads
// for the main thread run from its event loop. Off the user-interface thread,
// or without a QApplication, it shows nothing and never blocks.

#include <memory>
#include <vector>

#include "oracle/session/ui_hooks.h"

namespace dialogs {

class TOracleUiQt : public oracle::TOracleUserInterface {
 public:
  oracle::TCursor GetScreenCursor() override;
  // crDefault removes the override cursor this object set; any other id sets
  // (or changes) it.
  void SetScreenCursor(oracle::TCursor cursor) override;
  int MessageDialog(const std::string& text, oracle::TMsgDlgButtons buttons) override;
  // The collection column chooser (oracle_select_form.h).
  bool SelectMasterCollectionColumn(const std::vector<std::string>& columns, int& index,
                                    bool& readOnly) override;
  // The plug-in has no application-owned database components.
  int ComponentCount() override { return 0; }
  const void* Component(int) override { return nullptr; }
  void Notify(std::intptr_t) override {}
  // Posts CheckSynchronize() to the application's event loop; without a
  // QApplication the calls wait for the main thread's own CheckSynchronize().
  void MainThreadCallsWaiting() override;

 private:
  oracle::TCursor cursor_ = oracle::crDefault;
  bool overriding_ = false;
};

// Installs a TOracleUiQt for the process (called once at plug-in start-up).
void InstallOracleUserInterface();

}  // namespace dialogs
