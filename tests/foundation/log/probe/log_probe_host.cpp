// A minimal host process: loads the probe library, prints the version record
// of the library's own file, has it log the given number of lines, finalises
// the library when asked, and leaves through exit(). Exit status 0 when all of
// that ran; the log file tells the rest.

#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: %s <library> <lines> finalize|exit\n", argv[0]);
    return 2;
  }
  void* library = ::dlopen(argv[1], RTLD_NOW | RTLD_LOCAL);
  if (library == nullptr) {
    std::fprintf(stderr, "%s\n", ::dlerror());
    return 3;
  }
  auto log = reinterpret_cast<void (*)(int)>(::dlsym(library, "norvane_probe_log"));
  auto finalize = reinterpret_cast<void (*)()>(::dlsym(library, "norvane_probe_finalize"));
  auto version = reinterpret_cast<const char* (*)()>(::dlsym(library, "norvane_probe_own_version"));
  if (log == nullptr || finalize == nullptr || version == nullptr) return 4;
  std::printf("%s\n", version());
  std::fflush(stdout);
  log(std::atoi(argv[2]));
  if (std::strcmp(argv[3], "finalize") == 0) {
    finalize();
    ::dlclose(library);
  }
  std::exit(0);
}
