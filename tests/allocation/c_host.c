/* A host that is no C++ program, as many are: loads the module, then lets no
   allocation succeed, so that the module's first throw finds no memory.
   Exits 0 when Load came back, the host alive. glibc's malloc family is
   replaced by the program's own, as a memory-failure shim would. */
#include <dlfcn.h>
#include <stddef.h>
#include <stdio.h>

extern void* __libc_malloc(size_t size);
extern void* __libc_calloc(size_t count, size_t size);
extern void* __libc_realloc(void* block, size_t size);
extern void* __libc_memalign(size_t alignment, size_t size);

static int refusing = 0;

void* malloc(size_t size) { return refusing ? NULL : __libc_malloc(size); }
void* calloc(size_t count, size_t size) { return refusing ? NULL : __libc_calloc(count, size); }
void* realloc(void* block, size_t size) { return refusing ? NULL : __libc_realloc(block, size); }
void* memalign(size_t alignment, size_t size) {
  return refusing ? NULL : __libc_memalign(alignment, size);
}

int main(int argc, char** argv) {
  void* module = argc > 1 ? dlopen(argv[1], RTLD_NOW) : NULL;
  void (*load)(void) = NULL;
  /* POSIX's way to a function from dlsym, which ISO C has none of. */
  if (module != NULL) *(void**)(&load) = dlsym(module, "Load");
  if (load == NULL) {
    fprintf(stderr, "cannot load %s\n", argc > 1 ? argv[1] : "(no module given)");
    return 2;
  }
  refusing = 1;
  load();
  refusing = 0;
  puts("Load came back with no memory to be had");
  return 0;
}
