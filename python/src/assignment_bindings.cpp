#include "app/layout_commands.h"
#include "bindings.h"
#include "model/error.h"
#include "model/file_io.h"
#include "model/settings_file.h"

#include <pybind11/stl.h>

#include <map>
#include <string>

namespace pellisor::python {

namespace {

// Reading a settings file that does not exist gives every key's fallback, as the program's first load
// of the table does without a set.ini.
FunctionAssignment assignmentOfMissingSettings() {
    FunctionAssignment assignment;
    assignment.loadAssignment(SettingsFile(""));
    return assignment;
}

// A layout file names its grid in [Global]; set.ini has no such key.
bool isLayoutFile(const SettingsFile& file) {
    return !file.readString("Global", "m", "").empty();
}

// The layout's rows are applied as the program applies them, to a stand-in for the circuit the layout
// was saved with: a grid of the file's size with as many entries as the file names.
FunctionAssignment assignmentOfLayout(const std::string& path, const SettingsFile& file) {
    Chromosome standIn;
    standIn.columns = file.readInt("Global", "m", -1);
    standIn.rows = file.readInt("Global", "n", -1);
    standIn.blocks.resize(static_cast<std::size_t>(std::max(file.readInt("Global", "maxidx", 0), 1)));
    FunctionAssignment assignment = defaultAssignment();
    DisplayOptions options;
    const LayoutLoadResult result = loadLayout(path, standIn, assignment, options);
    if (result.status != LayoutLoadStatus::Applied) throw Error(result.message);
    return assignment;
}

FunctionAssignment assignmentFromIni(const std::string& path) {
    if (!fileExists(path)) throw Error("Soubor " + path + " neexistuje!");
    const SettingsFile file(path);
    if (isLayoutFile(file)) return assignmentOfLayout(path, file);
    FunctionAssignment assignment;
    assignment.loadAssignment(file);
    return assignment;
}

FunctionAssignment assignmentOfGenes(const std::map<std::int32_t, std::int32_t>& identifiers) {
    FunctionAssignment assignment = defaultAssignment();
    for (const auto& [gene, identifier] : identifiers) {
        if (gene < 0 || gene >= kGeneCount) {
            throw Error("Gen " + std::to_string(gene) + " nemá řádek v tabulce funkcí (geny 0 až " +
                        std::to_string(kGeneCount - 1) + ")");
        }
        assignment.assignGene(gene, identifier);
    }
    return assignment;
}

std::map<std::int32_t, std::int32_t> identifiersOf(const FunctionAssignment& assignment) {
    std::map<std::int32_t, std::int32_t> identifiers;
    for (std::int32_t gene = 0; gene < kGeneCount; ++gene)
        identifiers[gene] = assignment.rows()[static_cast<std::size_t>(gene)].identifier;
    return identifiers;
}

bool sameIdentifiers(const FunctionAssignment& a, const FunctionAssignment& b) {
    for (std::size_t gene = 0; gene < a.rows().size(); ++gene) {
        if (a.rows()[gene].identifier != b.rows()[gene].identifier) return false;
    }
    return true;
}

// Genes whose identifier differs from the default's, so that the text builds the same assignment.
std::string assignmentText(const FunctionAssignment& assignment) {
    const FunctionAssignment& base = defaultAssignment();
    std::string text = "pellisor.Assignment({";
    bool first = true;
    for (std::size_t gene = 0; gene < assignment.rows().size(); ++gene) {
        const std::int32_t identifier = assignment.rows()[gene].identifier;
        if (identifier == base.rows()[gene].identifier) continue;
        text += (first ? "" : ", ") + std::to_string(gene) + ": " + std::to_string(identifier);
        first = false;
    }
    return text + "})";
}

}  // namespace

FunctionAssignment defaultAssignment() {
    return assignmentOfMissingSettings();
}

const FunctionAssignment& chosenAssignment(const FunctionAssignment* given) {
    static const FunctionAssignment fallback = defaultAssignment();
    return given != nullptr ? *given : fallback;
}

void bindAssignment(py::module_& module) {
    py::class_<FunctionAssignment>(
        module, "Assignment",
        "The function assignment: the function identifier (0 to 51) of each function gene 0 ... 31.")
        .def(py::init(&assignmentOfGenes), py::arg("identifiers"),
             "From {gene: identifier}; the other genes keep the default's identifier (0, no function).")
        .def_static("from_ini", &assignmentFromIni, py::arg("path"),
                    "The assignment of a set.ini (section Funkce) or of a layout file (section Eval), read "
                    "as the program reads it.")
        .def_static("default", &defaultAssignment,
                    "What the program uses without a set.ini: every gene 0, no function.")
        .def("identifier", &FunctionAssignment::identifierOf, py::arg("gene"))
        .def_property_readonly("identifiers", &identifiersOf, "{gene: identifier} of every gene 0 ... 31.")
        .def("__eq__", &sameIdentifiers, py::is_operator())
        .def("__repr__", &assignmentText)
        // For handing assignments to other processes: the identifiers of every gene.
        .def(py::pickle([](const FunctionAssignment& assignment) { return identifiersOf(assignment); },
                        [](const std::map<std::int32_t, std::int32_t>& identifiers) {
                            return assignmentOfGenes(identifiers);
                        }));
}

}  // namespace pellisor::python
