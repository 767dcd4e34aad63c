#include "eval/script_file.h"

#include "eval/script_scanner.h"
#include "model/error.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>

namespace pellisor {

namespace {

constexpr std::size_t kPieceSize = std::size_t{1} << 18;

}  // namespace

ScriptFile::ScriptFile(const std::string& path)
    : path_(path), fd_(::open(path.c_str(), O_RDONLY | O_CLOEXEC)) {
    struct stat info {};
    if (fd_ < 0 || ::fstat(fd_, &info) != 0 || S_ISDIR(info.st_mode)) fail();
    if (S_ISREG(info.st_mode)) size_ = static_cast<std::size_t>(info.st_size);
    buffer_.resize(kPieceSize + kScriptReadAhead);
}

ScriptFile::~ScriptFile() {
    if (fd_ >= 0) ::close(fd_);
}

std::optional<std::string_view> ScriptFile::next() {
    for (;;) {
        const ssize_t count = ::read(fd_, buffer_.data(), kPieceSize);
        if (count > 0) return std::string_view(buffer_.data(), static_cast<std::size_t>(count));
        if (count == 0) return std::nullopt;
        if (errno != EINTR) fail();
    }
}

void ScriptFile::fail() const {
    throw Error(std::string(kCannotOpenFile) + ": " + path_);
}

}  // namespace pellisor
