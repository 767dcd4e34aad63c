#include "model/cgp_file.h"

#include "model/dialect_scanner.h"
#include "model/error.h"
#include "model/function_table.h"

#include <array>
#include <limits>
#include <string>

namespace pellisor {

namespace {

constexpr std::int32_t code(GateCode gate) {
    return static_cast<std::int32_t>(gate);
}

// The bit-exact function of each code: the bit functions look at bit 0 only, and AND, OR, XOR and
// the buffer keep 0 and 1 as they are. True is a NOT of the constant 0; false is "no function", which
// yields 0.
constexpr std::array<FunctionId, kGateCodeCount> kFunctionOfCode{
    FunctionId::In1,  FunctionId::NotIn1, FunctionId::And,  FunctionId::Or,     FunctionId::Xor,
    FunctionId::Nand, FunctionId::Nor,    FunctionId::Nxor, FunctionId::NotIn1, FunctionId::None};

CircuitFunctions gateFunctions() {
    CircuitFunctions functions;
    for (std::int32_t gene = 0; gene < kGateCodeCount; ++gene)
        functions.genes.push_back({gene, toIdentifier(kFunctionOfCode[static_cast<std::size_t>(gene)])});
    functions.labels = {{toIdentifier(FunctionId::None), "0"},    {toIdentifier(FunctionId::And), "AND"},
                        {toIdentifier(FunctionId::Or), "OR"},     {toIdentifier(FunctionId::Xor), "XOR"},
                        {toIdentifier(FunctionId::In1), "BUF"},   {toIdentifier(FunctionId::NotIn1), "NOT"},
                        {toIdentifier(FunctionId::Nand), "NAND"}, {toIdentifier(FunctionId::Nor), "NOR"},
                        {toIdentifier(FunctionId::Nxor), "XNOR"}};
    return functions;
}

// Index space of the file: 0 and 1 the constants, the inputs from 2 on, then the gates.
constexpr std::int64_t kFirstInput = 2;

class CgpConverter {
public:
    explicit CgpConverter(std::string_view text) : scanner_(text, "cgp") {}

    ConvertedCircuit convert() {
        readHeader();
        // Constant 0 reads the first input only because a block must read an earlier entry; its
        // function ignores it. Constant 1 is the NOT of constant 0.
        const std::string zero = std::to_string(inputs_);
        groups_ = "([" + zero + "]0,0," + std::to_string(code(GateCode::False)) + ")([" +
                  std::to_string(inputs_ + 1) + "]" + zero + "," + zero + "," +
                  std::to_string(code(GateCode::True)) + ")";

        const DialectGroup outputs =
            readGroups(scanner_, [this](const DialectGroup& gate) { addGate(gate); });
        checkOutputsPresent(scanner_, outputs);
        if (gateCount_ != declaredGates_) {
            scanner_.fail("hlavička udává počet hradel " + std::to_string(rows_) + " × " +
                          std::to_string(columns_) + " = " + std::to_string(declaredGates_) +
                          ", soubor jich popisuje " + std::to_string(gateCount_));
        }
        checkOutputs(scanner_, outputs, outputCount_, nextIndex());

        std::string line = "{" + std::to_string(inputs_) + "," + std::to_string(outputCount_) + "," +
                           std::to_string(gateCount_ + 2) + ",1,2,1,-1}";
        line += groups_;
        line += "(";
        for (std::size_t k = 0; k < outputs.values.size(); ++k) {
            if (k > 0) line += ",";
            line += std::to_string(mapped(outputs.values[k]));
        }
        line += ")";
        return ConvertedCircuit{std::move(line), gateFunctions()};
    }

private:
    void readHeader() {
        const std::vector<std::int32_t> header = scanner_.header();
        if (header.size() != 7) {
            scanner_.fail("hlavička má mít sedm čísel {vstupy,výstupy,řádky,sloupce,ni,no,lback}, má jich " +
                          std::to_string(header.size()));
        }
        inputs_ = header[0];
        outputCount_ = header[1];
        rows_ = header[2];
        columns_ = header[3];
        if (header[4] != 2 || header[5] != 1) {
            scanner_.fail(
                "převést lze jen hradla se dvěma vstupy a jedním výstupem (ni=2, no=1), hlavička "
                "udává ni=" +
                std::to_string(header[4]) + ", no=" + std::to_string(header[5]));
        }
        if (inputs_ < 1 || inputs_ > kMaxConvertedInputs) {
            scanner_.fail("počet vstupů " + std::to_string(inputs_) + " leží mimo 1.." +
                          std::to_string(kMaxConvertedInputs));
        }
        if (outputCount_ < 0) scanner_.fail("počet výstupů " + std::to_string(outputCount_) + " je záporný");
        if (rows_ < 0 || columns_ < 0) {
            scanner_.fail("počet řádků " + std::to_string(rows_) + " nebo sloupců " +
                          std::to_string(columns_) + " je záporný");
        }
        declaredGates_ = std::int64_t{rows_} * columns_;
    }

    // The index the next gate gets.
    std::int64_t nextIndex() const { return kFirstInput + inputs_ + gateCount_; }

    // A file index in the chromosome: the inputs move to the front, the constants after them.
    std::int64_t mapped(std::int64_t index) const {
        if (index < kFirstInput) return inputs_ + index;
        if (index < kFirstInput + inputs_) return index - kFirstInput;
        return index;
    }

    std::int64_t source(const DialectGroup& gate, std::int64_t self, std::int32_t value, const char* name) {
        const std::string what = "hradlo " + std::to_string(self) + " čte na vstupu " + name + " ";
        const std::int64_t declaredEnd = kFirstInput + inputs_ + declaredGates_;
        if (value == self) scanner_.failAt(gate.position, what + "samo sebe");
        if (value > self && value < declaredEnd) {
            scanner_.failAt(gate.position, what + "pozdější hradlo " + std::to_string(value));
        }
        if (value < 0 || value >= self) {
            scanner_.failAt(gate.position, what + "neexistující index " + std::to_string(value) +
                                               " (platné jsou 0.." + std::to_string(self - 1) + ")");
        }
        return mapped(value);
    }

    void addGate(const DialectGroup& gate) {
        const std::int64_t self = nextIndex();
        if (self + 1 + outputCount_ > std::numeric_limits<std::int32_t>::max()) {
            scanner_.failAt(gate.position, "obvod má příliš mnoho hradel");
        }
        if (gate.hasLabel && (gate.label.size() != 1 || gate.label[0] != self)) {
            scanner_.failAt(gate.position, "hradlo má v hranatých závorkách jiné číslo než " +
                                               std::to_string(self) + ", které mu patří podle pořadí");
        }
        if (gate.values.size() != 3) {
            scanner_.failAt(gate.position, "hradlo " + std::to_string(self) +
                                               " má mít tři čísla (vstup a, vstup b, funkce), má jich " +
                                               std::to_string(gate.values.size()));
        }
        std::int64_t a = source(gate, self, gate.values[0], "a");
        std::int64_t b = source(gate, self, gate.values[1], "b");
        const std::int32_t function = gate.values[2];
        if (function < 0 || function >= kGateCodeCount) {
            scanner_.failAt(gate.position, "hradlo " + std::to_string(self) + " má neznámou funkci " +
                                               std::to_string(function) + " (platné jsou 0.." +
                                               std::to_string(kGateCodeCount - 1) + ")");
        }
        // The constants of the function set are functions of the constant 0 block.
        if (function == code(GateCode::True) || function == code(GateCode::False)) a = b = inputs_;
        groups_ += "([" + std::to_string(self) + "]" + std::to_string(a) + "," + std::to_string(b) + "," +
                   std::to_string(function) + ")";
        ++gateCount_;
    }

    DialectScanner scanner_;
    std::int32_t inputs_ = 0;
    std::int32_t outputCount_ = 0;
    std::int32_t rows_ = 0;
    std::int32_t columns_ = 0;
    std::int64_t declaredGates_ = 0;
    std::int64_t gateCount_ = 0;
    std::string groups_;
};

}  // namespace

ConvertedCircuit convertCgpText(std::string_view text) {
    return CgpConverter(text).convert();
}

namespace {

// The integer that starts at `at` (blanks before it skipped); nothing when there is none.
std::optional<std::int64_t> integerAt(std::string_view text, std::size_t at) {
    while (at < text.size() && (text[at] == ' ' || text[at] == '\t'))
        ++at;
    std::int64_t value = 0;
    std::size_t digits = 0;
    for (; at < text.size() && text[at] >= '0' && text[at] <= '9' && digits < 10; ++at, ++digits)
        value = value * 10 + (text[at] - '0');
    if (digits == 0) return std::nullopt;
    return value;
}

}  // namespace

std::optional<std::string> gateLevelHint(std::string_view line) {
    const auto open = line.find('{');
    const auto close = line.find('}');
    const auto label = line.find("([", close == std::string_view::npos ? 0 : close);
    if (open == std::string_view::npos || close == std::string_view::npos || label == std::string_view::npos)
        return std::nullopt;
    const auto inputs = integerAt(line, open + 1);
    const auto first = integerAt(line, label + 2);
    if (!inputs || !first || *first != *inputs + 2) return std::nullopt;
    try {
        convertCgpText(line);
    } catch (const Error&) {
        return std::nullopt;
    }
    return "Chromozom vypadá jako hradlový obvod (.cgp): první blok má popisek [" + std::to_string(*first) +
           "], ne [" + std::to_string(*inputs) +
           "]. Jako chromozom se vstupy a hradla čtou posunutě; uložte jej do souboru s příponou .cgp a "
           "načtěte jej, převede se správně.";
}

}  // namespace pellisor
