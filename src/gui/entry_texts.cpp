#include "gui/entry_texts.h"

#include <algorithm>
#include <string>

namespace pellisor {

namespace {

QString utf8(const std::string& value) {
    return QString::fromUtf8(value.data(), qsizetype(value.size()));
}

std::optional<std::int32_t> nameIndex(const Chromosome& circuit, const QString& name,
                                      Qt::CaseSensitivity cs) {
    const auto inputs = std::min<std::size_t>(circuit.inputNames.size(), std::size_t(circuit.inputCount));
    for (std::size_t i = 0; i < inputs; ++i) {
        if (utf8(circuit.inputNames[i]).compare(name, cs) == 0) return std::int32_t(i);
    }
    const auto outputs = std::min<std::size_t>(circuit.outputNames.size(), std::size_t(circuit.outputCount));
    for (std::size_t j = 0; j < outputs; ++j) {
        if (utf8(circuit.outputNames[j]).compare(name, cs) == 0)
            return circuit.firstOutput() + std::int32_t(j);
    }
    return std::nullopt;
}

// The name a terminal is shown with: its own, or its number among the inputs or outputs.
QString terminalName(const std::vector<std::string>& names, std::int32_t number) {
    if (std::size_t(number) < names.size())
        return QStringLiteral("„%1“").arg(utf8(names[std::size_t(number)]));
    return QString::number(number);
}

}  // namespace

std::optional<std::int32_t> findEntry(const Chromosome& circuit, const QString& text) {
    const QString wanted = text.trimmed();
    if (!circuit.hasConsistentCircuit() || wanted.isEmpty()) return std::nullopt;
    bool number = false;
    const qlonglong index = wanted.toLongLong(&number);
    if (number && index >= 0 && index < circuit.blockTotal()) return std::int32_t(index);
    if (auto exact = nameIndex(circuit, wanted, Qt::CaseSensitive)) return exact;
    return nameIndex(circuit, wanted, Qt::CaseInsensitive);
}

QString entryStatusText(const Workbench& workbench, std::int32_t index) {
    const Chromosome& circuit = workbench.circuit();
    if (index < 0 || index >= circuit.blockTotal() || !circuit.hasConsistentCircuit()) return {};
    const Block& entry = circuit.blocks[std::size_t(index)];
    QString what;
    if (circuit.isPrimaryInput(index)) {
        what = QStringLiteral("vstup ") + terminalName(circuit.inputNames, index);
    } else if (circuit.isOutput(index)) {
        what =
            QString::fromUtf8("výstup ") + terminalName(circuit.outputNames, index - circuit.firstOutput());
    } else {
        const auto& rows = workbench.assignment().rows();
        const bool hasRow = entry.function >= 0 && std::size_t(entry.function) < rows.size();
        // A row the user chose holds the chooser's entry, its label after a "|".
        const std::string description =
            hasRow ? FunctionAssignment::descriptionPart(rows[std::size_t(entry.function)].description) : "";
        what =
            description.empty() ? QStringLiteral("gen %1 bez funkce").arg(entry.function) : utf8(description);
    }
    return QStringLiteral("Blok %1: %2, hodnota %3").arg(index).arg(what).arg(entry.value);
}

QString findResultText(const Chromosome& circuit, const DisplayOptions& options, const QString& text,
                       std::optional<std::int32_t> found) {
    if (!circuit.hasConsistentCircuit()) return QString::fromUtf8("Není vykreslen žádný obvod.");
    if (!found) return QString::fromUtf8("Blok „%1“ nebyl nalezen.").arg(text.trimmed());
    const Block& entry = circuit.blocks[std::size_t(*found)];
    if (circuit.isFunctionBlock(*found) && !entry.visible && !options.hiddenBlocks) {
        return QString::fromUtf8("Blok %1 je skrytý a nezobrazuje se.").arg(*found);
    }
    return QStringLiteral("Blok %1").arg(*found);
}

}  // namespace pellisor
