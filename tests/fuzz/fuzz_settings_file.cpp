// set.ini: the settings file's reader and writer and the readers of the window's settings.
//
// Input: one byte (bits 0-3: the spacing field to spoil before a save, none above 9; bit 4: write one
// label instead of saving the settings page), a label text up to a NUL, then the file's bytes.
#include "fuzz_support.h"

#include "app/settings.h"
#include "eval/function_assignment.h"
#include "model/error.h"
#include "model/integer_text.h"
#include "model/settings_file.h"
#include "model/settings_keys.h"

#include <algorithm>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace {

using namespace pellisor;
using pellisor::fuzz::printable;

constexpr std::string_view kMissing = "\x01missing";

std::string_view trimmed(std::string_view text) {
    const auto begin = text.find_first_not_of(" \t\r");
    if (begin == std::string_view::npos) return {};
    const auto end = text.find_last_not_of(" \t\r");
    return text.substr(begin, end - begin + 1);
}

std::string lowered(std::string_view text) {
    std::string out(text);
    for (char& ch : out) {
        if (ch >= 'A' && ch <= 'Z') ch = static_cast<char>(ch - 'A' + 'a');
    }
    return out;
}

using Key = std::pair<std::string, std::string>;  // section and key, lower case

// The keys a file seems to hold and its comment lines, by a plain reading of its lines. It only
// proposes what to look up; the values come from the reader under test.
struct Lines {
    std::vector<Key> keys;
    std::vector<std::string> comments;
};

Lines linesOf(std::string_view file) {
    // A NUL byte reads as a blank.
    std::string text(file);
    std::replace(text.begin(), text.end(), '\0', ' ');
    std::string_view bytes = text;
    Lines lines;
    std::string section;
    bool nameOfBareBracket = false;
    while (!bytes.empty()) {
        // The parser ends a line at CR as well as at LF.
        const auto end = bytes.find_first_of("\r\n");
        const std::string_view line = trimmed(bytes.substr(0, end));
        bytes.remove_prefix(end == std::string_view::npos ? bytes.size() : end + 1);
        if (line.empty()) continue;
        // The parser looks for the name of a bare "[" on the next line with text, which is then no
        // comment and no key.
        const bool swallowed = nameOfBareBracket;
        nameOfBareBracket = !swallowed && line == "[";
        if (swallowed) {
            if (const auto close = line.find(']'); close != std::string_view::npos) {
                section = lowered(trimmed(line.substr(0, close)));
            }
            continue;
        }
        if (line.front() == ';' || line.front() == '#') {
            lines.comments.emplace_back(line);
        } else if (line.front() == '[') {
            const auto close = line.find(']');
            section =
                lowered(trimmed(line.substr(1, close == std::string_view::npos ? line.npos : close - 1)));
        } else if (const auto equals = line.find('='); equals != std::string_view::npos) {
            lines.keys.emplace_back(section, lowered(trimmed(line.substr(0, equals))));
        }
    }
    return lines;
}

std::map<Key, std::string> valuesOf(const SettingsFile& file, const std::vector<Key>& keys) {
    std::map<Key, std::string> values;
    for (const Key& key : keys)
        values[key] = file.readString(key.first, key.second, kMissing);
    return values;
}

// What a written value reads back as: on one line, without the blanks around it.
std::string readBack(std::string_view value) {
    std::string line(value);
    std::replace(line.begin(), line.end(), '\n', ' ');
    std::replace(line.begin(), line.end(), '\r', ' ');
    const auto begin = line.find_first_not_of(" \t");
    if (begin == std::string::npos) return {};
    return line.substr(begin, line.find_last_not_of(" \t") - begin + 1);
}

void checkReaders(const SettingsFile& file) {
    const SpacingTexts spacings = readSpacingTexts(file);
    for (const auto& entry : settings::kSpacingKeys) {
        const std::string& text = spacings[static_cast<std::size_t>(entry.spacing)];
        FUZZ_CHECK(tryToInt(text) && std::to_string(*tryToInt(text)) == text, printable(text));
        FUZZ_CHECK(*tryToInt(text) == file.readInt(settings::kSpacingSection, entry.key, entry.fallback),
                   entry.key);
    }
    FunctionAssignment assignment;
    assignment.loadAssignment(file);
    FUZZ_CHECK(assignment.chooser().size() == 52, std::to_string(assignment.chooser().size()));
    for (std::int32_t gene = 0; gene < kGeneCount; ++gene) {
        const AssignmentRow& row = assignment.rows()[static_cast<std::size_t>(gene)];
        FUZZ_CHECK(row.identifier == file.readInt(settings::kFunctionSection, settings::functionKey(gene), 0),
                   settings::functionKey(gene));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::InputReader input(data, size);
    const std::uint8_t flags = input.byte();
    const std::string label(input.part());
    const std::string_view bytes = input.rest();

    static const std::string kPath = fuzz::scratchFile("set.ini");
    fuzz::writeBytes(kPath, bytes);
    SettingsFile file(kPath);
    checkReaders(file);
    const Lines lines = linesOf(bytes);
    const std::map<Key, std::string> before = valuesOf(file, lines.keys);

    // The write: either one label, or the settings page with one field spoilt.
    std::map<Key, std::string> written;
    std::map<Key, bool> notWritten;  // keys a failed save must leave alone
    if ((flags & 16) != 0) {
        file.writeString("DOT", "f1_label", label);
        written[{"dot", "f1_label"}] = readBack(label);
    } else {
        SpacingTexts spacings = readSpacingTexts(file);
        const std::size_t spoilt = flags & 15;
        if (spoilt < spacings.size()) spacings[spoilt] = label;
        const DisplayOptions options = readDisplayOptions(file);
        bool failed = false;
        try {
            saveSettings(file, spacings, options);
        } catch (const Error& error) {
            FUZZ_CHECK(spoilt < spacings.size() && error.what() == notAnIntegerMessage(label), error.what());
            failed = true;
        }
        FUZZ_CHECK(failed == (spoilt < spacings.size() && !tryToInt(label)), "the save ended otherwise");
        for (const auto& entry : settings::kSpacingKeys) {
            const auto index = static_cast<std::size_t>(entry.spacing);
            const Key key{"roztece", lowered(entry.key)};
            if (failed && index >= spoilt) {
                notWritten[key] = true;
            } else {
                written[key] = std::to_string(*tryToInt(spacings[index]));
            }
        }
        for (const auto& entry : settings::kDisplayKeys) {
            const Key key{"zobrazeni", lowered(entry.key)};
            if (failed) {
                notWritten[key] = true;
            } else {
                written[key] = options[entry.option] ? "1" : "0";
            }
        }
    }

    // Written keys read what was written, every other key as before, and the comments stay.
    const std::string after = fuzz::readBytes(kPath);
    const SettingsFile fresh(kPath);
    const SettingsFile* const readers[] = {&file, &fresh};
    for (const SettingsFile* reader : readers) {
        for (const auto& [key, value] : written) {
            const std::string now = reader->readString(key.first, key.second, kMissing);
            FUZZ_CHECK(now == value, key.first + "/" + key.second + " reads " + printable(now));
        }
        for (const auto& [key, value] : before) {
            if (written.count(key) != 0) continue;
            const std::string now = reader->readString(key.first, key.second, kMissing);
            FUZZ_CHECK(now == value, key.first + "/" + key.second + " was " + printable(value) + ", now " +
                                         printable(now) + " in\n" + printable(after));
        }
        for (const auto& [key, ignored] : notWritten) {
            const auto found = before.find(key);
            const std::string then = found == before.end() ? std::string(kMissing) : found->second;
            FUZZ_CHECK(reader->readString(key.first, key.second, kMissing) == then,
                       "a failed save wrote " + key.second);
        }
    }
    const Lines now = linesOf(after);
    for (const std::string& comment : lines.comments) {
        FUZZ_CHECK(std::find(now.comments.begin(), now.comments.end(), comment) != now.comments.end(),
                   "comment " + printable(comment) + " lost in\n" + printable(after));
    }
    checkReaders(fresh);
    return 0;
}
