#include "eval/result_printer.h"

#include <algorithm>
#include <system_error>

namespace pellisor {

ResultPrinter::ResultPrinter(bool binary, char decimalSeparator, std::vector<std::string>& log,
                             std::string& clipboard)
    : writer_(binary, decimalSeparator), log_(log), clipboard_(clipboard) {}

ResultPrinter::~ResultPrinter() {
    stop();
}

ResultBatch& ResultPrinter::batch() {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return queued_ < kSlots; });
    return slots_[next_];
}

void ResultPrinter::print(bool inBackground) {
    if (!worker_.joinable() && inBackground && canWorkAside()) {
        try {
            worker_ = std::thread([this] { work(); });
        } catch (const std::system_error&) {
            // No second thread: the lines are printed here.
        }
    }
    if (!worker_.joinable()) {
        printBatch(slots_[next_]);
        return;
    }
    {
        std::lock_guard<std::mutex> lock(mutex_);
        next_ = (next_ + 1) % kSlots;
        ++queued_;
    }
    changed_.notify_all();
}

bool ResultPrinter::canWorkAside() {
    if (!canWorkAside_) canWorkAside_ = std::thread::hardware_concurrency() > 1;
    return *canWorkAside_;
}

void ResultPrinter::finish() {
    stop();
    if (failure_) {
        const std::exception_ptr failure = failure_;
        failure_ = nullptr;
        std::rethrow_exception(failure);
    }
}

void ResultPrinter::stop() noexcept {
    if (!worker_.joinable()) return;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    worker_.join();
    stopping_ = false;
}

void ResultPrinter::work() {
    for (;;) {
        ResultBatch* batch = nullptr;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            changed_.wait(lock, [this] { return queued_ > 0 || stopping_; });
            if (queued_ == 0) return;
            batch = &slots_[(next_ + kSlots - queued_) % kSlots];
        }
        // After a failure the rest is only taken off the queue, so that the reader never waits forever.
        if (!failure_) {
            try {
                printBatch(*batch);
            } catch (...) {
                failure_ = std::current_exception();
            }
        }
        {
            std::lock_guard<std::mutex> lock(mutex_);
            --queued_;
        }
        changed_.notify_all();
    }
}

void ResultPrinter::printBatch(ResultBatch& batch) {
    std::vector<const std::int32_t*>& inputs = writer_.inputColumns();
    std::vector<const std::int32_t*>& outputs = writer_.outputColumns();
    inputs.clear();
    outputs.clear();
    for (std::size_t j = 0; j < batch.inputColumns + batch.outputColumns; ++j) {
        (j < batch.inputColumns ? inputs : outputs).push_back(batch.values.data() + j * batch.stride);
    }
    writer_.columnsChanged();
    const bool first = log_.size() <= 1;
    for (std::size_t i = 0; i < batch.lines; ++i) {
        const std::string_view line = writer_.line(i, batch.fraction);
        log_.emplace_back(line);
        clipboard_.append(line);
        clipboard_ += '\n';
    }
    if (first) reserveForLines(clipboard_, batch.lines, expectedLines_);
}

void reserveForLines(std::string& text, std::size_t linesSoFar, std::size_t expectedLines) {
    if (linesSoFar == 0 || expectedLines <= linesSoFar) return;
    const std::size_t perLine = text.size() / linesSoFar + 1;
    text.reserve(text.size() + (expectedLines - linesSoFar) * (perLine + perLine / 8));
}

}  // namespace pellisor
