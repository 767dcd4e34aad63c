// pellisor.noise, pellisor.quality and Circuit.error: the metrics of the command line's -q:, -ref: and
// -err:, with the same numbers and the field names of their JSON reports.
#include "app/measure_commands.h"
#include "bindings.h"
#include "measure/error_metrics.h"
#include "measure/noise.h"
#include "measure/picture_quality.h"
#include "model/error.h"
#include "picture_arrays.h"

#include <pybind11/stl.h>

#include <string>

namespace pellisor::python {

namespace {

// Samples are bytes in memory order, as the program's generator numbers them: a colour picture is
// exactly the picture the program reads, a gray one is noised sample after sample the same way.
py::array noise(const PictureArray& picture, const std::string& kindName, double level, std::uint64_t seed) {
    const std::optional<NoiseKind> kind = noiseKindNamed(kindName);
    if (!kind) throw Error("Neznámý druh šumu " + kindName + " (sp, rv, gauss nebo none)");
    // Padded to whole pixels: the counter-based generator gives every sample the same draws regardless.
    RgbImage samples = samplesAsImage(picture);
    {
        py::gil_scoped_release released;
        samples = addNoise(samples, NoiseSettings{*kind, level, seed});
    }
    return arrayOfSamples(samples, picture);
}

py::dict figuresDict(const QualityFigures& figures) {
    py::dict result;
    result["mdpp"] = figures.mdpp;
    result["psnr"] = figures.psnr ? py::object(py::float_(*figures.psnr)) : py::object(py::none());
    result["ssim"] = figures.ssim;
    result["max_error"] = figures.maxError;
    result["changed"] = figures.changed;
    return result;
}

// A gray picture is measured as the colour picture with its gray in every channel, as the program
// measures a gray BMP: `changed` then counts three samples per differing pixel.
py::dict quality(const PictureArray& filtered, const PictureArray& reference) {
    const RgbImage picture = colourImage(filtered);
    const RgbImage clean = colourImage(reference);
    QualityFigures figures;
    {
        py::gil_scoped_release released;
        figures = compareInterior(picture, clean);
    }
    return figuresDict(figures);
}

// Widths as the command line takes them: "8,8", or a sequence of integers.
std::string widthsText(const py::object& widths) {
    if (widths.is_none()) return "";
    if (py::isinstance<py::str>(widths)) return ":" + widths.cast<std::string>();
    std::string text = ":";
    for (const py::handle width : widths) {
        if (text.size() > 1) text += ",";
        text += std::to_string(width.cast<std::int32_t>());
    }
    return text;
}

py::dict error(const PyCircuit& circuit, const std::string& operation, const py::object& widths,
               const FunctionAssignment* given) {
    const ErrorRequest request = errorRequestOf("-err:" + operation + widthsText(widths));
    if (!request.settings) throw Error(request.problem);
    const FunctionAssignment& assignment = chosenAssignment(given);
    ErrorFigures figures;
    {
        py::gil_scoped_release released;
        figures = measureError(circuit.circuit, assignment, *request.settings);
    }
    py::dict result;
    result["op"] = std::string(errorOperationName(request.settings->operation));
    result["widths"] = request.settings->widths;
    result["vectors"] = figures.vectors;
    result["exhaustive"] = figures.exhaustive;
    result["mae"] = figures.mae;
    result["wce"] = figures.wce;
    result["ep"] = figures.ep;
    result["mre"] = figures.mre;
    result["mse"] = figures.mse;
    result["wcre"] = figures.wcre;
    result["histogram"] = figures.histogram;
    return result;
}

}  // namespace

void bindMeasures(py::module_& module, CircuitClass& circuit) {
    module.def("noise", &noise, py::arg("img"), py::arg("kind"), py::arg("level"), py::arg("seed"),
               "The picture with the noise of -q:KIND:LEVEL:SEED (kind sp, rv, gauss or none), same shape.");
    module.def("quality", &quality, py::arg("filtered"), py::arg("reference"),
               "One comparison of NAME.quality.json over the interior: mdpp, psnr (None without error), "
               "ssim, max_error, changed.");
    circuit.def("error", &error, py::arg("op"), py::arg("widths") = py::none(), py::kw_only(),
                py::arg("assignment") = nullptr,
                "The figures of -err:OP:WIDTHS (NAME.error.json); widths as \"8,8\" or a sequence, none "
                "for median, min, max and mean; the histogram keyed by the error.");
}

}  // namespace pellisor::python
