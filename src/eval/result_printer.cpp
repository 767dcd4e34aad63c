#include "eval/result_printer.h"

#include <algorithm>
#include <system_error>

namespace pellisor {

ResultPrinter::ResultPrinter(bool binary, char decimalSeparator, ScriptResultSink& results)
    : writer_(binary, decimalSeparator), results_(results) {}

ResultPrinter::~ResultPrinter() {
    stop();
}

ResultBatch& ResultPrinter::batch() {
    bool failed = false;
    {
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait(lock, [this] { return queued_ < kSlots; });
        failed = failure_ != nullptr;
    }
    // A sink that failed (a full disk) ends the run now rather than after the rest of the script.
    if (failed) finish();
    return slots_[next_];
}

void ResultPrinter::print(bool inBackground) {
    ResultBatch& filled = slots_[next_];
    const bool large = filled.values.size() * sizeof(std::int32_t) > kMostBytesAside;
    if (!large && !worker_.joinable() && inBackground && canWorkAside()) {
        try {
            worker_ = std::thread([this] { work(); });
        } catch (const std::system_error&) {
            // No second thread: the lines are printed here.
        }
    }
    if (!large && worker_.joinable()) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            next_ = (next_ + 1) % kSlots;
            ++queued_;
        }
        changed_.notify_all();
        return;
    }
    waitForQueue();
    try {
        printBatch(filled);
    } catch (...) {
        std::lock_guard<std::mutex> lock(mutex_);
        failure_ = std::current_exception();
        throw;
    }
    if (large) std::vector<std::int32_t>().swap(filled.values);
}

// The batches queued before come first; raises what stopped the second thread.
void ResultPrinter::waitForQueue() {
    if (!worker_.joinable()) return;
    bool failed = false;
    {
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait(lock, [this] { return queued_ == 0; });
        failed = failure_ != nullptr;
    }
    if (failed) finish();
}

bool ResultPrinter::canWorkAside() {
    if (!canWorkAside_) canWorkAside_ = std::thread::hardware_concurrency() > 1;
    return *canWorkAside_;
}

void ResultPrinter::finish() {
    stop();
    // Kept: every later call raises it again, and nothing more is printed.
    if (failure_) std::rethrow_exception(failure_);
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
        bool failed = false;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            changed_.wait(lock, [this] { return queued_ > 0 || stopping_; });
            if (queued_ == 0) return;
            batch = &slots_[(next_ + kSlots - queued_) % kSlots];
            failed = failure_ != nullptr;
        }
        // After a failure the rest is only taken off the queue, so that the reader never waits forever.
        std::exception_ptr failure;
        if (!failed) {
            try {
                printBatch(*batch);
            } catch (...) {
                failure = std::current_exception();
            }
        }
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (failure) failure_ = failure;
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
    for (std::size_t i = 0; i < batch.lines; ++i)
        results_.line(writer_.line(i, batch.fraction));
}

}  // namespace pellisor
