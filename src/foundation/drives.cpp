#include "foundation/drives.h"

#include <dirent.h>
#include <sys/statvfs.h>
#include <unistd.h>
#include <climits>
#include <cstdlib>

#include "foundation/system_file_text.h"
#include "foundation/text_convert.h"

namespace foundation {
namespace {

std::string DecodeMountField(std::string_view field) {
  std::string out;
  for (size_t i = 0; i < field.size(); ++i) {
    if (field[i] == '\\' && i + 3 < field.size() && field[i + 1] >= '0' && field[i + 1] <= '3' &&
        field[i + 2] >= '0' && field[i + 2] <= '7' && field[i + 3] >= '0' && field[i + 3] <= '7') {
      out.push_back(static_cast<char>((field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 +
                                      (field[i + 3] - '0')));
      i += 3;
    } else {
      out.push_back(field[i]);
    }
  }
  return out;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// udev writes unsafe characters of a label as \xHH.
std::string DecodeUdevName(std::string_view name) {
  std::string out;
  for (size_t i = 0; i < name.size(); ++i) {
    if (name[i] == '\\' && i + 3 < name.size() && name[i + 1] == 'x' &&
        HexDigit(name[i + 2]) >= 0 && HexDigit(name[i + 3]) >= 0) {
      out.push_back(static_cast<char>(HexDigit(name[i + 2]) * 16 + HexDigit(name[i + 3])));
      i += 3;
    } else {
      out.push_back(name[i]);
    }
  }
  return out;
}

// The label of a block device, from the udev links in /dev/disk/by-label.
std::string VolumeLabel(const std::string& device) {
  if (device.empty() || device[0] != '/') return {};
  char resolvedDevice[PATH_MAX];
  if (::realpath(device.c_str(), resolvedDevice) == nullptr) return {};
  const std::string dir = "/dev/disk/by-label/";
  DIR* d = ::opendir(dir.c_str());
  if (d == nullptr) return {};
  std::string label;
  while (dirent* de = ::readdir(d)) {
    if (de->d_name[0] == '.') continue;
    char target[PATH_MAX];
    if (::realpath((dir + de->d_name).c_str(), target) != nullptr &&
        std::string_view(target) == resolvedDevice) {
      label = DecodeUdevName(de->d_name);
      break;
    }
  }
  ::closedir(d);
  return label;
}

}  // namespace

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
  std::vector<MountedFileSystem> mounts;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t eol = text.find('\n', pos);
    if (eol == std::string_view::npos) eol = text.size();
    std::string_view line = text.substr(pos, eol - pos);
    pos = eol + 1;
    std::vector<std::string_view> fields;
    size_t f = 0;
    while (f < line.size() && fields.size() < 4) {
      size_t sp = line.find(' ', f);
      if (sp == std::string_view::npos) sp = line.size();
      fields.push_back(line.substr(f, sp - f));
      f = sp + 1;
    }
    if (fields.size() < 4) continue;
    MountedFileSystem m;
    m.device = DecodeMountField(fields[0]);
    m.mountPoint = DecodeMountField(fields[1]);
    m.fsType = std::string(fields[2]);
    std::string_view opts = fields[3];
    m.readOnlyMount = opts == "ro" || opts.rfind("ro,", 0) == 0 ||
                      opts.find(",ro,") != std::string_view::npos ||
                      (opts.size() >= 3 && opts.substr(opts.size() - 3) == ",ro");
    mounts.push_back(std::move(m));
  }
  return mounts;
}

std::vector<MountedFileSystem> ListStorageMounts() {
  std::vector<MountedFileSystem> storage;
  for (auto& m : ParseMounts(ReadSystemFileText("/proc/self/mounts"))) {
    DriveType type = DriveTypeOfFileSystem(m.fsType);
    if (type == DriveType::Unknown || type == DriveType::RAM) continue;
    storage.push_back(std::move(m));
  }
  return storage;
}

bool IsDriveReady(const std::string& mountPoint) {
  struct statvfs st {};
  return ::statvfs(mountPoint.c_str(), &st) == 0 && st.f_blocks > 0;
}

bool GetDriveInfoText(const MountedFileSystem& mount, DriveInfo& info) {
  info = DriveInfo{};
  info.typeText = GetDriveTypeText(DriveTypeOfFileSystem(mount.fsType));
  struct statvfs st {};
  if (::statvfs(mount.mountPoint.c_str(), &st) != 0 || st.f_blocks == 0) {
    info.readWrite = "n/a";
    return false;
  }
  info.size = static_cast<uint64_t>(st.f_blocks) * st.f_frsize;
  info.free = static_cast<uint64_t>(st.f_bavail) * st.f_frsize;
  info.serialNo = DWordToHex(static_cast<uint32_t>(st.f_fsid & 0xffffffffu));
  // Read-only is read from the mount, not probed with a file in its root.
  info.readWrite = ((st.f_flag & ST_RDONLY) != 0 || mount.readOnlyMount) ? "R/O" : "R/W";
  info.volumeInfo = VolumeLabel(mount.device);
  return true;
}

}  // namespace foundation
