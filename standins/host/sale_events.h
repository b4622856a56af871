#pragma once
// The plug-ins of one run and the business events the host fires at them.
// Each event is called the way the host calls it, on the plug-ins that take
// it (the entity-update and print plug-ins of the document's kind, the side
// button with the pressed caption, the side buttons subscribed to a UI event,
// every configure plug-in, every values server), and each call and answer is
// written to the transcript. An answer that differs from the scenario's is a
// failure.

#include <ostream>
#include <string>
#include <vector>

#include "host_interfaces/host_interfaces.h"
#include "platform/com/com_ptr.h"
#include "plugin_library.h"
#include "scenario.h"

namespace hostsim {

struct LoadedPlugin {
  std::string clsid;
  std::string description;
  int32_t kind = 0;
  ComPtr<IPlugin> plugin;
  ComPtr<IEntityUpdatePlugin> entity;
  ComPtr<IPrintPlugin> print;
  ComPtr<ISideButtonPlugin> button;
  ComPtr<IConfigurePlugin> configure;
  ComPtr<IServerPlugin> server;
};

class SaleEvents {
 public:
  SaleEvents(std::ostream& out, std::vector<std::string>& failures)
      : out_(out), failures_(failures) {}

  // Creates each plug-in, hands it the adapter and prepares it. False when a
  // plug-in could not be created.
  bool Load(const PluginLibrary& library, const std::vector<std::string>& classes,
            IPluginAdapter* adapter);
  void Fire(const EventEntry& event, int number, int32_t documentKind);
  // CleanUp on every plug-in, then releases them.
  bool CleanUp();

 private:
  void Expect(const EventEntry& event, size_t index, bool answered, const std::string& who);

  std::ostream& out_;
  std::vector<std::string>& failures_;
  std::vector<LoadedPlugin> plugins_;
};

}  // namespace hostsim
