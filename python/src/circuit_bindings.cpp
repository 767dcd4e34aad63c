#include "bindings.h"
#include "eval/active_cone.h"
#include "model/chromosome_file.h"
#include "model/chromosome_parser.h"
#include "model/error.h"
#include "optimise/redundant_gates.h"
#include "render/geometry.h"

#include <pybind11/stl.h>

#include <optional>
#include <string>
#include <vector>

namespace pellisor::python {

namespace {

PyCircuit parsedCircuit(const std::string& line) {
    PyCircuit parsed;
    parseChromosome(line, ParseMode::Draw, parsed.circuit);
    parsed.assignment = defaultAssignment();
    return parsed;
}

std::string cancelledVrcMessage(const std::string& path) {
    return "Načtení souboru " + path +
           " bylo zrušeno: soubor vrc potřebuje tři odpovědi (počet vstupů, počet výstupů, řádek prvního "
           "výstupu)";
}

// Loads a chromosome file as the program's "Načíst" does; the .vrc questions take the answers in order,
// and running out of them cancels the load.
PyCircuit loadedCircuit(const std::string& path, const std::optional<std::vector<py::object>>& answers) {
    std::vector<std::string> texts;
    for (const py::object& answer : answers.value_or(std::vector<py::object>{}))
        texts.push_back(py::str(answer));
    std::size_t asked = 0;
    const AskText ask = [&](const std::string&, const std::string&,
                            const std::string&) -> std::optional<std::string> {
        if (asked == texts.size()) return std::nullopt;
        return texts[asked++];
    };
    PyCircuit loaded;
    std::string fileName;
    const auto content = loadChromosomeFile(path, loaded.circuit, fileName, ask);
    if (!content) throw Error(cancelledVrcMessage(path));
    parseChromosome(content->text, ParseMode::Draw, loaded.circuit);
    loaded.description = content->description;
    // What a converted circuit's genes mean, put into the table as the program's load puts them.
    loaded.assignment = defaultAssignment();
    for (const GeneFunction& gene : content->functions.genes)
        loaded.assignment.assignGene(gene.gene, gene.identifier);
    loaded.assignment.setCircuitLabels(content->functions.labels);
    loaded.carriesAssignment = !content->functions.genes.empty();
    return loaded;
}

// The function blocks some output depends on through the connections their functions read, as "Skrýt
// nefunkční bloky" keeps them and the statistics count them.
std::vector<std::int32_t> activeBlocks(const PyCircuit& self, const FunctionAssignment* assignment) {
    const Chromosome& circuit = self.circuit;
    std::vector<std::int32_t> outputs;
    for (std::int32_t j = circuit.firstOutput(); j < circuit.blockTotal(); ++j)
        outputs.push_back(j);
    const ActiveCone cone =
        activeCone(circuit, chosenAssignment(assignment), outputs, ConeConnections::Drawn);
    std::vector<std::int32_t> active;
    for (std::int32_t index = circuit.inputCount; index < circuit.firstOutput(); ++index) {
        if (cone.members[static_cast<std::size_t>(index)]) active.push_back(index);
    }
    return active;
}

// The summary's "Max. zpoždění výstupu"; the depths are computed on a copy, as they live in the entries.
std::int32_t maxDelay(const PyCircuit& self, const FunctionAssignment* assignment) {
    Chromosome measured = self.circuit;
    return computeDepths(measured, chosenAssignment(assignment));
}

PyCircuit optimised(const PyCircuit& self, const FunctionAssignment* assignment) {
    PyCircuit result = self;
    eliminateRedundant(result.circuit, chosenAssignment(assignment));
    return result;
}

std::string circuitText(const PyCircuit& self) {
    const Chromosome& c = self.circuit;
    return "<pellisor.Circuit " + std::to_string(c.inputCount) + " inputs, " + std::to_string(c.outputCount) +
           " outputs, " + std::to_string(c.columns) + "x" + std::to_string(c.rows) + " blocks of arity " +
           std::to_string(c.arity) + ">";
}

}  // namespace

void bindErrors(py::module_& module) {
    static py::exception<Error>& error = py::register_exception<Error>(module, "Error");
    error.doc() = "An error of the program, carrying its message.";
    py::register_exception_translator([](std::exception_ptr raised) {
        try {
            if (raised) std::rethrow_exception(raised);
        } catch (const py::error_already_set&) {
            throw;
        } catch (const py::builtin_exception&) {
            throw;  // pybind11's own, such as ValueError
        } catch (const std::bad_alloc&) {
            throw;  // MemoryError
        } catch (const std::exception& failure) {
            // The core's Error and any other failure of our code, with the program's message.
            error(failure.what());
        }
    });
}

CircuitClass bindCircuit(py::module_& module) {
    bindAssignment(module);
    CircuitClass circuit(module, "Circuit", "A CGP circuit: primary inputs, function blocks, outputs.");
    const auto assignmentArgument = py::arg("assignment") = static_cast<const FunctionAssignment*>(nullptr);
    circuit.def_static("parse", &parsedCircuit, py::arg("line"), "Parses a chromosome line.")
        .def_property_readonly("inputs", [](const PyCircuit& self) { return self.circuit.inputCount; })
        .def_property_readonly("outputs", [](const PyCircuit& self) { return self.circuit.outputCount; })
        .def_property_readonly("columns", [](const PyCircuit& self) { return self.circuit.columns; })
        .def_property_readonly("rows", [](const PyCircuit& self) { return self.circuit.rows; })
        .def_property_readonly("arity", [](const PyCircuit& self) { return self.circuit.arity; })
        .def_property_readonly("input_names", [](const PyCircuit& self) { return self.circuit.inputNames; })
        .def_property_readonly("output_names", [](const PyCircuit& self) { return self.circuit.outputNames; })
        .def_property_readonly("description", [](const PyCircuit& self) { return self.description; })
        .def_property_readonly(
            "assignment",
            [](const PyCircuit& self) -> std::optional<FunctionAssignment> {
                if (!self.carriesAssignment) return std::nullopt;
                return self.assignment;
            },
            "The assignment a .cgp or .cha file carries; None for other circuits. Methods do not use it "
            "unless it is passed as their assignment.")
        .def("active_blocks", &activeBlocks, assignmentArgument,
             "Indices of the function blocks some output depends on (what the statistics count).")
        .def("max_delay", &maxDelay, assignmentArgument, "The longest path from an input to an output.")
        .def("optimise", &optimised, assignmentArgument,
             "A new circuit whose redundant gates no longer have readers.")
        .def("__repr__", &circuitText);
    module.def("load", &loadedCircuit, py::arg("path"), py::arg("answers") = py::none(),
               "Loads a .chr, .vrc (answers: inputs, outputs, first output's row), .cgp or .cha file.");
    bindEvaluation(circuit);
    return circuit;
}

}  // namespace pellisor::python
