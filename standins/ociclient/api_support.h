// Helpers shared by the exported entry points: the call lock and the checks
// that every call makes on its error handle.
#pragma once

#include <mutex>

#include "errors.h"
#include "handles.h"

namespace ocistandin {

using ApiLock = std::lock_guard<std::recursive_mutex>;

// The error handle of a call, its record cleared; null when `errhp` is not a
// live error handle (the call then answers OCI_INVALID_HANDLE).
inline ErrorHandle* beginCall(const void* errhp) {
  auto* err = findAs<ErrorHandle>(errhp, OCI_HTYPE_ERROR);
  if (err != nullptr) err->record.reset();
  return err;
}

// Copies `text` into an OCI text attribute (pointer and length out).
inline void exposeText(const std::string& value, void* attributep, ub4* sizep) {
  if (attributep != nullptr)
    *static_cast<const ::text**>(attributep) = reinterpret_cast<const ::text*>(value.c_str());
  if (sizep != nullptr) *sizep = static_cast<ub4>(value.size());
}

}  // namespace ocistandin
