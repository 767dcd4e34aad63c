// Circuit.to_chr, to_dot, to_vhdl, to_verilog, to_c, to_c_header and to_eps: the bytes the program writes
// for -w:, -o:dot, -o:vhd, -o:v, -o:c and -o:ps, with the settings' defaults (no set.ini).
#include "app/settings.h"
#include "bindings.h"
#include "export/c_model_writer.h"
#include "export/dot_writer.h"
#include "export/eps_writer.h"
#include "export/verilog_writer.h"
#include "export/vhdl_writer.h"
#include "export_support.h"
#include "model/chromosome_line.h"
#include "model/chromosome_writer.h"
#include "model/settings_file.h"
#include "render/auto_place.h"
#include "render/display_options.h"
#include "render/geometry.h"

#include <pybind11/stl.h>

#include <optional>
#include <string>

namespace pellisor::python {

namespace {

py::str toChr(const PyCircuit& circuit) {
    const Chromosome& c = circuit.circuit;
    return textOf(chrFileText(circuit.description, c.inputNames, c.outputNames, chromosomeLineOf(c),
                              DescriptionLine::ReadBackAsIs));
}

py::str toDot(const PyCircuit& circuit, const FunctionAssignment* given,
              const std::optional<std::string>& file) {
    const FunctionAssignment& assignment = chosenAssignment(given);
    const FunctionStyles styles = readFunctionStyles(noSettings(), assignment);
    const bool values = readDisplayOptions(noSettings()).values;
    return textOf(buildDot(circuit.circuit, assignment, values, sourceName(circuit, file), styles));
}

py::str toVhdl(const PyCircuit& circuit, const std::optional<std::string>& file) {
    return textOf(buildVhdl(circuit.circuit, sourceName(circuit, file)));
}

py::str toVerilog(const PyCircuit& circuit, const std::optional<std::string>& file) {
    return textOf(buildVerilog(circuit.circuit, sourceName(circuit, file)));
}

py::str toC(const PyCircuit& circuit, const std::string& name, const FunctionAssignment* given,
            const std::optional<std::string>& file) {
    return textOf(buildCModelSource(circuit.circuit, chosenAssignment(given), cModelFunctionName(name),
                                    sourceName(circuit, file)));
}

py::str toCHeader(const PyCircuit& circuit, const std::string& name, const std::optional<std::string>& file) {
    return textOf(buildCModelHeader(circuit.circuit, cModelFunctionName(name), sourceName(circuit, file)));
}

// Bytes: texts beyond ASCII are set in ISO Latin-2.
py::bytes toEps(const PyCircuit& circuit, const FunctionAssignment* given) {
    const FunctionAssignment& assignment = chosenAssignment(given);
    const DisplayOptions options = readDisplayOptions(noSettings());
    const FunctionStyles labels =
        options.functionLabels ? readFunctionLabels(noSettings(), assignment) : FunctionStyles{};
    return py::bytes(
        buildEps(drawnCircuit(circuit, assignment), assignment, options, circuit.description, labels));
}

}  // namespace

void bindExports(py::module_&, CircuitClass& circuit) {
    const auto assignment = py::arg("assignment") = nullptr;
    const auto file = py::arg("file_name") = py::none();
    circuit.def("to_chr", &toChr, "The .chr file -w: writes (lines end in CR LF).");
    circuit.def("to_dot", &toDot, py::kw_only(), assignment, file, "The graph -o:dot writes.");
    circuit.def("to_vhdl", &toVhdl, py::kw_only(), file, "The structural VHDL -o:vhd writes.");
    circuit.def("to_verilog", &toVerilog, py::kw_only(), file, "The structural Verilog -o:v writes.");
    circuit.def("to_c", &toC, py::arg("name"), py::kw_only(), assignment, file,
                "The C model -o:c writes for NAME.c: the function pellisor_NAME.");
    circuit.def("to_c_header", &toCHeader, py::arg("name"), py::kw_only(), file,
                "The header -o:c writes beside the model (NAME.h).");
    circuit.def("to_eps", &toEps, py::kw_only(), assignment,
                "The EPS picture -o:ps writes, as bytes (texts beyond ASCII in ISO Latin-2).");
}

}  // namespace pellisor::python
