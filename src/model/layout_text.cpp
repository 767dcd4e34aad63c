#include "model/layout_text.h"

#include "model/ini_scanner.h"

#include <algorithm>
#include <limits>
#include <unordered_set>
#include <utility>

namespace pellisor {

namespace {

constexpr std::array<std::string_view, 5> kGlobalKeys{"m", "n", "maxidx", "hidblock", "eval"};
constexpr std::array<std::string_view, 4> kEntryKeys{"x", "y", "val", "vis"};

using Kind = IniItem::Kind;

// "b<j>" written as the save writes it (the letter in either case): j, else nothing.
std::optional<std::int32_t> entryOf(std::string_view name) {
    if (name.size() < 2 || name.size() > 11 || lowerAscii(name[0]) != 'b') return std::nullopt;
    if (name[1] == '0' && name.size() > 2) return std::nullopt;
    std::int64_t index = 0;
    for (const char ch : name.substr(1)) {
        if (ch < '0' || ch > '9') return std::nullopt;
        index = index * 10 + (ch - '0');
    }
    if (index > std::numeric_limits<std::int32_t>::max()) return std::nullopt;
    return static_cast<std::int32_t>(index);
}

// "f1" ... "f32" of "Eval": the row, else nothing.
std::optional<std::size_t> evalRowOf(std::string_view key) {
    if (key.size() < 2 || key.size() > 3 || lowerAscii(key[0]) != 'f' || key[1] == '0') return std::nullopt;
    std::size_t row = 0;
    for (const char ch : key.substr(1)) {
        if (ch < '0' || ch > '9') return std::nullopt;
        row = row * 10 + std::size_t(ch - '0');
    }
    if (row < 1 || row > std::size_t{kLayoutFunctionRows}) return std::nullopt;
    return row;
}

template <std::size_t N>
std::optional<std::size_t> slotOf(const std::array<std::string_view, N>& keys, std::string_view key) {
    for (std::size_t k = 0; k < N; ++k) {
        if (sameIniName(keys[k], key)) return k;
    }
    return std::nullopt;
}

enum class SectionKind { Other, Global, Eval, Entry };

struct SectionName {
    SectionKind kind = SectionKind::Other;
    std::int32_t entry = -1;
};

SectionName sectionOf(std::string_view name, std::int32_t entryCount) {
    if (sameIniName(name, "Global")) return {SectionKind::Global, -1};
    if (sameIniName(name, "Eval")) return {SectionKind::Eval, -1};
    const auto entry = entryOf(name);
    if (entry && *entry < entryCount) return {SectionKind::Entry, *entry};
    return {};
}

}  // namespace

LayoutText::LayoutText(std::string bytes, std::int32_t entryCount)
    : bytes_(std::move(bytes)), entries_(static_cast<std::size_t>(std::max(entryCount, 0))) {
    std::replace(bytes_.begin(), bytes_.end(), '\0', ' ');
    const std::string_view text = std::string_view(bytes_).substr(afterByteOrderMark(bytes_));
    SectionName section;
    bool inSection = false;  // keys before the first section belong to none of ours
    scanIni(text, 0, [&](const IniItem& line) {
        if (line.kind == Kind::Section) {
            section = sectionOf(line.name, entryCount);
            inSection = true;
            return;
        }
        if (line.kind != Kind::Key || !inSection) return;
        switch (section.kind) {
            case SectionKind::Global:
                if (const auto slot = slotOf(kGlobalKeys, line.name)) global_[*slot] = line.value;
                break;
            case SectionKind::Eval:
                if (const auto row = evalRowOf(line.name)) eval_[*row - 1] = line.value;
                break;
            case SectionKind::Entry:
                if (const auto slot = slotOf(kEntryKeys, line.name))
                    entries_[static_cast<std::size_t>(section.entry)][*slot] = line.value;
                break;
            case SectionKind::Other:
                break;
        }
    });
}

std::optional<std::string_view> LayoutText::value(std::string_view section, std::string_view key) const {
    const SectionName name = sectionOf(section, static_cast<std::int32_t>(entries_.size()));
    switch (name.kind) {
        case SectionKind::Global:
            if (const auto slot = slotOf(kGlobalKeys, key)) return global_[*slot];
            break;
        case SectionKind::Eval:
            if (const auto row = evalRowOf(key)) return eval_[*row - 1];
            break;
        case SectionKind::Entry:
            if (const auto slot = slotOf(kEntryKeys, key))
                return entries_[static_cast<std::size_t>(name.entry)][*slot];
            break;
        case SectionKind::Other:
            break;
    }
    return std::nullopt;
}

namespace {

using Keys = std::vector<std::pair<std::string, std::string>>;

// The keys a save writes into one of its sections.
Keys ownKeys(SectionName name, const Chromosome& circuit, const LayoutSettings& settings) {
    switch (name.kind) {
        case SectionKind::Global:
            return {{"m", std::to_string(circuit.columns)},
                    {"n", std::to_string(circuit.rows)},
                    {"maxidx", std::to_string(circuit.blockTotal())},
                    {"hidblock", settings.hiddenBlocks ? "1" : "0"},
                    {"eval", settings.values ? "1" : "0"}};
        case SectionKind::Eval: {
            Keys keys;
            for (std::int32_t row = 1; row <= kLayoutFunctionRows; ++row) {
                keys.emplace_back("f" + std::to_string(row),
                                  std::to_string(settings.identifiers[static_cast<std::size_t>(row - 1)]));
            }
            return keys;
        }
        case SectionKind::Entry: {
            const Block& block = circuit.blocks[static_cast<std::size_t>(name.entry)];
            Keys keys{{"x", std::to_string(block.x)}, {"y", std::to_string(block.y)}};
            if (circuit.isPrimaryInput(name.entry)) keys.emplace_back("val", std::to_string(block.value));
            keys.emplace_back("vis", block.visible ? "1" : "0");
            return keys;
        }
        case SectionKind::Other:
            break;
    }
    return {};
}

std::string entrySection(std::int32_t index) {
    return "b" + std::to_string(index);
}

}  // namespace

std::vector<SettingsEntry> layoutEntries(const Chromosome& circuit, const LayoutSettings& settings) {
    std::vector<SettingsEntry> entries;
    entries.reserve(5 + kLayoutFunctionRows + 4 * circuit.blocks.size());
    const auto add = [&](const std::string& section, SectionName name) {
        for (auto& [key, value] : ownKeys(name, circuit, settings))
            entries.push_back({section, std::move(key), std::move(value)});
    };
    add("Global", {SectionKind::Global, -1});
    add("Eval", {SectionKind::Eval, -1});
    for (std::int32_t index = 0; index < circuit.blockTotal(); ++index)
        add(entrySection(index), {SectionKind::Entry, index});
    return entries;
}

namespace {

// Which of a save's sections a file already holds, and the names of its other sections.
struct SectionsThere {
    bool global = false;
    bool eval = false;
    std::vector<bool> entries;
    std::unordered_set<std::string> others;

    // Notes a section of the file; false when the file had it before.
    bool firstTime(SectionName kind, std::string_view name) {
        switch (kind.kind) {
            case SectionKind::Global:
                return !std::exchange(global, true);
            case SectionKind::Eval:
                return !std::exchange(eval, true);
            case SectionKind::Entry: {
                const auto index = static_cast<std::size_t>(kind.entry);
                const bool seen = entries[index];
                entries[index] = true;
                return !seen;
            }
            case SectionKind::Other:
                break;
        }
        return others.insert(loweredIniName(name)).second;
    }
};

// True when no name in the list (in lower case) is there twice; empties the list.
bool eachOnce(std::vector<std::string>& names) {
    std::sort(names.begin(), names.end());
    const bool once = std::adjacent_find(names.begin(), names.end()) == names.end();
    names.clear();
    return once;
}

// First pass: which of a save's sections the file holds, for a file of sections and keys only, each
// name once; nothing for any other file. A file with line ends other than LF, a NUL byte or a byte
// order mark is another, as the store treats those in its own way; so is one with keys of the nameless
// section (before the first header or under "[]"), which the store writes before every other.
std::optional<SectionsThere> sectionsOfPlainFile(std::string_view existing, std::int32_t entryCount) {
    if (existing.find_first_of(std::string_view("\0\r", 2)) != std::string_view::npos ||
        existing.starts_with(kByteOrderMark)) {
        return std::nullopt;
    }
    SectionsThere there;
    there.entries.assign(static_cast<std::size_t>(entryCount), false);
    std::vector<std::string> keysOfSection;
    bool plain = true;
    bool inSection = false;
    scanIni(existing, 0, [&](const IniItem& item) {
        if (!plain) return;
        if (item.kind == Kind::Key) {
            plain = inSection;
            keysOfSection.push_back(loweredIniName(item.name));
        } else if (item.kind == Kind::Section) {
            inSection = true;
            plain = eachOnce(keysOfSection) && !item.textAfterSection && !item.name.empty() &&
                    there.firstTime(sectionOf(item.name, entryCount), item.name);
        } else {
            plain = false;  // a comment or a stray line
        }
    });
    if (!plain || !eachOnce(keysOfSection)) return std::nullopt;
    return there;
}

// The text of a merge, written as the store writes: a key as "key=value", two blank lines between
// sections.
class MergedText {
public:
    explicit MergedText(std::size_t capacity) { text_.reserve(capacity); }

    void header(std::string_view name) {
        if (!first_) text_ += "\n\n";
        first_ = false;
        text_ += '[';
        text_ += name;
        text_ += "]\n";
    }
    void keyLine(std::string_view key, std::string_view value) {
        text_ += key;
        text_ += '=';
        text_ += value;
        text_ += '\n';
    }
    void section(std::string_view name, const Keys& keys) {
        header(name);
        for (const auto& [key, value] : keys)
            keyLine(key, value);
    }
    std::string take() { return std::move(text_); }

private:
    std::string text_;
    bool first_ = true;
};

// A save's keys of the section at hand, and which of them the file had.
class OwnKeys {
public:
    void start(Keys keys) {
        keys_ = std::move(keys);
        found_.assign(keys_.size(), false);
    }
    // The new value of the file's key when it is one of ours.
    std::optional<std::string_view> newValue(std::string_view key) {
        for (std::size_t k = 0; k < keys_.size(); ++k) {
            if (!found_[k] && sameIniName(keys_[k].first, key)) {
                found_[k] = true;
                return keys_[k].second;
            }
        }
        return std::nullopt;
    }
    // Ours that the file did not have follow the others of the section.
    void writeMissing(MergedText& text) const {
        for (std::size_t k = 0; k < keys_.size(); ++k) {
            if (!found_[k]) text.keyLine(keys_[k].first, keys_[k].second);
        }
    }

private:
    Keys keys_;
    std::vector<bool> found_;
};

// Second pass: the file's sections as they stand, each key under its own spelling, ours with the new
// values.
void mergeExistingSections(MergedText& text, std::string_view existing, const Chromosome& circuit,
                           const LayoutSettings& settings) {
    OwnKeys own;
    scanIni(existing, 0, [&](const IniItem& item) {
        if (item.kind == Kind::Section) {
            own.writeMissing(text);
            text.header(item.name);
            own.start(ownKeys(sectionOf(item.name, circuit.blockTotal()), circuit, settings));
        } else if (item.kind == Kind::Key) {
            text.keyLine(item.name, own.newValue(item.name).value_or(item.value));
        }
    });
    own.writeMissing(text);
}

// Last: the sections the file did not have, in the order a save writes them.
void appendMissingSections(MergedText& text, const SectionsThere& there, const Chromosome& circuit,
                           const LayoutSettings& settings) {
    if (!there.global) text.section("Global", ownKeys({SectionKind::Global, -1}, circuit, settings));
    if (!there.eval) text.section("Eval", ownKeys({SectionKind::Eval, -1}, circuit, settings));
    for (std::int32_t index = 0; index < circuit.blockTotal(); ++index) {
        if (!there.entries[static_cast<std::size_t>(index)])
            text.section(entrySection(index), ownKeys({SectionKind::Entry, index}, circuit, settings));
    }
}

}  // namespace

std::optional<std::string> mergedLayoutText(std::string_view existing, const Chromosome& circuit,
                                            const LayoutSettings& settings) {
    const auto there = sectionsOfPlainFile(existing, circuit.blockTotal());
    if (!there) return std::nullopt;
    MergedText text(existing.size() + std::size_t(circuit.blockTotal()) * 32 + 1024);
    mergeExistingSections(text, existing, circuit, settings);
    appendMissingSections(text, *there, circuit, settings);
    return text.take();
}

}  // namespace pellisor
