#include "oci_client_hooks.h"

#include <dlfcn.h>

#include <stdexcept>

namespace hostsim {

OciClientHooks::OciClientHooks(const std::filesystem::path& folder) {
  const std::filesystem::path library = folder / "oracle" / "lib" / "libociclient.so";
  handle_ = ::dlopen(library.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle_ != nullptr) {
    fail_ = reinterpret_cast<void (*)(const char*, int, const char*)>(
        ::dlsym(handle_, "ociStandin_FailStatements"));
    clear_ = reinterpret_cast<void (*)()>(::dlsym(handle_, "ociStandin_ClearFailure"));
  }
  if (fail_ == nullptr || clear_ == nullptr) {
    if (handle_ != nullptr) ::dlclose(handle_);
    throw std::runtime_error("cannot load " + library.string());
  }
}

OciClientHooks::~OciClientHooks() {
  ::dlclose(handle_);
}

void OciClientHooks::FailStatements(const StatementFault& fault) {
  fail_(fault.containing.c_str(), fault.code, fault.text.empty() ? nullptr : fault.text.c_str());
}

void OciClientHooks::Clear() {
  clear_();
}

}  // namespace hostsim
