#include "handles.h"

#include <algorithm>
#include <unordered_map>

namespace ocistandin {
namespace {

// Live handles by the address their callers hold.
std::unordered_map<const void*, Handle*>& liveHandles() {
  static std::unordered_map<const void*, Handle*> live;
  return live;
}

// The library is unloaded (or the process ends): the handles its caller left
// go, as a server lets go of a client that went away: every environment is
// freed with all it holds, newest first (a pool's sessions before the pool,
// so none is ended with a commit), and an open transaction is rolled back
// when its connection closes. Runs before the library's static objects are
// destroyed.
__attribute__((destructor)) void freeWhatWasLeft() {
  std::lock_guard lock(apiMutex());
  for (;;) {
    Handle* root = nullptr;
    for (const auto& [address, handle] : liveHandles()) {
      if (handle->parent == nullptr) {
        root = handle;
        break;
      }
    }
    if (root == nullptr) break;
    freeHandle(root);
  }
}

}  // namespace

Handle::Handle(ub4 handleType, Handle* parentHandle) : type(handleType), parent(parentHandle) {}

RowidDescriptor::RowidDescriptor(ub4 handleType, Handle* parentHandle)
    : Handle(handleType, parentHandle),
      layout{kOCIRowidTag, static_cast<ub1>(OCIRowidKind::None), {0, 0, 0}, 0, 0, 0, 0} {}

std::recursive_mutex& apiMutex() {
  static std::recursive_mutex mutex;
  return mutex;
}

void registerRaw(Handle* handle) {
  liveHandles().emplace(handle->address(), handle);
  if (handle->parent != nullptr) handle->parent->children.push_back(handle);
}

Handle* findAnyHandle(const void* pointer) {
  if (pointer == nullptr) return nullptr;
  auto& live = liveHandles();
  auto it = live.find(pointer);
  return it == live.end() ? nullptr : it->second;
}

Handle* findHandle(const void* pointer, ub4 type) {
  Handle* handle = findAnyHandle(pointer);
  return (handle != nullptr && handle->type == type) ? handle : nullptr;
}

void freeHandle(Handle* handle) {
  // Children first, newest first, so that a child never outlives its parent.
  while (!handle->children.empty()) freeHandle(handle->children.back());
  if (handle->parent != nullptr) {
    auto& siblings = handle->parent->children;
    siblings.erase(std::remove(siblings.begin(), siblings.end(), handle), siblings.end());
  }
  liveHandles().erase(handle->address());
  delete handle;
}

void freeChildrenOfType(Handle* handle, ub4 type) {
  std::vector<Handle*> doomed;
  for (Handle* child : handle->children)
    if (child->type == type) doomed.push_back(child);
  for (Handle* child : doomed) freeHandle(child);
}

}  // namespace ocistandin
