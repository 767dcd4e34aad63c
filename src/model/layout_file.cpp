#include "model/layout_file.h"

#include "model/error.h"
#include "model/file_io.h"
#include "model/file_names.h"
#include "model/integer_text.h"
#include "model/layout_text.h"
#include "model/settings_file.h"

#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdint>
#include <limits>
#include <optional>
#include <string_view>
#include <vector>

namespace pellisor {

namespace {

constexpr const char* kGlobalSection = "Global";
constexpr const char* kEvalSection = "Eval";
constexpr const char* kOverwriteQuestion = "Opravdu si přejete uložit rozmístění?";
constexpr const char* kOverwriteCaption = "Uložení";
constexpr const char* kNoCircuitToSave = "Rozmístění nelze uložit: není načten žádný obvod";
constexpr const char* kNoCircuitToLoad = "Rozmístění nelze načíst: není načten žádný obvod";

std::string entrySection(std::int32_t index) {
    return "b" + std::to_string(index);
}
std::string evalKey(std::int32_t row) {
    return "f" + std::to_string(row);
}

int digitValue(char ch, int base) {
    int digit = -1;
    if (ch >= '0' && ch <= '9') {
        digit = ch - '0';
    } else if (base == 16 && ch >= 'a' && ch <= 'f') {
        digit = ch - 'a' + 10;
    } else if (base == 16 && ch >= 'A' && ch <= 'F') {
        digit = ch - 'A' + 10;
    }
    return digit < base ? digit : -1;
}

// A layout file may hold an integer in decimal or, hand-edited, in hexadecimal with "0x"; anything
// else, and anything beyond 32 bits, does not read.
std::optional<std::int32_t> readLayoutInteger(std::string_view text) {
    std::size_t pos = 0;
    bool negative = false;
    if (pos < text.size() && (text[pos] == '-' || text[pos] == '+')) {
        negative = text[pos] == '-';
        ++pos;
    }
    int base = 10;
    if (text.size() - pos > 2 && text[pos] == '0' && (text[pos + 1] == 'x' || text[pos + 1] == 'X')) {
        base = 16;
        pos += 2;
    }
    if (pos == text.size()) return std::nullopt;
    constexpr std::int64_t kLimit = std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1;
    std::int64_t magnitude = 0;
    for (; pos < text.size(); ++pos) {
        const int digit = digitValue(text[pos], base);
        if (digit < 0) return std::nullopt;
        magnitude = magnitude * base + digit;
        if (magnitude > kLimit) return std::nullopt;
    }
    const std::int64_t value = negative ? -magnitude : magnitude;
    if (value > std::numeric_limits<std::int32_t>::max()) return std::nullopt;
    return static_cast<std::int32_t>(value);
}

std::int32_t readInteger(const LayoutText& file, std::string_view section, std::string_view key,
                         std::int32_t fallback) {
    const auto value = readLayoutInteger(file.value(section, key).value_or(""));
    return value ? *value : fallback;
}

bool readFlag(const LayoutText& file, std::string_view section, std::string_view key, bool fallback) {
    const auto value = readLayoutInteger(file.value(section, key).value_or(""));
    return value ? *value != 0 : fallback;
}

std::string currentDirectory() {
    std::vector<char> buffer(PATH_MAX);
    while (::getcwd(buffer.data(), buffer.size()) == nullptr) {
        if (errno != ERANGE) return {};
        buffer.resize(buffer.size() * 2);
    }
    return std::string(buffer.data());
}

}  // namespace

std::string layoutPathForLoad(const std::string& fileName, const std::string& layoutFileName) {
    const std::string name = layoutFileName.empty() ? changeFileExtension(fileName, ".ini") : layoutFileName;
    if (!fileDirectory(name).empty()) return name;
    const std::string directory = currentDirectory();
    if (directory.empty()) return name;
    return directory.back() == '/' ? directory + name : directory + "/" + name;
}

std::string layoutPathForSave(const std::string& fileName) {
    return changeFileExtension(fileName, ".ini");
}

bool saveLayoutFile(const std::string& path, const Chromosome& circuit, const LayoutSettings& settings,
                    const AskYesNo& confirmOverwrite) {
    // An empty layout would match no circuit and could only spoil a file saved before.
    if (!circuit.hasCircuit()) throw Error(kNoCircuitToSave);
    if (fileExists(path)) {
        // Without anyone to say Yes, an existing file is not overwritten.
        if (!confirmOverwrite || !confirmOverwrite(kOverwriteQuestion, kOverwriteCaption)) return false;
    }

    // One rewrite for the whole layout; a file as saves write it is merged in one pass.
    std::string existing;
    if (fileExists(path)) {
        auto bytes = readFileBytes(path);
        if (!bytes) throw Error(std::string(kCannotOpenFile) + ": " + path);
        existing = std::move(*bytes);
    }
    if (auto text = mergedLayoutText(existing, circuit, settings)) {
        writeFileAtomically(path, *text);
        return true;
    }
    SettingsFile(path).write(layoutEntries(circuit, settings));
    return true;
}

LayoutLoadResult loadLayoutFile(const std::string& path, Chromosome& circuit) {
    if (!fileExists(path)) return {LayoutLoadStatus::Missing, "Soubor " + path + " neexistuje!"};
    // Nothing drawn: there is no grid the layout could match.
    if (!circuit.hasCircuit()) return {LayoutLoadStatus::Mismatch, kNoCircuitToLoad};

    // Read once: a million entries would otherwise mean a million lookups in the settings store.
    auto bytes = readFileBytes(path);
    if (!bytes) throw Error(std::string(kCannotOpenFile) + ": " + path);
    const LayoutText file(std::move(*bytes), circuit.blockTotal());
    const std::int32_t columns = readInteger(file, kGlobalSection, "m", -1);
    const std::int32_t rows = readInteger(file, kGlobalSection, "n", -1);
    const std::int32_t entries = readInteger(file, kGlobalSection, "maxidx", 0);
    if (columns != circuit.columns || rows != circuit.rows || entries > circuit.blockTotal()) {
        return {LayoutLoadStatus::Mismatch,
                "Rozmístění " + path + " nepatří k tomuto obvodu (soubor: matice " + std::to_string(columns) +
                    "x" + std::to_string(rows) + ", " + std::to_string(entries) + " prvků; obvod: matice " +
                    std::to_string(circuit.columns) + "x" + std::to_string(circuit.rows) + ", " +
                    std::to_string(circuit.blockTotal()) + " prvků)"};
    }

    // Every entry, whatever "maxidx" says: one without a section keeps its place and becomes visible.
    for (std::int32_t index = 0; index < circuit.blockTotal(); ++index) {
        Block& block = circuit.blocks[static_cast<std::size_t>(index)];
        const std::string section = entrySection(index);
        if (const auto x = readInteger(file, section, "x", -1); x != -1) block.x = x;
        if (const auto y = readInteger(file, section, "y", -1); y != -1) block.y = y;
        if (const auto value = readInteger(file, section, "val", -1); value != -1) block.value = value;
        block.visible = readFlag(file, section, "vis", true);
    }

    LayoutLoadResult result{LayoutLoadStatus::Applied, {}};
    result.hiddenBlocks = readFlag(file, kGlobalSection, "hidblock", true);
    result.values = readFlag(file, kGlobalSection, "eval", true);
    for (std::int32_t row = 1; row <= kLayoutFunctionRows; ++row) {
        LayoutIdentifier& identifier = result.identifiers[static_cast<std::size_t>(row - 1)];
        identifier.text = file.value(kEvalSection, evalKey(row)).value_or("0");
        identifier.value = readLayoutInteger(identifier.text);
    }
    return result;
}

}  // namespace pellisor
