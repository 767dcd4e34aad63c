#include "model/settings_file.h"

#include "model/error.h"
#include "model/file_io.h"
#include "model/integer_text.h"

#include <sys/stat.h>

#include <optional>
#include <utility>

// Byte strings only: no wide-character interface and no conversion library. The header carries its
// own implementation, so nothing has to be linked.
#define SI_NO_CONVERSION
#define SI_IMPLEMENTATION
#include <SimpleIni.h>

namespace pellisor {

namespace {

// What stat() says about a file; a hand edit or a rewrite changes at least one of these.
struct FileStamp {
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    timespec modified{};
    // The change time moves even when an edit restores the old modification time.
    timespec changed{};

    friend bool operator==(const FileStamp& a, const FileStamp& b) {
        return a.device == b.device && a.inode == b.inode && a.size == b.size &&
               a.modified.tv_sec == b.modified.tv_sec && a.modified.tv_nsec == b.modified.tv_nsec &&
               a.changed.tv_sec == b.changed.tv_sec && a.changed.tv_nsec == b.changed.tv_nsec;
    }
};

std::optional<FileStamp> stampOf(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return std::nullopt;
    return FileStamp{info.st_dev, info.st_ino, info.st_size, info.st_mtim, info.st_ctim};
}

void configure(CSimpleIniA& ini) {
    // Bytes pass through unchanged; a key appears once; lines are written as "key=value".
    ini.SetUnicode(false);
    ini.SetMultiKey(false);
    ini.SetSpaces(false);
}

bool isBlank(std::string_view line) {
    return line.find_first_not_of(" \t\r") == std::string_view::npos;
}

bool isComment(std::string_view line) {
    const auto first = line.find_first_not_of(" \t\r");
    return first != std::string_view::npos && (line[first] == ';' || line[first] == '#');
}

// The parser attaches a comment to the entry that follows it, so comment lines after the last
// section or key would be lost on a rewrite. Returns them (from the first comment line to the end)
// to be appended again.
std::string trailingComments(std::string_view bytes) {
    std::size_t end = bytes.size();
    std::size_t start = std::string_view::npos;
    while (end > 0) {
        const auto lineStart = bytes.rfind('\n', end - 1);
        const std::size_t from = lineStart == std::string_view::npos ? 0 : lineStart + 1;
        const auto line = bytes.substr(from, end - from);
        if (isComment(line)) {
            start = from;
        } else if (!isBlank(line)) {
            break;
        }
        if (from == 0) break;
        end = from - 1;
    }
    if (start == std::string_view::npos) return {};
    return std::string(bytes.substr(start));
}

// A line break inside a value would start a new line of the file and read back as another key or
// section.
std::string singleLine(std::string_view value) {
    std::string line(value);
    for (char& ch : line) {
        if (ch == '\n' || ch == '\r') ch = ' ';
    }
    return line;
}

}  // namespace

struct SettingsFile::Cache {
    FileStamp stamp;
    CSimpleIniA ini;
};

SettingsFile::SettingsFile(std::string path) : path_(std::move(path)) {}
SettingsFile::~SettingsFile() = default;
SettingsFile::SettingsFile(SettingsFile&&) noexcept = default;
SettingsFile& SettingsFile::operator=(SettingsFile&&) noexcept = default;

std::string SettingsFile::readString(std::string_view section, std::string_view key,
                                     std::string_view fallback) const {
    const auto stamp = stampOf(path_);
    if (!stamp) {
        cache_.reset();
        return std::string(fallback);
    }
    if (!cache_ || !(cache_->stamp == *stamp)) {
        cache_.reset();
        // Stamped before reading: an edit during the read leaves a stamp that no longer matches, so
        // the next read parses again.
        const auto bytes = readFileBytes(path_);
        if (!bytes) return std::string(fallback);
        auto fresh = std::make_unique<Cache>();
        fresh->stamp = *stamp;
        configure(fresh->ini);
        if (fresh->ini.LoadData(bytes->data(), bytes->size()) < 0) return std::string(fallback);
        cache_ = std::move(fresh);
    }
    const char* value = cache_->ini.GetValue(std::string(section).c_str(), std::string(key).c_str(), nullptr);
    return value ? std::string(value) : std::string(fallback);
}

std::int32_t SettingsFile::readInt(std::string_view section, std::string_view key,
                                   std::int32_t fallback) const {
    const auto value = tryToInt(readString(section, key, {}));
    return value ? *value : fallback;
}

bool SettingsFile::readBool(std::string_view section, std::string_view key, bool fallback) const {
    const auto value = tryToInt(readString(section, key, {}));
    return value ? *value != 0 : fallback;
}

void SettingsFile::write(const std::vector<SettingsEntry>& entries) {
    if (entries.empty()) return;
    cache_.reset();

    std::string bytes;
    if (fileExists(path_)) {
        // Rewriting a file that could not be read would throw its contents away.
        auto existing = readFileBytes(path_);
        if (!existing) throw Error(std::string(kCannotOpenFile) + ": " + path_);
        bytes = std::move(*existing);
    }

    CSimpleIniA ini;
    configure(ini);
    if (ini.LoadData(bytes.data(), bytes.size()) < 0)
        throw Error(std::string(kCannotOpenFile) + ": " + path_);

    std::string prefix;
    std::string suffix;
    CSimpleIniA::TNamesDepend sections;
    ini.GetAllSections(sections);
    if (sections.empty() && !isBlank(bytes)) {
        // Only comments (or lines that are no entries): the parser would keep just the first block,
        // so the text is kept as it stands and the entries follow it.
        prefix = bytes;
        if (prefix.back() != '\n') prefix += '\n';
        prefix += '\n';
        ini.Reset();
        configure(ini);
    } else {
        suffix = trailingComments(bytes);
        if (!suffix.empty() && suffix.back() != '\n') suffix += '\n';
    }

    for (const auto& entry : entries) {
        const auto value = singleLine(entry.value);
        if (ini.SetValue(entry.section.c_str(), entry.key.c_str(), value.c_str()) < 0) {
            throw Error(std::string(kCannotOpenFile) + ": " + path_);
        }
    }

    std::string text;
    // A byte order mark the file had stays; none is added otherwise.
    if (ini.Save(text, ini.IsUnicode()) < 0) throw Error(std::string(kCannotOpenFile) + ": " + path_);
    if (!suffix.empty()) text += "\n" + suffix;
    writeFileAtomically(path_, prefix + text);
}

void SettingsFile::writeString(std::string_view section, std::string_view key, std::string_view value) {
    write({{std::string(section), std::string(key), std::string(value)}});
}

void SettingsFile::writeInt(std::string_view section, std::string_view key, std::int32_t value) {
    writeString(section, key, std::to_string(value));
}

void SettingsFile::writeBool(std::string_view section, std::string_view key, bool value) {
    writeString(section, key, value ? "1" : "0");
}

}  // namespace pellisor
