#include "platform/system_facts/volumes.h"

#include <dirent.h>
#include <sys/statvfs.h>
#include <climits>
#include <cstdlib>

#include "platform/system_facts/system_file.h"

namespace platform::system_facts {
namespace {

// The mount table writes space, tab, newline and backslash in paths as \ooo.
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

bool HasReadOnlyOption(std::string_view opts) {
  return opts == "ro" || opts.rfind("ro,", 0) == 0 || opts.find(",ro,") != std::string_view::npos ||
         (opts.size() >= 3 && opts.substr(opts.size() - 3) == ",ro");
}

}  // namespace

std::vector<MountedVolume> ParseMountTable(std::string_view text) {
  std::vector<MountedVolume> mounts;
  size_t pos = 0;
  std::string_view line;
  while (NextLine(text, pos, line)) {
    std::vector<std::string_view> fields;
    size_t f = 0;
    while (f < line.size() && fields.size() < 4) {
      size_t sp = line.find(' ', f);
      if (sp == std::string_view::npos) sp = line.size();
      fields.push_back(line.substr(f, sp - f));
      f = sp + 1;
    }
    if (fields.size() < 4) continue;
    MountedVolume m;
    m.device = DecodeMountField(fields[0]);
    m.mountPoint = DecodeMountField(fields[1]);
    m.fsType = std::string(fields[2]);
    m.readOnlyMount = HasReadOnlyOption(fields[3]);
    mounts.push_back(std::move(m));
  }
  return mounts;
}

std::vector<MountedVolume> MountedVolumes() {
  return ParseMountTable(ReadSystemFileText("/proc/self/mounts"));
}

std::optional<VolumeSpace> QueryVolume(const std::string& mountPoint) {
  struct statvfs st {};
  if (::statvfs(mountPoint.c_str(), &st) != 0 || st.f_blocks == 0) return std::nullopt;
  VolumeSpace space;
  space.size = static_cast<uint64_t>(st.f_blocks) * st.f_frsize;
  space.free = static_cast<uint64_t>(st.f_bavail) * st.f_frsize;
  space.serial = static_cast<uint32_t>(st.f_fsid & 0xffffffffu);
  space.readOnly = (st.f_flag & ST_RDONLY) != 0;
  return space;
}

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

}  // namespace platform::system_facts
