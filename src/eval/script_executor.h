#pragma once

#include "eval/decimal_digits.h"
#include "eval/function_assignment.h"
#include "eval/script_evaluation.h"
#include "eval/script_lexer.h"
#include "eval/script_result_sink.h"
#include "model/chromosome.h"

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace pellisor {

// Carries out a test script on the circuit as its text comes: the format's state machine, character
// by character, sets the watched lists and assigns the inputs, and every line end that evaluates hands
// the vector to the evaluation. Fast, the lexer reads the common vector lines and the executor skips
// comments in one go; the state machine then reads only what the lexer leaves, so the lines, errors
// and final state are those of the plain run.
class ScriptExecutor {
public:
    ScriptExecutor(Chromosome& circuit, const FunctionAssignment& assignment, bool binary,
                   char decimalSeparator, ScriptResultSink& results, bool fast);

    // Reads the next piece of the script; the state carries over from one piece to the next. The text is
    // followed by at least kLexerReadAhead readable bytes. A script error raises an Error.
    void read(std::string_view text);
    // The end of the script, or of a run stopped by an error: the vectors still gathered are evaluated and
    // written.
    void finish() { evaluation_.finish(); }

private:
    enum class State { TopLevel, Comment, Target, Source, Value, List, ListNumber };

    // Defined inline where read() uses them: every character of a script goes through them.
    inline const char* readQuickly(const char* position, const char* end);
    inline bool step(char c);
    inline bool stepTopLevel(char c);
    inline bool stepTarget(char c);
    inline bool stepSource(char c);
    inline bool stepValue(char c);
    inline bool stepList(char c);
    inline bool stepListNumber(char c);
    inline void assign(ScriptSource kind, std::int32_t n);

    const char* readAssignments(const char* position, const char* end);
    void beginList(std::vector<std::int32_t>& list, std::size_t capacity, const char* overflowMessage);
    void store(std::int32_t number);
    std::int32_t sourceValue(ScriptSource kind, std::int32_t n);

    Chromosome& circuit_;
    const std::int32_t firstOutput_;
    const bool fast_;
    const std::size_t inputCapacity_;
    const std::size_t outputCapacity_;

    ScriptWatch watch_;
    std::vector<std::int32_t>* list_ = &watch_.inputs;  // the list being read
    std::size_t listCapacity_ = 0;
    const char* listOverflow_ = "";
    bool outputNumbering_ = true;
    bool pending_ = false;
    std::int32_t target_ = 0;
    ScriptSource sourceKind_ = ScriptSource::Literal;
    DigitRun number_;
    State state_ = State::TopLevel;

    ScriptEvaluation evaluation_;
};

}  // namespace pellisor
