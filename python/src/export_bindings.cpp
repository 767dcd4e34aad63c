#include "bindings.h"

namespace pellisor::python {

void bindExports(py::module_&, CircuitClass&) {}

}  // namespace pellisor::python
