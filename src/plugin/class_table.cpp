#include "plugin/class_table.h"

#include "dialogs/vk9_values_server.h"
#include "hostplugin/plugin_discover.h"
#include "plugins/vk9_configure.h"
#include "plugins/vk9_email_sb.h"
#include "plugins/vk9_rcpt_on_print.h"
#include "plugins/vk9_rcpt_on_update.h"
#include "plugins/vk9_reprint_side_button.h"
#include "plugins/vk9_so_dep_on_update.h"
#include "plugins/vk9_sosb.h"

namespace plugin {

using hostplugin::kPluginClassInfo;
using hostplugin::MakePluginFactory;

hostplugin::PluginClassTable ResolvePluginClassTable() {
  // Row order is the order of kPluginClassInfo; the creators follow it.
  constexpr hostplugin::FactoryMaker kMakers[hostplugin::kPluginClassCount] = {
      &MakePluginFactory<hostplugin::TPlugin_Discover>,
      &MakePluginFactory<plugins::Tvk9Configure>,
      &MakePluginFactory<plugins::Tvk9RcptOnUpdate>,
      &MakePluginFactory<plugins::Tvk9SODepOnUpdate>,
      &MakePluginFactory<plugins::Tvk9SOSB>,
      &MakePluginFactory<plugins::TVK9RcptOnPrint>,
      &MakePluginFactory<dialogs::Tvk9ValuesServer>,
      &MakePluginFactory<plugins::Tvk9ReprintSideButton>,
      &MakePluginFactory<plugins::Tvk9EmailSB>,
  };
  hostplugin::PluginClassTable table;
  for (size_t row = 0; row < table.size(); ++row) {
    table[row].info = &kPluginClassInfo[row];
    table[row].makeFactory = kMakers[row];
  }
  return table;
}

}  // namespace plugin
