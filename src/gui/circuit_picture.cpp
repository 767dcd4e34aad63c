#include "gui/circuit_picture.h"

#include "gui/qt_canvas.h"
#include "model/error.h"
#include "model/file_io.h"

#include <QBuffer>
#include <cstring>
#include <QDateTime>
#include <QLocale>

namespace pellisor {

QImage renderCircuitPicture(const Scene& scene, const QImage* symbolSheet) {
    const std::int32_t width = std::max(scene.imageSize.width, 1);
    const std::int32_t height = std::max(scene.imageSize.height, 1);
    // Refused before asking for the memory: a quarter of a gigapixel is a gigabyte already.
    constexpr std::int64_t kMaxPixels = std::int64_t{1} << 28;
    std::optional<QImage> made;
    if (std::int64_t{width} * height <= kMaxPixels) made.emplace(width, height, QImage::Format_RGB32);
    if (!made || made->isNull()) {
        throw Error("Obrázek " + std::to_string(width) + "x" + std::to_string(height) +
                    " je příliš velký, nelze jej vykreslit");
    }
    QImage picture = std::move(*made);
    QPainter painter(&picture);
    QtCanvas canvas(painter, symbolSheet);
    drawCircuit(canvas, scene);
    painter.end();
    return picture;
}

std::string footerDateTimeText() {
    const QLocale locale = QLocale::system();
    const QDateTime now = QDateTime::currentDateTime();
    return (locale.toString(now.date(), QLocale::ShortFormat) + " " + locale.toString(now.time(), QLocale::LongFormat))
        .toStdString();
}

QImage toQImage(const RgbImage& image) {
    QImage picture(image.width, image.height, QImage::Format_RGB888);
    for (std::int32_t y = 0; y < image.height; ++y) {
        std::memcpy(picture.scanLine(y), image.pixels.data() + std::size_t(y) * std::size_t(image.width) * 3,
                    std::size_t(image.width) * 3);
    }
    return picture;
}

RgbImage toRgbImage(const QImage& image) {
    const QImage rgb = image.convertToFormat(QImage::Format_RGB888);
    RgbImage result;
    result.width = rgb.width();
    result.height = rgb.height();
    const std::size_t stride = std::size_t(rgb.width()) * 3;
    result.pixels.resize(stride * std::size_t(rgb.height()));
    for (std::int32_t y = 0; y < rgb.height(); ++y) {
        std::memcpy(result.pixels.data() + std::size_t(y) * stride, rgb.constScanLine(y), stride);
    }
    return result;
}

std::optional<QImage> loadSymbolSheet(const std::string& path) {
    if (!fileExists(path)) return std::nullopt;
    const auto bytes = readFileBytes(path);
    if (!bytes) throw Error(std::string(kCannotOpenFile) + ": " + path);
    return toQImage(decodeJpeg(*bytes));
}

void savePicture(PictureFormat format, const std::string& path, const QImage& picture,
                 const std::function<std::string()>& postScript) {
    switch (format) {
        case PictureFormat::Bitmap: {
            QByteArray bytes;
            QBuffer buffer(&bytes);
            buffer.open(QIODevice::WriteOnly);
            if (picture.isNull() || !picture.convertToFormat(QImage::Format_RGB888).save(&buffer, "BMP")) {
                throw Error("Obrázek nelze uložit jako BMP: " + path);
            }
            writeFileAtomically(path, std::string_view(bytes.constData(), std::size_t(bytes.size())));
            return;
        }
        case PictureFormat::Jpeg:
            writeFileAtomically(path, encodeJpeg(toRgbImage(picture)));
            return;
        case PictureFormat::PostScript:
            writeFileAtomically(path, postScript());
            return;
    }
}

}  // namespace pellisor
