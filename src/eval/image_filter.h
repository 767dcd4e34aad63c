#pragma once

#include "eval/function_assignment.h"
#include "model/chromosome.h"
#include "model/rgb_image.h"

#include <atomic>
#include <optional>

namespace pellisor {

// Progress and cancellation of a filter run, shared with another thread.
struct FilterProgress {
    std::atomic<bool> cancel{false};
    std::atomic<std::int32_t> rowsDone{0};
    std::atomic<std::int32_t> rowsTotal{0};  // set when the run starts
};

// Applies a circuit of nine inputs as a 3x3 filter, channel by channel: input k gets the pixel at
// column offset (k mod 3) - 1 and row offset (k div 3) - 1, output 0 modulo 256 gives the channel's
// result. The outermost rows and columns are pure red. Afterwards the circuit holds the state of the
// blue channel of the last pixel, as evaluating pixel by pixel would leave it. An evaluation error
// stops the run with that error before any result exists; a cancelled run returns nothing.
// The work is split over all cores; circuits whose values depend on evaluation history are filtered
// pixel by pixel in order.
std::optional<RgbImage> filterImage3x3(Chromosome& circuit, const FunctionAssignment& assignment,
                                       const RgbImage& source, FilterProgress* progress = nullptr);

// The same result computed pixel by pixel with the plain evaluator (the reference of the fast path).
RgbImage filterImage3x3Plain(Chromosome& circuit, const FunctionAssignment& assignment,
                             const RgbImage& source);

}  // namespace pellisor
