// The measurement commands of the workbench and the texts, names and plot bars they rest on.
#include "app/error_measurement.h"
#include "app/histogram_bars.h"
#include "app/quality_measurement.h"
#include "app/workbench_bench.h"
#include "measure/block_pictures.h"
#include "measure/measure_json.h"
#include "model/error.h"
#include "support/random_circuit.h"
#include "support/random_picture.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <random>

namespace pellisor {
namespace {

using test::Bench;

// A random nine-input filter with the default function assignment.
std::string randomFilterLine(std::mt19937& rng) {
    test::CircuitShape shape = test::randomShape(rng, 9, 2, 5, 4, 2);
    shape.inputCount = 9;
    shape.outputCount = std::max(shape.outputCount, 1);
    return test::chromosomeLine(test::randomCircuit(rng, shape, true, 7));
}

TEST(HistogramBars, EveryValueFallsInOneBarOfEqualWidthCoveringTheRange) {
    std::mt19937 rng(15);
    for (int round = 0; round < 300; ++round) {
        std::map<std::int64_t, std::int64_t> counts;
        const std::int64_t centre = std::int64_t(rng() % 2000) - 1000;
        const std::int64_t spread = 1 + rng() % (round % 3 == 0 ? 5 : 100000);
        for (int k = 1 + int(rng() % 50); k > 0; --k)
            counts[centre + std::int64_t(rng() % spread) - std::int64_t(spread / 2)] += 1 + rng() % 1000;
        const std::int32_t maxBars = 1 + std::int32_t(rng() % 300);
        const std::vector<HistogramBar> bars = histogramBars(counts, maxBars);
        ASSERT_FALSE(bars.empty());
        ASSERT_LE(bars.size(), std::size_t(maxBars));
        EXPECT_EQ(bars.front().low, counts.begin()->first);
        EXPECT_EQ(bars.back().high, counts.rbegin()->first);
        const std::int64_t width = bars.front().high - bars.front().low + 1;
        for (std::size_t i = 0; i < bars.size(); ++i) {
            if (i + 1 < bars.size()) {
                EXPECT_EQ(bars[i].high - bars[i].low + 1, width);
                EXPECT_EQ(bars[i + 1].low, bars[i].high + 1);
            }
            std::int64_t inside = 0;
            for (auto it = counts.lower_bound(bars[i].low); it != counts.end() && it->first <= bars[i].high;
                 ++it)
                inside += it->second;
            EXPECT_EQ(bars[i].count, inside);
        }
    }
    EXPECT_TRUE(histogramBars({}, 10).empty());
    const auto full = histogramBars({{INT64_MIN, 1}, {0, 2}, {INT64_MAX, 3}}, 4);
    ASSERT_EQ(full.size(), 4u);
    EXPECT_EQ(full.front().low, INT64_MIN);
    EXPECT_EQ(full.back().high, INT64_MAX);
    EXPECT_EQ(full[0].count + full[1].count + full[2].count + full[3].count, 6);
}

TEST(HistogramBars, TicksAreRoundStepsThatCoverTheAxis) {
    const auto isRound = [](std::int64_t step) {
        while (step % 10 == 0)
            step /= 10;
        return step == 1 || step == 2 || step == 5;
    };
    std::mt19937 rng(7);
    for (int round = 0; round < 500; ++round) {
        const std::int64_t maximum = std::int64_t(rng() % 20000000);
        const std::int32_t maxTicks = 1 + std::int32_t(rng() % 12);
        const auto ticks = axisTicks(maximum, maxTicks);
        ASSERT_GE(ticks.size(), 2u);
        EXPECT_EQ(ticks.front(), 0);
        EXPECT_GE(ticks.back(), std::max<std::int64_t>(maximum, 1));
        EXPECT_LE(ticks.size(), std::size_t(maxTicks) + 1);
        EXPECT_TRUE(isRound(ticks[1])) << ticks[1];
        EXPECT_LT(ticks[ticks.size() - 2], std::max<std::int64_t>(maximum, 1));

        const std::int64_t low = std::int64_t(rng() % 100000) - 50000;
        const std::int64_t high = low + std::int64_t(rng() % 100000);
        const auto labels = rangeTicks(low, high, maxTicks);
        ASSERT_FALSE(labels.empty());
        EXPECT_LE(labels.size(), std::size_t(maxTicks) + 1);
        for (std::size_t i = 0; i < labels.size(); ++i) {
            EXPECT_GE(labels[i], low);
            EXPECT_LE(labels[i], high);
            if (i > 0) {
                EXPECT_EQ(labels[i] - labels[i - 1], labels[1] - labels[0]);
            }
        }
        if (labels.size() > 1) {
            EXPECT_TRUE(isRound(labels[1] - labels[0]));
            EXPECT_EQ(labels[0] % (labels[1] - labels[0]), 0);
        }
    }
}

TEST(QualityMeasurement, TheWorkbenchRunIsTheCoreFunctionsInOrderAndSavesWhatItShows) {
    std::mt19937 rng(3);
    for (int round = 0; round < 6; ++round) {
        Bench bench;
        Workbench& w = bench.workbench;
        const std::string line = randomFilterLine(rng);
        w.loadAndDraw(bench.writeChromosome("f.chr", line));
        bench.pictures.bitmap = test::randomPicture(rng, 3 + int(rng() % 40), 3 + int(rng() % 30));
        const NoiseSettings noise{kNoiseKinds[std::size_t(round % 4)], round % 4 == 2 ? 12.5 : 0.2,
                                  std::uint64_t(rng())};
        const auto run = w.measureFilterQuality("ref.bmp", noise);
        ASSERT_TRUE(run);

        Chromosome circuit = test::parsed(line);
        const RgbImage noisy = addNoise(bench.pictures.bitmap, noise);
        const RgbImage filtered = *filterImage3x3(circuit, w.assignment(), noisy);
        EXPECT_EQ(run->noisy.pixels, noisy.pixels);
        EXPECT_EQ(run->filtered.pixels, filtered.pixels);
        EXPECT_EQ(run->difference.pixels, differencePicture(filtered, bench.pictures.bitmap).pixels);
        EXPECT_EQ(qualityTableRow(run->filteredFigures),
                  qualityTableRow(compareInterior(filtered, bench.pictures.bitmap)));
        EXPECT_EQ(qualityTableRow(run->medianFigures),
                  qualityTableRow(compareInterior(median3x3(noisy), bench.pictures.bitmap)));
        EXPECT_EQ(qualityTableRow(run->inputFigures),
                  qualityTableRow(compareInterior(noisy, bench.pictures.bitmap)));

        // The block pictures are the core's, for function blocks only.
        for (std::int32_t block = 0; block < w.circuit().blockTotal(); ++block) {
            const auto picture = w.blockPictureOf(*run, block);
            ASSERT_EQ(picture.has_value(), w.circuit().isFunctionBlock(block)) << block;
            if (picture) {
                EXPECT_EQ(picture->pixels, blockPicture(circuit, w.assignment(), noisy, block).pixels);
            }
        }

        bench.ui.fileAnswers = {bench.dir.file("out.json")};
        w.saveQualityClicked(*run);
        EXPECT_EQ(bench.ui.dialogs.back().fileName, "f.quality.json");
        ASSERT_EQ(bench.pictures.savedBitmaps.size(), 3u);
        // Named as the command line names them.
        const QualityFiles files = qualityFilesFor(bench.dir.file("out.json"));
        EXPECT_EQ(files.noisy, bench.dir.file("out.noisy.bmp"));
        EXPECT_EQ(files.filtered, bench.dir.file("out.flt.bmp"));
        for (const auto& [path, picture] : bench.pictures.savedBitmaps) {
            const RgbImage& expected = path == files.noisy      ? run->noisy
                                       : path == files.filtered ? run->filtered
                                                                : run->difference;
            EXPECT_EQ(picture.pixels, expected.pixels) << path;
        }
        const std::string json = test::readBytes(bench.dir.file("out.quality.json"));
        EXPECT_EQ(json, qualityReportJson(qualityReportOf(*run, "out.noisy.bmp")));
        if (test::haveProgram("python3")) {
            // Python's own reader finds the figures as written.
            const auto read = test::runCommand(
                "python3 -c 'import json,sys; r=json.load(open(sys.argv[1])); "
                "print(r[\"noise\"][\"kind\"], r[\"input_picture\"], r[\"width\"], "
                "r[\"filtered\"][\"changed\"], "
                "repr(r[\"median3x3\"][\"mdpp\"]))' " +
                test::shellQuoted(bench.dir.file("out.quality.json")));
            ASSERT_EQ(read.status, 0) << read.output;
            const std::string expected = std::string(noiseKindName(noise.kind)) + " out.noisy.bmp " +
                                         std::to_string(run->reference.width) + " " +
                                         std::to_string(run->filteredFigures.changed) + " ";
            ASSERT_EQ(read.output.substr(0, expected.size()), expected);
            // The shortest form reads back as the very same double.
            EXPECT_EQ(std::stod(read.output.substr(expected.size())), run->medianFigures.mdpp);
        }
    }
}

TEST(QualityMeasurement, RefusesCircuitsThatAreNoFilterAndNeverWritesOverTheReference) {
    Bench bench;
    bench.pictures.unreadable = true;
    EXPECT_THROW(bench.workbench.measureFilterQuality("ref.bmp", {}), Error);  // no circuit
    bench.drawTyped();                                                         // three inputs
    try {
        bench.workbench.measureFilterQuality("ref.bmp", {});
        FAIL();
    } catch (const Error& error) {
        // Told before the picture is read.
        EXPECT_NE(std::string(error.what()).find("potřebuje 9 vstupů"), std::string::npos) << error.what();
    }

    // The reference is known by its file, however its path is spelled.
    QualityRun run;
    test::writeBytes(bench.dir.file("a.diff.bmp"), "reference");
    run.referencePath = bench.dir.path() + "/./a.diff.bmp";
    EXPECT_THROW(bench.workbench.saveQualityRun(run, qualityFilesFor(bench.dir.file("a"))), Error);
    EXPECT_TRUE(bench.pictures.savedBitmaps.empty());
    EXPECT_EQ(test::readBytes(bench.dir.file("a.diff.bmp")), "reference");
    EXPECT_EQ(qualityFilesFor("x/a.quality.json").report, "x/a.quality.json");
    EXPECT_EQ(qualityFilesFor("x/a").noisy, "x/a.noisy.bmp");
    EXPECT_EQ(qualityFilesFor("x/a.b.json").filtered, "x/a.b.flt.bmp");
    EXPECT_EQ(errorReportPathFor("x/m.error.json"), "x/m.error.json");
    EXPECT_EQ(errorReportPathFor("x/m.json"), "x/m.error.json");
    EXPECT_EQ(errorReportPathFor("x/m"), "x/m.error.json");
}

TEST(ErrorMeasurement, TheWorkbenchMeasuresWithTheCoreAndSavesItsReport) {
    std::mt19937 rng(11);
    Bench bench;
    Workbench& w = bench.workbench;
    test::CircuitShape shape{8, 5, 4, 3, 2};
    const std::string line = test::chromosomeLine(test::randomCircuit(rng, shape, true, 7));
    w.loadAndDraw(bench.writeChromosome("add.chr", line));
    const ErrorSettings settings = errorSettingsFor(ErrorOperation::Add, 4, 4);
    EXPECT_EQ(settings.widths, (std::vector<std::int32_t>{4, 4}));
    EXPECT_TRUE(errorSettingsFor(ErrorOperation::Median, 4, 4).widths.empty());
    const ErrorFigures figures = w.measureCircuitError(settings);
    const ErrorFigures core = measureError(test::parsed(line), w.assignment(), settings);
    EXPECT_EQ(errorFigureRows(figures), errorFigureRows(core));
    EXPECT_EQ(figures.histogram, core.histogram);

    bench.ui.fileAnswers = {bench.dir.file("report")};
    w.saveErrorClicked(settings, figures);
    EXPECT_EQ(bench.ui.dialogs.back().fileName, "add.error.json");
    EXPECT_EQ(test::readBytes(bench.dir.file("report.error.json")), errorJson(settings, figures));
    EXPECT_EQ(errorOperationLabel(ErrorOperation::Mul), "Násobení (mul)");

    Bench empty;
    EXPECT_THROW(empty.workbench.measureCircuitError(settings), Error);
}

}  // namespace
}  // namespace pellisor
