#include "oracle/session/session_objects.h"

#include <algorithm>

namespace oracle {

void TSessionObjectLists::Attach(SessionObjectList list, TSessionAttached* object) {
  if (object == nullptr) return;
  List& l = Of(list);
  OracleLockGuard guard(l.lock);
  if (std::find(l.items.begin(), l.items.end(), object) == l.items.end()) l.items.push_back(object);
}

void TSessionObjectLists::Detach(SessionObjectList list, TSessionAttached* object) {
  List& l = Of(list);
  OracleLockGuard guard(l.lock);
  if (const auto it = std::find(l.items.begin(), l.items.end(), object); it != l.items.end())
    l.items.erase(it);
}

std::size_t TSessionObjectLists::Count(SessionObjectList list) {
  List& l = Of(list);
  OracleLockGuard guard(l.lock);
  return l.items.size();
}

bool TSessionObjectLists::Contains(SessionObjectList list, TSessionAttached* object) {
  List& l = Of(list);
  OracleLockGuard guard(l.lock);
  return std::find(l.items.begin(), l.items.end(), object) != l.items.end();
}

void TSessionObjectLists::WalkLastToFirst(SessionObjectList list,
                                          const std::function<void(TSessionAttached&)>& visit) {
  List& l = Of(list);
  OracleLockGuard guard(l.lock);
  std::size_t i = l.items.size();
  while (i > 0) {
    // A visit may have removed more than its own entry.
    i = std::min(i, l.items.size());
    if (i == 0) break;
    --i;
    visit(*l.items[i]);
  }
}

void TSessionObjectLists::DetachAll() {
  for (std::size_t index = 0; index < kSessionObjectListCount; ++index) {
    List& l = lists_[index];
    OracleLockGuard guard(l.lock);
    while (!l.items.empty()) {
      TSessionAttached* object = l.items.back();
      l.items.pop_back();
      object->SessionDestroyed();
    }
  }
}

}  // namespace oracle
