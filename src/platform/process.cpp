#include "platform/process.h"

#include <fstream>
#include <iterator>
#include <mutex>
#include <system_error>
#include <unistd.h>

namespace platform {
namespace {

std::mutex g_mutex;
CommandLineProvider g_cmdline;
std::string g_exe_override;

std::string ReadSelfExe() {
  std::string buf(4096, '\0');
  ssize_t n = ::readlink("/proc/self/exe", buf.data(), buf.size() - 1);
  if (n <= 0) return {};
  buf.resize(static_cast<size_t>(n));
  return buf;
}

std::vector<std::string> ReadSelfCmdline() {
  std::ifstream in("/proc/self/cmdline", std::ios::binary);
  std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::vector<std::string> args;
  std::string cur;
  for (char c : all) {
    if (c == '\0') {
      args.push_back(cur);
      cur.clear();
    } else {
      cur.push_back(c);
    }
  }
  if (!cur.empty()) args.push_back(cur);
  return args;
}

}  // namespace

std::string ExecutablePath() {
  {
    std::lock_guard lock(g_mutex);
    if (!g_exe_override.empty()) return g_exe_override;
  }
  return ReadSelfExe();
}

std::string ExecutableFolder() {
  std::string path = ExecutablePath();
  auto slash = path.rfind('/');
  if (slash == std::string::npos) return "./";
  return path.substr(0, slash + 1);
}

std::vector<std::string> CommandLineArgs() {
  CommandLineProvider provider;
  {
    std::lock_guard lock(g_mutex);
    provider = g_cmdline;
  }
  return provider ? provider() : ReadSelfCmdline();
}

void SetCommandLineProvider(CommandLineProvider provider) {
  std::lock_guard lock(g_mutex);
  g_cmdline = std::move(provider);
}

void SetExecutablePathOverride(const std::string& path) {
  std::lock_guard lock(g_mutex);
  g_exe_override = path;
}

}  // namespace platform
