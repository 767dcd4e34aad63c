#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace pellisor {

// A glyph's advance and ink box, in thousandths of the font size, y upwards from the baseline.
struct GlyphMetrics {
    std::int16_t advance = 0;
    std::int16_t left = 0;
    std::int16_t bottom = 0;
    std::int16_t right = 0;
    std::int16_t top = 0;
};

// The PostScript glyph name of a byte from 0xA0 of ISO Latin-2; empty below.
std::string_view latin2GlyphName(std::uint8_t byte);
// The Unicode character of a Latin-2 byte.
char16_t latin2Character(std::uint8_t byte);
// Helvetica's metrics of a printable Latin-2 byte (0x20-0x7E, 0xA0-0xFF); null for control bytes.
const GlyphMetrics* helveticaGlyph(std::uint8_t byte);

}  // namespace pellisor

namespace pellisor {

// The text in ISO Latin-2: UTF-8 characters it has become their bytes and any other character "?"; a
// byte that is not part of UTF-8 stays as it is, as the 8-bit texts of older files are meant.
std::string latin2Bytes(std::string_view utf8);

// PostScript that defines the font `latin2Name` as `font` with the ISO Latin-2 encoding.
std::string latin2FontDefinition(std::string_view font, std::string_view latin2Name);

}  // namespace pellisor
