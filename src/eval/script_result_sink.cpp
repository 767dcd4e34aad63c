#include "eval/script_result_sink.h"

namespace pellisor {

namespace {

constexpr std::size_t kPieceBytes = std::size_t{1} << 16;
// The clipboard text is reserved for the whole run once this many lines tell how long they are.
constexpr std::size_t kSampleLines = 256;

}  // namespace

void ScriptLogSink::line(std::string_view text) {
    if (!started_) {
        log_.clear();
        started_ = true;
    }
    log_.emplace_back(text);
    if (text.empty() || text.front() == '#') return;
    clipboard_.append(text);
    clipboard_ += '\n';
    if (++clipboardLines_ == kSampleLines) reserveForLines(clipboard_, kSampleLines, expectedLines_);
}

void ScriptLogSink::expectLines(std::size_t lines) {
    log_.reserve(log_.size() + lines);
    expectedLines_ = lines;
}

void ScriptTextSink::line(std::string_view text) {
    if (piece_.size() + text.size() >= kPieceBytes) {
        finish();
        // A long line goes on as it is rather than through the piece.
        if (text.size() >= kPieceBytes) {
            out_(text);
            piece_ = '\n';
            return;
        }
    }
    piece_.append(text);
    piece_ += '\n';
}

void ScriptTextSink::finish() {
    if (piece_.empty()) return;
    out_(piece_);
    piece_.clear();
}

void reserveForLines(std::string& text, std::size_t linesSoFar, std::size_t expectedLines) {
    if (linesSoFar == 0 || expectedLines <= linesSoFar) return;
    const std::size_t perLine = text.size() / linesSoFar + 1;
    text.reserve(text.size() + (expectedLines - linesSoFar) * (perLine + perLine / 8));
}

}  // namespace pellisor
