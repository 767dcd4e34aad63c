// Debian's static AsmJit is built as position-independent executable code, not shared-object code: its
// two reads of `stderr` (in its assertion and debug output) cannot be linked into the module as they
// stand. The link renames those references (--wrap=stderr) to this module-local copy, which points to
// the C library's stream.

#include <cstdio>

extern "C" {
extern FILE* __real_stderr;  // NOLINT: the name the linker's --wrap gives the original
__attribute__((visibility("hidden"))) FILE* __wrap_stderr = nullptr;  // NOLINT: as above
}

namespace {

const bool streamSet = [] {
    __wrap_stderr = __real_stderr;
    return true;
}();

}  // namespace
