#pragma once

#include <optional>
#include <string>

namespace pellisor {

enum class PictureFormat { Bitmap, Jpeg, PostScript, Svg, Pdf, Png };

// The format a chosen file name asks for, by its extension compared with case: ".bmp", ".jpg", ".ps",
// ".eps", ".svg", ".pdf" or ".png"; nothing for any other.
std::optional<PictureFormat> pictureFormatForName(const std::string& path);

// What the user is told when a chosen name asks for no format: the name and every extension that
// writes a picture.
std::string unknownPictureFormatMessage(const std::string& path);

// The chromosome file's path with its extension replaced by a single blank, as the save
// dialogs propose it.
std::string nameWithBlankExtension(const std::string& fileName);

}  // namespace pellisor
