#include "bindings.h"
#include "eval/compiled_circuit.h"
#include "eval/evaluator.h"
#include "eval/image_filter.h"
#include "measure/split_across_threads.h"
#include "model/error.h"

#include <pybind11/numpy.h>

#include <algorithm>
#include <cstring>
#include <exception>
#include <mutex>
#include <numeric>
#include <optional>
#include <vector>

namespace pellisor::python {

namespace {

using Int32Array = py::array_t<std::int32_t, py::array::c_style | py::array::forcecast>;
using ByteArray = py::array_t<std::uint8_t, py::array::c_style | py::array::forcecast>;

// A share of vectors per thread below which starting a thread costs more than it saves.
constexpr std::size_t kVectorsPerThread = 4096;

// Input vectors as int32 rows: an int32 C-contiguous array as it is, other integer arrays converted.
Int32Array inputVectors(const py::array& x, std::int32_t inputs) {
    const char kind = x.dtype().kind();
    if (kind != 'i' && kind != 'u' && kind != 'b') throw py::type_error("x must be an array of integers");
    if (x.ndim() != 2 || x.shape(1) != inputs) {
        throw py::value_error("x must have the shape (n, " + std::to_string(inputs) + ")");
    }
    return Int32Array::ensure(x);
}

// The values of `entries` for every vector, row after row.
class EntryValues {
public:
    EntryValues(const Chromosome& circuit, const FunctionAssignment& assignment,
                std::vector<std::int32_t> entries)
        : circuit_(circuit), assignment_(assignment), entries_(std::move(entries)) {}

    void compute(const std::int32_t* vectors, std::size_t count, std::int32_t* values) const {
        CompiledCircuit::checkEvaluable(circuit_, assignment_);
        // A circuit whose values depend on the evaluations before has them only in the evaluator's order.
        std::optional<CompiledCircuit> compiled;
        if (!CompiledCircuit::dependsOnHistory(circuit_, assignment_))
            compiled = CompiledCircuit::compileEntries(circuit_, assignment_, entries_);
        if (!compiled) return computeInOrder(vectors, count, values);
        std::exception_ptr failure;
        std::mutex failureLock;
        splitAcrossThreads(count, kVectorsPerThread, [&](std::size_t first, std::size_t end) {
            try {
                computeCompiled(*compiled, vectors, first, end, values);
            } catch (...) {
                const std::lock_guard lock(failureLock);
                failure = std::current_exception();
            }
        });
        if (failure) std::rethrow_exception(failure);
    }

private:
    void computeCompiled(const CompiledCircuit& compiled, const std::int32_t* vectors, std::size_t first,
                         std::size_t end, std::int32_t* values) const {
        const auto inputs = static_cast<std::size_t>(circuit_.inputCount);
        CompiledCircuit::Workspace workspace(compiled, CompiledCircuit::kLanes);
        for (std::size_t start = first; start < end; start += CompiledCircuit::kLanes) {
            const std::size_t lanes = std::min(CompiledCircuit::kLanes, end - start);
            for (const std::int32_t k : compiled.inputsRead()) {
                std::int32_t* lane = compiled.inputLanes(workspace, k);
                const std::int32_t* source = vectors + start * inputs + static_cast<std::size_t>(k);
                for (std::size_t j = 0; j < lanes; ++j)
                    lane[j] = source[j * inputs];
            }
            compiled.run(workspace, lanes);
            for (std::size_t p = 0; p < entries_.size(); ++p) {
                const std::int32_t* lane = compiled.entryLanes(workspace, p);
                std::int32_t* target = values + start * entries_.size() + p;
                for (std::size_t j = 0; j < lanes; ++j)
                    target[j * entries_.size()] = lane[j];
            }
        }
    }

    // Vector after vector from the circuit's state as loaded, as a script run evaluates them.
    void computeInOrder(const std::int32_t* vectors, std::size_t count, std::int32_t* values) const {
        Chromosome state = circuit_;
        const auto inputs = static_cast<std::size_t>(circuit_.inputCount);
        for (std::size_t j = 0; j < count; ++j) {
            for (std::size_t k = 0; k < inputs; ++k)
                state.blocks[k].value = vectors[j * inputs + k];
            evaluate(state, assignment_);
            for (std::size_t p = 0; p < entries_.size(); ++p)
                values[j * entries_.size() + p] = state.blocks[static_cast<std::size_t>(entries_[p])].value;
        }
    }

    const Chromosome& circuit_;
    const FunctionAssignment& assignment_;
    std::vector<std::int32_t> entries_;
};

Int32Array entryValues(const PyCircuit& self, const py::array& x, const FunctionAssignment* assignment,
                       std::vector<std::int32_t> entries) {
    const Chromosome& circuit = self.circuit;
    if (!circuit.hasConsistentCircuit()) throw Error(kBadChromosome);
    const Int32Array vectors = inputVectors(x, circuit.inputCount);
    const auto count = static_cast<std::size_t>(vectors.shape(0));
    Int32Array values({static_cast<py::ssize_t>(count), static_cast<py::ssize_t>(entries.size())});
    const EntryValues computation(circuit, chosenAssignment(assignment), std::move(entries));
    const std::int32_t* in = vectors.data();
    std::int32_t* out = values.mutable_data();
    {
        const py::gil_scoped_release released;
        computation.compute(in, count, out);
    }
    return values;
}

Int32Array outputValues(const PyCircuit& self, const py::array& x, const FunctionAssignment* assignment) {
    std::vector<std::int32_t> outputs(static_cast<std::size_t>(std::max(self.circuit.outputCount, 0)));
    std::iota(outputs.begin(), outputs.end(), self.circuit.firstOutput());
    return entryValues(self, x, assignment, std::move(outputs));
}

Int32Array allValues(const PyCircuit& self, const py::array& x, const FunctionAssignment* assignment) {
    std::vector<std::int32_t> entries(static_cast<std::size_t>(self.circuit.blockTotal()));
    std::iota(entries.begin(), entries.end(), 0);
    return entryValues(self, x, assignment, std::move(entries));
}

// A grey picture is filtered as the RGB picture with its value in every channel, and the red channel
// of the result is returned: its interior is the filtered picture and its frame is 255, the frame's red.
ByteArray filtered(const PyCircuit& self, const py::array& image, const FunctionAssignment* assignment) {
    if (image.dtype().kind() != 'u' || image.itemsize() != 1) throw py::type_error("img must be uint8");
    const bool colour = image.ndim() == 3 && image.shape(2) == 3;
    if (!colour && image.ndim() != 2) throw py::value_error("img must have the shape (h, w) or (h, w, 3)");
    const ByteArray source = ByteArray::ensure(image);
    const auto height = static_cast<std::int32_t>(source.shape(0));
    const auto width = static_cast<std::int32_t>(source.shape(1));
    ByteArray result(std::vector<py::ssize_t>(source.shape(), source.shape() + source.ndim()));
    const std::uint8_t* in = source.data();
    std::uint8_t* out = result.mutable_data();
    const FunctionAssignment& chosen = chosenAssignment(assignment);
    Chromosome state = self.circuit;
    {
        const py::gil_scoped_release released;
        const std::size_t pixels = std::size_t(width) * std::size_t(height);
        bool finished = false;
        if (colour) {
            // Read where the array lies and written straight into the result.
            finished = filterImage3x3Into(state, chosen, {in, width, height, std::size_t(width) * 3}, out,
                                          std::size_t(width) * 3);
        } else {
            std::vector<std::uint8_t> rgb(pixels * 3), filteredRgb(pixels * 3);
            for (std::size_t i = 0; i < pixels; ++i)
                std::memset(&rgb[i * 3], in[i], 3);
            finished = filterImage3x3Into(state, chosen, {rgb.data(), width, height, std::size_t(width) * 3},
                                          filteredRgb.data(), std::size_t(width) * 3);
            for (std::size_t i = 0; i < pixels; ++i)
                out[i] = filteredRgb[i * 3];
        }
        if (!finished) throw Error("Filtr 3x3 byl přerušen");
    }
    return result;
}

}  // namespace

void bindEvaluation(CircuitClass& circuit) {
    const auto assignmentArgument = py::arg("assignment") = static_cast<const FunctionAssignment*>(nullptr);
    circuit
        .def("evaluate", &outputValues, py::arg("x"), assignmentArgument,
             "The outputs (n, outputs) int32 for the input vectors x (n, inputs), as the evaluator gives "
             "them.")
        .def("evaluate_blocks", &allValues, py::arg("x"), assignmentArgument,
             "The value of every entry (n, inputs + blocks + outputs) int32 for the input vectors x.")
        .def("filter3x3", &filtered, py::arg("img"), assignmentArgument,
             "The picture (h, w) or (h, w, 3) uint8 filtered by the nine-input circuit, its frame painted as "
             "the program paints it (red; 255 in a grey picture).");
}

}  // namespace pellisor::python
