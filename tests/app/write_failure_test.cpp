// The window's writes (chromosome, layout, set.ini and the exports behind their dialogs) when the file
// cannot be written: the command raises the system's reason, which the window shows, the old file stays
// byte for byte, nothing is left beside it, and the buttons stay as they were.

#include "app/workbench.h"

#include "model/error.h"
#include "support/fake_picture_store.h"
#include "support/fake_ui.h"
#include "support/fault_injection.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace pellisor {
namespace {

namespace fs = std::filesystem;
using test::FakeUi;

constexpr const char* kOldBytes = "old\n";

// One write of the window: the file it writes in the directory `d` and how to make the workbench write it.
struct WindowWrite {
    const char* target;
    std::function<void(Workbench&, FakeUi&, const std::string& path)> act;
};

const std::vector<WindowWrite>& windowWrites() {
    static const std::vector<WindowWrite> kWrites{
        {"saved.chr",
         [](Workbench& w, FakeUi& ui, const std::string& path) {
             ui.fileAnswers = {path};
             w.saveChromosomeClicked();
         }},
        {"c.ini",
         [](Workbench& w, FakeUi& ui, const std::string&) {
             ui.yesNoAnswers = {true};  // overwrite the layout saved before
             w.saveLayoutClicked();
         }},
        {"set.ini", [](Workbench& w, FakeUi&, const std::string&) { w.saveSettingsClicked(); }},
        {"set.ini", [](Workbench& w, FakeUi&, const std::string&) { w.saveAssignmentClicked(); }},
        {"c.dot",
         [](Workbench& w, FakeUi& ui, const std::string& path) {
             ui.fileAnswers = {path};
             w.generateDotClicked();
         }},
        {"c.vhd",
         [](Workbench& w, FakeUi& ui, const std::string& path) {
             ui.fileAnswers = {path};
             w.generateVhdlClicked();
         }},
        {"c.ps",
         [](Workbench& w, FakeUi& ui, const std::string& path) {
             ui.fileAnswers = {path};
             w.savePictureClicked();
         }},
    };
    return kWrites;
}

// A workbench whose chromosome, settings and outputs all live in the directory d.
struct Window {
    test::TempDir dir;
    std::string d = dir.file("d");
    FakeUi ui;
    test::FakePictureStore pictures;
    std::unique_ptr<Workbench> workbench;

    explicit Window(const std::function<void(const std::string&)>& prepare = {}) {
        fs::create_directories(d);
        if (prepare) prepare(d);
        test::writeBytes(d + "/c.chr",
                         "# popis\r\n#%i a,b,c\r\n#%o y\r\n"
                         "{3,1,2,2,2,1,-1}([3]0,1,1)([4]1,2,3)([5]3,4,2)([6]4,0,5)(6)\r\n");
        workbench = std::make_unique<Workbench>(ui, pictures, d + "/set.ini");
        workbench->functionAssignmentClicked();
        workbench->loadAndDraw(d + "/c.chr");
        workbench->setChromosomeLine(workbench->chromosomeLine());  // an edit enables the save button
    }
    std::string path(const WindowWrite& write) const { return d + "/" + write.target; }
    void writeOldFiles() const {
        for (const WindowWrite& write : windowWrites())
            test::writeBytes(path(write), kOldBytes);
    }
};

std::string failure(const std::function<void()>& act) {
    try {
        act();
    } catch (const Error& error) {
        return error.what();
    }
    return "(no error)";
}

std::string reason(const std::string& path, int errorNumber) {
    return "Soubor nelze zapsat: " + path + " (" + std::strerror(errorNumber) + ")";
}

// Runs every write in `window` and expects each to fail for `errorNumber` without changing d.
void expectEveryWriteFails(Window& window, int errorNumber) {
    const auto before = test::directoryListing(window.d);
    for (const WindowWrite& write : windowWrites()) {
        const bool saveEnabled = window.workbench->enabled(Button::SBuloz);
        const bool loadEnabled = window.workbench->enabled(Button::SBnr);
        EXPECT_EQ(reason(window.path(write), errorNumber),
                  failure([&] { write.act(*window.workbench, window.ui, window.path(write)); }));
        // The chromosome can still be saved, and no layout was written that could be loaded.
        EXPECT_EQ(saveEnabled, window.workbench->enabled(Button::SBuloz)) << write.target;
        EXPECT_EQ(loadEnabled, window.workbench->enabled(Button::SBnr)) << write.target;
    }
    EXPECT_EQ(before, test::directoryListing(window.d));
}

TEST(WindowWrites, SucceedWhereNothingStandsInTheWay) {
    Window window;
    window.writeOldFiles();
    for (const WindowWrite& write : windowWrites()) {
        const std::string before = test::readBytes(window.path(write));
        EXPECT_EQ("(no error)",
                  failure([&] { write.act(*window.workbench, window.ui, window.path(write)); }));
        EXPECT_GT(test::readBytes(window.path(write)).size(), 64u) << write.target;
    }
    EXPECT_FALSE(window.workbench->enabled(Button::SBuloz));
    EXPECT_TRUE(window.workbench->enabled(Button::SBnr));
}

TEST(WindowWrites, AMissingDirectoryIsSaid) {
    Window window;
    fs::remove_all(window.d);
    for (const WindowWrite& write : windowWrites()) {
        EXPECT_EQ(reason(window.path(write), ENOENT),
                  failure([&] { write.act(*window.workbench, window.ui, window.path(write)); }));
    }
    EXPECT_TRUE(window.workbench->enabled(Button::SBuloz));
    EXPECT_FALSE(fs::exists(window.d));
}

TEST(WindowWrites, AReadOnlyDirectoryKeepsItsFiles) {
    Window window;
    window.writeOldFiles();
    ASSERT_EQ(0, ::chmod(window.d.c_str(), 0555));
    {
        const test::ObeyFileModes obey;
        expectEveryWriteFails(window, EACCES);
    }
    ::chmod(window.d.c_str(), 0755);
}

TEST(WindowWrites, AReadOnlyFileIsNotReplaced) {
    Window window;
    window.writeOldFiles();
    for (const WindowWrite& write : windowWrites())
        ::chmod(window.path(write).c_str(), 0444);
    const test::ObeyFileModes obey;
    expectEveryWriteFails(window, EACCES);
}

TEST(WindowWrites, AFullDiskKeepsTheOldFiles) {
    if (::geteuid() != 0) GTEST_SKIP() << "mounting a small disk needs root";
    std::unique_ptr<test::Tmpfs> disk;
    Window window([&](const std::string& d) { disk = std::make_unique<test::Tmpfs>(d); });
    if (!disk->mounted()) GTEST_SKIP() << "tmpfs cannot be mounted here";
    window.writeOldFiles();
    disk->fill();
    expectEveryWriteFails(window, ENOSPC);
    window.workbench.reset();
    disk.reset();
}

TEST(WindowWrites, TheFileSizeLimitKeepsTheOldFiles) {
    Window window;
    window.writeOldFiles();
    const test::FileSizeLimit limit(64);
    expectEveryWriteFails(window, EFBIG);
}

}  // namespace
}  // namespace pellisor
