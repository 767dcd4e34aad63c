#pragma once

// Ways to make a write fail for a test: a small full disk, a file-size limit, and root without its
// right to write where the file modes forbid it.

#include <gtest/gtest.h>

#include <linux/capability.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>

namespace pellisor::test {

// A tmpfs of 256 KiB mounted on `directory` while it lives; mounting needs root.
class Tmpfs {
public:
    explicit Tmpfs(std::string directory) : directory_(std::move(directory)) {
        std::filesystem::create_directories(directory_);
        mounted_ = ::mount("tmpfs", directory_.c_str(), "tmpfs", 0, "size=256k") == 0;
    }
    ~Tmpfs() {
        if (mounted_) ::umount2(directory_.c_str(), MNT_DETACH);
    }
    Tmpfs(const Tmpfs&) = delete;
    Tmpfs& operator=(const Tmpfs&) = delete;
    bool mounted() const { return mounted_; }

    // Writes a filler file until the disk takes no more.
    void fill() const {
        std::FILE* file = std::fopen((directory_ + "/filler").c_str(), "wb");
        ASSERT_NE(nullptr, file);
        std::setvbuf(file, nullptr, _IONBF, 0);
        const std::string block(4096, 'f');
        while (std::fwrite(block.data(), 1, block.size(), file) == block.size()) {
        }
        // The last bytes may fit one by one.
        while (std::fputc('f', file) != EOF) {
        }
        std::fclose(file);
    }

private:
    std::string directory_;
    bool mounted_ = false;
};

// Files may grow to at most `limit` bytes while it lives: writing further fails with EFBIG, even as root.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t limit) {
        previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        ::getrlimit(RLIMIT_FSIZE, &previous_);
        rlimit reduced = previous_;
        reduced.rlim_cur = limit;
        ::setrlimit(RLIMIT_FSIZE, &reduced);
    }
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &previous_);
        std::signal(SIGXFSZ, previousHandler_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit previous_{};
    void (*previousHandler_)(int) = nullptr;
};

// While it lives the process obeys file modes even as root: the capabilities that override them are
// taken out of the effective set (and given back after), so a read-only file or directory stays so.
class ObeyFileModes {
public:
    ObeyFileModes() {
        if (::syscall(SYS_capget, &header_, saved_) != 0) return;
        __user_cap_data_struct reduced[2] = {saved_[0], saved_[1]};
        reduced[0].effective &= ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH));
        changed_ = ::syscall(SYS_capset, &header_, reduced) == 0;
    }
    ~ObeyFileModes() {
        if (changed_) ::syscall(SYS_capset, &header_, saved_);
    }
    ObeyFileModes(const ObeyFileModes&) = delete;
    ObeyFileModes& operator=(const ObeyFileModes&) = delete;

private:
    __user_cap_header_struct header_{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct saved_[2]{};
    bool changed_ = false;
};

// Every entry of a directory with its bytes (a directory as a marker): what a failed write must leave
// as it found it.
inline std::map<std::string, std::string> directoryListing(const std::string& directory) {
    std::map<std::string, std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(directory)) {
        const std::string name = entry.path().filename().string();
        if (entry.is_directory()) {
            files[name] = "<directory>";
        } else {
            std::ifstream in(entry.path(), std::ios::binary);
            files[name] = std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        }
    }
    return files;
}

}  // namespace pellisor::test
