// Circuit.to_svg: the schematic as the program's -o:svg writes it. The program sets its texts with the
// screen font's metrics, so this part of the module uses Qt (a QGuiApplication on the offscreen
// platform, made on first use when the process has none).
#include "app/settings.h"
#include "bindings.h"
#include "export/svg_canvas.h"
#include "export_support.h"
#include "gui/circuit_picture.h"
#include "gui/vector_canvas.h"
#include "render/display_options.h"
#include "render/geometry.h"
#include "render/renderer.h"

#include <QGuiApplication>

#include <pybind11/stl.h>

#include <cstdlib>
#include <optional>
#include <string>

namespace pellisor::python {

namespace {

// The viewport of an unattended run, which sizes the canvas as the console's does.
constexpr CanvasSize kConsoleViewport{1007, 365};

void ensureGuiApplication() {
    if (QCoreApplication::instance() != nullptr) return;
    if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    static int argc = 1;
    static char name[] = "pellisor";
    static char* argv[] = {name, nullptr};
    static QGuiApplication application(argc, argv);
}

py::str toSvg(const PyCircuit& circuit, const FunctionAssignment* given,
              const std::optional<std::string>& footer) {
    const FunctionAssignment& assignment = chosenAssignment(given);
    const Chromosome drawn = drawnCircuit(circuit, assignment);
    const DisplayOptions options = readDisplayOptions(noSettings());
    const FunctionStyles labels =
        options.functionLabels ? readFunctionLabels(noSettings(), assignment) : FunctionStyles{};
    ensureGuiApplication();
    const Scene scene{drawn,
                      assignment,
                      options,
                      labels,
                      fitCanvasSize(drawn, options.hiddenBlocks, options.footer, kConsoleViewport),
                      circuit.description,
                      footer.value_or(footerDateTimeText()),
                      false,
                      SymbolSheet{}};
    QtTextMetrics metrics;
    std::string text;
    writeSvgSchematic([&](std::string_view bytes) { text.append(bytes); }, scene, metrics);
    return textOf(text);
}

}  // namespace

void bindSvg(CircuitClass& circuit) {
    circuit.def("to_svg", &toSvg, py::kw_only(), py::arg("assignment") = nullptr,
                py::arg("footer") = py::none(),
                "The schematic -o:svg writes. Its footer holds the date and time as the program shows them; "
                "footer= sets another text, for pictures that must not change from run to run.");
}

}  // namespace pellisor::python
