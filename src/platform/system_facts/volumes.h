#pragma once
// The mounted file systems and what each answers about itself: sizes, serial,
// read-only state and volume label. Nothing here writes to a file system.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform::system_facts {

struct MountedVolume {
  std::string device;
  std::string mountPoint;
  std::string fsType;
  bool readOnlyMount = false;  // mounted with the "ro" option
};

// Parses a mount table text in the /proc/self/mounts form (octal escapes in
// paths decoded; lines with fewer than four fields left out).
std::vector<MountedVolume> ParseMountTable(std::string_view mountsText);

// Every file system mounted in this process's view, pseudo ones included.
std::vector<MountedVolume> MountedVolumes();

struct VolumeSpace {
  uint64_t size = 0;      // bytes
  uint64_t free = 0;      // bytes available to an unprivileged user
  uint32_t serial = 0;    // low 32 bits of the file-system id
  bool readOnly = false;  // the file system refuses writes
};

// The space and state of the file system at a mount point; nothing when it
// does not answer or has no blocks (it is not ready).
std::optional<VolumeSpace> QueryVolume(const std::string& mountPoint);

// The label of a block device, from the udev links in /dev/disk/by-label;
// empty when it has none or the device is not a path.
std::string VolumeLabel(const std::string& device);

}  // namespace platform::system_facts
