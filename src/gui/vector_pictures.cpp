#include "gui/vector_pictures.h"

#include "export/svg_canvas.h"
#include "gui/vector_canvas.h"
#include "model/error.h"
#include "model/file_io.h"

#include <QBuffer>
#include <QPageSize>
#include <QPdfWriter>

#include <algorithm>

namespace pellisor {

namespace {

// A cell of the symbol sheet as a data: URI of a PNG picture.
SymbolImage symbolImages(const QImage* sheet) {
    if (!sheet) return {};
    return [sheet](std::int32_t cellX, std::int32_t cellY, std::int32_t width, std::int32_t height) {
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        if (!sheet->copy(cellX, cellY, width, height).save(&buffer, "PNG")) return std::string();
        return "data:image/png;base64," + bytes.toBase64().toStdString();
    };
}

}  // namespace

void saveSvgSchematic(const std::string& path, const Scene& scene, const QImage* symbolSheet) {
    QtTextMetrics metrics;
    writeFileAtomically(path, [&](const ByteSink& sink) {
        writeSvgSchematic(sink, scene, metrics, symbolImages(symbolSheet));
    });
}

void savePdfSchematic(const std::string& path, const Scene& scene, const QImage* symbolSheet) {
    const double width = std::max(scene.imageSize.width, 1);
    const double height = std::max(scene.imageSize.height, 1);
    const double scale = std::min(1.0, kPdfLargestPage / std::max(width, height));
    QByteArray bytes;
    {
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        QPdfWriter writer(&buffer);
        writer.setCreator(QStringLiteral("Pellisor"));
        writer.setResolution(72);  // one unit of the painter is one point
        const QSizeF page(std::max(1.0, width * scale), std::max(1.0, height * scale));
        writer.setPageSize(QPageSize(page, QPageSize::Point, QString(), QPageSize::ExactMatch));
        writer.setPageMargins(QMarginsF(0, 0, 0, 0));
        QPainter painter;
        if (!painter.begin(&writer)) throw Error("Obrázek " + path + " nelze zapsat jako PDF");
        painter.scale(scale, scale);
        QtTextMetrics metrics;
        VectorCanvas canvas(painter, metrics, symbolSheet);
        drawCircuit(canvas, scene);
        painter.end();
    }
    writeFileAtomically(path, std::string_view(bytes.constData(), std::size_t(bytes.size())));
}

}  // namespace pellisor
