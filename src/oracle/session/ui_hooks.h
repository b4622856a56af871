#pragma once
// The Oracle library's only contact with a user interface: the screen cursor
// shown while a database call is busy, a confirmation dialog whose buttons are
// given as letters, and the application object's components. The library
// calls the free functions below; an application installs an implementation
// (the plug-in installs a Qt-backed one at start-up). Until one is installed,
// or after it is removed, the default does nothing and never blocks: the
// cursor reads as crDefault and the dialog answers mrNone at once.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace oracle {

// Screen cursor identifiers (16-bit, as the application's screen knows them).
using TCursor = std::int16_t;
inline constexpr TCursor crDefault = 0;
inline constexpr TCursor crSQLWait = -11;

// Dialog buttons, as a set of bits.
using TMsgDlgButtons = std::uint32_t;
inline constexpr TMsgDlgButtons mbYes = 1u << 0;
inline constexpr TMsgDlgButtons mbNo = 1u << 1;
inline constexpr TMsgDlgButtons mbOK = 1u << 2;
inline constexpr TMsgDlgButtons mbCancel = 1u << 3;
inline constexpr TMsgDlgButtons mbIgnore = 1u << 4;
inline constexpr TMsgDlgButtons mbAll = 1u << 5;

// Modal results of a dialog.
inline constexpr int mrNone = 0;
inline constexpr int mrOk = 1;
inline constexpr int mrCancel = 2;
inline constexpr int mrIgnore = 5;
inline constexpr int mrYes = 6;
inline constexpr int mrNo = 7;
inline constexpr int mrAll = 8;

// The buttons named by letters: "Y" Yes, "N" No, "C" Cancel, "O" OK,
// "I" Ignore, "A" All, in any order; any other character is ignored (letters
// are matched exactly, upper case).
TMsgDlgButtons ButtonsFromLetters(std::string_view letters);

// What an application provides. Every call comes from the thread that runs
// the database call; an implementation that cannot show anything on that
// thread must return at once.
class TOracleUserInterface {
 public:
  virtual ~TOracleUserInterface() = default;
  virtual TCursor GetScreenCursor() = 0;
  virtual void SetScreenCursor(TCursor cursor) = 0;
  // Shows a modal confirmation dialog (confirmation icon, no help context)
  // with `text` and `buttons` in the platform's standard order; returns the
  // modal result.
  virtual int MessageDialog(const std::string& text, TMsgDlgButtons buttons) = 0;
  // Lets the user choose the master's collection column a detail dataset
  // lists: `columns` shown with the first selected. True on OK, with the
  // chosen index and whether a read-only dataset was asked for; on Cancel
  // -1 and false. By default nothing is shown and nothing chosen.
  virtual bool SelectMasterCollectionColumn(const std::vector<std::string>& columns, int& index,
                                            bool& readOnly) {
    (void)columns;
    index = -1;
    readOnly = false;
    return false;
  }
  // The components owned by the application object (identity only).
  virtual int ComponentCount() = 0;
  virtual const void* Component(int index) = 0;
  // Passes one value to the application object.
  virtual void Notify(std::intptr_t value) = 0;
  // Another thread queued calls for the main thread and waits for them
  // (main_thread_calls.h): an implementation with an event loop makes the
  // main thread run CheckSynchronize() soon. Called on the waiting thread.
  // By default the calls wait for the main thread's own CheckSynchronize().
  virtual void MainThreadCallsWaiting() {}
};

// Installs `ui` for the whole process; null restores the default.
void SetOracleUserInterface(std::shared_ptr<TOracleUserInterface> ui);

// The installed implementation, or null when the default is in use.
std::shared_ptr<TOracleUserInterface> OracleUserInterface();

TCursor GetScreenCursor();
void SetScreenCursor(TCursor cursor);
int OracleMessageDialog(const std::string& text, std::string_view buttons);
bool SelectMasterCollectionColumn(const std::vector<std::string>& columns, int& index,
                                  bool& readOnly);
int ApplicationComponentCount();
const void* ApplicationComponent(int index);
void ApplicationNotify(std::intptr_t value);

}  // namespace oracle
