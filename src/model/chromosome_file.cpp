#include "model/chromosome_file.h"

#include "model/cgp_file.h"
#include "model/cha_file.h"
#include "model/error.h"
#include "model/file_io.h"
#include "model/file_names.h"
#include "model/integer_text.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <limits>
#include <utility>

namespace pellisor {

namespace {

// The C locale's white space, tested directly so that bytes above 127 are never white space.
bool isWhiteSpace(char ch) {
    return ch == ' ' || ch == '\t' || ch == '\n' || ch == '\v' || ch == '\f' || ch == '\r';
}

bool isDigit(char ch) {
    return ch >= '0' && ch <= '9';
}

enum class ChrState { Text, AfterHash, Description, AfterPercent, InputNames, OutputNames };

// --- .vrc conversion ---

constexpr const char* kVrcTitle = "Načtení vrc chromozomu";

// A digit run of any length as a number; runs too long for 64 bits saturate, which is enough because
// they are only compared with bounds that fit easily.
std::int64_t digitValue(const std::string& digits) {
    constexpr std::int64_t kCap = std::numeric_limits<std::int64_t>::max() / 10 - 10;
    std::int64_t value = 0;
    for (const char ch : digits) {
        if (value > kCap) return std::numeric_limits<std::int64_t>::max();
        value = value * 10 + (ch - '0');
    }
    return value;
}

// Blanks typed or pasted around a number are no part of it.
std::string_view withoutBlanks(std::string_view text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// Asks one question until the answer lies in [low, high]; nothing when cancelled.
std::optional<std::int64_t> askInRange(const AskText& ask, const std::string& prompt,
                                       const std::string& initial, std::int64_t low, std::int64_t high) {
    for (;;) {
        const auto answer = ask(kVrcTitle, prompt, initial);
        if (!answer) return std::nullopt;
        const std::int64_t value = toInt(withoutBlanks(*answer));
        if (value >= low && value <= high) return value;
    }
}

bool isDataLine(std::string_view line) {
    std::size_t start = 0;
    while (start < line.size() && isWhiteSpace(line[start]))
        ++start;
    return start < line.size() && line[start] != '#';
}

// The number of blocks a column has: the bars of the first data line, before any comment in it.
std::int64_t rowsOfFirstDataLine(std::string_view text) {
    std::size_t start = 0;
    while (start < text.size()) {
        auto end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(start, end - start);
        if (isDataLine(line)) {
            line = line.substr(0, line.find('#'));
            return static_cast<std::int64_t>(std::count(line.begin(), line.end(), '|'));
        }
        start = end + 1;
    }
    return 0;
}

// Turns the data lines into the block groups of the chromosome, counting rows and columns.
class VrcReader {
public:
    explicit VrcReader(std::int64_t inputs) : inputs_(inputs), label_(inputs + 1) {}

    void readLine(std::string_view line) {
        if (!isDataLine(line)) return;

        std::int64_t bars = 0;
        number_.clear();
        numbersInGroup_ = 0;
        for (const char ch : line) {
            if (isDigit(ch)) {
                number_ += ch;
            } else if (ch == ' ') {
                endNumber();
            } else if (ch == '|') {
                endNumber();
                numbersInGroup_ = 0;
                ++bars;
            } else if (ch == '#') {
                break;
            }
            // Anything else is skipped and does not end the number.
        }
        // A number not ended by a blank or a bar is lost.
        if (columns_ == 0) rows_ = bars;
        ++columns_;
    }

    std::int64_t rows() const { return rows_; }
    std::int64_t columns() const { return columns_; }
    std::string takeGroups() { return std::move(groups_); }

private:
    void endNumber() {
        if (number_.empty()) return;
        if (numbersInGroup_ == 0) {
            groups_ += "([" + std::to_string(label_) + "]";
            ++label_;
        }
        if (numbersInGroup_ < 2) {
            groups_ += std::to_string(source(digitValue(number_))) + ",";
        } else {
            groups_ += number_ + ")";
        }
        ++numbersInGroup_;
        number_.clear();
    }

    // The chromosome index a connection number of the current column refers to.
    std::int64_t source(std::int64_t n) const {
        if (columns_ == 0) return n < inputs_ ? n + 1 : 0;
        if (n < rows_) return (columns_ - 1) * rows_ + inputs_ + n + 1;
        if (n - rows_ < inputs_) return n - rows_ + 1;
        return 0;
    }

    std::int64_t inputs_;
    std::int64_t label_;
    std::int64_t rows_ = 0;
    std::int64_t columns_ = 0;
    std::string groups_;
    std::string number_;
    int numbersInGroup_ = 0;
};

}  // namespace

ChrContent readChrText(std::string_view text) {
    ChrContent content;
    ChrState state = ChrState::Text;
    std::string name;
    auto names = [&]() -> std::vector<std::string>& {
        return state == ChrState::InputNames ? content.inputNames : content.outputNames;
    };
    for (const char ch : text) {
        switch (state) {
            case ChrState::Text:
                if (ch == '#') {
                    state = ChrState::AfterHash;
                } else if (!isWhiteSpace(ch)) {
                    content.chromosome += ch;
                }
                break;
            case ChrState::AfterHash:
                if (ch == '%') {
                    state = ChrState::AfterPercent;
                } else if (ch == '\n') {
                    state = ChrState::Text;
                } else {
                    // Line ends never belong to the description.
                    if (ch != '\r') content.description += ch;
                    state = ChrState::Description;
                }
                break;
            case ChrState::Description:
                if (ch == '\n') {
                    state = ChrState::Text;
                } else if (ch != '\r') {
                    content.description += ch;
                }
                break;
            case ChrState::AfterPercent:
                if (ch == 'i') {
                    name.clear();
                    state = ChrState::InputNames;
                } else if (ch == 'o') {
                    name.clear();
                    state = ChrState::OutputNames;
                } else if (ch == '\n') {
                    // A bare "#%" line: keep the '%' but do not let the comment run on into the next line.
                    content.description += '%';
                    state = ChrState::Text;
                } else {
                    content.description += '%';
                    if (ch != '\r') content.description += ch;  // line ends never belong to the description
                    name.clear();
                    state = ChrState::Description;
                }
                break;
            case ChrState::InputNames:
            case ChrState::OutputNames:
                if (ch == '\n') {
                    names().push_back(std::move(name));
                    name.clear();
                    state = ChrState::Text;
                } else if (ch == ',') {
                    names().push_back(std::move(name));
                    name.clear();
                } else if (!isWhiteSpace(ch)) {
                    name += ch;
                }
                break;
        }
    }
    // A name still open at the end of the text had no line end and is dropped.
    return content;
}

std::optional<std::string> convertVrcText(std::string_view text, const AskText& ask) {
    // Without a block in a column no number of outputs could be answered: the question would repeat
    // for ever.
    if (rowsOfFirstDataLine(text) == 0) throw Error(kVrcWithoutBlocks);
    // The mapping of the first column needs the number of inputs, so it is asked before reading.
    const auto inputs =
        askInRange(ask, "Počet vstupů (>1)", "7", 1, std::numeric_limits<std::int64_t>::max());
    if (!inputs) return std::nullopt;

    VrcReader reader(*inputs);
    std::size_t start = 0;
    while (start < text.size()) {
        auto end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        reader.readLine(text.substr(start, end - start));
        start = end + 1;
    }
    const std::int64_t rows = reader.rows();
    const std::int64_t columns = reader.columns();

    const auto outputs = askInRange(ask, "Počet výstupů (1.." + std::to_string(rows) + ")", "7", 1, rows);
    if (!outputs) return std::nullopt;
    const auto first = askInRange(ask, "Index prvního výstupu (0.." + std::to_string(rows - *outputs) + ")",
                                  "1", 0, rows - *outputs);
    if (!first) return std::nullopt;

    // The header goes in front of the groups where they are: the line of a large file is not copied.
    std::string line = reader.takeGroups();
    line.insert(0, "{" + std::to_string(*inputs + 1) + "," + std::to_string(*outputs) + "," +
                       std::to_string(columns) + "," + std::to_string(rows) + ",2,1,-1}");
    line += "(";
    const std::int64_t firstOutputBlock = (columns - 1) * rows + *inputs + *first + 1;
    for (std::int64_t k = 0; k < *outputs; ++k) {
        if (k > 0) line += ",";
        line += std::to_string(firstOutputBlock + k);
    }
    line += ")";
    return line;
}

std::optional<LoadedChromosome> loadChromosomeFile(const std::string& path, Chromosome& circuit,
                                                   std::string& fileName, const AskText& ask,
                                                   ExtensionCase extensionCase) {
    circuit.inputNames.clear();
    circuit.outputNames.clear();
    const auto text = readTextFile(path);
    if (!text) throw Error(kCannotOpenFile);
    fileName = path;

    std::string extension = fileExtension(path);
    if (extensionCase == ExtensionCase::Any) {
        for (char& c : extension)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    if (extension == ".chr") {
        ChrContent content = readChrText(*text);
        circuit.inputNames = std::move(content.inputNames);
        circuit.outputNames = std::move(content.outputNames);
        return LoadedChromosome{std::move(content.chromosome), std::move(content.description), {}, false};
    }
    if (extension == ".vrc") {
        auto line = convertVrcText(*text, ask);
        if (!line) return std::nullopt;
        return LoadedChromosome{std::move(*line), {}, {}, false};
    }
    if (extension == ".cgp" || extension == ".cha") {
        ConvertedCircuit converted = extension == ".cgp" ? convertCgpText(*text) : convertChaText(*text);
        return LoadedChromosome{std::move(converted.line), {}, std::move(converted.functions), true};
    }
    return LoadedChromosome{};
}

}  // namespace pellisor
