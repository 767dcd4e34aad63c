// The BMP reader over any bytes: every input is read into a whole picture or refused with the
// reader's message, never read outside its buffers.
//
// Input: the file's bytes.
#include "fuzz_support.h"

#include "export/bmp_reader.h"
#include "model/error.h"

#include <cstdlib>
#include <string>

namespace {

using namespace pellisor;
using pellisor::fuzz::printable;

std::uint32_t le32(std::string_view bytes, std::size_t at) {
    std::uint32_t value = 0;
    for (std::size_t k = 0; k < 4; ++k)
        value |= std::uint32_t(std::uint8_t(bytes[at + k])) << (8 * k);
    return value;
}

// Runs may leave most of a picture to its background, so a few bytes can ask for gigabytes; such
// pictures are read by the tests, not here. Every other picture is bounded by its bytes.
bool claimsLargeRuns(std::string_view bytes) {
    if (bytes.size() < 34 || le32(bytes, 14) < 40) return false;
    const std::uint32_t compression = le32(bytes, 30);
    if (compression != 1 && compression != 2) return false;
    const std::int64_t width = std::abs(std::int64_t(std::int32_t(le32(bytes, 18))));
    const std::int64_t height = std::abs(std::int64_t(std::int32_t(le32(bytes, 22))));
    return width * height > (std::int64_t{1} << 22);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    if (claimsLargeRuns(bytes)) return 0;
    try {
        const RgbImage picture = decodeBmp(bytes, "f.bmp");
        FUZZ_CHECK(picture.width > 0 && picture.height > 0, printable(bytes.substr(0, 64)));
        FUZZ_CHECK(picture.pixels.size() == picture.stride() * std::size_t(picture.height),
                   printable(bytes.substr(0, 64)));
    } catch (const Error& error) {
        const std::string message = error.what();
        FUZZ_CHECK(message == "Obrázek nelze načíst: f.bmp" ||
                       message.rfind("Obrázek nelze načíst: f.bmp (", 0) == 0,
                   message);
    }
    return 0;
}
