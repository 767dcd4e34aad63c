#pragma once

#include "app/picture_store.h"

#include <QImage>

#include <functional>
#include <optional>
#include <string>

namespace pellisor {

class Ui;

// The pictures of the window and of the unattended run, kept in files: BMP pictures through our own
// reader and writer, the schematic drawn with Qt and written in bands.
class PictureFiles : public PictureStore {
public:
    // `symbols` gives the gate-symbol sheet the schematic is drawn with, asked at every drawing; null
    // (or no function) draws the blocks as boxes.
    explicit PictureFiles(std::function<const QImage*()> symbols = {});

    RgbImage loadBitmap(const std::string& path) override;
    void saveBitmap(const std::string& path, const RgbImage& image) override;
    void savePng(const std::string& path, const RgbImage& image) override;
    void saveSchematic(PictureFormat format, const std::string& path, const Scene& scene) override;

private:
    std::function<const QImage*()> symbols_;
};

// The gate-symbol sheet from a JPEG file; none when the file does not exist. A file that cannot be
// read is told through the Ui and gives none too, so that the blocks are drawn as boxes.
std::optional<QImage> readSymbolSheet(const std::string& path, Ui& ui);

// What the workbench needs to know of a sheet: its size, or nothing without one.
SymbolSheet symbolSheetSize(const std::optional<QImage>& sheet);

}  // namespace pellisor
