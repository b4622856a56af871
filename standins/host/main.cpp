// pos-host: the simulated point-of-sale host (see host_commands.h).

#include <QApplication>
#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#include "host_commands.h"

int main(int argc, char** argv) {
  // Without a display the host still runs, with off-screen windows.
  if (std::getenv("QT_QPA_PLATFORM") == nullptr && std::getenv("DISPLAY") == nullptr &&
      std::getenv("WAYLAND_DISPLAY") == nullptr) {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
  }
  QApplication app(argc, argv);
  std::vector<std::string> args(argv + 1, argv + argc);
  return hostsim::RunHostCommand(args, std::cout, std::cerr);
}
