#include "model/chromosome_parser.h"

#include "model/error.h"
#include "model/integer_text.h"

#include <cstdint>
#include <iterator>
#include <limits>
#include <string>

namespace pellisor {

namespace {

// More primary inputs than this are refused: the line does not list them, so a typing slip in the
// header could otherwise ask for gigabytes.
constexpr std::int64_t kMaxPrimaryInputs = std::int64_t{1} << 20;

enum class Terminators { Header, Label, Gene };

bool isTerminator(char ch, Terminators kind) {
    switch (kind) {
        case Terminators::Header:
            return ch == ',' || ch == '}';
        case Terminators::Label:
            return ch == ']';
        case Terminators::Gene:
            return ch == ',' || ch == ')';
    }
    return false;
}

bool isBlank(char ch) {
    return ch == ' ' || ch == '\t' || ch == '\n' || ch == '\v' || ch == '\f' || ch == '\r';
}

[[noreturn]] void fail() {
    throw Error(kBadChromosome);
}

class Scanner {
public:
    explicit Scanner(std::string_view text) : text_(text) {}

    // One integer field: blanks anywhere are skipped, digits and '-' collected, and the first other
    // character must be a terminator of the place. The collected text is then converted.
    std::int32_t field(Terminators kind) {
        collected_.clear();
        for (;;) {
            if (pos_ >= text_.size()) fail();
            const char ch = text_[pos_];
            if ((ch >= '0' && ch <= '9') || ch == '-') {
                collected_ += ch;
            } else if (!isBlank(ch)) {
                if (!isTerminator(ch, kind)) fail();
                ++pos_;
                return toInt(collected_);
            }
            ++pos_;
        }
    }

    // A source index: a field that must name an entry of the circuit.
    std::int32_t source(std::int64_t blockTotal) {
        const std::int32_t index = field(Terminators::Gene);
        if (index < 0 || index >= blockTotal) fail();
        return index;
    }

    void expect(char ch) {
        if (pos_ >= text_.size() || text_[pos_] != ch) fail();
        ++pos_;
    }

    bool skipIf(char ch) {
        if (pos_ < text_.size() && text_[pos_] == ch) {
            ++pos_;
            return true;
        }
        return false;
    }

private:
    std::string_view text_;
    std::size_t pos_ = 0;
    std::string collected_;
};

// Leading and trailing blanks and control characters: every byte up to and including the space.
std::string_view trimmed(std::string_view text) {
    auto isTrimmed = [](char ch) { return static_cast<unsigned char>(ch) <= ' '; };
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && isTrimmed(text[begin]))
        ++begin;
    while (end > begin && isTrimmed(text[end - 1]))
        --end;
    return text.substr(begin, end - begin);
}

struct Header {
    std::int32_t inputCount = 0;
    std::int32_t outputCount = 0;
    std::int32_t columns = 0;
    std::int32_t rows = 0;
    std::int32_t arity = 0;
    std::int32_t sixth = 0;
    std::int32_t seventh = 0;
    std::int64_t blockTotal = 0;
};

Header scanHeader(Scanner& scanner) {
    scanner.expect('{');
    Header header;
    header.inputCount = scanner.field(Terminators::Header);
    header.outputCount = scanner.field(Terminators::Header);
    header.columns = scanner.field(Terminators::Header);
    header.rows = scanner.field(Terminators::Header);
    header.arity = scanner.field(Terminators::Header);
    header.sixth = scanner.field(Terminators::Header);  // two fields with no meaning here, kept as read
    header.seventh = scanner.field(Terminators::Header);
    if (header.inputCount < 0 || header.outputCount < 0 || header.columns < 1 || header.rows < 1 ||
        header.arity < 1 || header.inputCount > kMaxPrimaryInputs) {
        fail();
    }
    header.blockTotal =
        std::int64_t{header.inputCount} + std::int64_t{header.columns} * header.rows + header.outputCount;
    if (header.blockTotal > std::numeric_limits<std::int32_t>::max()) fail();
    return header;
}

std::vector<Block> scanBlocks(Scanner& scanner, const Header& header, std::size_t textSize) {
    // The primary inputs are not in the line: they are made only once the line has proved valid, so a
    // short line claiming a million inputs costs nothing before it fails.
    std::vector<Block> blocks;
    // Reserve no more than the line could possibly describe, whatever the header claims.
    blocks.reserve(static_cast<std::size_t>(
        std::min<std::int64_t>(header.blockTotal - header.inputCount, std::int64_t(textSize / 2))));

    const std::int64_t functionBlocks = std::int64_t{header.columns} * header.rows;
    for (std::int64_t n = 0; n < functionBlocks; ++n) {
        scanner.expect('(');
        if (scanner.skipIf('[')) scanner.field(Terminators::Label);  // the label is ignored
        Block block;
        block.inputCount = header.arity;
        for (std::int32_t k = 0; k < header.arity; ++k)
            block.inputs.push_back(scanner.source(header.blockTotal));
        block.function = scanner.field(Terminators::Gene);
        blocks.push_back(std::move(block));
    }

    scanner.expect('(');
    for (std::int32_t n = 0; n < header.outputCount; ++n) {
        Block output;
        output.inputCount = 1;
        output.inputs.push_back(scanner.source(header.blockTotal));
        output.function = -1;
        blocks.push_back(std::move(output));
    }

    std::vector<Block> withInputs(static_cast<std::size_t>(header.inputCount));
    for (Block& input : withInputs)
        input.inputCount = 0;
    withInputs.reserve(withInputs.size() + blocks.size());
    std::move(blocks.begin(), blocks.end(), std::back_inserter(withInputs));
    return withInputs;
}

}  // namespace

ParseMode parseChromosome(std::string_view text, ParseMode mode, Chromosome& circuit) {
    try {
        const std::string_view line = trimmed(text);
        if (line.empty()) fail();
        Scanner scanner(line);
        const Header header = scanHeader(scanner);
        std::vector<Block> blocks = scanBlocks(scanner, header, line.size());

        if (mode == ParseMode::Redraw &&
            (!circuit.hasCircuit() || circuit.blockTotal() != header.blockTotal)) {
            mode = ParseMode::Draw;
        }
        if (mode == ParseMode::Redraw) {
            for (std::size_t i = 0; i < blocks.size(); ++i) {
                const Block& previous = circuit.blocks[i];
                blocks[i].x = previous.x;
                blocks[i].y = previous.y;
                blocks[i].mark = previous.mark;
                blocks[i].depth = previous.depth;
            }
        }
        circuit.inputCount = header.inputCount;
        circuit.outputCount = header.outputCount;
        circuit.columns = header.columns;
        circuit.rows = header.rows;
        circuit.arity = header.arity;
        circuit.headerSixth = header.sixth;
        circuit.headerSeventh = header.seventh;
        circuit.blocks = std::move(blocks);
        return mode;
    } catch (...) {
        circuit.clearCircuit();
        throw;
    }
}

}  // namespace pellisor
