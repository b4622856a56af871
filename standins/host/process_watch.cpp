#include "process_watch.h"

#include <unistd.h>

#include <filesystem>
#include <fstream>

namespace hostsim {

size_t ResidentBytes() {
  std::ifstream statm("/proc/self/statm");
  size_t size = 0;
  size_t resident = 0;
  if (!(statm >> size >> resident)) return 0;
  return resident * static_cast<size_t>(::sysconf(_SC_PAGESIZE));
}

ThreadList Threads() {
  ThreadList threads;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator("/proc/self/task", error)) {
    int id = 0;
    try {
      id = std::stoi(entry.path().filename().string());
    } catch (const std::exception&) {
      continue;  // not a thread's folder
    }
    std::ifstream comm(entry.path() / "comm");
    std::getline(comm, threads[id]);
  }
  return threads;
}

ThreadList Without(const ThreadList& list, const ThreadList& without) {
  ThreadList rest;
  for (const auto& [id, name] : list) {
    if (!without.contains(id)) rest.emplace(id, name);
  }
  return rest;
}

ThreadList Within(const ThreadList& list, const ThreadList& other) {
  ThreadList both;
  for (const auto& [id, name] : list) {
    if (other.contains(id)) both.emplace(id, name);
  }
  return both;
}

std::string Describe(const ThreadList& list) {
  std::string text;
  for (const auto& [id, name] : list) {
    text += (text.empty() ? "" : ", ") + std::to_string(id) + " (" + name + ")";
  }
  return text.empty() ? "none" : text;
}

}  // namespace hostsim
