#pragma once

#include <cstddef>
#include <string_view>

namespace pellisor {

// The length of the UTF-8 sequence at `at` and its character, or 0 when the bytes there are no
// well-formed sequence (overlong forms, surrogates and cut sequences included).
std::size_t utf8Sequence(std::string_view text, std::size_t at, char32_t& character);

}  // namespace pellisor
