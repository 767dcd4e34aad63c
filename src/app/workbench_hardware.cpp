// The workbench's commands that write the circuit for hardware and software flows: the Verilog of
// the filter, the processing elements, the testbenches and the C model.
#include "app/workbench.h"
#include "eval/test_vectors.h"
#include "export/c_model_writer.h"
#include "export/processing_element_writer.h"
#include "export/testbench_writer.h"
#include "export/verilog_writer.h"
#include "model/file_names.h"

namespace pellisor {

void Workbench::writeVerilog(const std::string& path) {
    writeFileAtomically(path, [&](const ByteSink& sink) { writeVerilogText(sink, circuit_, fileName_); });
}

void Workbench::writeProcessingElements(const std::string& vhdlPath, const std::string& verilogPath) {
    writeFileAtomically(vhdlPath,
                        [&](const ByteSink& sink) { writeProcessingElementsVhdl(sink, assignment_); });
    writeFileAtomically(verilogPath,
                        [&](const ByteSink& sink) { writeProcessingElementsVerilog(sink, assignment_); });
}

void Workbench::writeTestbenches(const std::string& vhdlPath, const std::string& verilogPath,
                                 const std::string& scriptPath) {
    // All vectors are evaluated before anything is written: an evaluation error leaves no file.
    const TestVectors vectors = scriptPath.empty()
                                    ? randomTestVectors(circuit_, assignment_)
                                    : scriptTestVectors(scriptPath, circuit_, assignment_, description_);
    writeFileAtomically(
        vhdlPath, [&](const ByteSink& sink) { writeVhdlTestbench(sink, circuit_, vectors, fileName_); });
    writeFileAtomically(verilogPath, [&](const ByteSink& sink) {
        writeVerilogTestbench(sink, circuit_, vectors, fileName_);
    });
}

void Workbench::writeCModel(const std::string& sourcePath, const std::string& headerPath) {
    const std::string name = cModelFunctionName(sourcePath);
    // The source first: it raises the evaluator's errors before either file is written.
    writeFileAtomically(sourcePath, [&](const ByteSink& sink) {
        writeCModelSource(sink, circuit_, assignment_, name, fileName_);
    });
    writeFileAtomically(headerPath,
                        [&](const ByteSink& sink) { writeCModelHeader(sink, circuit_, name, fileName_); });
}

void Workbench::generateHardwareClicked() {
    const auto path = ui_.chooseSaveFile({"", "Verilog file|*.v", "*.v", fileDirectory(fileName_), "", true});
    if (!path || path->empty()) return;
    const std::string base = changeFileExtension(*path, "");
    writeVerilog(*path);
    writeProcessingElements(base + ".pe.vhd", base + ".pe.v");
    writeTestbenches(base + "_tb.vhd", base + "_tb.v", "");
}

}  // namespace pellisor
