#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pellisor {

// A script's bytes, read piece by piece so that a long script is never held whole. A CR before LF
// needs no dropping: it is a blank wherever it may stand and ends a number as LF would, and where it
// may not the error is the same.
class ScriptFile {
public:
    // Raises "Soubor nelze otevrit: <path>" when the file cannot be opened.
    explicit ScriptFile(const std::string& path);
    ScriptFile(const ScriptFile&) = delete;
    ScriptFile& operator=(const ScriptFile&) = delete;
    ~ScriptFile();

    // The size the file system gives, 0 when it gives none.
    std::size_t size() const { return size_; }

    // The next piece, followed by kScriptReadAhead readable bytes; nothing at the end of the file.
    std::optional<std::string_view> next();

private:
    [[noreturn]] void fail() const;

    std::string path_;
    int fd_;
    std::size_t size_ = 0;
    std::vector<char> buffer_;
};

}  // namespace pellisor
