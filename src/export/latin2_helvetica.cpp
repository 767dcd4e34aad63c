// Helvetica in ISO Latin-2: the glyph names of the upper half, the characters of every byte and the
// glyph metrics, in thousandths of the font size (those of the standard Helvetica metrics).
#include "export/latin2_helvetica.h"

#include "export/utf8_text.h"

#include <algorithm>

namespace pellisor {

namespace {

constexpr std::array<std::string_view, 96> kUpperNames{
    "space",       "Aogonek",       "breve",        "Lslash",     "currency",     "Lcaron",
    "Sacute",      "section",       "dieresis",     "Scaron",     "Scedilla",     "Tcaron",
    "Zacute",      "hyphen",        "Zcaron",       "Zdotaccent", "degree",       "aogonek",
    "ogonek",      "lslash",        "acute",        "lcaron",     "sacute",       "caron",
    "cedilla",     "scaron",        "scedilla",     "tcaron",     "zacute",       "hungarumlaut",
    "zcaron",      "zdotaccent",    "Racute",       "Aacute",     "Acircumflex",  "Abreve",
    "Adieresis",   "Lacute",        "Cacute",       "Ccedilla",   "Ccaron",       "Eacute",
    "Eogonek",     "Edieresis",     "Ecaron",       "Iacute",     "Icircumflex",  "Dcaron",
    "Dcroat",      "Nacute",        "Ncaron",       "Oacute",     "Ocircumflex",  "Ohungarumlaut",
    "Odieresis",   "multiply",      "Rcaron",       "Uring",      "Uacute",       "Uhungarumlaut",
    "Udieresis",   "Yacute",        "Tcommaaccent", "germandbls", "racute",       "aacute",
    "acircumflex", "abreve",        "adieresis",    "lacute",     "cacute",       "ccedilla",
    "ccaron",      "eacute",        "eogonek",      "edieresis",  "ecaron",       "iacute",
    "icircumflex", "dcaron",        "dcroat",       "nacute",     "ncaron",       "oacute",
    "ocircumflex", "ohungarumlaut", "odieresis",    "divide",     "rcaron",       "uring",
    "uacute",      "uhungarumlaut", "udieresis",    "yacute",     "tcommaaccent", "dotaccent"};

constexpr std::array<char16_t, 96> kUpperCharacters{
    0x00A0, 0x0104, 0x02D8, 0x0141, 0x00A4, 0x013D, 0x015A, 0x00A7, 0x00A8, 0x0160, 0x015E, 0x0164,
    0x0179, 0x00AD, 0x017D, 0x017B, 0x00B0, 0x0105, 0x02DB, 0x0142, 0x00B4, 0x013E, 0x015B, 0x02C7,
    0x00B8, 0x0161, 0x015F, 0x0165, 0x017A, 0x02DD, 0x017E, 0x017C, 0x0154, 0x00C1, 0x00C2, 0x0102,
    0x00C4, 0x0139, 0x0106, 0x00C7, 0x010C, 0x00C9, 0x0118, 0x00CB, 0x011A, 0x00CD, 0x00CE, 0x010E,
    0x0110, 0x0143, 0x0147, 0x00D3, 0x00D4, 0x0150, 0x00D6, 0x00D7, 0x0158, 0x016E, 0x00DA, 0x0170,
    0x00DC, 0x00DD, 0x0162, 0x00DF, 0x0155, 0x00E1, 0x00E2, 0x0103, 0x00E4, 0x013A, 0x0107, 0x00E7,
    0x010D, 0x00E9, 0x0119, 0x00EB, 0x011B, 0x00ED, 0x00EE, 0x010F, 0x0111, 0x0144, 0x0148, 0x00F3,
    0x00F4, 0x0151, 0x00F6, 0x00F7, 0x0159, 0x016F, 0x00FA, 0x0171, 0x00FC, 0x00FD, 0x0163, 0x02D9};

// Bytes 0x20-0x7E, then 0xA0-0xFF: advance, left, bottom, right, top.
constexpr std::array<GlyphMetrics, 191> kMetrics{{
    {278, 191, 0, 191, 0},       {278, 124, 0, 208, 729},   {355, 52, 464, 305, 709},
    {556, 14, -20, 542, 697},    {556, 33, -126, 525, 770}, {889, 29, -20, 859, 709},
    {667, 52, -23, 637, 709},    {191, 48, 464, 142, 709},  {333, 73, -212, 291, 729},
    {333, 38, -212, 256, 729},   {389, 40, 441, 343, 729},  {584, 50, -10, 534, 474},
    {278, 87, -149, 192, 104},   {333, 46, 240, 284, 312},  {278, 87, 0, 191, 104},
    {278, -8, -20, 284, 729},    {556, 43, -23, 507, 723},  {556, 102, 0, 347, 723},
    {556, 34, 1, 511, 723},      {556, 32, -23, 506, 723},  {556, 28, 0, 520, 723},
    {556, 35, -23, 513, 709},    {556, 43, -23, 513, 723},  {556, 46, 0, 520, 709},
    {556, 37, -23, 513, 723},    {556, 38, -23, 509, 723},  {278, 110, 0, 214, 524},
    {278, 110, -149, 215, 524},  {584, 45, -9, 534, 474},   {584, 50, 111, 534, 353},
    {584, 50, -9, 539, 474},     {556, 77, 0, 509, 741},    {1015, 34, -142, 951, 741},
    {667, 17, 0, 653, 729},      {667, 79, 0, 623, 729},    {722, 48, -23, 677, 741},
    {722, 89, 0, 667, 729},      {667, 90, 0, 613, 729},    {611, 90, 0, 579, 729},
    {778, 44, -23, 709, 741},    {722, 83, 0, 644, 729},    {278, 100, 0, 194, 729},
    {500, 17, -23, 426, 729},    {667, 79, 0, 658, 729},    {556, 80, 0, 533, 729},
    {833, 75, 0, 761, 729},      {722, 76, 0, 646, 729},    {778, 38, -23, 742, 741},
    {667, 91, 0, 617, 729},      {778, 38, -59, 742, 741},  {722, 93, 0, 679, 729},
    {667, 48, -23, 621, 741},    {611, 21, 0, 593, 729},    {722, 85, -23, 645, 729},
    {667, 30, 0, 645, 729},      {944, 22, 0, 929, 729},    {667, 22, 0, 649, 729},
    {667, 13, 0, 661, 729},      {611, 28, 0, 583, 729},    {278, 64, -212, 250, 729},
    {278, -8, -20, 284, 729},    {278, 23, -212, 209, 729}, {469, 44, 329, 425, 709},
    {556, -22, -176, 578, -126}, {333, 22, 592, 231, 740},  {556, 42, -23, 535, 539},
    {556, 54, -23, 523, 729},    {500, 31, -23, 477, 539},  {556, 26, -23, 495, 729},
    {556, 40, -23, 513, 539},    {278, 18, 0, 258, 732},    {556, 35, -218, 481, 539},
    {556, 70, 0, 486, 729},      {222, 66, 0, 150, 729},    {222, -18, -218, 153, 729},
    {500, 58, 0, 502, 729},      {222, 68, 0, 152, 729},    {833, 70, 0, 762, 539},
    {556, 70, 0, 487, 539},      {556, 36, -23, 510, 539},  {556, 54, -218, 523, 539},
    {556, 26, -218, 495, 539},   {333, 69, 0, 321, 539},    {500, 34, -23, 459, 539},
    {278, 14, -23, 254, 668},    {556, 65, -23, 482, 524},  {500, 10, 0, 486, 524},
    {722, 6, 0, 708, 524},       {500, 17, 0, 473, 524},    {500, 20, -218, 478, 524},
    {500, 31, 0, 457, 524},      {334, 43, -212, 276, 729}, {260, 100, -212, 160, 729},
    {334, 29, -212, 262, 729},   {584, 75, 268, 508, 438},  {278, 191, 0, 191, 0},
    {667, 17, -205, 692, 729},   {333, 15, 597, 316, 732},  {556, 0, 0, 552, 729},
    {556, 67, 133, 489, 551},    {556, 80, 0, 533, 729},    {667, 48, -23, 621, 939},
    {556, 44, -213, 506, 729},   {333, 30, 612, 296, 715},  {667, 48, -23, 621, 940},
    {667, 48, -214, 624, 741},   {611, 21, 0, 593, 940},    {611, 28, 0, 583, 939},
    {333, 46, 240, 284, 312},    {611, 28, 0, 583, 940},    {611, 28, 0, 583, 915},
    {400, 48, 383, 351, 686},    {556, 43, -205, 596, 539}, {333, 57, -205, 265, 0},
    {222, 0, 0, 212, 729},       {333, 92, 592, 301, 740},  {299, 68, 0, 305, 729},
    {500, 34, -23, 459, 740},    {333, 19, 591, 306, 741},  {333, 39, -214, 287, 0},
    {500, 34, -23, 459, 741},    {500, 34, -214, 459, 539}, {317, 14, -23, 321, 801},
    {500, 31, 0, 457, 740},      {333, -35, 590, 348, 740}, {500, 31, 0, 457, 741},
    {500, 31, 0, 457, 716},      {722, 93, 0, 679, 939},    {667, 17, 0, 653, 939},
    {667, 17, 0, 653, 940},      {667, 17, 0, 653, 931},    {667, 17, 0, 653, 914},
    {556, 70, 0, 533, 939},      {722, 48, -23, 677, 939},  {722, 48, -214, 677, 741},
    {722, 48, -23, 677, 940},    {667, 90, 0, 613, 939},    {667, 90, -205, 652, 729},
    {667, 90, 0, 613, 914},      {667, 90, 0, 613, 940},    {278, 71, 0, 280, 939},
    {278, -1, 0, 286, 940},      {722, 89, 0, 667, 940},    {722, 20, 0, 667, 729},
    {722, 76, 0, 646, 939},      {722, 76, 0, 646, 940},    {778, 38, -23, 742, 939},
    {778, 38, -23, 742, 940},    {778, 38, -23, 742, 939},  {778, 38, -23, 742, 914},
    {584, 95, 34, 488, 427},     {722, 93, 0, 679, 940},    {722, 85, -23, 645, 953},
    {722, 85, -23, 645, 939},    {722, 85, -23, 645, 939},  {722, 85, -23, 645, 914},
    {667, 13, 0, 660, 939},      {611, 21, -214, 593, 729}, {611, 70, -20, 555, 729},
    {333, 69, 0, 331, 740},      {556, 42, -23, 535, 740},  {556, 42, -23, 535, 741},
    {556, 42, -23, 535, 732},    {556, 42, -23, 535, 715},  {222, 63, 0, 272, 939},
    {500, 31, -23, 477, 740},    {500, 31, -214, 477, 539}, {500, 31, -23, 477, 741},
    {556, 40, -23, 513, 740},    {556, 40, -204, 514, 539}, {556, 40, -23, 513, 715},
    {556, 40, -23, 513, 741},    {278, 65, 0, 274, 740},    {278, -7, 0, 280, 741},
    {643, 26, -23, 648, 729},    {556, 26, -23, 557, 729},  {556, 70, 0, 487, 740},
    {556, 70, 0, 487, 741},      {556, 36, -23, 510, 740},  {556, 36, -23, 510, 741},
    {556, 36, -23, 526, 740},    {556, 36, -23, 510, 715},  {584, 50, 0, 534, 472},
    {333, 48, 0, 335, 741},      {556, 65, -23, 482, 754},  {556, 65, -23, 482, 740},
    {556, 65, -23, 530, 740},    {556, 65, -23, 482, 715},  {500, 20, -218, 478, 740},
    {278, 10, -214, 258, 668},   {333, 115, 612, 219, 716},
}};

}  // namespace

std::string_view latin2GlyphName(std::uint8_t byte) {
    return byte >= 0xA0 ? kUpperNames[byte - 0xA0u] : std::string_view();
}

char16_t latin2Character(std::uint8_t byte) {
    return byte >= 0xA0 ? kUpperCharacters[byte - 0xA0u] : char16_t(byte);
}

const GlyphMetrics* helveticaGlyph(std::uint8_t byte) {
    if (byte >= 0x20 && byte <= 0x7E) return &kMetrics[byte - 0x20u];
    if (byte >= 0xA0) return &kMetrics[byte - 0xA0u + 95];
    return nullptr;
}

}  // namespace pellisor

namespace pellisor {

std::string latin2Bytes(std::string_view utf8) {
    std::string result;
    result.reserve(utf8.size());
    for (std::size_t at = 0; at < utf8.size();) {
        char32_t character = 0;
        const std::size_t length = utf8Sequence(utf8, at, character);
        at += length == 0 ? 1 : length;
        if (length == 0) {
            result += utf8[at - 1];  // not UTF-8: an 8-bit text, taken as Latin-2 already
        } else if (character < 0x80) {
            result += static_cast<char>(character);
        } else {
            const auto* found = std::find(kUpperCharacters.begin(), kUpperCharacters.end(), character);
            result += found == kUpperCharacters.end()
                          ? '?'
                          : static_cast<char>(0xA0 + (found - kUpperCharacters.begin()));
        }
    }
    return result;
}

std::string latin2FontDefinition(std::string_view font, std::string_view latin2Name) {
    // The standard encoding with the ASCII quotes, and Latin-2 from 0xA0 on.
    std::string text = "/" + std::string(font) +
                       " findfont dup length dict begin\n"
                       "{ 1 index /FID ne { def } { pop pop } ifelse } forall\n"
                       "/Encoding StandardEncoding 256 array copy dup 39 /quotesingle put dup 96 /grave put\n"
                       "dup 160 [";
    for (std::size_t i = 0; i < kUpperNames.size(); ++i)
        text += std::string(i % 12 == 0 ? "\n" : " ") + "/" + std::string(kUpperNames[i]);
    text += " ] putinterval def\ncurrentdict end /" + std::string(latin2Name) + " exch definefont pop\n";
    return text;
}

}  // namespace pellisor
