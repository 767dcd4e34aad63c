#include "bindings.h"
#include "picture_arrays.h"

#include "export/bmp_reader.h"
#include "export/bmp_writer.h"
#include "export/jpeg_codec.h"
#include "model/error.h"
#include "model/file_io.h"

#include <pybind11/numpy.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <optional>
#include <string>

namespace pellisor::python {

namespace {

bool endsWith(const std::string& text, const std::string& ending) {
    return text.size() >= ending.size() &&
           text.compare(text.size() - ending.size(), ending.size(), ending) == 0;
}

std::string lowerCase(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return char(std::tolower(c)); });
    return text;
}

py::array_t<std::uint8_t> pictureArray(const RgbImage& image) {
    py::array_t<std::uint8_t> array({py::ssize_t(image.height), py::ssize_t(image.width), py::ssize_t(3)});
    std::memcpy(array.mutable_data(), image.pixels.data(), image.pixels.size());
    return array;
}

}  // namespace

void bindPictures(py::module_& module) {
    module.def(
        "read_picture",
        [](const std::string& path) {
            const std::string lower = lowerCase(path);
            if (endsWith(lower, ".jpg") || endsWith(lower, ".jpeg")) {
                const std::optional<std::string> bytes = readFileBytes(path);
                if (!bytes) throw Error("Soubor nelze otevrit");
                return pictureArray(decodeJpeg(*bytes));
            }
            return pictureArray(readBmpFile(path));
        },
        py::arg("path"), "A BMP or JPEG picture (by the extension) as a uint8 array (height, width, 3).");
    module.def(
        "write_picture",
        [](const std::string& path, const PictureArray& picture, int quality) {
            const RgbImage image = colourImage(picture);
            const std::string lower = lowerCase(path);
            if (endsWith(lower, ".jpg") || endsWith(lower, ".jpeg")) {
                writeFileAtomically(path, encodeJpeg(image, quality));
            } else {
                writeBmpFile(path, image);
            }
        },
        py::arg("path"), py::arg("picture"), py::arg("quality") = 90,
        "Writes a uint8 picture (height, width) or (height, width, 3) as BMP or JPEG (by the extension).");
}

}  // namespace pellisor::python
