#include "eval/script_runner.h"

#include "eval/evaluator.h"
#include "eval/result_printer.h"
#include "eval/script_batch.h"
#include "eval/script_result_line.h"
#include "model/error.h"
#include "model/file_names.h"

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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

// The value of 1 ... 8 decimal digits, converted several at a time: the digits go to the top of a
// little-endian word, so that the free places read as leading zeros and what follows them drops out.
// Reads four or eight bytes.
std::int32_t shortNumber(const char* text, int length) {
    if constexpr (std::endian::native != std::endian::little) {
        std::int32_t value = 0;
        for (int i = 0; i < length; ++i)
            value = value * 10 + (text[i] - '0');
        return value;
    }
    if (length <= 4) {
        std::uint32_t word = 0;
        std::memcpy(&word, text, sizeof word);
        word = (word - 0x30303030u) << (8 * (4 - length));
        word = (word * 10 + (word >> 8)) & 0x00FF00FFu;  // pairs of digits
        return static_cast<std::int32_t>((word & 0xFF) * 100 + (word >> 16));
    }
    std::uint64_t word = 0;
    std::memcpy(&word, text, sizeof word);
    word = (word - 0x3030303030303030u) << (8 * (8 - length));
    word = ((word & 0x0F0F0F0F0F0F0F0Fu) * 2561) >> 8;
    word = ((word & 0x00FF00FF00FF00FFu) * 6553601) >> 16;
    return static_cast<std::int32_t>(((word & 0x0000FFFF0000FFFFu) * 42949672960001u) >> 32);
}

// How far past the end of a piece of text reading is allowed (the bytes there mean nothing).
constexpr std::size_t kReadAhead = 128;

struct ByteMasks {
    std::uint64_t separators;  // blanks and line ends
    std::uint64_t lineEnds;
    std::uint64_t digits;
    std::uint64_t colons;
};

// Bit i of each mask describes byte i of the 64 from `text` on.
ByteMasks byteMasks(const char* text) {
    ByteMasks masks{0, 0, 0, 0};
#if defined(__SSE2__)
    const auto bitsOf = [](__m128i flags) {
        return std::uint64_t{static_cast<std::uint16_t>(_mm_movemask_epi8(flags))};
    };
    // x lies in [low, low + span] when x - low, taken unsigned, is at most span.
    const auto within = [](__m128i bytes, char low, char span) {
        const __m128i offset = _mm_sub_epi8(bytes, _mm_set1_epi8(low));
        return _mm_cmpeq_epi8(_mm_min_epu8(offset, _mm_set1_epi8(span)), offset);
    };
    for (int part = 0; part < 4; ++part) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + 16 * part));
        // 9 ... 13 are tab, line feed, vertical tab, form feed and carriage return.
        const __m128i separators =
            _mm_or_si128(within(bytes, '\t', 4), _mm_cmpeq_epi8(bytes, _mm_set1_epi8(' ')));
        const int shift = 16 * part;
        masks.separators |= bitsOf(separators) << shift;
        masks.lineEnds |= bitsOf(_mm_cmpeq_epi8(bytes, _mm_set1_epi8('\n'))) << shift;
        masks.digits |= bitsOf(within(bytes, '0', 9)) << shift;
        masks.colons |= bitsOf(_mm_cmpeq_epi8(bytes, _mm_set1_epi8(':'))) << shift;
    }
#else
    for (int i = 0; i < 64; ++i) {
        const char c = text[i];
        const std::uint64_t bit = std::uint64_t{1} << i;
        if (c == '\n' || isBlank(c)) masks.separators |= bit;
        if (c == '\n') masks.lineEnds |= bit;
        if (isDigit(c)) masks.digits |= bit;
        if (c == ':') masks.colons |= bit;
    }
#endif
    return masks;
}

// A watched list. Its length ends it, where the format ends a list at its first negative entry: only
// validated block indices are ever stored, so the two agree.
struct WatchedList {
    std::vector<std::int32_t> entries;
    std::size_t capacity = 0;
    const char* overflowMessage = "";
};

// The script's bytes, read piece by piece so that a long script is never held whole. A CR before LF
// needs no dropping: it is a blank wherever it may stand and ends a number as LF would, and where it
// may not the error is the same.
class ScriptFile {
public:
    explicit ScriptFile(const std::string& path)
        : path_(path), fd_(::open(path.c_str(), O_RDONLY | O_CLOEXEC)) {
        struct stat info {};
        if (fd_ < 0 || ::fstat(fd_, &info) != 0 || S_ISDIR(info.st_mode)) fail();
        if (S_ISREG(info.st_mode)) size_ = static_cast<std::size_t>(info.st_size);
        buffer_.resize(kPieceSize + kReadAhead);
    }
    ScriptFile(const ScriptFile&) = delete;
    ScriptFile& operator=(const ScriptFile&) = delete;
    ~ScriptFile() {
        if (fd_ >= 0) ::close(fd_);
    }

    // The size the file system gives, 0 when it gives none.
    std::size_t size() const { return size_; }

    // The next piece, followed by kReadAhead readable bytes; nothing at the end of the file.
    std::optional<std::string_view> next() {
        for (;;) {
            const ssize_t count = ::read(fd_, buffer_.data(), kPieceSize);
            if (count > 0) return std::string_view(buffer_.data(), static_cast<std::size_t>(count));
            if (count == 0) return std::nullopt;
            if (errno != EINTR) fail();
        }
    }

private:
    static constexpr std::size_t kPieceSize = std::size_t{1} << 18;

    [[noreturn]] void fail() const { throw Error(std::string(kCannotOpenFile) + ": " + path_); }

    std::string path_;
    int fd_;
    std::size_t size_ = 0;
    std::vector<char> buffer_;
};

class ScriptRun {
public:
    ScriptRun(Chromosome& circuit, const FunctionAssignment& assignment, bool binary, char decimalSeparator,
              std::vector<std::string>& log)
        : circuit_(circuit),
          assignment_(assignment),
          log_(log),
          firstOutput_(circuit.firstOutput()),
          writer_(binary, decimalSeparator),
          printer_(binary, decimalSeparator, log, clipboard_) {
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
    void run(ScriptFile& file, bool fast) {
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
            // The lines of the vectors read so far, and the circuit as evaluating each would leave it.
            endBatch();
            throw;
        }
        endBatch();
    }

    // Every result line, each followed by LF (the log's other line, the header, begins with "#").
    std::string takeClipboard() { return std::move(clipboard_); }

private:
    enum class State { TopLevel, Comment, Target, Source, Value, List, ListNumber };
    enum class SourceKind { Literal, Output, Input };

    // At most one result line per line end: a million lines then never move. The first piece tells
    // how dense the line ends are; beyond some millions the log grows as it goes.
    void reserveLog(std::size_t fileSize, std::string_view piece) {
        constexpr std::size_t kMostReserved = std::size_t{1} << 24;
        if (piece.empty()) return;
        const auto lineEnds = static_cast<std::size_t>(std::count(piece.begin(), piece.end(), '\n'));
        const std::size_t expected =
            std::min(kMostReserved, lineEnds * std::max(fileSize, piece.size()) / piece.size() + 1);
        log_.reserve(log_.size() + expected);
        printer_.expectLines(expected);
        expectedLines_ = expected;
    }

    // `text` is followed by at least kReadAhead readable bytes.
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
                if (quick_ && isDigit(c)) {
                    const char* next = quickLine(position, end);
                    if (next == position) next = quickAssignment(position, end);
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

    // Reads the rest of a vector line, 64 bytes at a time: blanks separate tokens, and every token
    // "t:v" of digits only (up to eight each) is assigned in order. Returns where reading goes on at
    // the top level: the line end, the first token not taken (any other form, a target outside the
    // inputs), or the end of the text when only blanks were left. The tokens are found from bit masks
    // of the window, so that converting one does not wait for the one before.
    const char* quickLine(const char* position, const char* end) {
        Block* const blocks = circuit_.blocks.data();
        const std::int32_t inputCount = circuit_.inputCount;
        const char* window = position;
        while (window < end) {
            const std::ptrdiff_t available = end - window;
            const ByteMasks masks = byteMasks(window);
            std::uint64_t valid = available >= 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << available) - 1;
            const std::uint64_t lineEnds = masks.lineEnds & valid;
            if (lineEnds != 0) valid = (lineEnds & (~lineEnds + 1)) - 1;  // up to the first line end
            const std::uint64_t tokens = ~masks.separators & valid;
            std::uint64_t starts = tokens & ~(tokens << 1);
            std::uint64_t ends = tokens & ~(tokens >> 1);
            // Without a line end, a token that reaches the window's last byte may go on past it: the
            // next window starts with it.
            const char* carried = nullptr;
            if (lineEnds == 0 && (tokens & (valid ^ (valid >> 1))) != 0) {
                const int last = 63 - std::countl_zero(starts);
                if (last == 0) return window;
                starts &= (std::uint64_t{1} << last) - 1;
                ends &= (std::uint64_t{1} << last) - 1;
                carried = window + last;
            }
            std::uint64_t colons = masks.colons & valid;
            bool taken = false;
            while (starts != 0) {
                const int start = std::countr_zero(starts);
                const int last = std::countr_zero(ends);
                // Past the last colon this gives 63, which no token of two parts can have.
                const int colon = std::countr_zero(colons | (std::uint64_t{1} << 63));
                const std::uint64_t bits = (~std::uint64_t{0} >> (63 - last)) & (~std::uint64_t{0} << start);
                const int targetLength = colon - start;
                const int valueLength = last - colon;
                if ((bits & ~masks.digits) != (std::uint64_t{1} << colon) || targetLength < 1 ||
                    targetLength > 8 || valueLength < 1 || valueLength > 8) {
                    pending_ = pending_ || taken;
                    return window + start;
                }
                const std::int32_t target = shortNumber(window + start, targetLength);
                if (target >= inputCount) {
                    pending_ = pending_ || taken;
                    return window + start;
                }
                blocks[target].value = shortNumber(window + colon + 1, valueLength);
                taken = true;
                starts &= starts - 1;
                ends &= ends - 1;
                colons &= colons - 1;
            }
            pending_ = pending_ || taken;
            if (lineEnds != 0) return window + std::countr_zero(lineEnds);
            if (carried != nullptr) {
                if (available < 64) return carried;
                window = carried;
            } else {
                window += 64;
            }
        }
        return end;
    }

    // The common assignment read character by character, where the text may end within it. Numbers of
    // up to nine digits; nothing when the state machine must read it instead: a character it rejects,
    // a longer number, or the end of the text before the character that ends the value. The state
    // machine then reads the same characters from the start, so its errors stand as they are.
    const char* quickAssignment(const char* position, const char* end) {
        constexpr std::ptrdiff_t kShortDigits = 9;  // below 10^9: always a valid int32
        const char* c = position;
        std::int32_t target = 0;
        for (; c < end && isDigit(*c); ++c) {
            if (c - position == kShortDigits) return nullptr;
            target = target * 10 + (*c - '0');
        }
        if (c == end || *c != ':') return nullptr;
        if (++c == end) return nullptr;
        SourceKind kind = SourceKind::Literal;
        if (*c == 'o') {
            kind = SourceKind::Output;
            ++c;
        } else if (*c == 'i') {
            kind = SourceKind::Input;
            ++c;
        } else if (!isDigit(*c)) {
            return nullptr;
        }
        const char* const digits = c;
        std::int32_t number = 0;
        for (; c < end && isDigit(*c); ++c) {
            if (c - digits == kShortDigits) return nullptr;
            number = number * 10 + (*c - '0');
        }
        if (c == end) return nullptr;
        target_ = target;
        assign(kind, number);
        return c;
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
                assign(sourceKind_, number_.empty() ? 0 : number_.value());
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
        watchStale_ = true;
        columnsStale_ = true;
    }

    void store(std::int32_t number) {
        if (list_->entries.size() >= list_->capacity) throw Error(list_->overflowMessage);
        const std::int64_t index = outputNumbering_ ? std::int64_t{number} + firstOutput_ : number;
        if (index < 0 || index >= circuit_.blockTotal()) throw Error(kBadListEntry);
        list_->entries.push_back(static_cast<std::int32_t>(index));
    }

    void assign(SourceKind kind, std::int32_t n) {
        if (target_ < 0 || target_ >= circuit_.inputCount) throw Error(kBadTarget);
        if (kind != SourceKind::Literal) n = sourceValue(kind, n);
        circuit_.blocks[static_cast<std::size_t>(target_)].value = n;
        pending_ = true;
    }

    std::int32_t sourceValue(SourceKind kind, std::int32_t n) {
        if (kind == SourceKind::Output) {
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
        const std::string_view line = writer_.line(0, fraction_);
        log_.emplace_back(line);
        clipboard_.append(line);
        clipboard_ += '\n';
        if (log_.size() == 257) reserveForLines(clipboard_, 256, expectedLines_);
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
        result.stride = ScriptBatch::kCapacity;
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
        printer_.print(count == ScriptBatch::kCapacity);
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

    bool quick_ = false;
    ResultLineWriter writer_;  // lines of the plain evaluator
    std::string clipboard_;
    std::size_t expectedLines_ = 0;
    ResultPrinter printer_;     // lines of batches
    bool watchStale_ = true;    // the batch is to learn the entries the lines show
    bool columnsStale_ = true;  // the plain lines' columns are to be set up
    std::optional<ScriptBatch> batch_;
    bool feedback_ = false;
};

std::string runScriptWith(const std::string& path, Chromosome& circuit, const FunctionAssignment& assignment,
                          const std::string& description, std::vector<std::string>& log,
                          char decimalSeparator, bool fast) {
    if (!circuit.hasCircuit()) throw Error(kNoCircuit);
    // Counts that disagree with the array would let the default lists name entries it does not have.
    if (!circuit.hasConsistentCircuit()) throw Error(kBadChromosome);

    ScriptRun run(circuit, assignment, fileExtension(path) == ".csb", decimalSeparator, log);
    log.clear();
    log.push_back("# " + description + "/" + fileNamePart(path) + " Vstupů: " +
                  std::to_string(circuit.inputCount) + "  Výstupů: " + std::to_string(circuit.outputCount));

    ScriptFile file(path);
    run.run(file, fast);
    return run.takeClipboard();
}

}  // namespace

std::string runScript(const std::string& path, Chromosome& circuit, const FunctionAssignment& assignment,
                      const std::string& description, std::vector<std::string>& log, char decimalSeparator) {
    return runScriptWith(path, circuit, assignment, description, log, decimalSeparator, true);
}

std::string runScriptPlain(const std::string& path, Chromosome& circuit, const FunctionAssignment& assignment,
                           const std::string& description, std::vector<std::string>& log,
                           char decimalSeparator) {
    return runScriptWith(path, circuit, assignment, description, log, decimalSeparator, false);
}

}  // namespace pellisor
