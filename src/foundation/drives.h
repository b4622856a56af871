#pragma once
// The mounted file systems, standing in for drive letters in the log header's
// machine block. Nothing here writes to a file system.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/system_facts/volumes.h"

namespace foundation {

enum class DriveType { Unknown, Floppy, Fixed, Network, CDROM, RAM };

// "Floppy", "Fixed", "Network", "CDROM", "RAM", else "Unknown".
std::string GetDriveTypeText(DriveType type);

// The kind of storage behind a file-system type name ("ext4", "nfs", ...).
DriveType DriveTypeOfFileSystem(std::string_view fsType);

// A mounted file system: device, mount point, type name and whether it was
// mounted read-only.
using MountedFileSystem = platform::system_facts::MountedVolume;

// Parses mount table text (octal escapes in paths decoded).
std::vector<MountedFileSystem> ParseMounts(std::string_view mountsText);

// The mounted file systems that hold storage (pseudo file systems left out).
std::vector<MountedFileSystem> ListStorageMounts();

struct DriveInfo {
  std::string typeText;
  std::string volumeInfo;  // the volume label; empty when it has none
  std::string serialNo;    // eight upper-case hexadecimal digits
  std::string readWrite;   // "R/W", "R/O" or "n/a" when not ready
  uint64_t size = 0;
  uint64_t free = 0;
};

// True when the mount point answers for its size (it is ready).
bool IsDriveReady(const std::string& mountPoint);

// Fills `info` for a mounted file system; false when it is not ready (the
// type and "n/a" are still filled).
bool GetDriveInfoText(const MountedFileSystem& mount, DriveInfo& info);

}  // namespace foundation
