#pragma once

#include "render/renderer.h"

#include <QImage>

#include <string>

namespace pellisor {

// A PDF page is at most this many points wide and high (200 inches), as readers accept it.
inline constexpr double kPdfLargestPage = 14400.0;

// Writes the whole schematic of the scene as an SVG document, drawn with the screen font's measures,
// symbols embedded as PNG pictures; the file is replaced atomically and a failure raises an Error.
void saveSvgSchematic(const std::string& path, const Scene& scene, const QImage* symbolSheet);

// Writes the whole schematic as a one-page PDF of vectors and text, one point per canvas pixel; a canvas
// larger than the largest page is scaled down evenly to fit it.
void savePdfSchematic(const std::string& path, const Scene& scene, const QImage* symbolSheet);

}  // namespace pellisor
