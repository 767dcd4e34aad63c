#include "eval/script_runner.h"

#include "eval/evaluator.h"
#include "model/error.h"
#include "model/file_io.h"
#include "model/file_names.h"

#include <algorithm>
#include <charconv>
#include <clocale>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

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
constexpr const char* kNumberTooLong = "Prilis dlouhe cislo v souboru";
constexpr const char* kNoCircuit = "Neni nacten zadny obvod";

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}
// LF is not among them: it ends a line.
bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\v' || c == '\f' || c == '\r';
}

// The digits read so far; converted only where the format uses the number, so that a bad character
// is reported before an overlong number.
class DigitRun {
public:
    void clear() {
        value_ = 0;
        empty_ = true;
    }
    void start(char digit) {
        clear();
        append(digit);
    }
    void append(char digit) {
        // Once past the 32-bit range the run stays there; stopping keeps the int64 from overflowing.
        if (value_ <= kMax) value_ = value_ * 10 + (digit - '0');
        empty_ = false;
    }
    bool empty() const { return empty_; }
    std::int32_t value() const {
        if (value_ > kMax) throw Error(kNumberTooLong);
        return static_cast<std::int32_t>(value_);
    }

private:
    static constexpr std::int64_t kMax = std::numeric_limits<std::int32_t>::max();
    std::int64_t value_ = 0;
    bool empty_ = true;
};

// A watched list. Its length ends it, where the format ends a list at its first negative entry: only
// validated block indices are ever stored, so the two agree.
struct WatchedList {
    std::vector<std::int32_t> entries;
    std::size_t capacity = 0;
    const char* overflowMessage = "";
};

// Σ 2^p over the positions p that are set. Up to 64 positions fit in one word; longer lists (rare,
// but the format allows them) use a multi-word number so that no shift overflows.
class PositionSum {
public:
    void reset(std::size_t length) {
        word_ = 0;
        wide_ = length > 64;
        if (wide_) limbs_.assign((length + 31) / 32, 0);
    }
    void set(std::size_t position) {
        if (wide_) {
            limbs_[position / 32] |= std::uint32_t{1} << (position % 32);
        } else {
            word_ |= std::uint64_t{1} << position;
        }
    }
    void appendDecimal(std::string& out) {
        if (!wide_) {
            appendNumber(out, word_);
            return;
        }
        // Repeated division by 10^9 yields nine decimal digits per step, least significant first.
        scratch_ = limbs_;
        chunks_.clear();
        std::size_t top = scratch_.size();
        while (top > 0 && scratch_[top - 1] == 0)
            --top;
        while (top > 0) {
            std::uint64_t remainder = 0;
            for (std::size_t i = top; i-- > 0;) {
                const std::uint64_t current = (remainder << 32) | scratch_[i];
                scratch_[i] = static_cast<std::uint32_t>(current / 1000000000u);
                remainder = current % 1000000000u;
            }
            chunks_.push_back(static_cast<std::uint32_t>(remainder));
            while (top > 0 && scratch_[top - 1] == 0)
                --top;
        }
        if (chunks_.empty()) {
            out += '0';
            return;
        }
        appendNumber(out, chunks_.back());
        for (std::size_t i = chunks_.size() - 1; i-- > 0;) {
            char digits[9];
            std::uint32_t chunk = chunks_[i];
            for (int d = 8; d >= 0; --d) {
                digits[d] = static_cast<char>('0' + chunk % 10);
                chunk /= 10;
            }
            out.append(digits, sizeof digits);
        }
    }
    // Exact for every one-word sum: long double carries 64 significant bits.
    long double value() const {
        if (!wide_) return static_cast<long double>(word_);
        long double total = 0;
        for (std::size_t i = limbs_.size(); i-- > 0;)
            total = total * 4294967296.0L + limbs_[i];
        return total;
    }

    template <typename Number>
    static void appendNumber(std::string& out, Number number) {
        if (number >= 0 && number < 10) {  // the common case of binary vectors
            out += static_cast<char>('0' + number);
            return;
        }
        char digits[24];
        const auto result = std::to_chars(digits, digits + sizeof digits, number);
        out.append(digits, result.ptr);
    }

private:
    bool wide_ = false;
    std::uint64_t word_ = 0;
    std::vector<std::uint32_t> limbs_;
    std::vector<std::uint32_t> scratch_;
    std::vector<std::uint32_t> chunks_;
};

void appendFixedPoint(std::string& out, long double sum, char decimalSeparator) {
    long double x = sum / 128;
    if (x > 1) x -= 2;
    // to_chars is the "%.15g" of the C locale whatever the current locale; the separator goes in after.
    char text[64];
    const auto result = std::to_chars(text, text + sizeof text, x, std::chars_format::general, 15);
    for (char* c = text; c != result.ptr; ++c) {
        if (*c == '.') *c = decimalSeparator;
    }
    out.append(text, result.ptr);
}

class ScriptRun {
public:
    ScriptRun(Chromosome& circuit, const FunctionAssignment& assignment, bool binary, char decimalSeparator,
              std::vector<std::string>& log)
        : circuit_(circuit),
          assignment_(assignment),
          binary_(binary),
          separator_(decimalSeparator),
          log_(log),
          firstOutput_(circuit.firstOutput()) {
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

        line_.reserve(256);
    }

    void run(std::string_view text) {
        std::size_t position = 0;
        while (position < text.size()) {
            // A state that pushes the character back leaves it for the next state to read.
            if (step(text[position])) ++position;
        }
    }

private:
    enum class State { TopLevel, Comment, Target, Source, Value, List, ListNumber };
    enum class SourceKind { Literal, Output, Input };

    // Returns false when the character is pushed back.
    bool step(char c) {
        switch (state_) {
            case State::TopLevel:
                if (c == '#') {
                    state_ = State::Comment;
                } else if (c == '\n') {
                    if (pending_) writeResult();
                } else if (c == 'o') {
                    fraction_ = false;
                    outputNumbering_ = true;
                    beginList(outputs_);
                } else if (c == 'i') {
                    outputNumbering_ = false;
                    beginList(inputs_);
                } else if (isDigit(c)) {
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
                if (isDigit(c)) {
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
                if (isDigit(c)) {
                    number_.append(c);
                    sourceKind_ = SourceKind::Literal;
                } else if (c == 'o') {
                    sourceKind_ = SourceKind::Output;
                } else if (c == 'i') {
                    sourceKind_ = SourceKind::Input;
                } else {
                    throw Error(kBadCharSource);
                }
                state_ = State::Value;
                return true;
            case State::Value:
                if (isDigit(c)) {
                    number_.append(c);
                    return true;
                }
                assign();
                state_ = State::TopLevel;
                return false;
            case State::List:
                if (isDigit(c)) {
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
                if (isDigit(c)) {
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
    }

    void store(std::int32_t number) {
        if (list_->entries.size() >= list_->capacity) throw Error(list_->overflowMessage);
        const std::int64_t index = outputNumbering_ ? std::int64_t{number} + firstOutput_ : number;
        if (index < 0 || index >= circuit_.blockTotal()) throw Error(kBadListEntry);
        list_->entries.push_back(static_cast<std::int32_t>(index));
    }

    void assign() {
        std::int32_t n = number_.empty() ? 0 : number_.value();
        if (target_ < 0 || target_ >= circuit_.inputCount) throw Error(kBadTarget);
        if (sourceKind_ == SourceKind::Output) {
            if (n < 0 || n >= circuit_.outputCount) throw Error(kBadOutputSource);
            n = valueAt(firstOutput_ + n);
        } else if (sourceKind_ == SourceKind::Input) {
            if (n < 0 || n >= circuit_.inputCount) throw Error(kBadInputSource);
            n = valueAt(n);
        }
        circuit_.blocks[static_cast<std::size_t>(target_)].value = n;
        pending_ = true;
    }

    std::int32_t valueAt(std::int32_t index) const {
        return circuit_.blocks[static_cast<std::size_t>(index)].value;
    }

    void writeResult() {
        evaluate(circuit_, assignment_);
        line_.clear();
        if (binary_) {
            appendBinarySide(inputs_.entries, !inputs_.entries.empty());
            line_ += '\t';
            appendBinarySide(outputs_.entries, true);
        } else {
            bool first = true;
            for (const std::int32_t index : inputs_.entries) {
                if (!first) line_ += '\t';
                first = false;
                PositionSum::appendNumber(line_, valueAt(index));
            }
            line_ += '\t';
            for (const std::int32_t index : outputs_.entries) {
                line_ += '\t';
                PositionSum::appendNumber(line_, valueAt(index));
            }
        }
        log_.push_back(line_);
    }

    // The digit string of one side, then its sum and, with the fraction flag, its fixed-point form.
    void appendBinarySide(const std::vector<std::int32_t>& entries, bool withSum) {
        sum_.reset(entries.size());
        for (std::size_t p = 0; p < entries.size(); ++p) {
            const std::int32_t value = valueAt(entries[p]);
            PositionSum::appendNumber(line_, value);
            if (value > 0) sum_.set(p);
        }
        if (withSum) {
            line_ += '\t';
            sum_.appendDecimal(line_);
        }
        if (fraction_) {
            line_ += '\t';
            appendFixedPoint(line_, sum_.value(), separator_);
        }
    }

    Chromosome& circuit_;
    const FunctionAssignment& assignment_;
    const bool binary_;
    const char separator_;
    std::vector<std::string>& log_;
    const std::int32_t firstOutput_;

    WatchedList inputs_;
    WatchedList outputs_;
    WatchedList* list_ = &inputs_;
    bool fraction_ = false;
    bool outputNumbering_ = true;
    bool pending_ = false;
    std::int32_t target_ = 0;
    SourceKind sourceKind_ = SourceKind::Literal;
    DigitRun number_;
    State state_ = State::TopLevel;

    std::string line_;
    PositionSum sum_;
};

std::string clipboardText(const std::vector<std::string>& log) {
    const auto copied = [](const std::string& line) { return !line.empty() && line[0] != '#'; };
    std::size_t size = 0;
    for (const std::string& line : log) {
        if (copied(line)) size += line.size() + 1;
    }
    std::string text;
    text.reserve(size);
    for (const std::string& line : log) {
        if (!copied(line)) continue;
        text += line;
        text += '\n';
    }
    return text;
}

}  // namespace

char localeDecimalSeparator() {
    const std::lconv* conventions = std::localeconv();
    const char* point = conventions ? conventions->decimal_point : nullptr;
    // A separator of several bytes (or none) cannot be one char; the C locale's point is the fallback.
    if (point == nullptr || point[0] == '\0' || point[1] != '\0') return '.';
    return point[0];
}

std::string fixedPointText(std::int64_t sum, char decimalSeparator) {
    std::string text;
    appendFixedPoint(text, static_cast<long double>(sum), decimalSeparator);
    return text;
}

std::string runScript(const std::string& path, Chromosome& circuit, const FunctionAssignment& assignment,
                      const std::string& description, std::vector<std::string>& log, char decimalSeparator) {
    if (!circuit.hasCircuit()) throw Error(kNoCircuit);
    // Counts that disagree with the array would let the default lists name entries it does not have.
    if (!circuit.hasConsistentCircuit()) throw Error(kBadChromosome);

    ScriptRun run(circuit, assignment, fileExtension(path) == ".csb", decimalSeparator, log);
    log.clear();
    log.push_back("# " + description + "/" + fileNamePart(path) + " Vstupů: " +
                  std::to_string(circuit.inputCount) + "  Výstupů: " + std::to_string(circuit.outputCount));

    // Read as bytes: a CR before LF is a blank wherever it may stand and ends a number as LF would, and
    // where it may not the error is the same, so dropping it first would change nothing.
    const std::optional<std::string> text = readFileBytes(path);
    if (!text) throw Error(std::string(kCannotOpenFile) + ": " + path);
    run.run(*text);
    return clipboardText(log);
}

}  // namespace pellisor
