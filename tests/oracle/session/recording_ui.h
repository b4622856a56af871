#pragma once
// A user interface for the library that records what it is asked to do and
// answers dialogs from a script.

#include <deque>
#include <string>
#include <vector>

#include "oracle/session/ui_hooks.h"

namespace oracle_session_test {

struct RecordingUi : oracle::TOracleUserInterface {
  oracle::TCursor cursor = oracle::crDefault;
  std::vector<oracle::TCursor> cursorsSet;
  std::vector<std::pair<std::string, oracle::TMsgDlgButtons>> dialogs;
  int answer = oracle::mrYes;
  std::vector<std::intptr_t> notified;

  oracle::TCursor GetScreenCursor() override { return cursor; }
  void SetScreenCursor(oracle::TCursor value) override {
    cursor = value;
    cursorsSet.push_back(value);
  }
  int MessageDialog(const std::string& text, oracle::TMsgDlgButtons buttons) override {
    dialogs.emplace_back(text, buttons);
    return answer;
  }
  int ComponentCount() override { return 2; }
  const void* Component(int index) override { return index == 1 ? this : nullptr; }
  void Notify(std::intptr_t value) override { notified.push_back(value); }
};

}  // namespace oracle_session_test
