// The EPS, DOT and VHDL writers hand their text to the sink in pieces of bounded size as they produce
// it, so a file of gigabytes never stands whole in memory; the pieces joined are the text the string
// forms give.

#include "app/settings.h"
#include "export/buffered_sink.h"
#include "export/dot_writer.h"
#include "export/eps_writer.h"
#include "export/vhdl_writer.h"

#include "support/random_circuit.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <random>
#include <string>

namespace pellisor {
namespace {

struct Pieces {
    std::string joined;
    std::size_t count = 0;
    std::size_t largest = 0;
};

Pieces piecesOf(const std::function<void(const ByteSink&)>& produce) {
    Pieces pieces;
    produce([&](std::string_view piece) {
        pieces.joined.append(piece);
        ++pieces.count;
        pieces.largest = std::max(pieces.largest, piece.size());
    });
    return pieces;
}

void expectStreamed(const Pieces& pieces, const std::string& whole) {
    EXPECT_LE(pieces.largest, BufferedSink::kPieceSize);
    EXPECT_GT(whole.size(), 4 * BufferedSink::kPieceSize);
    EXPECT_GT(pieces.count, 4U);
    EXPECT_TRUE(pieces.joined == whole) << "the pieces differ from the whole text";
}

// Thousands of blocks, each reading anything before it (register chains of up to five stages), some
// hidden, with names and labels that need escaping.
Chromosome largeCircuit(std::mt19937& rng, std::int32_t arity) {
    Chromosome circuit = test::randomCircuit(rng, {9, 3, 6, 1000, arity}, true, 40);
    for (Block& block : circuit.blocks) {
        block.visible = rng() % 5 != 0;
        block.x = static_cast<std::int32_t>(rng() % 9000);
        block.y = static_cast<std::int32_t>(rng() % 1000);
        block.value = static_cast<std::int32_t>(rng() % 600) - 300;
    }
    circuit.inputNames = {"a (b)", "c\\d"};
    circuit.outputNames = {"x y"};
    return circuit;
}

TEST(StreamedExport, TextsReachTheSinkInBoundedPiecesThatMakeTheWholeText) {
    const test::TempDir dir;
    test::writeBytes(dir.file("set.ini"), "[DOT]\nf1_label=A \"quoted\" (label)\nf2_fillcolor=red\n");
    const SettingsFile settings(dir.file("set.ini"));
    std::mt19937 rng(1212);
    for (const std::int32_t arity : {1, 2, 3}) {
        SCOPED_TRACE("arity " + std::to_string(arity));
        const Chromosome circuit = largeCircuit(rng, arity);
        FunctionAssignment assignment;
        for (std::int32_t gene = 0; gene < kGeneCount; ++gene)
            assignment.setIdentifier(gene, static_cast<std::int32_t>(rng() % 52));
        DisplayOptions options;
        options.hiddenBlocks = true;
        options.blockNumbers = true;
        options.functionLabels = true;

        expectStreamed(
            piecesOf([&](const ByteSink& sink) {
                writeEpsText(sink, circuit, assignment, options, "Popis",
                             readFunctionLabels(settings, assignment));
            }),
            buildEps(circuit, assignment, options, "Popis", readFunctionLabels(settings, assignment)));
        expectStreamed(
            piecesOf([&](const ByteSink& sink) {
                writeDotText(sink, circuit, assignment, true, "big.chr",
                             readFunctionStyles(settings, assignment));
            }),
            buildDot(circuit, assignment, true, "big.chr", readFunctionStyles(settings, assignment)));
        expectStreamed(piecesOf([&](const ByteSink& sink) { writeVhdlText(sink, circuit, "big.chr"); }),
                       buildVhdl(circuit, "big.chr"));
    }
}

TEST(StreamedExport, PiecesAreFullExceptTheLastAndLongTextsAreSplit) {
    const std::string longText(3 * BufferedSink::kPieceSize + 17, 'x');
    const Pieces pieces = piecesOf([&](const ByteSink& sink) {
        BufferedSink out(sink);
        out << "head " << -42 << ' ' << longText << std::int64_t{1} << 40;
        out.finish();
    });
    EXPECT_EQ(pieces.joined, "head -42 " + longText + "140");
    EXPECT_EQ(pieces.count, 4U);
    EXPECT_EQ(pieces.largest, BufferedSink::kPieceSize);
    // Nothing is handed over before it is asked for when the text is short, and nothing twice.
    EXPECT_EQ(piecesOf([](const ByteSink& sink) {
                  BufferedSink out(sink);
                  out << "";
                  out.finish();
                  out.finish();
              }).count,
              0U);
}

}  // namespace
}  // namespace pellisor
