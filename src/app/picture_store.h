#pragma once

#include "export/picture_format.h"
#include "model/rgb_image.h"
#include "render/renderer.h"

#include <string>

namespace pellisor {

// Where the workbench's pictures come from and go to: BMP pictures read and written as files, and the
// schematic drawn as a raster picture. The window and the unattended run both keep them in files; tests
// keep them in memory.
class PictureStore {
public:
    virtual ~PictureStore() = default;

    // Reads a BMP picture; one that is not a readable bitmap raises an Error.
    virtual RgbImage loadBitmap(const std::string& path) = 0;
    // Writes the picture as a BMP; a failure raises an Error and leaves the old file.
    virtual void saveBitmap(const std::string& path, const RgbImage& image) = 0;
    // Writes the picture as a PNG, replacing the file atomically; a failure raises an Error and leaves
    // the old file.
    virtual void savePng(const std::string& path, const RgbImage& image) = 0;
    // Draws the whole schematic of the scene and writes it as a BMP, JPEG, PNG, SVG or PDF picture; a
    // failure raises an Error. PostScript is not drawn here.
    virtual void saveSchematic(PictureFormat format, const std::string& path, const Scene& scene) = 0;
};

}  // namespace pellisor
