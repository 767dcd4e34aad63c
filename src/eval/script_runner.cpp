#include "eval/script_runner.h"

#include "eval/script_executor.h"
#include "eval/script_reader.h"
#include "model/error.h"
#include "model/file_names.h"

#include <algorithm>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace pellisor {

namespace {

static_assert(kScriptReadAhead >= kLexerReadAhead, "the lexer reads past the pieces the reader gives");

constexpr const char* kNoCircuit = "Neni nacten zadny obvod";

// At most one result line per line end: a million lines then never move. The first piece tells how
// dense the line ends are; beyond some millions the log grows as it goes.
void reserveLines(ScriptResultSink& results, std::size_t fileSize, std::string_view piece) {
    constexpr std::size_t kMostReserved = std::size_t{1} << 24;
    if (piece.empty()) return;
    const auto lineEnds = static_cast<std::size_t>(std::count(piece.begin(), piece.end(), '\n'));
    const std::size_t expected =
        std::min(kMostReserved, lineEnds * std::max(fileSize, piece.size()) / piece.size() + 1);
    results.expectLines(expected);
}

// Reads the whole script into the executor. After an error the lines of the vectors read before it
// are written too, and the circuit is left as evaluating them leaves it; the first error stands,
// whatever a failed sink raises again.
void execute(ScriptReader& reader, ScriptExecutor& executor, ScriptResultSink& results) {
    try {
        bool first = true;
        while (const std::optional<std::string_view> piece = reader.next()) {
            if (first) reserveLines(results, reader.size(), *piece);
            first = false;
            executor.read(*piece);
        }
    } catch (...) {
        try {
            executor.finish();
        } catch (...) {
        }
        throw;
    }
    executor.finish();
}

void runScriptWith(const std::string& path, Chromosome& circuit, const FunctionAssignment& assignment,
                   const std::string& description, ScriptResultSink& results, char decimalSeparator,
                   bool fast) {
    if (!circuit.hasCircuit()) throw Error(kNoCircuit);
    // Counts that disagree with the array would let the default lists name entries it does not have.
    if (!circuit.hasConsistentCircuit()) throw Error(kBadChromosome);

    results.line("# " + description + "/" + fileNamePart(path) + " Vstupů: " +
                 std::to_string(circuit.inputCount) + "  Výstupů: " + std::to_string(circuit.outputCount));
    ScriptReader reader(path);
    ScriptExecutor executor(circuit, assignment, fileExtension(path) == ".csb", decimalSeparator, results,
                            fast);
    execute(reader, executor, results);
}

std::string runScriptIntoLog(const std::string& path, Chromosome& circuit,
                             const FunctionAssignment& assignment, const std::string& description,
                             std::vector<std::string>& log, char decimalSeparator, bool fast) {
    ScriptLogSink results(log);
    runScriptWith(path, circuit, assignment, description, results, decimalSeparator, fast);
    return results.takeClipboard();
}

}  // namespace

void runScriptInto(const std::string& path, Chromosome& circuit, const FunctionAssignment& assignment,
                   const std::string& description, ScriptResultSink& results, char decimalSeparator) {
    runScriptWith(path, circuit, assignment, description, results, decimalSeparator, true);
}

void runScriptPlainInto(const std::string& path, Chromosome& circuit, const FunctionAssignment& assignment,
                        const std::string& description, ScriptResultSink& results, char decimalSeparator) {
    runScriptWith(path, circuit, assignment, description, results, decimalSeparator, false);
}

std::string runScript(const std::string& path, Chromosome& circuit, const FunctionAssignment& assignment,
                      const std::string& description, std::vector<std::string>& log, char decimalSeparator) {
    return runScriptIntoLog(path, circuit, assignment, description, log, decimalSeparator, true);
}

std::string runScriptPlain(const std::string& path, Chromosome& circuit, const FunctionAssignment& assignment,
                           const std::string& description, std::vector<std::string>& log,
                           char decimalSeparator) {
    return runScriptIntoLog(path, circuit, assignment, description, log, decimalSeparator, false);
}

}  // namespace pellisor
