#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace pellisor {

// Encodes a JPEG/JFIF file row by row with the same settings as encodeJpeg (quality 90, baseline,
// full colour), for pictures too large to hold at once: rows go in from the top, and the bytes of
// the file come out as the encoder has them. The result is byte for byte what encodeJpeg gives for
// the whole picture.
class JpegWriter {
public:
    // A picture wider or taller than the format allows (65500 pixels) is refused with an Error.
    JpegWriter(std::int32_t width, std::int32_t height, int quality = 90);
    ~JpegWriter();
    JpegWriter(const JpegWriter&) = delete;
    JpegWriter& operator=(const JpegWriter&) = delete;

    // The largest width and height the format allows.
    static std::int32_t maxSide();

    // Encodes the next rows, 3 bytes a pixel, `stride` bytes from one row to the next; returns the
    // bytes of the file produced so far and not yet returned.
    std::string writeRows(const std::uint8_t* rgb, std::int32_t rowCount, std::size_t stride);
    // Ends the file once every row is in; returns its last bytes.
    std::string finish();

private:
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace pellisor
