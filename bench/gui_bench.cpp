// Large circuits in the main window: a repaint of the visible part of the canvas in every wiring
// mode, a step of a drag over the buffered picture, a zoom step with the repaint it brings, the memory the
// process takes over an empty window, and bitmap and JPEG exports. The reference is filling a picture of the
// viewport's size.

#include "bench_support.h"

#include "app/workbench.h"
#include "gui/canvas_view.h"
#include "gui/circuit_picture.h"
#include "gui/main_window.h"
#include "model/chromosome_writer.h"
#include "model/error.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QImage>
#include <QMouseEvent>
#include <QScrollArea>
#include <QScrollBar>
#include <QTemporaryDir>

#include <cstdio>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace pellisor {
namespace {

// An arity-2 circuit of 9 inputs and 4 outputs whose blocks read sources at most `levelsBack` columns
// back (primary inputs count as the column before the first); the outputs read the last column.
std::string levelsBackLine(std::int32_t columns, std::int32_t rows, std::int32_t levelsBack) {
    constexpr std::int32_t kInputs = 9;
    constexpr std::int32_t kOutputs = 4;
    std::mt19937 rng(7);
    auto pick = [&](std::int32_t low, std::int32_t high) {
        return std::uniform_int_distribution<std::int32_t>(low, high)(rng);
    };
    // A source for a block of column c: an earlier column within reach, or a primary input.
    auto source = [&](std::int32_t c) {
        const std::int32_t first = std::max(c - levelsBack, -1);
        const std::int32_t column = pick(first, c - 1);
        if (column < 0) return pick(0, kInputs - 1);
        return kInputs + column * rows + pick(0, rows - 1);
    };
    std::string line = "{" + std::to_string(kInputs) + "," + std::to_string(kOutputs) + "," +
                       std::to_string(columns) + "," + std::to_string(rows) + ",2,1,-1}";
    for (std::int32_t c = 0; c < columns; ++c) {
        for (std::int32_t r = 0; r < rows; ++r) {
            line += "(" + std::to_string(source(c)) + "," + std::to_string(source(c)) + "," +
                    std::to_string(pick(0, 31)) + ")";
        }
    }
    line += "(";
    for (std::int32_t j = 0; j < kOutputs; ++j) {
        line += (j > 0 ? "," : "") + std::to_string(kInputs + (columns - 1) * rows + pick(0, rows - 1));
    }
    return line + ")";
}

double residentMegabytes() {
    std::ifstream status("/proc/self/status");
    std::string key;
    while (status >> key) {
        if (key == "VmRSS:") {
            double kilobytes = 0;
            status >> kilobytes;
            return kilobytes / 1024.0;
        }
        status.ignore(1 << 20, '\n');
    }
    return 0;
}

double peakMegabytes() {
    std::ifstream status("/proc/self/status");
    std::string key;
    while (status >> key) {
        if (key == "VmHWM:") {
            double kilobytes = 0;
            status >> kilobytes;
            return kilobytes / 1024.0;
        }
        status.ignore(1 << 20, '\n');
    }
    return 0;
}

// The main window with one circuit drawn, as the user has it after "Vykreslit".
class Window {
public:
    Window() : window_(directory_.filePath(QStringLiteral("set.ini")).toStdString()) {
        window_.show();
        QApplication::processEvents();
        view_ = window_.findChild<CanvasView*>(QStringLiteral("Im"));
        area_ = window_.findChild<QScrollArea*>(QStringLiteral("SB"));
        // A symbol sheet of 51 cells, so that the symbol mode has something to copy.
        QImage sheet(50 * 51, 41, QImage::Format_RGB32);
        sheet.fill(QColor(200, 220, 255));
        view_->setSymbolSheet(sheet);
        workbench().setSymbolSheet({sheet.width(), sheet.height()});
    }

    Workbench& workbench() { return window_.workbench(); }
    CanvasView& view() { return *view_; }

    // Opened from a file, as "Načíst" does: laid out afresh on the grid.
    void draw(const std::string& line) {
        const std::string path = directory_.filePath(QStringLiteral("circuit.chr")).toStdString();
        saveChromosomeFile(path, "", {}, {}, line);
        workbench().loadAndDraw(path);
        QApplication::processEvents();
    }

    void setMode(WiringMode mode, bool symbols, bool values) {
        workbench().setWiring(mode);
        workbench().setOption(settings::DisplayOption::Symbols, symbols);
        workbench().setOption(settings::DisplayOption::Values, values);
        if (values) workbench().recalculate();
        QApplication::processEvents();
    }

    // At the start of the canvas, or with the viewport in its middle.
    void scrollTo(bool middle) {
        for (QScrollBar* bar : {area_->horizontalScrollBar(), area_->verticalScrollBar()}) {
            bar->setValue(middle ? bar->maximum() / 2 : 0);
        }
        QApplication::processEvents();
    }

    void repaintVisible() { view_->repaint(view_->visibleWidgetArea()); }

    // The entry whose anchor is nearest to the middle of the viewport.
    std::int32_t entryInView() {
        const QPoint centre = view_->visibleArea().center();
        const Chromosome& circuit = std::as_const(window_.workbench()).circuit();
        std::int32_t best = -1;
        std::int64_t bestDistance = 0;
        for (std::int32_t i = circuit.inputCount; i < circuit.firstOutput(); ++i) {
            const Block& block = circuit.blocks[std::size_t(i)];
            const std::int64_t dx = block.x - centre.x();
            const std::int64_t dy = block.y - centre.y();
            if (best < 0 || dx * dx + dy * dy < bestDistance) {
                best = i;
                bestDistance = dx * dx + dy * dy;
            }
        }
        return best;
    }

    void mouse(QEvent::Type type, QPoint at, Qt::MouseButtons buttons) {
        QMouseEvent event(type, QPointF(at), view_->mapToGlobal(QPointF(at)),
                          type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, buttons, Qt::NoModifier);
        QApplication::sendEvent(view_, &event);
    }

    QSize viewport() const { return area_->viewport()->size(); }

private:
    QTemporaryDir directory_;
    MainWindow window_;
    CanvasView* view_ = nullptr;
    QScrollArea* area_ = nullptr;
};

Window* window = nullptr;

struct CircuitCase {
    const char* name;
    std::string line;
};
std::vector<CircuitCase>& circuits() {
    static std::vector<CircuitCase> cases{{"grid100x100", levelsBackLine(100, 100, 3)},
                                          {"column1x10000", levelsBackLine(1, 10000, 1)}};
    return cases;
}

struct ModeCase {
    const char* name;
    WiringMode mode;
    bool symbols;
};
constexpr ModeCase kModes[] = {{"direct", WiringMode::Direct, false},
                               {"direct2", WiringMode::Direct2, false},
                               {"branching", WiringMode::DirectOpt, false},
                               {"symbols", WiringMode::Direct, true}};

const std::string* drawnLine = nullptr;
void ensureDrawn(const CircuitCase& circuit) {
    if (drawnLine == &circuit.line) return;
    window->draw(circuit.line);
    drawnLine = &circuit.line;
}

void viewportFill(benchmark::State& state) {
    const QSize size = window->viewport();
    QImage image(size, QImage::Format_RGB32);
    for (auto _ : state) {
        image.fill(Qt::white);
        benchmark::DoNotOptimize(image.bits());
    }
}

void repaint(benchmark::State& state, const CircuitCase* circuit, ModeCase mode, bool values, bool middle) {
    ensureDrawn(*circuit);
    window->setMode(mode.mode, mode.symbols, values);
    window->scrollTo(middle);
    for (auto _ : state)
        window->repaintVisible();
}

// Press on a block in view, then each step moves it and paints the frame over the buffer.
void dragStep(benchmark::State& state, const CircuitCase* circuit, bool middle) {
    ensureDrawn(*circuit);
    window->setMode(WiringMode::Direct, false, false);
    window->scrollTo(middle);
    const std::int32_t grabbed = window->entryInView();
    const Block& block = window->workbench().circuit().blocks[std::size_t(grabbed)];
    const QPoint start(block.x, block.y);
    window->mouse(QEvent::MouseMove, start, Qt::NoButton);
    window->mouse(QEvent::MouseButtonPress, start, Qt::LeftButton);
    if (!window->workbench().dragging()) {
        state.SkipWithError("no drag");
        return;
    }
    int step = 0;
    for (auto _ : state) {
        const QPoint at = start + QPoint(step % 20, (step / 20) % 20);
        ++step;
        window->mouse(QEvent::MouseMove, at, Qt::LeftButton);
        window->repaintVisible();
    }
    window->mouse(QEvent::MouseButtonRelease, start, Qt::NoButton);
    QApplication::processEvents();
}

// The zoom levels measured, by their percent.
constexpr int kZoomPercents[] = {25, 50, 100, 200, 400};

std::size_t zoomLevelOf(int percent) {
    for (std::size_t level = 0; level < kZoomLevels.size(); ++level) {
        if (kZoomLevels[level].percent == percent) return level;
    }
    return kActualSizeLevel;
}

std::string zoomStepName(const CircuitCase& circuit, bool values, int percent) {
    return std::string("zoomStep/") + circuit.name + (values ? "/direct+values/" : "/direct/") +
           std::to_string(percent);
}

// A zoom step to the level from the one next to it (below it, or above the smallest) in the middle of
// the canvas, until the viewport is painted anew at the new level.
void zoomStep(benchmark::State& state, const CircuitCase* circuit, bool values, int percent) {
    ensureDrawn(*circuit);
    window->setMode(WiringMode::Direct, false, values);
    CanvasView& view = window->view();
    view.setZoomLevel(kActualSizeLevel);
    window->scrollTo(true);
    const std::size_t level = zoomLevelOf(percent);
    const std::size_t from = level > 0 ? level - 1 : level + 1;
    for (auto _ : state) {
        state.PauseTiming();
        view.setZoomLevel(from);
        QApplication::processEvents();
        state.ResumeTiming();
        view.setZoomLevel(level);
        window->repaintVisible();
    }
    view.setZoomLevel(kActualSizeLevel);
    QApplication::processEvents();
}

void registerAll() {
    benchmark::RegisterBenchmark("viewportFill", viewportFill)->Unit(benchmark::kMillisecond)->UseRealTime();
    for (const CircuitCase& circuit : circuits()) {
        for (const bool middle : {false, true}) {
            for (const ModeCase& mode : kModes) {
                for (const bool values : {false, true}) {
                    const std::string name = std::string("repaint/") + circuit.name + "/" + mode.name +
                                             (values ? "+values" : "") + (middle ? "/middle" : "/start");
                    benchmark::RegisterBenchmark(name.c_str(), repaint, &circuit, mode, values, middle)
                        ->Unit(benchmark::kMillisecond)
                        ->UseRealTime();
                }
            }
            const std::string name =
                std::string("dragStep/") + circuit.name + (middle ? "/middle" : "/start");
            benchmark::RegisterBenchmark(name.c_str(), dragStep, &circuit, middle)
                ->Unit(benchmark::kMillisecond)
                ->UseRealTime();
        }
        for (const bool values : {false, true}) {
            for (const int percent : kZoomPercents) {
                benchmark::RegisterBenchmark(zoomStepName(circuit, values, percent).c_str(), zoomStep,
                                             &circuit, values, percent)
                    ->Unit(benchmark::kMillisecond)
                    ->UseRealTime();
            }
        }
    }
}

// Every repaint and drag step in milliseconds against its target, and as a multiple of filling a
// picture of the viewport's size in the same run.
void reportTargets(const bench::RatioReporter& reporter) {
    const double fill = reporter.seconds("viewportFill");
    std::printf("\nTargets (real time per repaint or step; the viewport fill took %.3f ms):\n", fill * 1e3);
    for (const CircuitCase& circuit : circuits()) {
        for (const char* place : {"start", "middle"}) {
            for (const ModeCase& mode : kModes) {
                for (const char* values : {"", "+values"}) {
                    const std::string name =
                        std::string("repaint/") + circuit.name + "/" + mode.name + values + "/" + place;
                    const double seconds = reporter.seconds(name);
                    if (seconds <= 0) continue;
                    std::printf("  %-48s %7.2f ms  %6.0fx fill  (target < 16 ms: %s)\n", name.c_str(),
                                seconds * 1e3, fill > 0 ? seconds / fill : 0.0,
                                seconds * 1e3 < 16 ? "met" : "NOT met");
                }
            }
            const std::string name = std::string("dragStep/") + circuit.name + "/" + place;
            const double seconds = reporter.seconds(name);
            if (seconds <= 0) continue;
            std::printf("  %-48s %7.2f ms  %6.0fx fill  (target < 5 ms: %s)\n", name.c_str(), seconds * 1e3,
                        fill > 0 ? seconds / fill : 0.0, seconds * 1e3 < 5 ? "met" : "NOT met");
        }
        for (const bool values : {false, true}) {
            for (const int percent : kZoomPercents) {
                const std::string name = zoomStepName(circuit, values, percent);
                const double seconds = reporter.seconds(name);
                if (seconds <= 0) continue;
                std::printf("  %-48s %7.2f ms  %6.0fx fill  (target < 16 ms: %s)\n", name.c_str(),
                            seconds * 1e3, fill > 0 ? seconds / fill : 0.0,
                            seconds * 1e3 < 16 ? "met" : "NOT met");
            }
        }
    }
}

// Resident memory over the empty window with each circuit drawn, painted at both places and
// dragged, and the exports with their time and peak memory.
void reportMemoryAndExports(double emptyWindow) {
    std::printf("\nMemory (VmRSS) over the empty window (%.1f MB), limit 100 MB:\n", emptyWindow);
    QTemporaryDir directory;
    for (const CircuitCase& circuit : circuits()) {
        window->draw(circuit.line);
        drawnLine = &circuit.line;
        for (const ModeCase& mode : kModes) {
            for (const bool middle : {false, true}) {
                window->setMode(mode.mode, mode.symbols, true);
                window->scrollTo(middle);
                window->repaintVisible();
            }
        }
        const double grown = residentMegabytes() - emptyWindow;
        const CanvasSize size = window->workbench().canvasSize();
        std::printf("  %-14s canvas %dx%d: +%.1f MB (%s)\n", circuit.name, size.width, size.height, grown,
                    grown < 100 ? "met" : "NOT met");
    }
    std::printf("\nExports (Direct, values shown):\n");
    for (const CircuitCase& circuit : circuits()) {
        window->draw(circuit.line);
        drawnLine = &circuit.line;
        window->setMode(WiringMode::Direct, false, true);
        for (const auto& [format, extension] :
             {std::pair{PictureFormat::Bitmap, ".bmp"}, std::pair{PictureFormat::Jpeg, ".jpg"}}) {
            const std::string path =
                directory.filePath(QString::fromLatin1(circuit.name)).toStdString() + extension;
            const double before = residentMegabytes();
            std::ofstream("/proc/self/clear_refs") << "5";  // the peak starts again from here
            QElapsedTimer timer;
            timer.start();
            std::string outcome;
            try {
                window->workbench().savePicture(format, path);
                outcome = "written, " + std::to_string(QFileInfo(QString::fromStdString(path)).size() >> 20) +
                          " MB";
            } catch (const Error& error) {
                outcome = std::string("refused: ") + error.what();
            }
            std::printf("  %-14s %s: %.2f s, peak RSS %.1f MB (%.1f MB before): %s\n", circuit.name,
                        extension, double(timer.elapsed()) / 1000.0, peakMegabytes(), before,
                        outcome.c_str());
            QFile::remove(QString::fromStdString(path));
        }
    }
}

}  // namespace
}  // namespace pellisor

int main(int argc, char** argv) {
    // --no-exports leaves out the memory figures and the exports (they take a minute).
    bool exports = true;
    for (int i = 1; i < argc; ++i) {
        if (std::string(argv[i]) == "--no-exports") {
            exports = false;
            for (int j = i; j + 1 < argc; ++j)
                argv[j] = argv[j + 1];
            --argc;
            break;
        }
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    pellisor::Window window;
    pellisor::window = &window;
    window.repaintVisible();
    const double emptyWindow = pellisor::residentMegabytes();
    std::printf("Viewport %dx%d device pixels\n", window.viewport().width(), window.viewport().height());

    pellisor::registerAll();
    pellisor::bench::RatioReporter reporter;
    if (!pellisor::bench::runBenchmarks(argc, argv, reporter)) return 1;
    pellisor::reportTargets(reporter);
    if (exports) pellisor::reportMemoryAndExports(emptyWindow);
    return 0;
}
