#include "export/picture_format.h"

#include "model/file_names.h"

namespace pellisor {

std::optional<PictureFormat> pictureFormatForName(const std::string& path) {
    const std::string extension = fileExtension(path);
    if (extension == ".bmp") return PictureFormat::Bitmap;
    if (extension == ".jpg") return PictureFormat::Jpeg;
    if (extension == ".ps" || extension == ".eps") return PictureFormat::PostScript;
    if (extension == ".svg") return PictureFormat::Svg;
    if (extension == ".pdf") return PictureFormat::Pdf;
    if (extension == ".png") return PictureFormat::Png;
    return std::nullopt;
}

std::string unknownPictureFormatMessage(const std::string& path) {
    return "Obrázek " + path +
           " nelze uložit: schéma lze uložit jen s příponou .bmp, .jpg, .ps, .eps, .svg, .pdf nebo .png";
}

std::string nameWithBlankExtension(const std::string& fileName) {
    return changeFileExtension(fileName, " ");
}

}  // namespace pellisor
