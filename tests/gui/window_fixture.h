#pragma once

#include "app/workbench.h"
#include "gui/canvas_view.h"
#include "gui/main_window.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <functional>
#include <memory>
#include <string>

namespace pellisor::test {

// A small circuit with fan-out, a block feeding two others and two outputs.
inline constexpr const char* kExampleChromosome =
    "{3,2,3,2,2,1,-1}([3]0,1,1)([4]1,2,3)([5]3,4,10)([6]3,0,11)([7]5,6,2)([8]6,2,0)(7,8)";

inline QString utf8(const char* text) {
    return QString::fromUtf8(text);
}

// Acts on the next modal dialog once it is up (the code under test waits in its exec()); gives up
// after a few seconds so that a failing test does not answer a later test's dialog.
inline void whenModal(std::function<void(QWidget*)> act) {
    auto* timer = new QTimer;
    auto ticks = std::make_shared<int>(0);
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, ticks, act] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal && modal->isVisible()) {
            timer->stop();
            timer->deleteLater();
            act(modal);
        } else if (++*ticks > 500) {
            timer->stop();
            timer->deleteLater();
        }
    });
    timer->start();
}

// Accepts a file dialog with `path` typed as its name. A file the dialog selected in its list (a
// proposed name that exists, once the directory has been read) would win over the typed name.
inline void acceptFileDialog(QFileDialog* dialog, const std::string& path) {
    for (auto* view : dialog->findChildren<QAbstractItemView*>())
        view->clearSelection();
    dialog->findChild<QLineEdit*>("fileNameEdit")->setText(QString::fromStdString(path));
    static_cast<QDialog*>(dialog)->accept();
}

inline std::string outputDirectory() {
    const QByteArray configured = qgetenv("PELLISOR_TEST_OUTPUT");
    const std::string directory =
        configured.isEmpty() ? QDir::tempPath().toStdString() : configured.toStdString();
    QDir().mkpath(QString::fromStdString(directory));
    return directory;
}

// The main window on a settings file of its own, shown on the offscreen platform.
class WindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        window = std::make_unique<MainWindow>(dir.file("set.ini"));
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    }
    void TearDown() override { window.reset(); }

    template <typename T>
    T* find(const char* name) const {
        T* widget = window->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }
    Workbench& workbench() const { return window->workbench(); }
    CanvasView* canvas() const { return find<CanvasView>("Im"); }
    QToolButton* button(const char* name) const { return find<QToolButton>(name); }

    // Types the chromosome into the line key by key and clicks the draw button.
    void draw(const char* chromosome = kExampleChromosome) const {
        QLineEdit* line = find<QLineEdit>("Edit1");
        line->setFocus();
        QTest::keyClicks(line, QString::fromLatin1(chromosome));
        QTest::mouseClick(button("SBok"), Qt::LeftButton);
        QApplication::processEvents();
    }
    QPoint anchor(std::int32_t index) const {
        const Block& block = workbench().circuit().blocks.at(static_cast<std::size_t>(index));
        return {block.x, block.y};
    }

    TempDir dir;
    std::unique_ptr<MainWindow> window;
};

}  // namespace pellisor::test
