// A workbench over a fake Ui in a temporary directory, with helpers to type, draw and write chromosomes.
#pragma once

#include "app/workbench.h"
#include "support/fake_picture_store.h"
#include "support/fake_ui.h"
#include "support/test_support.h"

#include <string>

namespace pellisor::test {

constexpr const char* kLine = "{3,1,2,2,2,1,-1}([3]0,1,1)([4]1,2,3)([5]3,4,2)([6]4,0,5)(6)";

struct Bench {
    test::TempDir dir;
    FakeUi ui;
    FakePictureStore pictures;
    Workbench workbench{ui, pictures, dir.file("set.ini")};

    // Types a line key by key, as the chromosome field reports it.
    void type(const std::string& text) {
        for (const char ch : text) {
            workbench.chromosomeKeyPressed();
            workbench.setChromosomeLine(workbench.chromosomeLine() + ch);
        }
    }
    void drawTyped(const std::string& line = kLine) {
        type(line);
        workbench.chromosomeKeyPressed();  // the next key enables the draw button
        workbench.drawClicked();
    }
    std::string writeChromosome(const std::string& name, const std::string& line = kLine) {
        const std::string path = dir.file(name);
        test::writeBytes(path, "# popis\r\n#%i a,b,c\r\n#%o y\r\n" + line + "\r\n");
        return path;
    }
    const Block& block(std::int32_t index) const { return workbench.circuit().blocks[std::size_t(index)]; }
};

}  // namespace pellisor::test
