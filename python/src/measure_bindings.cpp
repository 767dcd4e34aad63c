#include "bindings.h"

namespace pellisor::python {

void bindMeasures(py::module_&, CircuitClass&) {}

}  // namespace pellisor::python
