#pragma once

// The parts of the module, each registered by one file. The circuit class is made first and the other
// parts add their methods to it.

#include "eval/function_assignment.h"
#include "model/chromosome.h"

#include <pybind11/pybind11.h>

#include <string>

namespace pellisor::python {

namespace py = pybind11;

// A circuit as Python sees it: the chromosome with its names, the description a file gave it, and the
// function assignment of a file that carries one (.cgp, .cha); the default assignment otherwise.
struct PyCircuit {
    Chromosome circuit;
    std::string description;
    FunctionAssignment assignment;
    bool carriesAssignment = false;
    std::string fileName;  // the path it was loaded from, which the exports name; empty for a parsed line
};

using CircuitClass = py::class_<PyCircuit>;

// pellisor.Error, raised for every error of the program with its message.
void bindErrors(py::module_& module);
// Circuit (loading, properties, evaluation, filter, optimisation) and Assignment.
CircuitClass bindCircuit(py::module_& module);
// noise, quality, Circuit.error.
void bindMeasures(py::module_& module, CircuitClass& circuit);
// Circuit.to_chr, to_dot, to_vhdl, to_verilog, to_c, to_c_header, to_eps.
void bindExports(py::module_& module, CircuitClass& circuit);

// Circuit.to_svg, which sets its texts with Qt's font metrics as the program does.
void bindSvg(CircuitClass& circuit);

// read_picture and write_picture (BMP, JPEG).
void bindPictures(py::module_& module);

// The assignment a method uses when none is given: Assignment.default().
FunctionAssignment defaultAssignment();

// The assignment given to a method, or the default one for None.
const FunctionAssignment& chosenAssignment(const FunctionAssignment* given);

// Parts of bindCircuit, each in its own file: pellisor.Assignment (made before the circuit, whose
// methods take it), and evaluate, evaluate_blocks and filter3x3.
void bindAssignment(py::module_& module);
void bindEvaluation(CircuitClass& circuit);

}  // namespace pellisor::python
