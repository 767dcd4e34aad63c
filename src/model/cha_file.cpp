#include "model/cha_file.h"

#include "model/dialect_scanner.h"
#include "model/function_table.h"

#include <limits>
#include <string>

namespace pellisor {

namespace {

constexpr std::int32_t kMinGene = 1;
constexpr std::int32_t kMaxGene = 2;

CircuitFunctions comparatorFunctions() {
    CircuitFunctions functions;
    functions.genes = {{kMinGene, toIdentifier(FunctionId::Min)}, {kMaxGene, toIdentifier(FunctionId::Max)}};
    functions.labels = {{toIdentifier(FunctionId::Min), "MIN"}, {toIdentifier(FunctionId::Max), "MAX"}};
    return functions;
}

class ChaConverter {
public:
    explicit ChaConverter(std::string_view text) : scanner_(text, "cha") {}

    ConvertedCircuit convert() {
        readHeader();
        const DialectGroup outputs =
            readGroups(scanner_, [this](const DialectGroup& node) { addNode(node); });
        checkOutputsPresent(scanner_, outputs);
        if (nodeCount_ != declaredNodes_) {
            scanner_.fail("hlavička udává počet uzlů " + std::to_string(declaredNodes_) +
                          ", soubor jich popisuje " + std::to_string(nodeCount_));
        }
        checkOutputs(scanner_, outputs, outputCount_, firstId());

        std::string line = "{" + std::to_string(inputs_) + "," + std::to_string(outputCount_) + "," +
                           std::to_string(nodeCount_) + ",2,2,1,-1}";
        line += groups_;
        line += "(";
        for (std::size_t k = 0; k < outputs.values.size(); ++k) {
            if (k > 0) line += ",";
            line += std::to_string(outputs.values[k]);
        }
        line += ")";
        return ConvertedCircuit{std::move(line), comparatorFunctions()};
    }

private:
    void readHeader() {
        const std::vector<std::int32_t> header = scanner_.header();
        if (header.size() != 7) {
            scanner_.fail("hlavička má mít sedm čísel {vstupy,výstupy,uzly,1,2,2,lback}, má jich " +
                          std::to_string(header.size()));
        }
        inputs_ = header[0];
        outputCount_ = header[1];
        declaredNodes_ = header[2];
        if (header[3] != 1 || header[4] != 2 || header[5] != 2) {
            scanner_.fail("uzel sítě má jeden řádek, dva vstupy a dva výstupy (1,2,2), hlavička udává " +
                          std::to_string(header[3]) + "," + std::to_string(header[4]) + "," +
                          std::to_string(header[5]));
        }
        if (inputs_ < 1 || inputs_ > kMaxConvertedInputs) {
            scanner_.fail("počet vstupů " + std::to_string(inputs_) + " leží mimo 1.." +
                          std::to_string(kMaxConvertedInputs));
        }
        if (outputCount_ < 0) scanner_.fail("počet výstupů " + std::to_string(outputCount_) + " je záporný");
        if (declaredNodes_ < 1)
            scanner_.fail("síť musí mít alespoň jeden uzel, hlavička udává " +
                          std::to_string(declaredNodes_));
    }

    // The id of the next node's first output.
    std::int64_t firstId() const { return std::int64_t{inputs_} + 2 * nodeCount_; }

    std::int32_t source(const DialectGroup& node, const std::string& name, std::int32_t value) {
        const std::int64_t self = firstId();
        const std::string what = "uzel " + name + " čte ";
        if (value == self || value == self + 1) scanner_.failAt(node.position, what + "sám sebe");
        if (value > self && value < std::int64_t{inputs_} + 2 * std::int64_t{declaredNodes_}) {
            scanner_.failAt(node.position, what + "pozdější uzel " + std::to_string(value));
        }
        if (value < 0 || value >= self) {
            scanner_.failAt(node.position, what + "neexistující id " + std::to_string(value) +
                                               " (platná jsou 0.." + std::to_string(self - 1) + ")");
        }
        return value;
    }

    void addNode(const DialectGroup& node) {
        const std::int64_t p = firstId();
        if (p + 2 + outputCount_ > std::numeric_limits<std::int32_t>::max()) {
            scanner_.failAt(node.position, "síť má příliš mnoho uzlů");
        }
        const std::string name = "[" + std::to_string(p) + "," + std::to_string(p + 1) + "]";
        if (node.hasLabel && (node.label.size() != 2 || node.label[0] != p || node.label[1] != p + 1)) {
            scanner_.failAt(node.position, "uzel má v hranatých závorkách jiná id než " + name +
                                               ", která mu patří podle pořadí");
        }
        if (node.values.size() != 3) {
            scanner_.failAt(node.position, "uzel " + name + " má mít tři čísla (x, y, funkce), má jich " +
                                               std::to_string(node.values.size()));
        }
        const std::string x = std::to_string(source(node, name, node.values[0]));
        const std::string y = std::to_string(source(node, name, node.values[1]));
        const std::int32_t function = node.values[2];
        if (function != kMinGene && function != kMaxGene) {
            scanner_.failAt(node.position, "uzel " + name + " má neznámou funkci " +
                                               std::to_string(function) +
                                               " (1: p = MIN, q = MAX; 2: p = MAX, q = MIN)");
        }
        // p's gene is the node's function; q gets the other one.
        const std::int32_t other = kMinGene + kMaxGene - function;
        groups_ += "([" + std::to_string(p) + "]" + x + "," + y + "," + std::to_string(function) + ")([" +
                   std::to_string(p + 1) + "]" + x + "," + y + "," + std::to_string(other) + ")";
        ++nodeCount_;
    }

    DialectScanner scanner_;
    std::int32_t inputs_ = 0;
    std::int32_t outputCount_ = 0;
    std::int32_t declaredNodes_ = 0;
    std::int64_t nodeCount_ = 0;
    std::string groups_;
};

}  // namespace

ConvertedCircuit convertChaText(std::string_view text) {
    return ChaConverter(text).convert();
}

}  // namespace pellisor
