#include "picture_arrays.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace pellisor::python {

namespace {

bool isGray(const PictureArray& picture) {
    if (picture.ndim() == 2) return true;
    if (picture.ndim() == 3 && picture.shape(2) == 3) return false;
    throw py::value_error("a picture is a uint8 array of shape (h, w) or (h, w, 3)");
}

std::int32_t side(py::ssize_t length) {
    if (length > std::numeric_limits<std::int32_t>::max() / 3)
        throw py::value_error("the picture is too large");
    return static_cast<std::int32_t>(length);
}

}  // namespace

RgbImage colourImage(const PictureArray& picture) {
    const bool gray = isGray(picture);
    RgbImage image{side(picture.shape(1)), side(picture.shape(0)), {}};
    const std::uint8_t* data = picture.data();
    if (!gray) {
        image.pixels.assign(data, data + picture.size());
        return image;
    }
    image.pixels.resize(std::size_t(picture.size()) * 3);
    for (std::size_t k = 0; k < std::size_t(picture.size()); ++k)
        std::fill_n(image.pixels.begin() + std::ptrdiff_t(3 * k), 3, data[k]);
    return image;
}

RgbImage samplesAsImage(const PictureArray& picture) {
    isGray(picture);
    const auto samples = std::size_t(picture.size());
    RgbImage image{side(py::ssize_t((samples + 2) / 3)), 1, {}};
    image.pixels.resize(image.stride());
    std::memcpy(image.pixels.data(), picture.data(), samples);
    return image;
}

py::array arrayOfSamples(const RgbImage& samples, const PictureArray& shape) {
    PictureArray result(std::vector<py::ssize_t>(shape.shape(), shape.shape() + shape.ndim()));
    std::memcpy(result.mutable_data(), samples.pixels.data(), std::size_t(result.size()));
    return result;
}

}  // namespace pellisor::python
