#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace pellisor {

// The one reading of INI text, shared by the settings file and the layout files. A line ends at LF or
// CR. White space, line ends included, is skipped before an item and after the "[" of a section. A
// comment runs from ";" or "#" to the end of its line. A section's name runs from "[" to "]" on its
// line; what follows the "]" is ignored. A key needs a "=" on its line with text before it. Anything
// else (an unfinished section header among it) is a stray line, passed over to the end of its line.
// Names and values are trimmed of blanks; names match without regard to the case of ASCII letters.
// NUL bytes are the caller's: both users read them as blanks.
struct IniItem {
    enum class Kind { Comment, Section, Key, Stray };
    Kind kind = Kind::Stray;
    std::size_t begin = 0;          // the item's first byte
    std::size_t end = 0;            // the end of its line, where the scan goes on
    std::string_view name;          // of a section or a key
    std::string_view value;         // of a key
    bool textAfterSection = false;  // more than blanks after the "]" of a section
};

inline constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

// Where the text begins after a UTF-8 byte order mark, which a reader skips.
inline std::size_t afterByteOrderMark(std::string_view text) {
    return text.starts_with(kByteOrderMark) ? kByteOrderMark.size() : 0;
}

inline bool isIniBlank(char ch) {
    return ch == ' ' || ch == '\t';
}
inline bool isIniLineEnd(char ch) {
    return ch == '\r' || ch == '\n';
}

inline char lowerAscii(char ch) {
    return ch >= 'A' && ch <= 'Z' ? static_cast<char>(ch - 'A' + 'a') : ch;
}

// Two section or key names are the same one.
inline bool sameIniName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t k = 0; k < a.size(); ++k) {
        if (lowerAscii(a[k]) != lowerAscii(b[k])) return false;
    }
    return true;
}

// A name as it is compared: ASCII letters in lower case.
inline std::string loweredIniName(std::string_view name) {
    std::string text(name);
    for (char& ch : text)
        ch = lowerAscii(ch);
    return text;
}

// Calls visit(const IniItem&) for every item of `text` from `pos` on, in order; positions are offsets
// into `text`. Inline, for a layout file of a million sections goes through it twice.
template <typename Visit>
void scanIni(std::string_view text, std::size_t pos, Visit&& visit) {
    const auto isSpace = [](char ch) { return isIniBlank(ch) || isIniLineEnd(ch); };
    const auto skip = [&](auto&& what) {
        while (pos < text.size() && what(text[pos]))
            ++pos;
    };
    const auto toLineEnd = [&] { skip([](char ch) { return !isIniLineEnd(ch); }); };
    const auto trimmedEnd = [](std::string_view part) {
        while (!part.empty() && isIniBlank(part.back()))
            part.remove_suffix(1);
        return part;
    };
    for (skip(isSpace); pos < text.size(); skip(isSpace)) {
        IniItem item;
        item.begin = pos;
        if (text[pos] == ';' || text[pos] == '#') {
            item.kind = IniItem::Kind::Comment;
            toLineEnd();
        } else if (text[pos] == '[') {
            ++pos;
            skip(isSpace);
            const std::size_t from = pos;
            skip([](char ch) { return ch != ']' && !isIniLineEnd(ch); });
            if (pos < text.size() && text[pos] == ']') {
                item.kind = IniItem::Kind::Section;
                item.name = trimmedEnd(text.substr(from, pos - from));
                const std::size_t after = ++pos;
                toLineEnd();
                item.textAfterSection = !trimmedEnd(text.substr(after, pos - after)).empty();
            }
        } else {
            skip([](char ch) { return ch != '=' && !isIniLineEnd(ch); });
            if (pos < text.size() && text[pos] == '=' && pos > item.begin) {
                item.kind = IniItem::Kind::Key;
                item.name = trimmedEnd(text.substr(item.begin, pos - item.begin));
                ++pos;
                skip(isIniBlank);
                const std::size_t from = pos;
                toLineEnd();
                item.value = trimmedEnd(text.substr(from, pos - from));
            } else {
                toLineEnd();
            }
        }
        item.end = pos;
        visit(item);
    }
}

}  // namespace pellisor
