#include "model/layout_text.h"

#include "model/ini_scanner.h"

#include <algorithm>
#include <limits>
#include <unordered_set>

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

std::optional<std::string> mergedLayoutText(std::string_view existing, const Chromosome& circuit,
                                            const LayoutSettings& settings) {
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
    scanIni(existing, 0, [&](const IniItem& line) {
        if (!plain) return;
        switch (line.kind) {
            case Kind::Comment:
            case Kind::Stray:
                plain = false;
                return;
            case Kind::Key:
                if (!inSection) plain = false;
                keysOfSection.push_back(loweredIniName(line.name));
                return;
            case Kind::Section:
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
        } else if (!othersThere.insert(loweredIniName(line.name)).second) {
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
    scanIni(existing, 0, [&](const IniItem& line) {
        if (line.kind == Kind::Section) {
            writeMissing();
            header(line.name);
            own = ownKeys(sectionOf(line.name, entryCount), circuit, settings);
            written.assign(own.size(), false);
        } else if (line.kind == Kind::Key) {
            for (std::size_t k = 0; k < own.size(); ++k) {
                if (!written[k] && sameIniName(own[k].first, line.name)) {
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
        for (const auto& [key, value] : ownKeys(kind, circuit, settings))
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
