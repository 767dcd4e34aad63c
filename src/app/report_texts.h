#pragma once

#include <string>
#include <string_view>

namespace pellisor {

// A number with a fixed count of decimals, '.' as the separator, for the measurement tables.
std::string fixedDecimals(double value, int decimals);

// The base name of a report chosen in a save dialog: the chosen path without `reportExtension`
// (".quality.json") or, failing that, without ".json".
std::string reportBase(const std::string& chosenPath, std::string_view reportExtension);

}  // namespace pellisor
