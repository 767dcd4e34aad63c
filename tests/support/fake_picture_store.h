#pragma once

#include "app/picture_store.h"
#include "model/error.h"

#include <string>
#include <utility>
#include <vector>

namespace pellisor::test {

// A PictureStore in memory: every picture read is `bitmap`, and what is written is recorded.
class FakePictureStore : public PictureStore {
public:
    RgbImage bitmap;
    bool unreadable = false;  // reading raises an Error instead
    std::vector<std::pair<std::string, RgbImage>> savedBitmaps;
    std::vector<std::pair<PictureFormat, std::string>> rasterPictures;
    std::vector<std::pair<std::string, RgbImage>> savedPngs;

    RgbImage loadBitmap(const std::string& path) override {
        if (unreadable) throw Error("Obrázek nelze načíst: " + path);
        return bitmap;
    }
    void saveBitmap(const std::string& path, const RgbImage& image) override {
        savedBitmaps.push_back({path, image});
    }
    void savePng(const std::string& path, const RgbImage& image) override {
        savedPngs.push_back({path, image});
    }
    void saveSchematic(PictureFormat format, const std::string& path, const Scene&) override {
        rasterPictures.push_back({format, path});
    }
};

}  // namespace pellisor::test
