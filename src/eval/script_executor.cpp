#include "eval/script_executor.h"

#include "model/error.h"

#include <algorithm>
#include <cstring>

namespace pellisor {

namespace {

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

// LF is not among them: it ends a line.
bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\v' || c == '\f' || c == '\r';
}

// A grid-sized list keeps one place to end it; the default list of all outputs must always fit, so a
// circuit with at least as many outputs as blocks gets room for exactly its outputs.
std::size_t outputCapacityOf(const Chromosome& circuit) {
    const std::int64_t gridPlaces = std::int64_t{circuit.columns} * circuit.rows - 1;
    return static_cast<std::size_t>(std::max<std::int64_t>(gridPlaces, circuit.outputCount));
}

}  // namespace

ScriptExecutor::ScriptExecutor(Chromosome& circuit, const FunctionAssignment& assignment, bool binary,
                               char decimalSeparator, ScriptResultSink& results, bool fast)
    : circuit_(circuit),
      firstOutput_(circuit.firstOutput()),
      fast_(fast),
      inputCapacity_(static_cast<std::size_t>(circuit.inputCount)),
      outputCapacity_(outputCapacityOf(circuit)),
      evaluation_(circuit, assignment, watch_, binary, decimalSeparator, results, fast) {
    for (std::int32_t i = 0; i < circuit.inputCount; ++i)
        watch_.inputs.push_back(i);
    for (std::int32_t k = 0; k < circuit.outputCount; ++k)
        watch_.outputs.push_back(firstOutput_ + k);
}

void ScriptExecutor::read(std::string_view text) {
    const char* position = text.data();
    const char* const end = position + text.size();
    while (position < end) {
        const char* next = readQuickly(position, end);
        if (next != position) {
            position = next;
            continue;
        }
        // A state that pushes the character back leaves it for the next state to read.
        if (step(*position)) ++position;
    }
}

// What needs no state machine: line ends and blanks at the top level and, when fast, vector lines
// through the lexer and comments up to their line end. Returns where reading goes on, or `position`
// when the state machine is to read the character there.
inline const char* ScriptExecutor::readQuickly(const char* position, const char* end) {
    if (state_ == State::TopLevel) {
        const char c = *position;
        if (c == '\n') {
            if (pending_) evaluation_.vector();
            return position + 1;
        }
        if (isBlank(c)) return position + 1;
        if (fast_ && isDecimalDigit(c)) return readAssignments(position, end);
    } else if (fast_ && state_ == State::Comment) {
        const void* lineEnd = std::memchr(position, '\n', static_cast<std::size_t>(end - position));
        if (lineEnd == nullptr) return end;
        state_ = State::TopLevel;
        return static_cast<const char*>(lineEnd) + 1;
    }
    return position;
}

// The assignments of a vector line from `position` on, as many as the lexer takes.
const char* ScriptExecutor::readAssignments(const char* position, const char* end) {
    const char* next = scanVectorLine(position, end, circuit_.blocks.data(), circuit_.inputCount, pending_);
    if (next != position) return next;
    const ScannedAssignment assignment = scanAssignment(position, end);
    if (assignment.next == nullptr) return position;
    target_ = assignment.target;
    assign(assignment.source, assignment.number);
    return assignment.next;
}

// One character through the state machine; false when it is pushed back for the next state to read.
inline bool ScriptExecutor::step(char c) {
    switch (state_) {
        case State::TopLevel:
            return stepTopLevel(c);
        case State::Comment:
            if (c == '\n') state_ = State::TopLevel;
            return true;
        case State::Target:
            return stepTarget(c);
        case State::Source:
            return stepSource(c);
        case State::Value:
            return stepValue(c);
        case State::List:
            return stepList(c);
        case State::ListNumber:
            return stepListNumber(c);
    }
    return true;
}

inline bool ScriptExecutor::stepTopLevel(char c) {
    if (c == '#') {
        state_ = State::Comment;
    } else if (c == '\n') {
        if (pending_) evaluation_.vector();
    } else if (c == 'o') {
        evaluation_.watchChanging();
        watch_.fraction = false;
        outputNumbering_ = true;
        beginList(watch_.outputs, outputCapacity_, kTooManyOutputs);
    } else if (c == 'i') {
        evaluation_.watchChanging();
        outputNumbering_ = false;
        beginList(watch_.inputs, inputCapacity_, kTooManyInputs);
    } else if (isDecimalDigit(c)) {
        number_.start(c);
        state_ = State::Target;
    } else if (!isBlank(c)) {
        throw Error(kBadCharTopLevel);
    }
    return true;
}

// The digits of t in "t:v", up to the colon.
inline bool ScriptExecutor::stepTarget(char c) {
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
}

// The first character of v: a digit of a literal, or "o" or "i" before the number of an output or input.
inline bool ScriptExecutor::stepSource(char c) {
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
}

// The digits of v; the character after them ends the assignment.
inline bool ScriptExecutor::stepValue(char c) {
    if (isDecimalDigit(c)) {
        number_.append(c);
        return true;
    }
    assign(sourceKind_, number_.empty() ? 0 : number_.value());
    state_ = State::TopLevel;
    return false;
}

inline bool ScriptExecutor::stepList(char c) {
    if (isDecimalDigit(c)) {
        number_.start(c);
        state_ = State::ListNumber;
    } else if (c == 'b') {
        outputNumbering_ = false;
    } else if (c == '\n') {
        state_ = State::TopLevel;
    } else if (c == 'f') {
        watch_.fraction = true;
    } else if (!isBlank(c)) {
        throw Error(kBadCharList);
    }
    return true;
}

inline bool ScriptExecutor::stepListNumber(char c) {
    if (isDecimalDigit(c)) {
        number_.append(c);
        return true;
    }
    store(number_.value());
    state_ = State::List;
    return false;
}

void ScriptExecutor::beginList(std::vector<std::int32_t>& list, std::size_t capacity,
                               const char* overflowMessage) {
    list.clear();
    list_ = &list;
    listCapacity_ = capacity;
    listOverflow_ = overflowMessage;
    number_.clear();
    state_ = State::List;
}

void ScriptExecutor::store(std::int32_t number) {
    if (list_->size() >= listCapacity_) throw Error(listOverflow_);
    const std::int64_t index = outputNumbering_ ? std::int64_t{number} + firstOutput_ : number;
    if (index < 0 || index >= circuit_.blockTotal()) throw Error(kBadListEntry);
    list_->push_back(static_cast<std::int32_t>(index));
}

inline void ScriptExecutor::assign(ScriptSource kind, std::int32_t n) {
    if (target_ < 0 || target_ >= circuit_.inputCount) throw Error(kBadTarget);
    if (kind != ScriptSource::Literal) n = sourceValue(kind, n);
    circuit_.blocks[static_cast<std::size_t>(target_)].value = n;
    pending_ = true;
}

std::int32_t ScriptExecutor::sourceValue(ScriptSource kind, std::int32_t n) {
    if (kind == ScriptSource::Output) {
        if (n < 0 || n >= circuit_.outputCount) throw Error(kBadOutputSource);
        evaluation_.outputsRead();
        return circuit_.blocks[static_cast<std::size_t>(firstOutput_ + n)].value;
    }
    if (n < 0 || n >= circuit_.inputCount) throw Error(kBadInputSource);
    return circuit_.blocks[static_cast<std::size_t>(n)].value;
}

}  // namespace pellisor
