// References for the picture tests: the whole schematic drawn at once, which every banded export and
// every scrolled part of the canvas must equal, and a picture written by the program's own codecs.
#pragma once

#include "export/picture_format.h"
#include "render/renderer.h"

#include <QImage>

#include <functional>
#include <string>

namespace pellisor::test {

// The whole schematic drawn into one picture of the scene's image size.
QImage renderCircuitPicture(const Scene& scene, const QImage* symbolSheet);

// Writes the picture as a 24-bit BMP or a JPEG (quality 90) through the program's codecs, or the
// PostScript text; every file is replaced atomically and a failure raises the system's reason.
void savePicture(PictureFormat format, const std::string& path, const QImage& picture,
                 const std::function<std::string()>& postScript);

}  // namespace pellisor::test
