#include "gui/whole_picture.h"

#include "export/bmp_writer.h"
#include "export/jpeg_codec.h"
#include "gui/circuit_picture.h"
#include "gui/qt_canvas.h"
#include "model/error.h"
#include "model/file_io.h"

#include <QPainter>

#include <algorithm>
#include <cstdint>

namespace pellisor::test {

QImage renderCircuitPicture(const Scene& scene, const QImage* symbolSheet) {
    const int width = std::max(scene.imageSize.width, 1);
    const int height = std::max(scene.imageSize.height, 1);
    // Refused before the allocation, which would fail or, under AddressSanitizer, end the program.
    constexpr std::int64_t kMaxBytes = std::int64_t{1} << 32;
    if (std::int64_t{width} * height * 4 > kMaxBytes) throw Error("the whole picture does not fit in memory");
    QImage picture(width, height, QImage::Format_RGB32);
    if (picture.isNull()) throw Error("the whole picture does not fit in memory");
    QPainter painter(&picture);
    QtCanvas canvas(painter, symbolSheet, picture.rect());
    drawCircuit(canvas, scene);
    painter.end();
    return picture;
}

void savePicture(PictureFormat format, const std::string& path, const QImage& picture,
                 const std::function<std::string()>& postScript) {
    switch (format) {
        case PictureFormat::Bitmap:
            if (picture.isNull()) throw Error("Obrázek nelze uložit jako BMP: " + path);
            writeBmpFile(path, toRgbImage(picture));
            return;
        case PictureFormat::Jpeg:
            writeFileAtomically(path, encodeJpeg(toRgbImage(picture)));
            return;
        case PictureFormat::PostScript:
            writeFileAtomically(path, postScript());
            return;
        default:
            throw Error("not a format of the reference pictures");
    }
}

}  // namespace pellisor::test
