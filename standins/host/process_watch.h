#pragma once
// What a long run watches of its own process: resident memory and the
// threads alive, read from /proc.

#include <cstddef>
#include <map>
#include <string>

namespace hostsim {

// Resident memory of this process, in bytes; 0 when it cannot be read.
size_t ResidentBytes();

// This process's threads: id -> name.
using ThreadList = std::map<int, std::string>;
ThreadList Threads();

// The threads of `list` not in `without`.
ThreadList Without(const ThreadList& list, const ThreadList& without);
// The threads of `list` also in `other`.
ThreadList Within(const ThreadList& list, const ThreadList& other);
// "id (name), ..." or "none".
std::string Describe(const ThreadList& list);

}  // namespace hostsim
