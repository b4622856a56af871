#pragma once
// The objects attached to a session, kept in eleven lock-protected lists so
// that the session can let them go, last to first, when it logs off and when
// it is destroyed. An object joins and leaves its list under the list's lock.

#include <array>
#include <cstddef>
#include <functional>
#include <vector>

#include "oracle/client/critical_section.h"
#include "oracle/values/session_attached.h"

namespace oracle {

class TOracleSession;

// The lists, in the order the session's destructor walks them.
enum class SessionObjectList : std::size_t {
  kHelperComponents,   // released at logoff; may run a background listener thread
  kQueries,            // closed and reset at logoff; told when the session logs on
  kDataSets,           // closed at logoff unless they stay open
  kOtherComponents,    // released at logoff
  kQueryComponents,    // components that own an inner query
  kScriptComponents,   // components that run statement scripts on an inner query
  kDirectPathLoaders,  // release their direct-path handles themselves
  kLOBLocators,
  kObjects,
  kReferences,
  kTimestamps,
};
inline constexpr std::size_t kSessionObjectListCount = 11;

class TSessionObjectLists {
 public:
  TSessionObjectLists() = default;
  TSessionObjectLists(const TSessionObjectLists&) = delete;
  TSessionObjectLists& operator=(const TSessionObjectLists&) = delete;

  // Adds an object once (attaching it again does nothing).
  void Attach(SessionObjectList list, TSessionAttached* object);
  // Removes it; an object that is not attached is ignored.
  void Detach(SessionObjectList list, TSessionAttached* object);
  std::size_t Count(SessionObjectList list);
  bool Contains(SessionObjectList list, TSessionAttached* object);

  // Calls `visit` for each object of `list` from last to first under the
  // list's lock. The visit may detach the object (or others) from the list.
  void WalkLastToFirst(SessionObjectList list, const std::function<void(TSessionAttached&)>& visit);

  // Takes every object off every list (last to first, each list under its
  // lock) and tells it the session is gone.
  void DetachAll();

 private:
  struct List {
    TOracleCriticalSection lock;
    std::vector<TSessionAttached*> items;
  };
  List& Of(SessionObjectList list) { return lists_[static_cast<std::size_t>(list)]; }

  std::array<List, kSessionObjectListCount> lists_;
};

}  // namespace oracle
