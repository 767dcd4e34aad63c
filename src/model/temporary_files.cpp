#include "model/temporary_files.h"

#include <unistd.h>
#include <array>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>

namespace pellisor {

namespace {

constexpr std::size_t kSlots = 32;
constexpr std::size_t kPathCapacity = 4096;

// A slot is Free, being Filled by a writer, or Active: only Active paths are complete, so only they
// are unlinked by the handler, which may run at any moment on any thread.
enum SlotState : int { kFree, kFilling, kActive };

struct Slot {
    std::atomic<int> state{kFree};
    char path[kPathCapacity]{};
};

std::array<Slot, kSlots> slots;
static_assert(std::atomic<int>::is_always_lock_free, "the signal handler reads the slot states");

extern "C" void removeTemporariesAndReraise(int signalNumber) {
    const int savedErrno = errno;
    for (Slot& slot : slots) {
        if (slot.state.load(std::memory_order_acquire) == kActive) ::unlink(slot.path);
    }
    errno = savedErrno;
    // The handler was installed with SA_RESETHAND: the signal, blocked until the handler returns, then
    // takes its default action.
    ::raise(signalNumber);
}

void installHandlers() {
    for (const int signalNumber : {SIGINT, SIGTERM, SIGHUP}) {
        struct sigaction current {};
        if (::sigaction(signalNumber, nullptr, &current) != 0) continue;
        if (current.sa_handler != SIG_DFL || (current.sa_flags & SA_SIGINFO) != 0) continue;
        struct sigaction cleanUp {};
        cleanUp.sa_handler = removeTemporariesAndReraise;
        sigemptyset(&cleanUp.sa_mask);
        cleanUp.sa_flags = SA_RESETHAND;
        ::sigaction(signalNumber, &cleanUp, nullptr);
    }
}

}  // namespace

TemporaryFileGuard::TemporaryFileGuard(const char* path) noexcept {
    // Checked at every write, not once: a signal put back to its default since then is covered again.
    installHandlers();
    const std::size_t length = std::strlen(path);
    if (length >= kPathCapacity) return;
    for (std::size_t i = 0; i < kSlots; ++i) {
        int expected = kFree;
        if (!slots[i].state.compare_exchange_strong(expected, kFilling, std::memory_order_acquire)) continue;
        std::memcpy(slots[i].path, path, length + 1);
        slots[i].state.store(kActive, std::memory_order_release);
        slot_ = static_cast<int>(i);
        return;
    }
}

TemporaryFileGuard::~TemporaryFileGuard() {
    if (slot_ >= 0) slots[static_cast<std::size_t>(slot_)].state.store(kFree, std::memory_order_release);
}

}  // namespace pellisor
