// What the exports share: the texts handed to Python, the settings of a program without set.ini and the
// circuit placed as a load draws it.
#include "export_support.h"

#include "app/settings.h"
#include "model/settings_file.h"
#include "render/auto_place.h"
#include "render/display_options.h"
#include "render/geometry.h"

namespace pellisor::python {

py::str textOf(const std::string& bytes) {
    PyObject* text = PyUnicode_DecodeUTF8(bytes.data(), py::ssize_t(bytes.size()), "surrogateescape");
    if (!text) throw py::error_already_set();
    return py::reinterpret_steal<py::str>(text);
}

const SettingsFile& noSettings() {
    static const SettingsFile none("");
    return none;
}

std::string sourceName(const PyCircuit& circuit, const std::optional<std::string>& fileName) {
    return fileName.value_or(circuit.fileName);
}

Chromosome drawnCircuit(const PyCircuit& circuit, const FunctionAssignment& assignment) {
    Chromosome drawn = circuit.circuit;
    const SpacingTexts spacings = defaultSpacingTexts();
    placeOnGrid(drawn, spacings);
    showSummary(drawn, assignment);
    if (circuit.carriesAssignment) autoPlace(drawn, spacings);
    return drawn;
}

}  // namespace pellisor::python
