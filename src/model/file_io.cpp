#include "model/file_io.h"

#include "model/error.h"
#include "model/temporary_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace pellisor {

namespace {

std::string directoryOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

[[noreturn]] void throwWriteError(const std::string& path, int errorNumber) {
    throw Error("Soubor nelze zapsat: " + path + " (" + std::strerror(errorNumber) + ")");
}

class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    ~FileDescriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    int get() const { return fd_; }
    int release() {
        const int fd = fd_;
        fd_ = -1;
        return fd;
    }

private:
    int fd_;
};

// Where a write to `path` lands: a symbolic link is followed, through chains, to the file it names
// (which need not exist yet), so the link stays a link and its target gets the new bytes.
std::string writeTargetOf(const std::string& path) {
    constexpr int kMaxLinks = 40;  // as the kernel allows before ELOOP
    std::string target = path;
    for (int hop = 0; hop < kMaxLinks; ++hop) {
        struct stat info {};
        if (::lstat(target.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return target;
        std::string link(static_cast<std::size_t>(info.st_size > 0 ? info.st_size : 255) + 1, '\0');
        const ssize_t length = ::readlink(target.c_str(), link.data(), link.size());
        if (length < 0) throwWriteError(path, errno);
        // Grown since lstat: the next round reads it again with the new size.
        if (static_cast<std::size_t>(length) >= link.size()) continue;
        link.resize(static_cast<std::size_t>(length));
        target = link.front() == '/' ? link : directoryOf(target) + "/" + link;
    }
    throwWriteError(path, ELOOP);
}

}  // namespace

int openRegularFileForReading(const std::string& path) {
    // Non-blocking, so that opening a FIFO with no writer returns at once; the check follows.
    FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    if (fd.get() < 0) return -1;
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0) return -1;
    if (!S_ISREG(info.st_mode)) {
        errno = S_ISDIR(info.st_mode) ? EISDIR : EINVAL;
        return -1;
    }
    const int flags = ::fcntl(fd.get(), F_GETFL);
    if (flags < 0 || ::fcntl(fd.get(), F_SETFL, flags & ~O_NONBLOCK) != 0) return -1;
    return fd.release();
}

std::optional<std::string> readFileBytes(const std::string& path) {
    FileDescriptor fd(openRegularFileForReading(path));
    if (fd.get() < 0) return std::nullopt;
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0) return std::nullopt;
    std::string bytes;
    if (info.st_size > 0) bytes.reserve(static_cast<std::size_t>(info.st_size));
    char buffer[65536];
    for (;;) {
        const ssize_t count = ::read(fd.get(), buffer, sizeof buffer);
        if (count < 0) {
            if (errno == EINTR) continue;
            return std::nullopt;
        }
        if (count == 0) break;
        bytes.append(buffer, static_cast<std::size_t>(count));
    }
    return bytes;
}

std::string crlfToLf(std::string_view bytes) {
    std::string text;
    text.reserve(bytes.size());
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') continue;
        text += bytes[i];
    }
    return text;
}

std::string textWithLineFeeds(std::string_view bytes) {
    constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
    if (bytes.starts_with(kByteOrderMark)) bytes.remove_prefix(kByteOrderMark.size());
    std::string text;
    text.reserve(bytes.size());
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] != '\r') {
            text += bytes[i];
        } else if (i + 1 == bytes.size() || bytes[i + 1] != '\n') {
            text += '\n';
        }
    }
    return text;
}

std::optional<std::string> readTextFile(const std::string& path) {
    auto bytes = readFileBytes(path);
    if (!bytes) return std::nullopt;
    return textWithLineFeeds(*bytes);
}

bool fileExists(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && !S_ISDIR(info.st_mode);
}

void writeFileAtomically(const std::string& path, std::string_view bytes) {
    writeFileAtomically(path, [bytes](const ByteSink& sink) { sink(bytes); });
}

void writeFileAtomically(const std::string& path, const std::function<void(const ByteSink&)>& produce) {
    if (path.empty()) throwWriteError(path, ENOENT);
    const std::string target = writeTargetOf(path);
    struct stat existing {};
    const bool exists = ::stat(target.c_str(), &existing) == 0;
    if (exists) {
        if (S_ISDIR(existing.st_mode)) throwWriteError(path, EISDIR);
        // Renaming would replace a file the user made read-only; refuse as writing into it would, with
        // the effective rights the write itself has.
        if (::faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0) throwWriteError(path, errno);
    }

    std::string temporary = directoryOf(target) + "/.pellisor-XXXXXX";
    FileDescriptor fd(::mkstemp(temporary.data()));
    if (fd.get() < 0) throwWriteError(path, errno);
    const TemporaryFileGuard guard(temporary.c_str());

    auto fail = [&](int errorNumber) {
        ::close(fd.release());
        ::unlink(temporary.c_str());
        throwWriteError(path, errorNumber);
    };

    const mode_t mode = exists ? (existing.st_mode & 07777) : [] {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        return static_cast<mode_t>(0666 & ~mask);
    }();
    if (::fchmod(fd.get(), mode) != 0) fail(errno);

    const ByteSink sink = [&](std::string_view bytes) {
        std::size_t written = 0;
        while (written < bytes.size()) {
            const ssize_t count = ::write(fd.get(), bytes.data() + written, bytes.size() - written);
            if (count < 0) {
                if (errno == EINTR) continue;
                fail(errno);
            }
            written += static_cast<std::size_t>(count);
        }
    };
    try {
        produce(sink);
    } catch (...) {
        // A failed write has removed the temporary file already; anything else the producer raised has not.
        if (fd.get() >= 0) {
            ::close(fd.release());
            ::unlink(temporary.c_str());
        }
        throw;
    }
    if (::fsync(fd.get()) != 0) fail(errno);
    if (::close(fd.release()) != 0) {
        const int errorNumber = errno;
        ::unlink(temporary.c_str());
        throwWriteError(path, errorNumber);
    }
    if (::rename(temporary.c_str(), target.c_str()) != 0) {
        const int errorNumber = errno;
        ::unlink(temporary.c_str());
        throwWriteError(path, errorNumber);
    }
}

}  // namespace pellisor
