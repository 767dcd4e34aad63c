#pragma once

#include "model/file_io.h"

#include <concepts>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace pellisor {

// Gathers the many small pieces a writer produces and hands them to a sink in pieces of at most
// kPieceSize bytes, so that a text of any size passes through a buffer of fixed size. Call finish()
// to hand over the rest; what is left when the object dies unfinished (an exception) is dropped.
class BufferedSink {
public:
    static constexpr std::size_t kPieceSize = 64 * 1024;

    explicit BufferedSink(const ByteSink& sink);
    BufferedSink(const BufferedSink&) = delete;
    BufferedSink& operator=(const BufferedSink&) = delete;

    BufferedSink& operator<<(std::string_view text);
    BufferedSink& operator<<(char ch);
    // Integers in decimal, with a leading "-" when negative.
    template <std::integral Number>
    requires(!std::same_as<Number, char> && !std::same_as<Number, bool>) BufferedSink& operator<<(
        Number number) {
        return appendDecimal(static_cast<std::int64_t>(number));
    }
    void finish();

private:
    BufferedSink& appendDecimal(std::int64_t number);
    void flush();

    const ByteSink& sink_;
    std::string buffer_;
};

// The whole text a writer hands to its sink, for callers that want it as one string.
std::string collectText(const std::function<void(const ByteSink&)>& produce);

}  // namespace pellisor
