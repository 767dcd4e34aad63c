#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pellisor {

// Every piece a ScriptReader gives is followed by this many bytes that may be read (their values are
// of no meaning), so that a lexer may look at whole vectors near the piece's end.
inline constexpr std::size_t kScriptReadAhead = 128;

// A script's bytes, read piece by piece so that a long script is never held whole, with its line ends
// made plain for the lexer: a CR LF pair and a lone CR each become one LF, and a UTF-8 byte-order
// mark at the start of the file is skipped.
class ScriptReader {
public:
    // Raises "Soubor nelze otevrit: <path>" when the file cannot be opened or is not a regular file (a
    // FIFO would block for ever, a device such as /dev/zero never ends).
    explicit ScriptReader(const std::string& path);
    ScriptReader(const ScriptReader&) = delete;
    ScriptReader& operator=(const ScriptReader&) = delete;
    ~ScriptReader();

    // The size the file system gives.
    std::size_t size() const { return size_; }

    // The next piece, followed by kScriptReadAhead readable bytes; nothing at the end of the file.
    std::optional<std::string_view> next();

private:
    [[noreturn]] void fail() const;
    // Reads up to `count` bytes into the buffer from `at` on; 0 at the end of the file.
    std::size_t read(std::size_t at, std::size_t count);
    // CR LF and lone CR to LF, in place; returns the new length.
    std::size_t plainLineEnds(std::size_t length);

    std::string path_;
    int fd_;
    std::size_t size_ = 0;
    std::vector<char> buffer_;
    bool started_ = false;
    bool afterCarriageReturn_ = false;  // the last piece ended in a CR: an LF that follows is its pair
};

}  // namespace pellisor
