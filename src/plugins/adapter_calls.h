#pragma once
// The host adapter calls the receipt plug-ins make on their own business
// objects, each raising ComError when the host fails the call, and the
// plug-ins' message form.

#include <cstdint>
#include <optional>
#include <string>

#include "host_interfaces/host_interfaces.h"

namespace plugins {

// The status of an adapter call, read after the call (hence the reference); a
// failing call raises.
int32_t Checked(HRESULT hr, const int32_t& status, const std::string& what);
// Filters `bo` to records whose attribute equals `value`: the host's status.
int32_t SetFilter(IPluginAdapter& adapter, int32_t bo, const char* attribute,
                  const std::string& value);
int32_t ClearFilter(IPluginAdapter& adapter, int32_t bo, const char* attribute);
bool IsActive(IPluginAdapter& adapter, int32_t bo);
void Open(IPluginAdapter& adapter, int32_t bo);
// Opens customer object `bo` when it is not active and filters it on
// "Sbs No" = `subsidiary` when it was just opened or is filtered on another
// subsidiary: the object stays open from one document to the next, which may
// be of another subsidiary. `filteredOn` keeps the subsidiary the filter
// holds; a filter the host refused leaves it empty, so it is set again at
// the next document.
void OpenCustomersOfSubsidiary(IPluginAdapter& adapter, int32_t bo, const std::string& subsidiary,
                               std::optional<std::string>& filteredOn);
// A new business object of `kind`: its handle.
int32_t Create(IPluginAdapter& adapter, int32_t kind, const std::string& what);
// The related object named `reference`.
int32_t Child(IPluginAdapter& adapter, int32_t bo, const char* reference);
// Includes the attribute, forced, in the object's next open.
void Include(IPluginAdapter& adapter, int32_t bo, const std::string& attribute);

// The message form with the plug-in's caption; logged under `tag` instead
// where no user interface runs on this thread.
void ShowPluginMessage(const std::string& text, const std::string& tag);

}  // namespace plugins
