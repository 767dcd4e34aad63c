#include "eval/script_runner.h"

#include "eval/decimal_digits.h"
#include "eval/evaluator.h"
#include "eval/result_printer.h"
#include "eval/script_batch.h"
#include "eval/script_lexer.h"
#include "eval/script_reader.h"
#include "eval/script_result_line.h"
#include "model/error.h"
#include "model/file_names.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pellisor {

namespace {

static_assert(kScriptReadAhead >= kLexerReadAhead, "the lexer reads past the pieces the reader gives");

constexpr const char* kBadCharTopLevel = "Chybny znak v souboru #01";
constexpr const char* kBadCharTarget = "Chybny znak v souboru #02";
constexpr const char* kBadCharList = "Chybny znak v souboru #03";
constexpr const char* kBadCharSource = "Chybny znak v souboru [num:?]";
constexpr const char* kBadTarget = "Chybny index vstupu";
constexpr const char* kBadOutputSource = "Chybny index vystupu [:o]";
constexpr const char* kBadInputSource = "Chybny index vstupu [:i]";
constexpr const char* kTooManyInputs = "Prilis mnoho vstupu v seznamu";
constexpr const char* kTooManyOutputs = "Prilis mnoho vystupu v seznamu";
constexpr const char* kBadListEntry = "Chybny index bloku v seznamu";
constexpr const char* kNoCircuit = "Neni nacten zadny obvod";

// LF is not among them: it ends a line.
bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\v' || c == '\f' || c == '\r';
}

// A watched list. Its length ends it, where the format ends a list at its first negative entry: only
// validated block indices are ever stored, so the two agree.
struct WatchedList {
    std::vector<std::int32_t> entries;
    std::size_t capacity = 0;
    const char* overflowMessage = "";
};

class ScriptRun {
public:
    ScriptRun(Chromosome& circuit, const FunctionAssignment& assignment, bool binary, char decimalSeparator,
              ScriptResultSink& results)
        : circuit_(circuit),
          assignment_(assignment),
          results_(results),
          firstOutput_(circuit.firstOutput()),
          writer_(binary, decimalSeparator),
          printer_(binary, decimalSeparator, results) {
        inputs_.capacity = static_cast<std::size_t>(circuit.inputCount);
        inputs_.overflowMessage = kTooManyInputs;
        for (std::int32_t i = 0; i < circuit.inputCount; ++i)
            inputs_.entries.push_back(i);

        // A grid-sized list keeps one place to end it; the default list of all outputs must always fit,
        // so a circuit with at least as many outputs as blocks gets room for exactly its outputs.
        const std::int64_t gridPlaces = std::int64_t{circuit.columns} * circuit.rows - 1;
        outputs_.capacity = static_cast<std::size_t>(std::max<std::int64_t>(gridPlaces, circuit.outputCount));
        outputs_.overflowMessage = kTooManyOutputs;
        for (std::int32_t k = 0; k < circuit.outputCount; ++k)
            outputs_.entries.push_back(firstOutput_ + k);
    }

    // Runs the whole script. `fast` reads the common assignments in one go and gathers vectors to
    // evaluate many at a time where the circuit allows it; without it every character goes through the
    // state machine and every vector through the plain evaluator at its line end. The log, the error
    // and the circuit's final state are the same.
    void run(ScriptReader& file, bool fast) {
        quick_ = fast;
        if (fast) batch_ = ScriptBatch::create(circuit_, assignment_);
        try {
            bool first = true;
            while (const std::optional<std::string_view> piece = file.next()) {
                if (first) reserveLog(file.size(), *piece);
                first = false;
                parse(*piece);
            }
        } catch (...) {
            // The lines of the vectors read so far, and the circuit as evaluating each would leave it;
            // the first error stands, whatever a failed sink raises again.
            try {
                endBatch();
            } catch (...) {
            }
            throw;
        }
        endBatch();
    }

private:
    enum class State { TopLevel, Comment, Target, Source, Value, List, ListNumber };

    // At most one result line per line end: a million lines then never move. The first piece tells
    // how dense the line ends are; beyond some millions the log grows as it goes.
    void reserveLog(std::size_t fileSize, std::string_view piece) {
        constexpr std::size_t kMostReserved = std::size_t{1} << 24;
        if (piece.empty()) return;
        const auto lineEnds = static_cast<std::size_t>(std::count(piece.begin(), piece.end(), '\n'));
        const std::size_t expected =
            std::min(kMostReserved, lineEnds * std::max(fileSize, piece.size()) / piece.size() + 1);
        results_.expectLines(expected);
    }

    // `text` is followed by at least kScriptReadAhead readable bytes.
    void parse(std::string_view text) {
        const char* position = text.data();
        const char* const end = position + text.size();
        while (position < end) {
            if (state_ == State::TopLevel) {
                const char c = *position;
                if (c == '\n') {
                    if (pending_) endVector();
                    ++position;
                    continue;
                }
                if (isBlank(c)) {
                    ++position;
                    continue;
                }
                if (quick_ && isDecimalDigit(c)) {
                    const char* next =
                        scanVectorLine(position, end, circuit_.blocks.data(), circuit_.inputCount, pending_);
                    if (next == position) {
                        const ScannedAssignment assignment = scanAssignment(position, end);
                        if (assignment.next != nullptr) {
                            target_ = assignment.target;
                            assign(assignment.source, assignment.number);
                        }
                        next = assignment.next;
                    }
                    if (next != nullptr) {
                        position = next;
                        continue;
                    }
                }
            } else if (quick_ && state_ == State::Comment) {
                const void* lineEnd = std::memchr(position, '\n', static_cast<std::size_t>(end - position));
                if (lineEnd == nullptr) return;
                position = static_cast<const char*>(lineEnd) + 1;
                state_ = State::TopLevel;
                continue;
            }
            // A state that pushes the character back leaves it for the next state to read.
            if (step(*position)) ++position;
        }
    }

    // Returns false when the character is pushed back.
    bool step(char c) {
        switch (state_) {
            case State::TopLevel:
                if (c == '#') {
                    state_ = State::Comment;
                } else if (c == '\n') {
                    if (pending_) endVector();
                } else if (c == 'o') {
                    flush();  // the lines so far show the lists and flags they were read with
                    fraction_ = false;
                    outputNumbering_ = true;
                    beginList(outputs_);
                } else if (c == 'i') {
                    flush();
                    outputNumbering_ = false;
                    beginList(inputs_);
                } else if (isDecimalDigit(c)) {
                    number_.start(c);
                    state_ = State::Target;
                } else if (!isBlank(c)) {
                    throw Error(kBadCharTopLevel);
                }
                return true;
            case State::Comment:
                if (c == '\n') state_ = State::TopLevel;
                return true;
            case State::Target:
                if (isDecimalDigit(c)) {
                    number_.append(c);
                } else if (c == ':') {
                    target_ = number_.value();
                    number_.clear();
                    state_ = State::Source;
                } else {
                    throw Error(kBadCharTarget);
                }
                return true;
            case State::Source:
                if (isDecimalDigit(c)) {
                    number_.append(c);
                    sourceKind_ = ScriptSource::Literal;
                } else if (c == 'o') {
                    sourceKind_ = ScriptSource::Output;
                } else if (c == 'i') {
                    sourceKind_ = ScriptSource::Input;
                } else {
                    throw Error(kBadCharSource);
                }
                state_ = State::Value;
                return true;
            case State::Value:
                if (isDecimalDigit(c)) {
                    number_.append(c);
                    return true;
                }
                assign(sourceKind_, number_.empty() ? 0 : number_.value());
                state_ = State::TopLevel;
                return false;
            case State::List:
                if (isDecimalDigit(c)) {
                    number_.start(c);
                    state_ = State::ListNumber;
                } else if (c == 'b') {
                    outputNumbering_ = false;
                } else if (c == '\n') {
                    state_ = State::TopLevel;
                } else if (c == 'f') {
                    fraction_ = true;
                } else if (!isBlank(c)) {
                    throw Error(kBadCharList);
                }
                return true;
            case State::ListNumber:
                if (isDecimalDigit(c)) {
                    number_.append(c);
                    return true;
                }
                store(number_.value());
                state_ = State::List;
                return false;
        }
        return true;
    }

    void beginList(WatchedList& list) {
        list.entries.clear();
        list_ = &list;
        number_.clear();
        state_ = State::List;
        watchStale_ = true;
        columnsStale_ = true;
    }

    void store(std::int32_t number) {
        if (list_->entries.size() >= list_->capacity) throw Error(list_->overflowMessage);
        const std::int64_t index = outputNumbering_ ? std::int64_t{number} + firstOutput_ : number;
        if (index < 0 || index >= circuit_.blockTotal()) throw Error(kBadListEntry);
        list_->entries.push_back(static_cast<std::int32_t>(index));
    }

    void assign(ScriptSource kind, std::int32_t n) {
        if (target_ < 0 || target_ >= circuit_.inputCount) throw Error(kBadTarget);
        if (kind != ScriptSource::Literal) n = sourceValue(kind, n);
        circuit_.blocks[static_cast<std::size_t>(target_)].value = n;
        pending_ = true;
    }

    std::int32_t sourceValue(ScriptSource kind, std::int32_t n) {
        if (kind == ScriptSource::Output) {
            if (n < 0 || n >= circuit_.outputCount) throw Error(kBadOutputSource);
            if (batch_) followOutputs();
            return valueAt(firstOutput_ + n);
        }
        if (n < 0 || n >= circuit_.inputCount) throw Error(kBadInputSource);
        return valueAt(n);
    }

    std::int32_t valueAt(std::int32_t index) const {
        return circuit_.blocks[static_cast<std::size_t>(index)].value;
    }

    // A line end that evaluates: the vector joins the batch, or is evaluated and written at once.
    void endVector() {
        if (batch_ && watchStale_ && !batch_->watch(watchedEntries())) dropBatch();
        if (batch_) {
            watchStale_ = false;
            batch_->add(circuit_);
            if (batch_->full()) flush();
            return;
        }
        evaluate(circuit_, assignment_);
        if (columnsStale_) {
            pointColumns([this](std::int32_t entry) {
                return &circuit_.blocks[static_cast<std::size_t>(entry)].value;
            });
            columnsStale_ = false;
        }
        results_.line(writer_.line(0, fraction_));
    }

    // From the first output source on, the batch also evaluates every output, and each flush leaves
    // those of its last vector in the circuit, where output sources read them. Until then the circuit
    // is brought up to date once.
    void followOutputs() {
        flush();
        if (feedback_) return;
        evaluateLastVector();
        feedback_ = true;
        watchStale_ = true;
    }

    // Every entry a line may show, and with output sources all outputs.
    std::vector<std::int32_t> watchedEntries() const {
        std::vector<std::int32_t> entries = inputs_.entries;
        entries.insert(entries.end(), outputs_.entries.begin(), outputs_.entries.end());
        if (feedback_) {
            for (std::int32_t k = 0; k < circuit_.outputCount; ++k)
                entries.push_back(firstOutput_ + k);
        }
        return entries;
    }

    template <typename ColumnOf>
    void pointColumns(ColumnOf columnOf) {
        writer_.inputColumns().clear();
        for (const std::int32_t entry : inputs_.entries)
            writer_.inputColumns().push_back(columnOf(entry));
        writer_.outputColumns().clear();
        for (const std::int32_t entry : outputs_.entries)
            writer_.outputColumns().push_back(columnOf(entry));
        writer_.columnsChanged();
    }

    // Evaluates the gathered vectors and hands their values to the printer; with output sources the
    // circuit's outputs then hold those of the last vector, as after evaluating it alone.
    void flush() {
        if (!batch_ || batch_->size() == 0) return;
        batch_->evaluate();
        const std::size_t count = batch_->size();
        ResultBatch& result = printer_.batch();
        result.stride = batch_->capacity();
        result.inputColumns = inputs_.entries.size();
        result.outputColumns = outputs_.entries.size();
        result.lines = count;
        result.fraction = fraction_;
        result.values.resize((result.inputColumns + result.outputColumns) * result.stride);
        std::int32_t* column = result.values.data();
        for (const WatchedList* list : {&inputs_, &outputs_}) {
            for (const std::int32_t entry : list->entries) {
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

    void endBatch() {
        if (!batch_) return;
        flush();
        printer_.finish();
        evaluateLastVector();
    }

    // Leaves every value as the plain evaluator leaves it after the last vector evaluated, with the
    // inputs as assigned since.
    void evaluateLastVector() {
        if (batch_->evaluatedAny()) {
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
    }

    // The rest of the run evaluates vector by vector.
    void dropBatch() {
        endBatch();
        batch_.reset();
        feedback_ = false;
    }

    Chromosome& circuit_;
    const FunctionAssignment& assignment_;
    ScriptResultSink& results_;
    const std::int32_t firstOutput_;

    WatchedList inputs_;
    WatchedList outputs_;
    WatchedList* list_ = &inputs_;
    bool fraction_ = false;
    bool outputNumbering_ = true;
    bool pending_ = false;
    std::int32_t target_ = 0;
    ScriptSource sourceKind_ = ScriptSource::Literal;
    DigitRun number_;
    State state_ = State::TopLevel;

    bool quick_ = false;
    ResultLineWriter writer_;   // lines of the plain evaluator
    ResultPrinter printer_;     // lines of batches
    bool watchStale_ = true;    // the batch is to learn the entries the lines show
    bool columnsStale_ = true;  // the plain lines' columns are to be set up
    std::optional<ScriptBatch> batch_;
    bool feedback_ = false;
};

void runScriptWith(const std::string& path, Chromosome& circuit, const FunctionAssignment& assignment,
                   const std::string& description, ScriptResultSink& results, char decimalSeparator,
                   bool fast) {
    if (!circuit.hasCircuit()) throw Error(kNoCircuit);
    // Counts that disagree with the array would let the default lists name entries it does not have.
    if (!circuit.hasConsistentCircuit()) throw Error(kBadChromosome);

    ScriptRun run(circuit, assignment, fileExtension(path) == ".csb", decimalSeparator, results);
    results.line("# " + description + "/" + fileNamePart(path) + " Vstupů: " +
                 std::to_string(circuit.inputCount) + "  Výstupů: " + std::to_string(circuit.outputCount));

    ScriptReader file(path);
    run.run(file, fast);
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
