// The workbench's undo and redo of the canvas edits, what counts as a change since the last load or
// save, "Uložit jako" and the list of recent files.
#include "app/recent_files.h"
#include "app/workbench.h"
#include "model/chromosome_line.h"
#include "model/chromosome_writer.h"
#include "model/error.h"
#include "model/file_io.h"
#include "model/file_names.h"

#include <algorithm>

namespace pellisor {

bool Workbench::canUndo() const {
    return history_.canUndo() && !dragging_;
}

bool Workbench::canRedo() const {
    return history_.canRedo() && !dragging_;
}

EditState Workbench::editState() const {
    EditState state{circuit_.blocks, memo_, canvasSize_, options_.hiddenBlocks, options_.values, {}};
    state.functions.reserve(assignment_.rows().size());
    for (const AssignmentRow& row : assignment_.rows())
        state.functions.push_back({row.identifier, row.description});
    return state;
}

void Workbench::restoreEditState(EditState state) {
    circuit_.blocks = std::move(state.blocks);
    memo_ = std::move(state.memo);
    options_.hiddenBlocks = state.hiddenBlocks;
    options_.values = state.values;
    for (std::size_t row = 0; row < state.functions.size() && row < assignment_.rows().size(); ++row) {
        assignment_.rows()[row].identifier = state.functions[row].identifier;
        assignment_.rows()[row].description = state.functions[row].description;
    }
    // The canvas the state had (a drag never refits it, "Přizpůsobit" does), never less than the viewport.
    const CanvasSize viewport = ui_.viewportSize();
    canvasSize_ = {std::max(state.canvas.width, viewport.width),
                   std::max(state.canvas.height, viewport.height)};
    // The entry under the mouse and the value editor belonged to the state left.
    currentBlock_ = -1;
    editedBlock_ = -1;
    valueEditor_ = {};
    ui_.stateChanged();
    repaint();
}

void Workbench::undoClicked() {
    if (!canUndo()) return;
    EditState state = editState();
    history_.undo(state);
    restoreEditState(std::move(state));
}

void Workbench::redoClicked() {
    if (!canRedo()) return;
    EditState state = editState();
    history_.redo(state);
    restoreEditState(std::move(state));
}

bool Workbench::modified() const {
    return circuit_.hasCircuit() && saved_.differs(circuit_);
}

void Workbench::loadedFile(const std::string& path) {
    saved_.setStructure(circuit_);
    saved_.setLayout(circuit_);
    rememberFile(path);
}

bool Workbench::saveAsClicked() {
    if (!circuit_.hasCircuit()) throw Error(kNoCircuitToWrite);
    const std::string current = hasFile() ? fileName_ : openDialogFile_;
    const auto path = ui_.chooseSaveFile(
        {"", "Chromozom|*.chr", "*.chr", fileDirectory(current), proposedChromosomeName(current), true});
    if (!path || path->empty()) return false;
    saveCircuitAs(*path);
    return true;
}

void Workbench::saveCircuitAs(const std::string& path) {
    if (changeFileExtension(path, ".ini") == path) {
        throw Error("Soubor " + path + " nelze uložit: rozmístění by se zapsalo do téhož souboru");
    }
    writeCircuitFiles(path);
    fileName_ = path;
    openDialogFile_ = path;
    openDialogDirectory_ = fileDirectory(path).empty() ? "." : fileDirectory(path);
    layoutFileName_.clear();  // the layout is now the one beside the file
    saved_.setStructure(circuit_);
    saved_.setLayout(circuit_);
    rememberFile(path);
    ui_.stateChanged();
}

void Workbench::keepRecentFiles() {
    keepRecentFiles_ = true;
    recentFiles_ = readRecentFiles(settings_);
}

void Workbench::rememberFile(const std::string& path) {
    if (!keepRecentFiles_) return;
    // Read afresh: another window may have changed the list meanwhile.
    recentFiles_ = withRecentFile(readRecentFiles(settings_), path);
    try {
        writeRecentFiles(settings_, recentFiles_);
    } catch (const std::exception&) {
        // An unwritable set.ini costs only the list's memory across runs; the load or save stands.
    }
}

void Workbench::openRecentFile(std::size_t index) {
    if (index >= recentFiles_.size()) return;
    const std::string path = recentFiles_[index];
    if (!fileExists(path)) {
        recentFiles_.erase(recentFiles_.begin() + static_cast<std::ptrdiff_t>(index));
        try {
            writeRecentFiles(settings_, recentFiles_);
        } catch (const std::exception&) {
        }
        ui_.stateChanged();
        throw Error("Soubor " + path + " již neexistuje; byl odebrán ze seznamu posledních souborů");
    }
    if (!loadAndDraw(path)) ui_.showInformation(loadCancelledMessage(path));
}

}  // namespace pellisor
