#pragma once
// The version record built into the plug-in library from the project version.

#include <string>

namespace foundation {

// Path of the binary this code is linked into (the plug-in library when
// loaded by a host; the program itself when linked statically into one).
std::string OwnLibraryPath();

// "%d.%d.%d.%d" (major, minor, release, build) of the file's version record:
// our own library carries the project version; any other file, a missing one
// included, has none and gives an empty text.
std::string GetFileVersionText(const std::string& fileName);

}  // namespace foundation
