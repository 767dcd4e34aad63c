#pragma once

#include "model/chromosome.h"
#include "model/layout_file.h"
#include "model/settings_file.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pellisor {

// A layout file of a million entries, read in one pass. The settings store keeps an allocation per key
// and looks at the file again for every key read, which takes seconds and ten times the file's size in
// memory here; this reads the values a layout load asks for by the store's rules (names matched
// without regard to case, blanks around names and values trimmed, the last of a key given twice
// counting, sections given twice merged, lines beginning with ';' or '#' skipped, a NUL byte read as a
// blank) into a table by entry index.
class LayoutText {
public:
    // `entryCount`: the sections "b0" ... "b<entryCount - 1>" are kept; others are never asked for.
    LayoutText(std::string bytes, std::int32_t entryCount);

    // The text of a key of section "Global" or "Eval", or of key "x", "y", "val" or "vis" of an entry's
    // section; nothing when the file does not have it (or it is none of those).
    std::optional<std::string_view> value(std::string_view section, std::string_view key) const;

private:
    std::string bytes_;
    std::array<std::optional<std::string_view>, 5> global_;                  // m, n, maxidx, hidblock, eval
    std::array<std::optional<std::string_view>, kLayoutFunctionRows> eval_;  // f1 ... f32
    std::vector<std::array<std::optional<std::string_view>, 4>> entries_;    // x, y, val, vis
};

// The keys a layout save writes, in their order: "Global", "Eval", then "b0" ... for every entry.
std::vector<SettingsEntry> layoutEntries(const Chromosome& circuit, const LayoutSettings& settings);

// The file a layout save leaves, as the settings store would write those entries into a file of the
// `existing` bytes: keys already there keep their place and spelling and get the new value, missing
// keys follow the others of their section, missing sections follow at the end. Made in one pass for a
// file of sections and keys only, as saves write them; nothing for any other (comments, stray lines,
// a name given twice, line ends other than LF), which the settings store then rewrites itself.
std::optional<std::string> mergedLayoutText(std::string_view existing, const Chromosome& circuit,
                                            const LayoutSettings& settings);

}  // namespace pellisor
