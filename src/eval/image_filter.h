#pragma once

#include "eval/function_assignment.h"
#include "model/chromosome.h"
#include "model/rgb_image.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
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

// A picture's bytes where they lie: `height` rows of width RGB triples, `stride` bytes apart.
struct PictureBytes {
    const std::uint8_t* pixels = nullptr;
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::size_t stride = 0;
};

// The same filter reading the source where it lies and writing into `out`, a picture of the same size
// whose rows lie outStride bytes apart (at least width * 3, not overlapping the source): every byte of
// it is written, the frame red as above. False when cancelled (`out` then holds part of a result).
bool filterImage3x3Into(Chromosome& circuit, const FunctionAssignment& assignment, PictureBytes source,
                        std::uint8_t* out, std::size_t outStride, FilterProgress* progress = nullptr);

// The same result computed pixel by pixel with the plain evaluator (the reference of the fast path).
RgbImage filterImage3x3Plain(Chromosome& circuit, const FunctionAssignment& assignment,
                             const RgbImage& source);

}  // namespace pellisor
