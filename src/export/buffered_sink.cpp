#include "export/buffered_sink.h"

#include <charconv>

namespace pellisor {

BufferedSink::BufferedSink(const ByteSink& sink) : sink_(sink) {
    buffer_.reserve(kPieceSize);
}

BufferedSink& BufferedSink::operator<<(std::string_view text) {
    while (buffer_.size() + text.size() > kPieceSize) {
        const std::size_t room = kPieceSize - buffer_.size();
        buffer_.append(text.substr(0, room));
        text.remove_prefix(room);
        flush();
    }
    buffer_.append(text);
    return *this;
}

BufferedSink& BufferedSink::operator<<(char ch) {
    if (buffer_.size() == kPieceSize) flush();
    buffer_ += ch;
    return *this;
}

BufferedSink& BufferedSink::appendDecimal(std::int64_t number) {
    char digits[24];
    const auto result = std::to_chars(digits, digits + sizeof digits, number);
    return *this << std::string_view(digits, static_cast<std::size_t>(result.ptr - digits));
}

void BufferedSink::finish() {
    flush();
}

void BufferedSink::flush() {
    if (buffer_.empty()) return;
    sink_(buffer_);
    buffer_.clear();
}

std::string collectText(const std::function<void(const ByteSink&)>& produce) {
    std::string text;
    produce([&text](std::string_view piece) { text.append(piece); });
    return text;
}

}  // namespace pellisor
