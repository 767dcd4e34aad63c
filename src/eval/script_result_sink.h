#pragma once

#include "model/file_io.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace pellisor {

// Where a script run puts its lines: the header line first, then one result line per evaluated vector,
// each without its line end. The calls come in order and never overlap, but the result lines may come
// from a second thread of the run.
class ScriptResultSink {
public:
    virtual ~ScriptResultSink() = default;
    // The text is valid only during the call.
    virtual void line(std::string_view text) = 0;
    // About how many lines the run will give, for reserving room.
    virtual void expectLines(std::size_t) {}
};

// The result log window's lines and the clipboard text: every line that is not empty and does not
// begin with "#" (so every result line, never the header), each followed by LF. The log is cleared
// at the first line.
class ScriptLogSink : public ScriptResultSink {
public:
    explicit ScriptLogSink(std::vector<std::string>& log) : log_(log) {}
    void line(std::string_view text) override;
    void expectLines(std::size_t lines) override;
    std::string takeClipboard() { return std::move(clipboard_); }

private:
    std::vector<std::string>& log_;
    std::string clipboard_;
    bool started_ = false;
    std::size_t clipboardLines_ = 0;
    std::size_t expectedLines_ = 0;
};

// The lines as the text of a file, each followed by LF, handed on in pieces of some 64 KB: memory
// stays at one piece or one line, however long the run.
class ScriptTextSink : public ScriptResultSink {
public:
    explicit ScriptTextSink(const ByteSink& out) : out_(out) {}
    void line(std::string_view text) override;
    // Hands on what is left; call once the run has ended.
    void finish();

private:
    const ByteSink& out_;
    std::string piece_;
};

// Reserves a text of lines for the lines still expected, from the length of those so far: a long run
// then copies it once.
void reserveForLines(std::string& text, std::size_t linesSoFar, std::size_t expectedLines);

}  // namespace pellisor
