#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace pellisor::settings {

// Sections of set.ini.
inline constexpr const char* kSpacingSection = "Roztece";
inline constexpr const char* kDisplaySection = "Zobrazeni";
inline constexpr const char* kFunctionSection = "Funkce";
inline constexpr const char* kDotSection = "DOT";

// The ten spacings of the grid, in the order of the settings file.
enum class Spacing : int {
    BlockX,         // EBXspc  "Bloky (X):"
    BlockY,         // EBYspc  "Bloky (Y):"
    InputY,         // EIspc   "Vstupy (Y):"
    OutputY,        // EOspc   "Výstupy (Y):"
    BlockOffsetX,   // ElOfsX  "Bloky ofset (X)"
    BlockOffsetY,   // ElOfsY  "Bloky ofset (Y)"
    InputOffsetX,   // EIOfsX  "Vstupy ofset (X)"
    InputOffsetY,   // EIOfsY  "Vstupy ofset (Y)"
    OutputOffsetX,  // EOOfsX  "Vystupy ofset (X)"
    OutputOffsetY,  // EOOfsY  "Vystupy ofset (Y)"
};
inline constexpr int kSpacingCount = 10;

struct SpacingKey {
    Spacing spacing;
    const char* key;
    std::int32_t fallback;
    const char* control;  // objectName of the edit field
    const char* label;
};

inline constexpr std::array<SpacingKey, kSpacingCount> kSpacingKeys{{
    {Spacing::BlockX, "roztecx", 80, "EBXspc", "Bloky (X):"},
    {Spacing::BlockY, "roztecy", 70, "EBYspc", "Bloky (Y):"},
    {Spacing::InputY, "roztecy_in", 30, "EIspc", "Vstupy (Y):"},
    {Spacing::OutputY, "roztecy_out", 30, "EOspc", "Výstupy (Y):"},
    {Spacing::BlockOffsetX, "ofsetx_el", 80, "ElOfsX", "Bloky ofset (X)"},
    {Spacing::BlockOffsetY, "ofsety_el", 30, "ElOfsY", "Bloky ofset (Y)"},
    {Spacing::InputOffsetX, "ofsetx_in", 20, "EIOfsX", "Vstupy ofset (X)"},
    {Spacing::InputOffsetY, "ofsety_in", 40, "EIOfsY", "Vstupy ofset (Y)"},
    {Spacing::OutputOffsetX, "ofsetx_out", 80, "EOOfsX", "Vystupy ofset (X)"},
    {Spacing::OutputOffsetY, "ofsety_out", 40, "EOOfsY", "Vystupy ofset (Y)"},
}};

// The seven display options, in the order of the settings file.
enum class DisplayOption : int {
    BlockNumbers,    // cbloky       cbcblk      "Zbrazovat číslo bloku"
    HiddenBlocks,    // sbloky       cbzs        "Zobrazovat skryté bloky"
    HiddenWires,     // sblokyspoje  cbzsl       "Zobrazovat spoje skrytých bloků"
    Values,          // hodnoty      cbho        "Zobrazovat hodnoty"
    Footer,          // paticka      cbzpa       "Zobrazovat patičku"
    Symbols,         // znacky       cbZnacky    "Schematické značky"
    FunctionLabels,  // popisfce     cbUseLabel  "Zobrazovat popis funkce"
};
inline constexpr int kDisplayOptionCount = 7;

struct DisplayKey {
    DisplayOption option;
    const char* key;
    bool fallback;
    const char* control;  // objectName of the check box
    const char* caption;
};

inline constexpr std::array<DisplayKey, kDisplayOptionCount> kDisplayKeys{{
    {DisplayOption::BlockNumbers, "cbloky", true, "cbcblk", "Zbrazovat číslo bloku"},
    {DisplayOption::HiddenBlocks, "sbloky", true, "cbzs", "Zobrazovat skryté bloky"},
    {DisplayOption::HiddenWires, "sblokyspoje", true, "cbzsl", "Zobrazovat spoje skrytých bloků"},
    {DisplayOption::Values, "hodnoty", false, "cbho", "Zobrazovat hodnoty"},
    {DisplayOption::Footer, "paticka", false, "cbzpa", "Zobrazovat patičku"},
    {DisplayOption::Symbols, "znacky", false, "cbZnacky", "Schematické značky"},
    {DisplayOption::FunctionLabels, "popisfce", false, "cbUseLabel", "Zobrazovat popis funkce"},
}};

// The settings page saves the check boxes in this order, which differs from the reading order.
inline constexpr std::array<DisplayOption, kDisplayOptionCount> kDisplaySaveOrder{
    DisplayOption::BlockNumbers, DisplayOption::HiddenBlocks, DisplayOption::HiddenWires,
    DisplayOption::Values,       DisplayOption::Symbols,      DisplayOption::FunctionLabels,
    DisplayOption::Footer,
};

// Section "Funkce": the default function identifier of a gene.
inline std::string functionKey(std::int32_t gene) {
    return "f" + std::to_string(gene);
}
inline constexpr std::int32_t kFunctionFallback = 0;

// Section "DOT": per-function label and node colours, named after the identifier's text as
// FunctionAssignment::functionOf gives it (so a gene without a row reads "f_label").
inline std::string labelKey(std::string_view id) {
    return "f" + std::string(id) + "_label";
}
inline std::string labelKey(std::int32_t id) {
    return labelKey(std::to_string(id));
}
inline std::string fillColorKey(std::string_view id) {
    return "f" + std::string(id) + "_fillcolor";
}
inline std::string fontColorKey(std::string_view id) {
    return "f" + std::string(id) + "_fontcolor";
}

}  // namespace pellisor::settings
