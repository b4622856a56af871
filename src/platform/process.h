#pragma once
// Facts about the running process: where its executable lives and what its
// command line holds. Tests replace both through the setters below.

#include <functional>
#include <string>
#include <vector>

namespace platform {

// Full path of the running executable (/proc/self/exe).
std::string ExecutablePath();

// Folder of the running executable, with a trailing '/'.
std::string ExecutableFolder();

// The process's command line, argv[0] first (/proc/self/cmdline).
std::vector<std::string> CommandLineArgs();

// Replace the command line seen by CommandLineArgs(); an empty function
// restores the real one.
using CommandLineProvider = std::function<std::vector<std::string>()>;
void SetCommandLineProvider(CommandLineProvider provider);

// Replace the executable path seen by ExecutablePath()/ExecutableFolder();
// an empty text restores the real one.
void SetExecutablePathOverride(const std::string& path);

}  // namespace platform
