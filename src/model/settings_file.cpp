#include "model/settings_file.h"

#include "model/error.h"
#include "model/file_io.h"
#include "model/ini_scanner.h"
#include "model/integer_text.h"

#include <sys/stat.h>

#include <algorithm>
#include <map>
#include <optional>
#include <set>
#include <utility>
#include <vector>

// Reading goes through the one INI scanner. A rewrite goes through SimpleIni, which keeps comments, the
// order of sections and keys, and unknown keys; the scanner prepares its input (see preparedForParser).
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

// A NUL byte reads as a blank: the parser of a rewrite would stop at it and drop the rest of the file.
std::string parsable(std::string bytes) {
    std::replace(bytes.begin(), bytes.end(), '\0', ' ');
    return bytes;
}

// An item of the file and the section it stands in (of a section, its own name), in lower case as the
// parser compares names.
struct PlacedItem {
    IniItem item;
    std::string section;
};

std::vector<PlacedItem> placedItems(std::string_view bytes, std::size_t from) {
    std::vector<PlacedItem> items;
    std::string section;
    scanIni(bytes, from, [&](const IniItem& item) {
        if (item.kind == IniItem::Kind::Section) section = loweredIniName(item.name);
        items.push_back({item, section});
    });
    return items;
}

// The text the parser is given. It skips what is neither a section, a key nor a comment, but an
// unfinished section header ("[" without "]") sets the section of the keys after it to a name that
// runs on into them; and it attaches each comment to the item after it, losing the comment when that
// item is none, repeats a key (the last value counts, the first place and comment stay) or repeats a
// section. So stray text and the earlier places of repeated keys are left out (a rewrite would drop
// both anyway), and a comment before a repeated section header moves below the header.
std::string preparedForParser(std::string_view bytes) {
    const std::size_t start = afterByteOrderMark(bytes);
    const std::vector<PlacedItem> items = placedItems(bytes, start);
    using Kind = IniItem::Kind;
    const auto keyOf = [](const PlacedItem& placed) {
        return std::pair(placed.section, loweredIniName(placed.item.name));
    };

    std::map<std::pair<std::string, std::string>, std::size_t> lastPlace;
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (items[i].item.kind == Kind::Key) lastPlace[keyOf(items[i])] = i;
    }

    std::string text(bytes.substr(0, start));
    std::set<std::string> sections;
    std::size_t previousEnd = start;
    std::size_t commentsFrom = std::string::npos;  // where the comments since the last entry begin
    for (std::size_t i = 0; i < items.size(); ++i) {
        const IniItem& item = items[i].item;
        const std::string_view gap = bytes.substr(previousEnd, item.begin - previousEnd);
        const std::string_view body = bytes.substr(item.begin, item.end - item.begin);
        previousEnd = item.end;
        text.append(gap);
        if (item.kind == Kind::Stray || (item.kind == Kind::Key && lastPlace[keyOf(items[i])] != i)) continue;
        if (item.kind == Kind::Comment) {
            if (commentsFrom == std::string::npos) commentsFrom = text.size();
            text.append(body);
            continue;
        }
        const bool repeated = !sections.insert(items[i].section).second && item.kind == Kind::Section;
        if (repeated && commentsFrom != std::string::npos) {
            const std::string comments = text.substr(commentsFrom);
            text.resize(commentsFrom);
            text.append(body);
            text += '\n';
            commentsFrom = text.size();
            text.append(comments);
            continue;  // the comments wait for the next entry
        }
        text.append(body);
        commentsFrom = std::string::npos;
    }
    text.append(bytes.substr(previousEnd));
    return text;
}

// The comments after the last section or key, which the parser attaches to nothing; a rewrite appends
// them again.
std::string trailingComments(std::string_view bytes) {
    const std::vector<PlacedItem> items = placedItems(bytes, afterByteOrderMark(bytes));
    std::size_t first = items.size();
    while (first > 0 && items[first - 1].item.kind == IniItem::Kind::Comment)
        --first;
    if (first == items.size()) return {};
    return std::string(bytes.substr(items[first].item.begin));
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

// Section, then key, to value; names in lower case. A section given twice is one, and of a key given
// twice in it the last value counts.
using IniValues = std::map<std::string, std::map<std::string, std::string>>;

IniValues valuesOf(std::string_view bytes) {
    IniValues values;
    auto* section = &values[""];  // keys before the first section header
    scanIni(bytes, afterByteOrderMark(bytes), [&](const IniItem& item) {
        if (item.kind == IniItem::Kind::Section) section = &values[loweredIniName(item.name)];
        if (item.kind == IniItem::Kind::Key) (*section)[loweredIniName(item.name)] = item.value;
    });
    return values;
}

// A name asked for ends at its first NUL byte, as a C string does.
std::string lookupName(std::string_view name) {
    return loweredIniName(name.substr(0, name.find('\0')));
}

}  // namespace

struct SettingsFile::Cache {
    FileStamp stamp;
    IniValues values;
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
        cache_ = std::make_unique<Cache>(Cache{*stamp, valuesOf(parsable(*bytes))});
    }
    const auto keys = cache_->values.find(lookupName(section));
    if (keys == cache_->values.end()) return std::string(fallback);
    const auto value = keys->second.find(lookupName(key));
    return value == keys->second.end() ? std::string(fallback) : value->second;
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
        bytes = preparedForParser(parsable(std::move(*existing)));
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
    // A first key whose name begins with the bytes of a byte order mark would lose them to the next
    // read; a blank line before it keeps them.
    if (prefix.empty() && !ini.IsUnicode() && afterByteOrderMark(text) != 0) text.insert(0, "\n");
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
