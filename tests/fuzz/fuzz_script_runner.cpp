// Test scripts run on a fuzzed circuit.
//
// Input: one byte (bit 0: the binary flavour .csb, bit 1: a decimal comma, bit 2: the second function
// assignment), a chromosome line up to a NUL (inputs whose line does not parse are skipped), then the
// script's bytes.
#include "fuzz_support.h"

#include "eval/evaluator.h"
#include "eval/function_assignment.h"
#include "eval/script_runner.h"
#include "model/error.h"
#include "model/file_names.h"
#include "model/function_table.h"

#include <algorithm>
#include <array>
#include <string>
#include <vector>

namespace {

using namespace pellisor;
using pellisor::fuzz::printable;

// Results are one line per line end of the script, each as long as the watched lists, so the
// circuit's size times the script's length bounds the work.
constexpr std::int32_t kMaxEntries = 2048;

// Genes 0 ... 31 as functions 1 ... 32 (the multiplexer among them), or as 20 ... 51.
FunctionAssignment makeAssignment(std::int32_t firstIdentifier) {
    FunctionAssignment assignment;
    for (std::int32_t gene = 0; gene < kGeneCount; ++gene)
        assignment.setIdentifier(gene, firstIdentifier + gene);
    return assignment;
}

const std::array<std::string_view, 12> kMessages{
    "Chybny znak v souboru #01",     "Chybny znak v souboru #02",     "Chybny znak v souboru #03",
    "Chybny znak v souboru [num:?]", "Chybny index vstupu",           "Chybny index vystupu [:o]",
    "Chybny index vstupu [:i]",      "Prilis mnoho vstupu v seznamu", "Prilis mnoho vystupu v seznamu",
    "Chybny index bloku v seznamu",  "Prilis dlouhe cislo v souboru", kMuxNeedsThreeInputs,
};

struct Run {
    std::vector<std::string> log;
    std::optional<std::string> clipboard;
    std::optional<std::string> error;
    Chromosome circuit;
};

using Runner = decltype(&runScript);

Run runOn(const std::string& path, std::string_view script, const Chromosome& circuit,
          const FunctionAssignment& assignment, char separator, Runner runner = &runScript) {
    fuzz::writeBytes(path, script);
    Run run;
    run.circuit = circuit;
    run.log = {"# a line of the run before", "1\t1"};
    try {
        run.clipboard = runner(path, run.circuit, assignment, "popis", run.log, separator);
    } catch (const Error& error) {
        run.error = error.what();
    }
    return run;
}

bool sameValues(const Chromosome& a, const Chromosome& b) {
    for (std::size_t i = 0; i < a.blocks.size(); ++i) {
        if (a.blocks[i].value != b.blocks[i].value) return false;
    }
    return true;
}

void checkResultLine(const std::string& line, char separator) {
    for (const char ch : line) {
        const bool allowed =
            (ch >= '0' && ch <= '9') || ch == '-' || ch == '\t' || ch == separator || ch == 'e' || ch == '+';
        FUZZ_CHECK(allowed, "result line " + printable(line));
    }
    FUZZ_CHECK(!line.empty(), "an empty result line");
}

// One past every line end: a CR with the LF that may follow it, or a lone LF.
std::vector<std::size_t> lineEndsOf(std::string_view script) {
    std::vector<std::size_t> ends;
    for (std::size_t at = 0; at < script.size(); ++at) {
        if (script[at] == '\r' && at + 1 < script.size() && script[at + 1] == '\n') ++at;
        if (script[at] == '\r' || script[at] == '\n') ends.push_back(at + 1);
    }
    return ends;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::InputReader input(data, size);
    const std::uint8_t flags = input.byte();
    const auto circuit = fuzz::placedCircuit(input.part(), kMaxEntries);
    if (!circuit) return 0;
    const std::string_view script = input.rest();

    const bool binary = (flags & 1) != 0;
    const char separator = (flags & 2) != 0 ? ',' : '.';
    static const FunctionAssignment kLowFunctions = makeAssignment(1);
    static const FunctionAssignment kHighFunctions = makeAssignment(20);
    const FunctionAssignment& assignment = (flags & 4) != 0 ? kHighFunctions : kLowFunctions;
    static const std::string kBinaryPath = fuzz::scratchFile("skript.csb");
    static const std::string kDecimalPath = fuzz::scratchFile("skript.csd");
    const std::string& path = binary ? kBinaryPath : kDecimalPath;

    const Run run = runOn(path, script, *circuit, assignment, separator);
    // The batched run gives what the reference run, one character and one evaluation at a time, gives.
    const Run plain = runOn(path, script, *circuit, assignment, separator, &runScriptPlain);
    FUZZ_CHECK(run.error == plain.error,
               "error " + run.error.value_or("none") + ", plainly " + plain.error.value_or("none"));
    FUZZ_CHECK(run.log == plain.log, "the log differs from the plain run's");
    FUZZ_CHECK(run.clipboard == plain.clipboard, "the clipboard text differs from the plain run's");
    FUZZ_CHECK(sameValues(run.circuit, plain.circuit), "the values differ from the plain run's");
    const std::string header = "# popis/" + fileNamePart(path) +
                               " Vstupů: " + std::to_string(circuit->inputCount) +
                               "  Výstupů: " + std::to_string(circuit->outputCount);
    FUZZ_CHECK(!run.log.empty() && run.log.front() == header, "the log does not begin with the header");
    FUZZ_CHECK(fuzz::sameShape(run.circuit, *circuit), "the script changed the circuit's shape");
    for (std::size_t i = 0; i < run.circuit.blocks.size(); ++i) {
        const Block& now = run.circuit.blocks[i];
        const Block& then = circuit->blocks[i];
        FUZZ_CHECK(now.x == then.x && now.y == then.y && now.visible == then.visible,
                   "entry " + std::to_string(i) + " was moved or hidden");
    }
    const std::vector<std::size_t> ends = lineEndsOf(script);
    FUZZ_CHECK(run.log.size() - 1 <= ends.size(), "more results than line ends");
    for (std::size_t i = 1; i < run.log.size(); ++i)
        checkResultLine(run.log[i], separator);

    if (!run.error) {
        std::string expected;
        for (std::size_t i = 1; i < run.log.size(); ++i)
            expected += run.log[i] + "\n";
        FUZZ_CHECK(run.clipboard == expected, "the clipboard text is not the result lines");
        return 0;
    }

    const std::string& message = *run.error;
    const bool known = std::find(kMessages.begin(), kMessages.end(), message) != kMessages.end() ||
                       fuzz::isConversionMessage(message);
    FUZZ_CHECK(known, message);

    // Results appear only at line ends, so the lines a failed run kept are those of the longest run
    // of whole lines that succeeds (a run of a prefix fails exactly when the error lies inside it).
    std::size_t good = 0;  // prefixes of this many lines succeed
    std::size_t bad = ends.size() + 1;
    while (bad - good > 1) {
        const std::size_t lines = (good + bad) / 2;
        const Run prefix = runOn(path, script.substr(0, ends[lines - 1]), *circuit, assignment, separator);
        (prefix.error ? bad : good) = lines;
    }
    const Run kept =
        runOn(path, script.substr(0, good == 0 ? 0 : ends[good - 1]), *circuit, assignment, separator);
    FUZZ_CHECK(!kept.error, "a run of whole lines before the error failed: " + *kept.error);
    FUZZ_CHECK(kept.log == run.log, "the failed run kept " + std::to_string(run.log.size()) + " lines, not " +
                                        std::to_string(kept.log.size()));
    return 0;
}
