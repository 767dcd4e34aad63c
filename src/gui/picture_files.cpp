#include "gui/picture_files.h"

#include "app/ui.h"
#include "export/bmp_reader.h"
#include "export/bmp_writer.h"
#include "gui/circuit_picture.h"
#include "gui/vector_pictures.h"
#include "model/error.h"
#include "model/file_io.h"

#include <QBuffer>

#include <exception>

namespace pellisor {

PictureFiles::PictureFiles(std::function<const QImage*()> symbols) : symbols_(std::move(symbols)) {}

RgbImage PictureFiles::loadBitmap(const std::string& path) {
    return readBmpFile(path);
}

void PictureFiles::saveBitmap(const std::string& path, const RgbImage& image) {
    writeBmpFile(path, image);
}

void PictureFiles::savePng(const std::string& path, const RgbImage& image) {
    const QImage view(image.pixels.data(), image.width, image.height, qsizetype(image.stride()),
                      QImage::Format_RGB888);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (view.isNull() || !view.save(&buffer, "PNG")) {
        throw Error("Obrázek " + path + " nelze zapsat jako PNG");
    }
    writeFileAtomically(path, std::string_view(bytes.constData(), std::size_t(bytes.size())));
}

void PictureFiles::saveSchematic(PictureFormat format, const std::string& path, const Scene& scene) {
    const QImage* sheet = symbols_ ? symbols_() : nullptr;
    if (format == PictureFormat::Svg) {
        saveSvgSchematic(path, scene, sheet);
    } else if (format == PictureFormat::Pdf) {
        savePdfSchematic(path, scene, sheet);
    } else {
        saveCircuitPicture(format, path, scene, sheet);
    }
}

std::optional<QImage> readSymbolSheet(const std::string& path, Ui& ui) {
    try {
        return loadSymbolSheet(path);
    } catch (const std::exception& error) {
        ui.showError(error.what());
        return std::nullopt;
    }
}

SymbolSheet symbolSheetSize(const std::optional<QImage>& sheet) {
    if (!sheet) return {};
    return SymbolSheet{sheet->width(), sheet->height()};
}

}  // namespace pellisor
