#include "foundation/drives.h"

#include "foundation/text_convert.h"

namespace foundation {

std::string GetDriveTypeText(DriveType type) {
  switch (type) {
    case DriveType::Floppy:
      return "Floppy";
    case DriveType::Fixed:
      return "Fixed";
    case DriveType::Network:
      return "Network";
    case DriveType::CDROM:
      return "CDROM";
    case DriveType::RAM:
      return "RAM";
    case DriveType::Unknown:
      break;
  }
  return "Unknown";
}

DriveType DriveTypeOfFileSystem(std::string_view fs) {
  static constexpr std::string_view kFixed[] = {"ext2", "ext3", "ext4",     "xfs",     "btrfs",
                                                "vfat", "ntfs", "ntfs3",    "exfat",   "f2fs",
                                                "zfs",  "jfs",  "reiserfs", "overlay", "fuseblk"};
  static constexpr std::string_view kNetwork[] = {"nfs",        "nfs4", "cifs",     "smb3", "smbfs",
                                                  "fuse.sshfs", "9p",   "virtiofs", "afs",  "ceph"};
  static constexpr std::string_view kOptical[] = {"iso9660", "udf"};
  static constexpr std::string_view kRam[] = {"tmpfs", "ramfs"};
  for (auto t : kFixed)
    if (fs == t) return DriveType::Fixed;
  for (auto t : kNetwork)
    if (fs == t) return DriveType::Network;
  for (auto t : kOptical)
    if (fs == t) return DriveType::CDROM;
  for (auto t : kRam)
    if (fs == t) return DriveType::RAM;
  return DriveType::Unknown;
}

std::vector<MountedFileSystem> ParseMounts(std::string_view text) {
  return platform::system_facts::ParseMountTable(text);
}

std::vector<MountedFileSystem> ListStorageMounts() {
  std::vector<MountedFileSystem> storage;
  for (auto& m : platform::system_facts::MountedVolumes()) {
    DriveType type = DriveTypeOfFileSystem(m.fsType);
    if (type == DriveType::Unknown || type == DriveType::RAM) continue;
    storage.push_back(std::move(m));
  }
  return storage;
}

bool IsDriveReady(const std::string& mountPoint) {
  return platform::system_facts::QueryVolume(mountPoint).has_value();
}

bool GetDriveInfoText(const MountedFileSystem& mount, DriveInfo& info) {
  info = DriveInfo{};
  info.typeText = GetDriveTypeText(DriveTypeOfFileSystem(mount.fsType));
  const auto space = platform::system_facts::QueryVolume(mount.mountPoint);
  if (!space) {
    info.readWrite = "n/a";
    return false;
  }
  info.size = space->size;
  info.free = space->free;
  info.serialNo = DWordToHex(space->serial);
  // Read-only is read from the mount, not probed with a file in its root.
  info.readWrite = (space->readOnly || mount.readOnlyMount) ? "R/O" : "R/W";
  info.volumeInfo = platform::system_facts::VolumeLabel(mount.device);
  return true;
}

}  // namespace foundation
