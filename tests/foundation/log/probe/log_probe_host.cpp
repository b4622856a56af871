// A minimal host process: loads the probe library, has it log the given
// number of lines and leaves through exit() without finalising the library.
// Exit status 0 when all of that ran; the log file tells the rest.

#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s <library> <lines>\n", argv[0]);
    return 2;
  }
  void* library = ::dlopen(argv[1], RTLD_NOW | RTLD_LOCAL);
  if (library == nullptr) {
    std::fprintf(stderr, "%s\n", ::dlerror());
    return 3;
  }
  auto log = reinterpret_cast<void (*)(int)>(::dlsym(library, "norvane_probe_log"));
  if (log == nullptr) return 4;
  log(std::atoi(argv[2]));
  std::exit(0);
}
