#pragma once

#include <cstdint>
#include <string_view>

namespace pellisor {

// Where a text stands relative to its given x.
enum class TextAlign { Start, End, Centre };

// The bounding box of an EPS picture: the box of its anchors, widened to hold the ink of every text
// added, measured with Helvetica's metrics as the picture sets them.
class EpsTextBox {
public:
    EpsTextBox(std::int64_t width, std::int64_t height) : right_(width), top_(height) {}

    // A text of Latin-2 bytes in Helvetica of the given size, its baseline at y. Without `below`, ink
    // under the baseline does not count.
    void add(std::string_view text, double size, double x, double y, TextAlign align, bool below = true);

    std::int64_t left() const { return left_; }
    std::int64_t bottom() const { return bottom_; }
    std::int64_t right() const { return right_; }
    std::int64_t top() const { return top_; }

private:
    std::int64_t left_ = 0;
    std::int64_t bottom_ = 0;
    std::int64_t right_;
    std::int64_t top_;
};

}  // namespace pellisor
