#pragma once

#include "eval/script_result_line.h"

#include <array>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace pellisor {

// The watched values of evaluated vectors, to be printed as result lines: column j (the input side's
// columns, then the output side's) holds the value of line i at j * stride + i.
struct ResultBatch {
    std::vector<std::int32_t> values;
    std::size_t stride = 0;
    std::size_t inputColumns = 0;
    std::size_t outputColumns = 0;
    std::size_t lines = 0;
    bool fraction = false;
};

// Prints batches of result lines into the log, and each line with its LF into the clipboard text, in
// the order given. Once asked to, it prints on a second thread, so that reading the script goes on
// meanwhile; the log and the clipboard text must then be left alone until finish().
class ResultPrinter {
public:
    ResultPrinter(bool binary, char decimalSeparator, std::vector<std::string>& log, std::string& clipboard);
    ResultPrinter(const ResultPrinter&) = delete;
    ResultPrinter& operator=(const ResultPrinter&) = delete;
    ~ResultPrinter();

    // About how many lines the run will print, for reserving the clipboard text.
    void expectLines(std::size_t lines) { expectedLines_ = lines; }

    // The batch to fill next; may wait for the second thread to free one.
    ResultBatch& batch();
    // Prints the batch just filled: on the second thread when `inBackground` (which starts it where
    // the machine has more than one core), or once one runs; else at once.
    void print(bool inBackground);
    // Returns when every line given is printed, the second thread stopped; raises what stopped it.
    void finish();

private:
    static constexpr std::size_t kSlots = 4;

    bool canWorkAside();
    void printBatch(ResultBatch& batch);
    void work();
    void stop() noexcept;

    ResultLineWriter writer_;
    std::vector<std::string>& log_;
    std::string& clipboard_;
    std::size_t expectedLines_ = 0;
    std::optional<bool> canWorkAside_;  // more than one core

    std::array<ResultBatch, kSlots> slots_;
    std::size_t next_ = 0;    // the slot to fill next
    std::size_t queued_ = 0;  // filled slots not yet printed, from next_ - queued_ on
    bool stopping_ = false;
    std::exception_ptr failure_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::thread worker_;
};

// Reserves a text of lines for the lines still expected, from the length of those so far: a long run
// then copies it once.
void reserveForLines(std::string& text, std::size_t linesSoFar, std::size_t expectedLines);

}  // namespace pellisor
