#include "eval/script_evaluation.h"

#include "eval/evaluator.h"

#include <algorithm>

namespace pellisor {

ScriptEvaluation::ScriptEvaluation(Chromosome& circuit, const FunctionAssignment& assignment,
                                   const ScriptWatch& watch, bool binary, char decimalSeparator,
                                   ScriptResultSink& results, bool batched)
    : circuit_(circuit),
      assignment_(assignment),
      watch_(watch),
      results_(results),
      firstOutput_(circuit.firstOutput()),
      writer_(binary, decimalSeparator),
      printer_(binary, decimalSeparator, results) {
    if (batched) batch_ = ScriptBatch::create(circuit, assignment);
}

void ScriptEvaluation::vector() {
    if (batch_ && watchStale_ && !batch_->watch(watchedEntries())) dropBatch();
    if (batch_) {
        watchStale_ = false;
        batch_->add(circuit_);
        if (batch_->full()) flush();
        return;
    }
    evaluate(circuit_, assignment_);
    if (columnsStale_) {
        pointColumns();
        columnsStale_ = false;
    }
    results_.line(writer_.line(0, watch_.fraction));
}

void ScriptEvaluation::watchChanging() {
    flush();
    watchStale_ = true;
    columnsStale_ = true;
}

// From the first output source on, the batch also evaluates every output, and each flush leaves
// those of its last vector in the circuit, where output sources read them. Until then the circuit
// is brought up to date once.
void ScriptEvaluation::outputsRead() {
    if (batch_) followOutputs();
}

void ScriptEvaluation::followOutputs() {
    flush();
    if (feedback_) return;
    evaluateLastVector();
    feedback_ = true;
    watchStale_ = true;
}

// Every entry a line may show, and with output sources all outputs.
std::vector<std::int32_t> ScriptEvaluation::watchedEntries() const {
    std::vector<std::int32_t> entries = watch_.inputs;
    entries.insert(entries.end(), watch_.outputs.begin(), watch_.outputs.end());
    if (feedback_) {
        for (std::int32_t k = 0; k < circuit_.outputCount; ++k)
            entries.push_back(firstOutput_ + k);
    }
    return entries;
}

// The plain lines read the watched values where the circuit holds them.
void ScriptEvaluation::pointColumns() {
    const auto valueOf = [this](std::int32_t entry) {
        return &circuit_.blocks[static_cast<std::size_t>(entry)].value;
    };
    writer_.inputColumns().clear();
    for (const std::int32_t entry : watch_.inputs)
        writer_.inputColumns().push_back(valueOf(entry));
    writer_.outputColumns().clear();
    for (const std::int32_t entry : watch_.outputs)
        writer_.outputColumns().push_back(valueOf(entry));
    writer_.columnsChanged();
}

// Evaluates the gathered vectors and hands their values to the printer; with output sources the
// circuit's outputs then hold those of the last vector, as after evaluating it alone.
void ScriptEvaluation::flush() {
    if (!batch_ || batch_->size() == 0) return;
    batch_->evaluate();
    const std::size_t count = batch_->size();
    ResultBatch& result = printer_.batch();
    result.stride = batch_->capacity();
    result.inputColumns = watch_.inputs.size();
    result.outputColumns = watch_.outputs.size();
    result.lines = count;
    result.fraction = watch_.fraction;
    result.values.resize((result.inputColumns + result.outputColumns) * result.stride);
    std::int32_t* column = result.values.data();
    for (const std::vector<std::int32_t>* list : {&watch_.inputs, &watch_.outputs}) {
        for (const std::int32_t entry : *list) {
            std::copy_n(batch_->lanes(entry), count, column);
            column += result.stride;
        }
    }
    // Full batches are printed meanwhile; the few vectors between output sources are not worth
    // a second thread.
    printer_.print(count == batch_->capacity());
    if (feedback_) {
        for (std::int32_t k = 0; k < circuit_.outputCount; ++k) {
            circuit_.blocks[static_cast<std::size_t>(firstOutput_ + k)].value =
                batch_->lanes(firstOutput_ + k)[count - 1];
        }
    }
    batch_->clear();
}

void ScriptEvaluation::finish() {
    if (!batch_) return;
    flush();
    printer_.finish();
    evaluateLastVector();
}

// Leaves every value as the plain evaluator leaves it after the last vector evaluated, with the
// inputs as assigned since.
void ScriptEvaluation::evaluateLastVector() {
    if (!batch_->evaluatedAny()) return;
    const std::vector<std::int32_t>& last = batch_->lastEvaluatedInputs();
    std::vector<std::int32_t> current(last.size());
    for (std::size_t k = 0; k < last.size(); ++k) {
        current[k] = circuit_.blocks[k].value;
        circuit_.blocks[k].value = last[k];
    }
    evaluate(circuit_, assignment_);
    for (std::size_t k = 0; k < last.size(); ++k)
        circuit_.blocks[k].value = current[k];
}

// The rest of the run evaluates vector by vector.
void ScriptEvaluation::dropBatch() {
    finish();
    batch_.reset();
    feedback_ = false;
}

}  // namespace pellisor
