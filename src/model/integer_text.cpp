#include "model/integer_text.h"

#include "model/error.h"

#include <limits>

namespace pellisor {

std::optional<std::int32_t> tryToInt(std::string_view text) {
    std::size_t pos = 0;
    bool negative = false;
    if (pos < text.size() && (text[pos] == '-' || text[pos] == '+')) {
        negative = text[pos] == '-';
        ++pos;
    }
    if (pos == text.size()) return std::nullopt;
    // Accumulate as a negative number so that the most negative value fits.
    std::int64_t value = 0;
    for (; pos < text.size(); ++pos) {
        const char ch = text[pos];
        if (ch < '0' || ch > '9') return std::nullopt;
        value = value * 10 - (ch - '0');
        if (value < std::numeric_limits<std::int32_t>::min()) return std::nullopt;
    }
    if (!negative) {
        if (-value > std::numeric_limits<std::int32_t>::max()) return std::nullopt;
        value = -value;
    }
    return static_cast<std::int32_t>(value);
}

std::string messageField(std::string_view text) {
    std::size_t characters = 0;
    for (std::size_t at = 0; at < text.size(); ++at) {
        // A continuation byte belongs to the character before it.
        if ((static_cast<unsigned char>(text[at]) & 0xC0) == 0x80 && at > 0) continue;
        if (characters == kMessageFieldLength) return std::string(text.substr(0, at)) + "…";
        ++characters;
    }
    return std::string(text);
}

std::string notAnIntegerMessage(std::string_view text) {
    std::string message = "'";
    message += messageField(text);
    message += "' is not a valid integer value";
    return message;
}

std::int32_t toInt(std::string_view text) {
    if (const auto value = tryToInt(text)) return *value;
    throw Error(notAnIntegerMessage(text));
}

}  // namespace pellisor
