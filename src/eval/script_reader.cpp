#include "eval/script_reader.h"

#include "model/error.h"
#include "model/file_io.h"

#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstring>

namespace pellisor {

namespace {

constexpr std::size_t kPieceSize = std::size_t{1} << 18;
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

}  // namespace

ScriptReader::ScriptReader(const std::string& path) : path_(path), fd_(openRegularFileForReading(path)) {
    struct stat info {};
    if (fd_ < 0 || ::fstat(fd_, &info) != 0) fail();
    size_ = static_cast<std::size_t>(info.st_size);
    buffer_.resize(kPieceSize + kScriptReadAhead);
}

ScriptReader::~ScriptReader() {
    if (fd_ >= 0) ::close(fd_);
}

std::optional<std::string_view> ScriptReader::next() {
    for (;;) {
        std::size_t length = read(0, kPieceSize);
        if (length == 0) return std::nullopt;
        std::size_t start = 0;
        if (!started_) {
            started_ = true;
            // The mark is looked for in whole: a short read must not hide it.
            while (length < kByteOrderMark.size()) {
                const std::size_t more = read(length, kPieceSize - length);
                if (more == 0) break;
                length += more;
            }
            if (std::string_view(buffer_.data(), length).starts_with(kByteOrderMark)) {
                start = kByteOrderMark.size();
            }
        }
        if (start > 0) {
            std::memmove(buffer_.data(), buffer_.data() + start, length - start);
            length -= start;
        }
        length = plainLineEnds(length);
        if (length > 0) return std::string_view(buffer_.data(), length);
    }
}

std::size_t ScriptReader::read(std::size_t at, std::size_t count) {
    for (;;) {
        const ssize_t got = ::read(fd_, buffer_.data() + at, count);
        if (got >= 0) return static_cast<std::size_t>(got);
        if (errno != EINTR) fail();
    }
}

std::size_t ScriptReader::plainLineEnds(std::size_t length) {
    char* const text = buffer_.data();
    const char* in = text;
    const char* const end = text + length;
    if (afterCarriageReturn_ && in < end && *in == '\n') ++in;
    afterCarriageReturn_ = false;
    // Most scripts have no CR at all: their text then stays where it is.
    if (in == text && std::memchr(text, '\r', length) == nullptr) return length;
    char* out = text;
    for (;;) {
        const auto* carriageReturn =
            static_cast<const char*>(std::memchr(in, '\r', static_cast<std::size_t>(end - in)));
        const char* stop = carriageReturn != nullptr ? carriageReturn : end;
        std::memmove(out, in, static_cast<std::size_t>(stop - in));
        out += stop - in;
        if (carriageReturn == nullptr) break;
        *out++ = '\n';
        in = carriageReturn + 1;
        if (in == end) {
            afterCarriageReturn_ = true;
            break;
        }
        if (*in == '\n') ++in;
    }
    return static_cast<std::size_t>(out - text);
}

void ScriptReader::fail() const {
    throw Error(std::string(kCannotOpenFile) + ": " + path_);
}

}  // namespace pellisor
