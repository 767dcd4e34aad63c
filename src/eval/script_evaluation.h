#pragma once

#include "eval/function_assignment.h"
#include "eval/result_printer.h"
#include "eval/script_batch.h"
#include "eval/script_result_line.h"
#include "eval/script_result_sink.h"
#include "model/chromosome.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace pellisor {

// What the result lines show: the watched entries (indices into blocks) in order, and the fraction
// flag. The format ends a list at its first negative entry; only valid indices are ever stored here,
// so a list's length ends it.
struct ScriptWatch {
    std::vector<std::int32_t> inputs;
    std::vector<std::int32_t> outputs;
    bool fraction = false;
};

// The vectors of a script run evaluated and written as result lines. Batched, vectors are gathered and
// evaluated many at a time where the circuit's values depend on its inputs alone; otherwise each is
// evaluated by the plain evaluator at its line end. The lines, the errors and the circuit's final
// state (every value as evaluating the last evaluated vector leaves it) are the same.
class ScriptEvaluation {
public:
    // `watch` is read at every line and may change between them, after watchChanging().
    ScriptEvaluation(Chromosome& circuit, const FunctionAssignment& assignment, const ScriptWatch& watch,
                     bool binary, char decimalSeparator, ScriptResultSink& results, bool batched);

    // A line end that evaluates: the vector with the inputs as they are now.
    void vector();
    // The watched lists or the fraction flag are about to change: the lines so far show those they
    // were read with.
    void watchChanging();
    // An output of the previous evaluation is about to be read: the circuit's outputs then hold it.
    void outputsRead();
    // The end of the run, or of a run stopped by an error: every vector gathered is evaluated and
    // written, and the circuit is left as evaluating the last one leaves it.
    void finish();

private:
    void flush();
    void followOutputs();
    std::vector<std::int32_t> watchedEntries() const;
    void pointColumns();
    void evaluateLastVector();
    void dropBatch();

    Chromosome& circuit_;
    const FunctionAssignment& assignment_;
    const ScriptWatch& watch_;
    ScriptResultSink& results_;
    const std::int32_t firstOutput_;

    ResultLineWriter writer_;   // lines of the plain evaluator
    ResultPrinter printer_;     // lines of batches
    bool watchStale_ = true;    // the batch is to learn the entries the lines show
    bool columnsStale_ = true;  // the plain lines' columns are to be set up
    std::optional<ScriptBatch> batch_;
    bool feedback_ = false;  // output sources were read: the batch evaluates every output
};

}  // namespace pellisor
