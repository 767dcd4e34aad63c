// The workbench's commands that write out the circuit as it is now, after eliminations, swapped
// inputs or moves: into the chromosome line, or as a chromosome file with its layout.
#include "app/layout_commands.h"
#include "app/workbench.h"
#include "model/chromosome_line.h"
#include "model/chromosome_writer.h"
#include "model/file_names.h"

namespace pellisor {

void Workbench::chromosomeFromCircuitClicked() {
    if (!circuit_.hasCircuit()) return;
    // Only the line changes: the draw button stays in its mode, so a redraw keeps positions and marks.
    setChromosomeLine(chromosomeLineOf(circuit_));
}

void Workbench::writeCircuitFiles(const std::string& path) {
    const std::string line = chromosomeLineOf(circuit_);  // before anything is written
    saveChromosomeFile(path, description_, circuit_.inputNames, circuit_.outputNames, line,
                       DescriptionLine::ReadBackAsIs);
    // The layout is asked for with the file: an older one is replaced without a question.
    saveLayout(changeFileExtension(path, ".ini"), circuit_, assignment_, options_,
               [](const std::string&, const std::string&) { return true; });
}

}  // namespace pellisor
