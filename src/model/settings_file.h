#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace pellisor {

// One key to write: section, key and the text of its value.
struct SettingsEntry {
    std::string section;
    std::string key;
    std::string value;
};

// An INI file read afresh at every use, so that a hand edit takes effect at the next read. Section and
// key names match without regard to case, as the platform's profile files do. A missing file, section
// or key gives the fallback; of a key given twice in a section the last one counts. Writing changes only
// the keys written and keeps the comments and the other sections and keys in their order (blank lines
// are normalised, lines that are neither section, key nor comment are dropped), and replaces the file
// atomically. Values pass through as bytes, trimmed of surrounding blanks; a NUL byte reads as a blank,
// and a line that is no entry (an unfinished section header among them) leaves the section as it was.
class SettingsFile {
public:
    explicit SettingsFile(std::string path);
    ~SettingsFile();
    SettingsFile(SettingsFile&&) noexcept;
    SettingsFile& operator=(SettingsFile&&) noexcept;

    const std::string& path() const { return path_; }

    std::string readString(std::string_view section, std::string_view key, std::string_view fallback) const;
    // A value that does not read as a signed decimal integer gives the fallback.
    std::int32_t readInt(std::string_view section, std::string_view key, std::int32_t fallback) const;
    // True when the value reads as a non-zero integer; a value that is not an integer gives the fallback.
    bool readBool(std::string_view section, std::string_view key, bool fallback) const;

    // Writes all entries, in order, in one rewrite of the file; creates the file when missing.
    void write(const std::vector<SettingsEntry>& entries);
    void writeString(std::string_view section, std::string_view key, std::string_view value);
    void writeInt(std::string_view section, std::string_view key, std::int32_t value);
    void writeBool(std::string_view section, std::string_view key, bool value);

private:
    struct Cache;
    std::string path_;
    // The parsed file, kept while the file's identity, size and modification time stay the same.
    mutable std::unique_ptr<Cache> cache_;
};

}  // namespace pellisor
