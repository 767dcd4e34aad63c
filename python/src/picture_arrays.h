#pragma once

// Pictures between numpy arrays of uint8, shape (h, w) or (h, w, 3), and the core's RGB pictures.

#include "model/rgb_image.h"

#include <pybind11/numpy.h>

#include <cstdint>

namespace pellisor::python {

namespace py = pybind11;

using PictureArray = py::array_t<std::uint8_t, py::array::c_style>;

// The picture as the program holds it: a gray one with its gray in every channel. Raises ValueError
// for any other shape.
RgbImage colourImage(const PictureArray& picture);

// The bytes of the array as the samples of a picture one row high, padded to whole pixels.
RgbImage samplesAsImage(const PictureArray& picture);
// The first samples of the picture as an array of the shape of `shape`.
py::array arrayOfSamples(const RgbImage& samples, const PictureArray& shape);

}  // namespace pellisor::python
