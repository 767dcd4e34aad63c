#include "app/settings.h"

#include "model/error.h"
#include "model/integer_text.h"
#include "model/settings_keys.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

namespace pellisor {

namespace {

std::size_t indexOf(settings::Spacing spacing) {
    return static_cast<std::size_t>(spacing);
}

const settings::DisplayKey& displayKey(settings::DisplayOption option) {
    for (const auto& entry : settings::kDisplayKeys) {
        if (entry.option == option) return entry;
    }
    return settings::kDisplayKeys.front();
}

// A value read never holds a NUL byte (the store reads one as a blank), so this fallback tells a
// missing key from every value, the empty one included.
constexpr std::string_view kMissing{"\0", 1};

std::optional<std::string> readOptional(const SettingsFile& file, const std::string& key) {
    std::string value = file.readString(settings::kDotSection, key, kMissing);
    if (value == kMissing) return std::nullopt;
    return value;
}

// Every text functionOf can give: those of the rows, "#" of gene -1 and the empty text of every other
// gene without a row.
FunctionStyles readStyles(const SettingsFile& file, const FunctionAssignment& assignment, bool colours) {
    FunctionStyles styles;
    for (std::int32_t gene = -1; gene <= kGeneCount; ++gene) {
        std::string id = assignment.functionOf(gene);
        if (styles.contains(id)) continue;
        FunctionStyle style;
        style.label = readOptional(file, settings::labelKey(id));
        // A loaded circuit's own label shows where set.ini names none.
        if (!style.label || style.label->empty()) {
            if (const auto identifier = tryToInt(id)) {
                const auto found = assignment.circuitLabels().find(*identifier);
                if (found != assignment.circuitLabels().end()) style.label = found->second;
            }
        }
        if (colours) {
            style.fillColor =
                file.readString(settings::kDotSection, settings::fillColorKey(id), kDefaultFillColor);
            style.fontColor =
                file.readString(settings::kDotSection, settings::fontColorKey(id), kDefaultFontColor);
        }
        styles.set(std::move(id), std::move(style));
    }
    return styles;
}

}  // namespace

std::string executableDirectory() {
    std::string target(256, '\0');
    for (;;) {
        const ssize_t length = ::readlink("/proc/self/exe", target.data(), target.size());
        if (length < 0) {
            throw Error(std::string("Cesta programu nelze zjistit (") + std::strerror(errno) + ")");
        }
        // A result that fills the buffer may have been cut short.
        if (static_cast<std::size_t>(length) < target.size()) {
            target.resize(static_cast<std::size_t>(length));
            break;
        }
        target.resize(target.size() * 2);
    }
    return target.substr(0, target.find_last_of('/') + 1);
}

std::string settingsPath() {
    return executableDirectory() + "set.ini";
}

SpacingTexts readSpacingTexts(const SettingsFile& file) {
    SpacingTexts texts;
    for (const auto& entry : settings::kSpacingKeys) {
        texts[indexOf(entry.spacing)] =
            std::to_string(file.readInt(settings::kSpacingSection, entry.key, entry.fallback));
    }
    return texts;
}

DisplayOptions readDisplayOptions(const SettingsFile& file, DisplayOptions current) {
    for (const auto& entry : settings::kDisplayKeys) {
        current[entry.option] = file.readBool(settings::kDisplaySection, entry.key, entry.fallback);
    }
    return current;
}

FunctionStyles readFunctionLabels(const SettingsFile& file, const FunctionAssignment& assignment) {
    return readStyles(file, assignment, false);
}

FunctionStyles readFunctionStyles(const SettingsFile& file, const FunctionAssignment& assignment) {
    return readStyles(file, assignment, true);
}

void saveSettings(SettingsFile& file, const SpacingTexts& spacings, const DisplayOptions& options) {
    std::vector<SettingsEntry> entries;
    for (const auto& entry : settings::kSpacingKeys) {
        std::int32_t value = 0;
        try {
            value = toInt(spacings[indexOf(entry.spacing)]);
        } catch (const Error&) {
            // The fields are saved one by one, so those before the bad one are already in the file.
            file.write(entries);
            throw;
        }
        entries.push_back({settings::kSpacingSection, entry.key, std::to_string(value)});
    }
    for (const auto option : settings::kDisplaySaveOrder) {
        entries.push_back({settings::kDisplaySection, displayKey(option).key, options[option] ? "1" : "0"});
    }
    file.write(entries);
}

}  // namespace pellisor
