#include "gui/circuit_picture.h"

#include "export/bmp_writer.h"
#include "export/jpeg_writer.h"
#include "gui/qt_canvas.h"
#include "model/error.h"
#include "model/file_io.h"

#include <QBuffer>
#include <QDateTime>
#include <QLocale>

#include <algorithm>
#include <cstring>

namespace pellisor {

namespace {

[[noreturn]] void tooLargeToDraw(std::int32_t width, std::int32_t height) {
    throw Error("Obrázek " + std::to_string(width) + "x" + std::to_string(height) +
                " je příliš velký, nelze jej vykreslit");
}

// Bands of about this many pixels (16 MB) are drawn at a time.
constexpr std::int64_t kBandPixels = std::int64_t{1} << 22;

// Rows top ... top + rows of the whole picture; the device clips the drawing to them.
QImage renderBand(const Scene& scene, const QImage* symbolSheet, std::int32_t width, std::int32_t top,
                  std::int32_t rows) {
    QImage band(width, rows, QImage::Format_RGB32);
    if (band.isNull()) tooLargeToDraw(width, std::max(scene.imageSize.height, 1));
    QPainter painter(&band);
    painter.translate(0, -top);
    QtCanvas canvas(painter, symbolSheet, QRect(0, top, width, rows));
    drawCircuit(canvas, scene, CanvasArea{0, top, width, top + rows});
    return band;
}

// Row y of an RGB32 band appended as packed bytes, three a pixel (blue first for a bitmap), and
// `padding` zero bytes.
void appendRow(std::string& bytes, const QImage& band, std::int32_t y, bool bgr, std::size_t padding) {
    const auto* pixels = reinterpret_cast<const QRgb*>(band.constScanLine(y));
    const std::size_t at = bytes.size();
    bytes.resize(at + std::size_t(band.width()) * 3 + padding, '\0');
    char* out = bytes.data() + at;
    for (std::int32_t x = 0; x < band.width(); ++x) {
        const QRgb pixel = pixels[x];
        out[0] = static_cast<char>(bgr ? qBlue(pixel) : qRed(pixel));
        out[1] = static_cast<char>(qGreen(pixel));
        out[2] = static_cast<char>(bgr ? qRed(pixel) : qBlue(pixel));
        out += 3;
    }
}

// The encoder takes one picture of the whole canvas: the band of all rows, the pixels of the bitmap.
void savePng(const std::string& path, const Scene& scene, const QImage* symbolSheet, std::int32_t width,
             std::int32_t height) {
    if (std::int64_t{width} * height > kPngLargestPicture) {
        throw Error("Obrázek " + std::to_string(width) + "x" + std::to_string(height) +
                    " je příliš velký pro PNG (nejvýše " + std::to_string(kPngLargestPicture) + " pixelů)");
    }
    const QImage picture = renderBand(scene, symbolSheet, width, 0, height);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!picture.save(&buffer, "PNG")) throw Error("Obrázek " + path + " nelze zapsat jako PNG");
    writeFileAtomically(path, std::string_view(bytes.constData(), std::size_t(bytes.size())));
}

}  // namespace

void saveCircuitPicture(PictureFormat format, const std::string& path, const Scene& scene,
                        const QImage* symbolSheet, std::int32_t bandRows) {
    const std::int32_t width = std::max(scene.imageSize.width, 1);
    const std::int32_t height = std::max(scene.imageSize.height, 1);
    if (format == PictureFormat::Png) {
        savePng(path, scene, symbolSheet, width, height);
        return;
    }
    if (format != PictureFormat::Bitmap && format != PictureFormat::Jpeg) return;
    const std::int32_t rows =
        bandRows > 0 ? std::min(bandRows, height)
                     : static_cast<std::int32_t>(std::clamp<std::int64_t>(kBandPixels / width, 1, height));

    if (format == PictureFormat::Bitmap) {
        requireBmpFile(width, height);
        const std::size_t padding = std::size_t(bmpRowSize(width)) - std::size_t(width) * 3;
        writeFileAtomically(path, [&](const ByteSink& sink) {
            sink(bmpHeader(width, height));
            std::string bytes;
            for (std::int32_t bottom = height; bottom > 0; bottom -= rows) {
                const std::int32_t top = std::max(bottom - rows, 0);
                const QImage band = renderBand(scene, symbolSheet, width, top, bottom - top);
                bytes.clear();
                for (std::int32_t y = band.height() - 1; y >= 0; --y)
                    appendRow(bytes, band, y, true, padding);
                sink(bytes);
            }
        });
        return;
    }

    JpegWriter writer(width, height);
    writeFileAtomically(path, [&](const ByteSink& sink) {
        std::string rgb;
        for (std::int32_t top = 0; top < height; top += rows) {
            const QImage band = renderBand(scene, symbolSheet, width, top, std::min(rows, height - top));
            rgb.clear();
            for (std::int32_t y = 0; y < band.height(); ++y)
                appendRow(rgb, band, y, false, 0);
            sink(writer.writeRows(reinterpret_cast<const std::uint8_t*>(rgb.data()), band.height(),
                                  std::size_t(width) * 3));
        }
        sink(writer.finish());
    });
}

std::string footerDateTimeText() {
    const QLocale locale = QLocale::system();
    const QDateTime now = QDateTime::currentDateTime();
    return (locale.toString(now.date(), QLocale::ShortFormat) + " " +
            locale.toString(now.time(), QLocale::LongFormat))
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

}  // namespace pellisor
