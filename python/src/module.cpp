#include "bindings.h"

PYBIND11_MODULE(pellisor, module) {
    using namespace pellisor::python;
    module.doc() =
        "Cartesian Genetic Programming circuits: loading, evaluation, the 3x3 filter, metrics, exports";
    bindErrors(module);
    CircuitClass circuit = bindCircuit(module);
    bindMeasures(module, circuit);
    bindExports(module, circuit);
    bindSvg(circuit);
    bindPictures(module);
}
