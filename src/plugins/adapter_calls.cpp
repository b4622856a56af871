#include "plugins/adapter_calls.h"

#include "foundation/log.h"
#include "foundation/message_form.h"
#include "foundation/ui_guard.h"
#include "platform/com/bstr.h"
#include "platform/com/com_error.h"
#include "platform/com/variant.h"

namespace plugins {

// The status of an adapter call, read after the call (hence the reference); a
// failing call raises.
int32_t Checked(HRESULT hr, const int32_t& status, const std::string& what) {
  if (FAILED(hr)) throw ComError(hr, "The host failed to " + what);
  return status;
}

int32_t SetFilter(IPluginAdapter& adapter, int32_t bo, const char* attribute,
                  const std::string& value) {
  BStr name(attribute);
  Variant v(value);
  int32_t status = 0;
  return Checked(adapter.BOSetFilterAttr(bo, name.Get(), &v.Get(), 1, -1, -1, &status), status,
                 std::string("filter on ") + attribute);
}

int32_t ClearFilter(IPluginAdapter& adapter, int32_t bo, const char* attribute) {
  BStr name(attribute);
  Variant empty(std::string{});
  int32_t status = 0;
  return Checked(adapter.BOSetFilterAttr(bo, name.Get(), &empty.Get(), 0, 0, 0, &status), status,
                 std::string("clear the filter on ") + attribute);
}

void OpenCustomersOfSubsidiary(IPluginAdapter& adapter, int32_t bo, const std::string& subsidiary,
                               std::optional<std::string>& filteredOn) {
  const bool opened = !IsActive(adapter, bo);
  if (opened) Open(adapter, bo);
  if (opened || filteredOn != subsidiary) {
    filteredOn.reset();
    if (SetFilter(adapter, bo, "Sbs No", subsidiary) == kAdapterSuccess) filteredOn = subsidiary;
  }
}

bool IsActive(IPluginAdapter& adapter, int32_t bo) {
  WordBool active = 0;
  if (FAILED(adapter.BOIsActive(bo, &active))) {
    throw ComError(E_FAIL, "The host failed to tell whether an object is active");
  }
  return active != 0;
}

void Open(IPluginAdapter& adapter, int32_t bo) {
  int32_t status = 0;
  Checked(adapter.BOOpen(bo, &status), status, "open an object");
}

int32_t Create(IPluginAdapter& adapter, int32_t kind, const std::string& what) {
  int32_t handle = -1;
  int32_t status = 0;
  Checked(adapter.BOCreate(kind, &handle, &status), status, "create " + what);
  return handle;
}

int32_t Child(IPluginAdapter& adapter, int32_t bo, const char* reference) {
  BStr name(reference);
  int32_t child = -1;
  int32_t status = 0;
  Checked(adapter.BOGetChild(bo, name.Get(), &child, &status), status,
          std::string("give the child object \"") + reference + "\"");
  return child;
}

void Include(IPluginAdapter& adapter, int32_t bo, const std::string& attribute) {
  BStr name(attribute);
  int32_t status = 0;
  Checked(adapter.BOIncludeAttrForced(bo, name.Get(), ToWordBool(true), &status), status,
          "include \"" + attribute + "\"");
}

void ShowPluginMessage(const std::string& text, const std::string& tag) {
  if (!foundation::UiAvailableOnThisThread()) {
    foundation::KWLog(0, "Message not shown: " + text, foundation::kLevelWarning, tag);
    return;
  }
  foundation::DisplayMessage(foundation::kMessageCaption, text);
}

}  // namespace plugins
