#pragma once

#include "eval/script_result_line.h"
#include "eval/script_result_sink.h"

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

// Prints batches of result lines into a sink, in the order given. Once asked to, it prints on a second
// thread, so that reading the script goes on meanwhile; the sink must then be left alone until
// finish(). Up to kSlots batches wait for that thread, but only small ones: a batch of more than
// kMostBytesAside bytes is printed at once, and its memory freed, so that a wide circuit holds one.
class ResultPrinter {
public:
    static constexpr std::size_t kSlots = 4;
    static constexpr std::size_t kMostBytesAside = std::size_t{1} << 20;

    ResultPrinter(bool binary, char decimalSeparator, ScriptResultSink& results);
    ResultPrinter(const ResultPrinter&) = delete;
    ResultPrinter& operator=(const ResultPrinter&) = delete;
    ~ResultPrinter();

    // The batch to fill next; may wait for the second thread to free one. Raises what stopped that
    // thread.
    ResultBatch& batch();
    // Prints the batch just filled: on the second thread when `inBackground` (which starts it where
    // the machine has more than one core), or once one runs; else, or when the batch is large, at
    // once after those before it.
    void print(bool inBackground);
    // Returns when every line given is printed, the second thread stopped; raises what stopped it.
    void finish();

private:
    bool canWorkAside();
    void waitForQueue();
    void printBatch(ResultBatch& batch);
    void work();
    void stop() noexcept;

    ResultLineWriter writer_;
    ScriptResultSink& results_;
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

}  // namespace pellisor
