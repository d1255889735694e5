#include <dlfcn.h>
#include <unistd.h>

#include "library.h"

namespace host {

void* openLibrary(const std::string& path, std::string& error) {
  void* library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (library == nullptr) {
    const char* reason = dlerror();
    error = reason != nullptr ? reason : "unknown reason";
  }
  return library;
}

void* findSymbol(void* library, const char* name) {
  return dlsym(library, name);
}

void closeLibrary(void* library) {
  dlclose(library);
}

void endProcessAbruptly(int status) {
  _exit(status);
}

std::string moduleFileName(const std::string& stem) {
  return stem + ".so";
}

}  // namespace host
