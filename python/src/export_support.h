#pragma once

#include "bindings.h"
#include "model/settings_file.h"

#include <optional>
#include <string>

namespace pellisor::python {

// The texts are UTF-8 but pass through whatever bytes a file gave its names: those stay as surrogate
// escapes, so that text.encode("utf-8", "surrogateescape") is the file.
py::str textOf(const std::string& bytes);

// The display options and function labels of a program without set.ini.
const SettingsFile& noSettings();

// The file the first line of an export names: the one given, else the one the circuit came from.
std::string sourceName(const PyCircuit& circuit, const std::optional<std::string>& fileName);

// The circuit placed as a load draws it: on the grid of the default spacings, or by depth for a
// converted gate-level circuit or comparator network (the files that carry their own assignment).
Chromosome drawnCircuit(const PyCircuit& circuit, const FunctionAssignment& assignment);

}  // namespace pellisor::python
