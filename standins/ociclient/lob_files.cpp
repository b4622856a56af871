// BFILEs: a directory alias of the configuration ("@directory NAME =
// folder") and a file name inside that folder. A name that would leave the
// folder (absolute, "..", a link pointing outside) is refused.
#include <algorithm>
#include <filesystem>

#include "api_support.h"
#include "config.h"
#include "lob_value.h"

#include "platform/text.h"

namespace ocistandin {

bool bfilePath(const LobLocator& locator, std::string& path, OraError& error) {
  namespace fs = std::filesystem;
  const ClientConfig config = currentConfig();
  const auto folder = config.directories.find(platform::UpperAscii(locator.directory));
  if (folder == config.directories.end()) return (error = lobError(22285)), false;
  const fs::path name(locator.fileName);
  bool leaves = name.empty() || name.is_absolute();
  for (const auto& part : name) leaves = leaves || part == "..";
  std::error_code ec;
  const fs::path root = fs::weakly_canonical(folder->second, ec);
  const fs::path target = fs::weakly_canonical(fs::path(folder->second) / name, ec);
  if (!leaves) {
    const auto [rootEnd, targetAt] =
        std::mismatch(root.begin(), root.end(), target.begin(), target.end());
    leaves = rootEnd != root.end();
  }
  if (leaves) {
    error = {22288, "file or LOB operation FILEOPEN failed\nThe file name leaves its directory"};
    return false;
  }
  if (!fs::is_regular_file(target, ec)) {
    error = {22288, "file or LOB operation FILEOPEN failed\nNo such file or directory"};
    return false;
  }
  path = target.string();
  return true;
}

}  // namespace ocistandin

using namespace ocistandin;

namespace {

constexpr ub1 kFileReadOnly = 1;  // the one mode of OCILobFileOpen

LobLocator* fileLocator(const void* pointer) {
  LobLocator* locator = findLocator(pointer);
  return locator != nullptr && locator->type == OCI_DTYPE_FILE ? locator : nullptr;
}

}  // namespace

extern "C" {

sword OCILobFileOpen(OCISvcCtx*, OCIError* errhp, OCILobLocator* filep, ub1 mode) {
  ApiLock lock(apiMutex());
  ErrorHandle* err = beginCall(errhp);
  LobLocator* file = fileLocator(filep);
  if (err == nullptr || file == nullptr) return OCI_INVALID_HANDLE;
  if (mode != kFileReadOnly) return fail(err, lobError(24801));
  if (file->kind != LobLocator::Kind::kFile) return fail(err, lobError(22275));
  OraError error;
  std::string path;
  if (!bfilePath(*file, path, error)) return fail(err, error);
  file->fileOpen = true;
  return OCI_SUCCESS;
}

sword OCILobFileClose(OCISvcCtx*, OCIError* errhp, OCILobLocator* filep) {
  ApiLock lock(apiMutex());
  ErrorHandle* err = beginCall(errhp);
  LobLocator* file = fileLocator(filep);
  if (err == nullptr || file == nullptr) return OCI_INVALID_HANDLE;
  file->fileOpen = false;
  return OCI_SUCCESS;
}

// Open state lives in each locator; closing them all is the callers' part.
sword OCILobFileCloseAll(OCISvcCtx*, OCIError* errhp) {
  ApiLock lock(apiMutex());
  return beginCall(errhp) != nullptr ? OCI_SUCCESS : OCI_INVALID_HANDLE;
}

sword OCILobFileIsOpen(OCISvcCtx*, OCIError* errhp, OCILobLocator* filep, boolean* flag) {
  ApiLock lock(apiMutex());
  ErrorHandle* err = beginCall(errhp);
  LobLocator* file = fileLocator(filep);
  if (err == nullptr || file == nullptr || flag == nullptr) return OCI_INVALID_HANDLE;
  *flag = file->fileOpen ? 1 : 0;
  return OCI_SUCCESS;
}

sword OCILobFileExists(OCISvcCtx*, OCIError* errhp, OCILobLocator* filep, boolean* flag) {
  ApiLock lock(apiMutex());
  ErrorHandle* err = beginCall(errhp);
  LobLocator* file = fileLocator(filep);
  if (err == nullptr || file == nullptr || flag == nullptr) return OCI_INVALID_HANDLE;
  if (file->kind != LobLocator::Kind::kFile) return fail(err, lobError(22275));
  OraError error;
  std::string path;
  const bool found = bfilePath(*file, path, error);
  if (!found && error.code == 22285) return fail(err, error);
  *flag = found ? 1 : 0;
  return OCI_SUCCESS;
}

sword OCILobFileGetName(OCIEnv*, OCIError* errhp, const OCILobLocator* filep, text* dir_alias,
                        ub2* d_length, text* filename, ub2* f_length) {
  ApiLock lock(apiMutex());
  ErrorHandle* err = beginCall(errhp);
  LobLocator* file = fileLocator(filep);
  if (err == nullptr || file == nullptr || d_length == nullptr || f_length == nullptr)
    return OCI_INVALID_HANDLE;
  if (file->kind != LobLocator::Kind::kFile) return fail(err, lobError(22275));
  if (file->directory.size() > *d_length || file->fileName.size() > *f_length)
    return fail(err, lobError(24801));
  file->directory.copy(reinterpret_cast<char*>(dir_alias), file->directory.size());
  file->fileName.copy(reinterpret_cast<char*>(filename), file->fileName.size());
  *d_length = static_cast<ub2>(file->directory.size());
  *f_length = static_cast<ub2>(file->fileName.size());
  return OCI_SUCCESS;
}

sword OCILobFileSetName(OCIEnv*, OCIError* errhp, OCILobLocator** filepp, const text* dir_alias,
                        ub2 d_length, const text* filename, ub2 f_length) {
  ApiLock lock(apiMutex());
  ErrorHandle* err = beginCall(errhp);
  LobLocator* file = filepp != nullptr ? fileLocator(*filepp) : nullptr;
  if (err == nullptr || file == nullptr || dir_alias == nullptr || filename == nullptr)
    return OCI_INVALID_HANDLE;
  file->kind = LobLocator::Kind::kFile;
  file->lobType = SQLT_BFILEE;
  file->directory.assign(reinterpret_cast<const char*>(dir_alias), d_length);
  file->fileName.assign(reinterpret_cast<const char*>(filename), f_length);
  file->fileOpen = false;
  return OCI_SUCCESS;
}

}  // extern "C"
