#pragma once

namespace pellisor {

// The temporary files of writes in progress, removed when Ctrl-C, SIGTERM or SIGHUP ends the program
// before the write has renamed or removed its file. Handlers are installed when a write begins, only
// for signals at their default disposition (an ignored SIGHUP under nohup stays ignored); after the
// clean-up the signal ends the program as it would have.
class TemporaryFileGuard {
public:
    // Registers the path; a path too long for the registry, or a registry already full, is simply not
    // cleaned up on a signal.
    explicit TemporaryFileGuard(const char* path) noexcept;
    TemporaryFileGuard(const TemporaryFileGuard&) = delete;
    TemporaryFileGuard& operator=(const TemporaryFileGuard&) = delete;
    // Forgets the path; call once the file is renamed or removed.
    ~TemporaryFileGuard();

private:
    int slot_ = -1;
};

}  // namespace pellisor
