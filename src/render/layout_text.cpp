#include "render/layout_text.h"

#include <algorithm>
#include <limits>
#include <unordered_set>

namespace pellisor {

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
constexpr std::array<std::string_view, 5> kGlobalKeys{"m", "n", "maxidx", "hidblock", "eval"};
constexpr std::array<std::string_view, 4> kEntryKeys{"x", "y", "val", "vis"};

bool isBlank(char ch) {
    return ch == ' ' || ch == '\t';
}

char lower(char ch) {
    return ch >= 'A' && ch <= 'Z' ? static_cast<char>(ch - 'A' + 'a') : ch;
}

// Names match as the settings store matches them: ASCII letters without regard to case.
bool sameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t k = 0; k < a.size(); ++k) {
        if (lower(a[k]) != lower(b[k])) return false;
    }
    return true;
}

std::string lowered(std::string_view name) {
    std::string text(name);
    std::transform(text.begin(), text.end(), text.begin(), lower);
    return text;
}

std::string_view trimmedEnd(std::string_view text) {
    while (!text.empty() && isBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

enum class LineKind { Comment, Section, Key, Stray };

struct Line {
    LineKind kind = LineKind::Stray;
    std::string_view name;
    std::string_view value;
    bool textAfterSection = false;
};

bool isLineEnd(char ch) {
    return ch == '\r' || ch == '\n';
}

// The items of a text as the store's parser finds them: white space (line ends included) is skipped
// before an item and after the "[" of a section; a comment runs to the end of its line; a section's name
// runs to "]" on its line, and what follows the "]" is ignored; a key needs a "=" on its line with text
// before it; anything else is passed over to the end of its line. A line ends at LF or CR.
template <typename Visit>
void forEachLine(std::string_view text, Visit&& visit) {
    const auto isSpace = [](char ch) { return isBlank(ch) || isLineEnd(ch); };
    std::size_t pos = 0;
    const auto skip = [&](auto&& what) {
        while (pos < text.size() && what(text[pos]))
            ++pos;
    };
    const auto toLineEnd = [&] { skip([](char ch) { return !isLineEnd(ch); }); };
    for (skip(isSpace); pos < text.size(); skip(isSpace)) {
        if (text[pos] == ';' || text[pos] == '#') {
            toLineEnd();
            visit(Line{LineKind::Comment, {}, {}, false});
            continue;
        }
        if (text[pos] == '[') {
            ++pos;
            skip(isSpace);
            const std::size_t start = pos;
            skip([](char ch) { return ch != ']' && !isLineEnd(ch); });
            if (pos == text.size() || text[pos] != ']') {
                visit(Line{LineKind::Stray, {}, {}, false});
                continue;
            }
            const std::string_view name = trimmedEnd(text.substr(start, pos - start));
            const std::size_t after = ++pos;
            toLineEnd();
            const std::string_view rest = text.substr(after, pos - after);
            const bool textAfter =
                std::any_of(rest.begin(), rest.end(), [](char ch) { return !isBlank(ch); });
            visit(Line{LineKind::Section, name, {}, textAfter});
            continue;
        }
        const std::size_t start = pos;
        skip([](char ch) { return ch != '=' && !isLineEnd(ch); });
        if (pos == text.size() || text[pos] != '=' || pos == start) {
            toLineEnd();
            visit(Line{LineKind::Stray, {}, {}, false});
            continue;
        }
        const std::string_view key = trimmedEnd(text.substr(start, pos - start));
        ++pos;
        skip(isBlank);
        const std::size_t valueStart = pos;
        toLineEnd();
        visit(Line{LineKind::Key, key, trimmedEnd(text.substr(valueStart, pos - valueStart)), false});
    }
}

// "b<j>" written as the save writes it (the letter in either case): j, else nothing.
std::optional<std::int32_t> entryOf(std::string_view name) {
    if (name.size() < 2 || name.size() > 11 || lower(name[0]) != 'b') return std::nullopt;
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
    if (key.size() < 2 || key.size() > 3 || lower(key[0]) != 'f' || key[1] == '0') return std::nullopt;
    std::size_t row = 0;
    for (const char ch : key.substr(1)) {
        if (ch < '0' || ch > '9') return std::nullopt;
        row = row * 10 + std::size_t(ch - '0');
    }
    if (row < 1 || row > 32) return std::nullopt;
    return row;
}

template <std::size_t N>
std::optional<std::size_t> slotOf(const std::array<std::string_view, N>& keys, std::string_view key) {
    for (std::size_t k = 0; k < N; ++k) {
        if (sameName(keys[k], key)) return k;
    }
    return std::nullopt;
}

enum class SectionKind { Other, Global, Eval, Entry };

struct SectionName {
    SectionKind kind = SectionKind::Other;
    std::int32_t entry = -1;
};

SectionName sectionOf(std::string_view name, std::int32_t entryCount) {
    if (sameName(name, "Global")) return {SectionKind::Global, -1};
    if (sameName(name, "Eval")) return {SectionKind::Eval, -1};
    const auto entry = entryOf(name);
    if (entry && *entry < entryCount) return {SectionKind::Entry, *entry};
    return {};
}

}  // namespace

LayoutText::LayoutText(std::string bytes, std::int32_t entryCount)
    : bytes_(std::move(bytes)), entries_(static_cast<std::size_t>(std::max(entryCount, 0))) {
    std::replace(bytes_.begin(), bytes_.end(), '\0', ' ');
    std::string_view text = bytes_;
    if (text.starts_with(kByteOrderMark)) text.remove_prefix(kByteOrderMark.size());
    SectionName section;
    bool inSection = false;  // keys before the first section belong to none of ours
    forEachLine(text, [&](const Line& line) {
        if (line.kind == LineKind::Section) {
            section = sectionOf(line.name, entryCount);
            inSection = true;
            return;
        }
        if (line.kind != LineKind::Key || !inSection) return;
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
Keys ownKeys(SectionName name, const Chromosome& circuit, const FunctionAssignment& assignment,
             const DisplayOptions& options) {
    switch (name.kind) {
        case SectionKind::Global:
            return {{"m", std::to_string(circuit.columns)},
                    {"n", std::to_string(circuit.rows)},
                    {"maxidx", std::to_string(circuit.blockTotal())},
                    {"hidblock", options.hiddenBlocks ? "1" : "0"},
                    {"eval", options.values ? "1" : "0"}};
        case SectionKind::Eval: {
            Keys keys;
            for (std::int32_t row = 1; row <= kGeneCount; ++row) {
                keys.emplace_back(
                    "f" + std::to_string(row),
                    std::to_string(assignment.rows()[static_cast<std::size_t>(row - 1)].identifier));
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

std::vector<SettingsEntry> layoutEntries(const Chromosome& circuit, const FunctionAssignment& assignment,
                                         const DisplayOptions& options) {
    std::vector<SettingsEntry> entries;
    entries.reserve(5 + kGeneCount + 4 * circuit.blocks.size());
    const auto add = [&](const std::string& section, SectionName name) {
        for (auto& [key, value] : ownKeys(name, circuit, assignment, options))
            entries.push_back({section, std::move(key), std::move(value)});
    };
    add("Global", {SectionKind::Global, -1});
    add("Eval", {SectionKind::Eval, -1});
    for (std::int32_t index = 0; index < circuit.blockTotal(); ++index)
        add(entrySection(index), {SectionKind::Entry, index});
    return entries;
}

std::optional<std::string> mergedLayoutText(std::string_view existing, const Chromosome& circuit,
                                            const FunctionAssignment& assignment,
                                            const DisplayOptions& options) {
    const std::int32_t entryCount = circuit.blockTotal();
    if (existing.find_first_of(std::string_view("\0\r", 2)) != std::string_view::npos ||
        existing.starts_with(kByteOrderMark)) {
        return std::nullopt;
    }

    // First pass: a file of sections and keys only, each name once, and which of ours are there.
    bool plain = true;
    bool inSection = false;
    bool globalThere = false;
    bool evalThere = false;
    std::vector<bool> entryThere(static_cast<std::size_t>(entryCount), false);
    std::unordered_set<std::string> othersThere;
    std::vector<std::string> keysOfSection;
    const auto keysOnce = [&] {
        std::sort(keysOfSection.begin(), keysOfSection.end());
        if (std::adjacent_find(keysOfSection.begin(), keysOfSection.end()) != keysOfSection.end())
            plain = false;
        keysOfSection.clear();
    };
    forEachLine(existing, [&](const Line& line) {
        if (!plain) return;
        switch (line.kind) {
            case LineKind::Comment:
            case LineKind::Stray:
                plain = false;
                return;
            case LineKind::Key:
                if (!inSection) plain = false;
                keysOfSection.push_back(lowered(line.name));
                return;
            case LineKind::Section:
                break;
        }
        keysOnce();
        inSection = true;
        // Keys of the nameless section would be written before every other.
        if (line.textAfterSection || line.name.empty()) plain = false;
        const SectionName name = sectionOf(line.name, entryCount);
        bool* there = nullptr;
        if (name.kind == SectionKind::Global) there = &globalThere;
        if (name.kind == SectionKind::Eval) there = &evalThere;
        if (name.kind == SectionKind::Entry) {
            if (entryThere[static_cast<std::size_t>(name.entry)]) plain = false;
            entryThere[static_cast<std::size_t>(name.entry)] = true;
        } else if (there) {
            if (*there) plain = false;
            *there = true;
        } else if (!othersThere.insert(lowered(line.name)).second) {
            plain = false;
        }
    });
    keysOnce();
    if (!plain) return std::nullopt;

    // Second pass: the sections as they stand, with the new values, then the sections not there yet.
    // The store writes a key as "key=value" and puts two blank lines between sections.
    std::string text;
    text.reserve(existing.size() + std::size_t(entryCount) * 32 + 1024);
    bool first = true;
    const auto header = [&](std::string_view name) {
        if (!first) text += "\n\n";
        first = false;
        text += '[';
        text += name;
        text += "]\n";
    };
    const auto keyLine = [&](std::string_view key, std::string_view value) {
        text += key;
        text += '=';
        text += value;
        text += '\n';
    };
    Keys own;
    std::vector<bool> written;
    const auto writeMissing = [&] {
        for (std::size_t k = 0; k < own.size(); ++k) {
            if (!written[k]) keyLine(own[k].first, own[k].second);
        }
        own.clear();
        written.clear();
    };
    forEachLine(existing, [&](const Line& line) {
        if (line.kind == LineKind::Section) {
            writeMissing();
            header(line.name);
            own = ownKeys(sectionOf(line.name, entryCount), circuit, assignment, options);
            written.assign(own.size(), false);
        } else if (line.kind == LineKind::Key) {
            for (std::size_t k = 0; k < own.size(); ++k) {
                if (!written[k] && sameName(own[k].first, line.name)) {
                    written[k] = true;
                    keyLine(line.name, own[k].second);
                    return;
                }
            }
            keyLine(line.name, line.value);
        }
    });
    writeMissing();
    const auto addSection = [&](const std::string& name, SectionName kind) {
        header(name);
        for (const auto& [key, value] : ownKeys(kind, circuit, assignment, options))
            keyLine(key, value);
    };
    if (!globalThere) addSection("Global", {SectionKind::Global, -1});
    if (!evalThere) addSection("Eval", {SectionKind::Eval, -1});
    for (std::int32_t index = 0; index < entryCount; ++index) {
        if (!entryThere[static_cast<std::size_t>(index)])
            addSection(entrySection(index), {SectionKind::Entry, index});
    }
    return text;
}

}  // namespace pellisor
