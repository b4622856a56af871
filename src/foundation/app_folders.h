#pragma once
// The folder names the system works with, derived from the host executable's
// folder. Each name ends with the path separator.

#include <string>

namespace foundation {

struct AppFolders {
  std::string app;           // folder of the host process's executable
  std::string temp;          // the system's temporary folder
  std::string current;       // the process's current folder at start-up
  std::string plugins;       // app + "plugins/" unless app already ends so (any case)
  std::string cache;         // app + "Cache/"
  std::string impExp;        // app + "ImpExp/"
  std::string web;           // app + "Web/"
  std::string printLayouts;  // app + "PrintLayouts/"
  std::string retail;        // root of the app folder's file system + "Retail/"
  std::string promotions;    // retail + "RProProm/"
  std::string clipboard;     // temp + "CSClip/", or "/tmp/CSClip/" without a temp folder
};

// Derives every name from the three given folders (each with or without a
// trailing separator; empty temp means there is none). Creates nothing.
AppFolders ComputeAppFolders(const std::string& appFolder, const std::string& tempFolder,
                             const std::string& currentFolder);

// The process's folders, computed on first use; the cache folder is created
// then when missing.
AppFolders GetAppFolders();

// Computes the folders again on next use (after a test changed the executable
// path).
void ResetAppFolders();

// Shorthands for the two names most callers want.
std::string GetAppFolder();
std::string GetPluginsFolder();

}  // namespace foundation
