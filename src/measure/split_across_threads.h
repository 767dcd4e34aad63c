#pragma once

#include <algorithm>
#include <cstddef>
#include <thread>
#include <vector>

namespace pellisor {

// Runs work(first, end) over [0, count) cut into one contiguous share per hardware thread, each of at
// least `minimumShare` items; the calling thread takes the first share.
template <class Work>
void splitAcrossThreads(std::size_t count, std::size_t minimumShare, Work work) {
    const std::size_t threads =
        std::clamp<std::size_t>(std::thread::hardware_concurrency(), 1,
                                std::max<std::size_t>(count / std::max<std::size_t>(minimumShare, 1), 1));
    std::vector<std::thread> workers;
    for (std::size_t part = 1; part < threads; ++part)
        workers.emplace_back([&, part] { work(count * part / threads, count * (part + 1) / threads); });
    work(0, count / threads);
    for (std::thread& worker : workers)
        worker.join();
}

}  // namespace pellisor
