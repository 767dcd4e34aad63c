// Debian's static asmjit was built for executables: it reaches the C library's `stderr` by a
// PC-relative address, which a shared object cannot hold. This hidden `stderr` is the one every
// reference inside the module binds to, set to the C library's stream when the module loads.
#include <dlfcn.h>

extern "C" {
__attribute__((visibility("hidden"))) void* stderr = nullptr;
}

namespace {

[[gnu::constructor]] void takeLibraryStderr() {
    if (void* const* library = static_cast<void* const*>(dlsym(RTLD_NEXT, "stderr"))) stderr = *library;
}

}  // namespace
