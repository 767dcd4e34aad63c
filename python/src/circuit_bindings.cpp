#include "bindings.h"

namespace pellisor::python {

void bindErrors(py::module_&) {}

CircuitClass bindCircuit(py::module_& module) {
    return CircuitClass(module, "Circuit");
}

FunctionAssignment defaultAssignment() {
    return FunctionAssignment();
}

}  // namespace pellisor::python
