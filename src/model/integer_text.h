#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace pellisor {

// Converts a signed decimal integer: an optional sign, then one or more digits, nothing else, within
// the 32-bit range. Anything else throws Error("'<text>' is not a valid integer value").
std::int32_t toInt(std::string_view text);

// The same rule without the error: nothing when the text is not an integer.
std::optional<std::int32_t> tryToInt(std::string_view text);

// The conversion message for a text; a text longer than kMessageFieldLength characters is cut there
// and ends in "…", so a megabyte of digits makes a message of one line.
std::string notAnIntegerMessage(std::string_view text);

inline constexpr std::size_t kMessageFieldLength = 64;
// A text quoted in a message: its first kMessageFieldLength characters (UTF-8 sequences count as one,
// any other byte as one) and "…" when there were more.
std::string messageField(std::string_view text);

}  // namespace pellisor
