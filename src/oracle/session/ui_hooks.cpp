#include "oracle/session/ui_hooks.h"

#include <mutex>

namespace oracle {

namespace {

std::mutex& InterfaceMutex() {
  static std::mutex mutex;
  return mutex;
}

std::shared_ptr<TOracleUserInterface>& InstalledInterface() {
  static std::shared_ptr<TOracleUserInterface> ui;
  return ui;
}

}  // namespace

TMsgDlgButtons ButtonsFromLetters(std::string_view letters) {
  TMsgDlgButtons buttons = 0;
  for (char c : letters) {
    switch (c) {
      case 'Y':
        buttons |= mbYes;
        break;
      case 'N':
        buttons |= mbNo;
        break;
      case 'C':
        buttons |= mbCancel;
        break;
      case 'O':
        buttons |= mbOK;
        break;
      case 'I':
        buttons |= mbIgnore;
        break;
      case 'A':
        buttons |= mbAll;
        break;
      default:
        break;
    }
  }
  return buttons;
}

void SetOracleUserInterface(std::shared_ptr<TOracleUserInterface> ui) {
  std::lock_guard lock(InterfaceMutex());
  InstalledInterface() = std::move(ui);
}

std::shared_ptr<TOracleUserInterface> OracleUserInterface() {
  std::lock_guard lock(InterfaceMutex());
  return InstalledInterface();
}

TCursor GetScreenCursor() {
  const auto ui = OracleUserInterface();
  return ui ? ui->GetScreenCursor() : crDefault;
}

void SetScreenCursor(TCursor cursor) {
  if (const auto ui = OracleUserInterface()) ui->SetScreenCursor(cursor);
}

int OracleMessageDialog(const std::string& text, std::string_view buttons) {
  const auto ui = OracleUserInterface();
  return ui ? ui->MessageDialog(text, ButtonsFromLetters(buttons)) : mrNone;
}

bool SelectMasterCollectionColumn(const std::vector<std::string>& columns, int& index,
                                  bool& readOnly) {
  index = -1;
  readOnly = false;
  const auto ui = OracleUserInterface();
  return ui ? ui->SelectMasterCollectionColumn(columns, index, readOnly) : false;
}

int ApplicationComponentCount() {
  const auto ui = OracleUserInterface();
  return ui ? ui->ComponentCount() : 0;
}

const void* ApplicationComponent(int index) {
  const auto ui = OracleUserInterface();
  return ui ? ui->Component(index) : nullptr;
}

void ApplicationNotify(std::intptr_t value) {
  if (const auto ui = OracleUserInterface()) ui->Notify(value);
}

}  // namespace oracle
