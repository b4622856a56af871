#pragma once
// The library's class table, resolved: each row's identifier and names joined
// with the C++ class its factory creates.

#include "hostplugin/plugin_class_table.h"

namespace plugin {

hostplugin::PluginClassTable ResolvePluginClassTable();

}  // namespace plugin
