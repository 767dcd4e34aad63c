#pragma once

#include "app/edit_history.h"
#include "app/picture_store.h"
#include "app/quality_measurement.h"
#include "app/saved_circuit.h"
#include "app/ui.h"
#include "eval/function_assignment.h"
#include "measure/error_metrics.h"
#include "model/chromosome.h"
#include "model/chromosome_file.h"
#include "model/layout_file.h"
#include "model/settings_file.h"
#include "render/display_options.h"
#include "render/geometry.h"
#include "render/renderer.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace pellisor {

class ScriptResultSink;

// The buttons of the main window, named as their controls are.
enum class Button : int {
    SBdt,
    SBok,
    SBuloz,  // top bar
    SBsnb,
    SBur,
    SBnr,
    SpeedButton3,
    SpeedButton1,
    SpeedButton2,
    SBautv,
    SBnextcomb,
    SBev,
    SpeedButton4,
    SBoptimize,
    SBevf,
    SBVHDL,
    SBDot,
    SBbatch,
    SBfiltr,
    SBzobv,
    SBkvalita,
    SBchyba,
    SBhw,     // page "Funkce"
    SBulset,  // page "Nastavení"
};
inline constexpr int kButtonCount = 24;
const char* buttonName(Button button);

enum class MouseButton { Left, Middle, Right };
enum class CursorShape { Default, Move, VerticalResize };

// What a mouse press asks the window to do besides repainting.
struct MousePressResult {
    bool openPopup = false;           // show the popup menu at the mouse
    bool changeValueEnabled = false;  // its item "Změnit hodnotu"
};

// The value editor laid over a primary input's label, in canvas coordinates.
struct ValueEditorState {
    bool open = false;
    std::int32_t x = 0;
    std::int32_t y = 0;
    std::string text;
};

// What the user is told when a .vrc question was cancelled.
std::string loadCancelledMessage(const std::string& path);

// Whether the value editor lets a typed character through: digits, Enter and Backspace only.
bool valueEditorAccepts(char typed);

// What a file dropped on the window is taken for, by its extension in any case.
enum class DroppedFile { Unknown, Chromosome, Layout, Picture };
DroppedFile droppedFileKind(const std::string& path);

// The one circuit with its companions and every command of the main window. The window and the
// unattended run both drive it; it asks and tells through the Ui and keeps its pictures in the
// PictureStore. Commands raise Error; the window shows it, the start-up ends on it.
class Workbench {
public:
    Workbench(Ui& ui, PictureStore& pictures, std::string settingsPath);

    // --- state the controls show ---
    const Chromosome& circuit() const { return circuit_; }
    Chromosome& circuit() { return circuit_; }
    FunctionAssignment& assignment() { return assignment_; }
    const FunctionAssignment& assignment() const { return assignment_; }
    const SettingsFile& settings() const { return settings_; }
    SettingsFile& settings() { return settings_; }

    const std::string& chromosomeLine() const { return chromosomeLine_; }  // Edit1
    const std::string& description() const { return description_; }        // EPopis
    const std::string& statusText() const { return statusText_; }
    const std::vector<std::string>& memo() const { return memo_; }
    const std::vector<std::string>& logLines() const { return logLines_; }
    const std::string& fileName() const { return fileName_; }
    const std::string& layoutFileName() const { return layoutFileName_; }
    void setLayoutFileName(std::string name) { layoutFileName_ = std::move(name); }
    std::int32_t currentBlock() const { return currentBlock_; }
    std::int32_t editedBlock() const { return editedBlock_; }
    bool dragging() const { return dragging_; }
    // How many draw commands have run: what the view marks on a circuit lasts until the next one.
    std::uint64_t drawCount() const { return drawCount_; }
    bool enabled(Button button) const { return enabled_[static_cast<std::size_t>(button)]; }
    // The draw button's caption: "Vykreslit" in draw mode, "Překreslit" in redraw mode.
    std::string drawCaption() const;
    const DisplayOptions& options() const { return options_; }
    const SpacingTexts& spacings() const { return spacings_; }
    CanvasSize canvasSize() const { return canvasSize_; }
    const ValueEditorState& valueEditor() const { return valueEditor_; }
    CursorShape cursor() const { return cursor_; }
    // True after a draw asked for the page "Funkce" to be shown; the window clears it.
    bool takeShowFunctionPage();
    void setSymbolSheet(SymbolSheet sheet) { symbols_ = sheet; }

    // The scene the canvas is painted from.
    Scene scene() const;

    // --- the chromosome line, the description and the settings page ---
    // A key press in the chromosome line, before the key takes effect.
    void chromosomeKeyPressed();
    // Any change of the line's text (typed, pasted or set).
    void setChromosomeLine(const std::string& text);
    void setDescription(const std::string& text);
    void setOption(settings::DisplayOption option, bool value);
    void setWiring(WiringMode mode);
    void setSpacingText(settings::Spacing spacing, const std::string& text);
    // Enter in a spacing field: the grid placement with the new spacings, and a repaint.
    void spacingEntered();
    void saveSettingsClicked();  // SBulset

    // --- the top bar ---
    void drawClicked();            // SBok
    void openClicked();            // SBdt
    void saveChromosomeClicked();  // SBuloz
    // Loads a chromosome file and draws it in draw mode, as the open command does. False when a .vrc
    // question was cancelled: the previous line was drawn again.
    bool loadAndDraw(const std::string& path, ExtensionCase extensionCase = ExtensionCase::Exact);

    // --- the page "Funkce" ---
    void hideNonFunctionalClicked();  // SBsnb
    void saveLayoutClicked();         // SBur
    void loadLayoutClicked();         // SBnr
    // The load of "Načíst rozmístění" without telling the user why nothing was applied.
    LayoutLoadResult applyLayoutFile();
    void autoPlaceClicked();           // SpeedButton3
    void savePictureClicked();         // SpeedButton1
    void aboutClicked();               // SpeedButton2
    void fitCanvas();                  // SBautv
    void nextCombinationClicked();     // SBnextcomb
    void recalculate();                // SBev
    void detectRedundantClicked();     // SpeedButton4
    void eliminateRedundantClicked();  // SBoptimize
    void functionAssignmentClicked();  // SBevf
    void generateVhdlClicked();        // SBVHDL
    void generateDotClicked();         // SBDot
    // Asks for NAME.v and writes it with NAME.pe.vhd, NAME.pe.v, NAME_tb.vhd and NAME_tb.v.
    void generateHardwareClicked();  // SBhw
    void runScriptClicked();         // SBbatch
    void filterImageClicked();       // SBfiltr
    // What "Vyfiltrovat obraz 3x3" does once the source is chosen: the filter job, then the save dialog.
    void filterChosenPicture(const std::string& sourcePath);
    // A file dropped on the window: a chromosome file is loaded as "&Načíst" loads it, a layout applied
    // as "Načíst rozmístění" applies it, a bitmap offered to the filter; other kinds are refused.
    void fileDropped(const std::string& path);
    // The chromosome line rewritten from the circuit in memory, so that "Uložit" saves what is drawn;
    // nothing without a circuit.
    void chromosomeFromCircuitClicked();  // SBzobv
    // The filter of SBfiltr between two BMP files: `source` filtered with the circuit as a 3x3 filter
    // into `target`. A circuit that is not a 3x3 filter raises an Error after the source is read.
    // Returns the picture read and the result; nothing when the job was cancelled.
    struct FilterRun {
        RgbImage source;
        RgbImage result;
    };
    std::optional<FilterRun> filterPictureFile(const std::string& source, const std::string& target);

    // --- the measurement dialogs ---
    void filterQualityClicked();  // SBkvalita: the dialog "Kvalita filtru"
    void circuitErrorClicked();   // SBchyba: the dialog "Chyba obvodu"
    // The reference picture chosen in a file dialog; nothing when cancelled.
    std::optional<std::string> chooseReferencePicture();
    // Reads the reference and measures the circuit as a filter of its noisy copy, as the filter job
    // runs; nothing when the job was cancelled. A circuit that is no 3x3 filter raises an Error.
    std::optional<QualityRun> measureFilterQuality(const std::string& referencePath,
                                                   const NoiseSettings& noise);
    // Asks for the name of the report and writes it with the noisy, filtered and difference pictures.
    void saveQualityClicked(const QualityRun& run);
    // The report and the pictures of a run under the names `files` gives; none may replace the
    // reference.
    void saveQualityRun(const QualityRun& run, const QualityFiles& files);
    // What a function block computes over the run's noisy picture, as 8-bit values per channel;
    // nothing for an entry that is no function block of the circuit.
    std::optional<RgbImage> blockPictureOf(const QualityRun& run, std::int32_t block) const;
    // The error statistics of the circuit against an operation; a circuit that does not fit raises
    // an Error.
    ErrorFigures measureCircuitError(const ErrorSettings& settings) const;
    // Asks for the name of the report and writes NAME.error.json.
    void saveErrorClicked(const ErrorSettings& settings, const ErrorFigures& figures);

    // --- what the buttons and the command line share ---
    void inform(const std::string& message);
    PictureStore& pictures() { return pictures_; }
    void showSummary();
    void savePicture(PictureFormat format, const std::string& path);
    void writeDot(const std::string& path);
    void writeVhdl(const std::string& path);
    // The structural Verilog of the filter, as the VHDL.
    void writeVerilog(const std::string& path);
    // The processing-element library of the current function assignment, in VHDL and in Verilog.
    void writeProcessingElements(const std::string& vhdlPath, const std::string& verilogPath);
    // The testbenches of the filter: with the vectors of `scriptPath` as a script run evaluates them, or
    // with random vectors when it is empty; the expected values are the evaluator's.
    void writeTestbenches(const std::string& vhdlPath, const std::string& verilogPath,
                          const std::string& scriptPath);
    // The C model at `sourcePath` with its header at `headerPath`; the function is named after
    // `sourcePath`.
    void writeCModel(const std::string& sourcePath, const std::string& headerPath);
    // The circuit as it is now as a .chr file at `path` (description and names kept) and its layout
    // beside it (`path` with the extension ".ini"), replaced without a question.
    void writeCircuitFiles(const std::string& path);
    // Runs a script into the result log (shown when `showLog`), the clipboard gets the results.
    void runScript(const std::string& path, bool showLog);
    // Runs a script unattended: its lines go to `results` as they come, the log and the clipboard stay.
    void runScript(const std::string& path, ScriptResultSink& results);

    // --- the function assignment dialog ---
    void chooseFunction(std::int32_t gene, std::int32_t id);
    void copyAssignmentClicked();  // "Kopírovat"
    void saveAssignmentClicked();  // "Uložit jako default"
    // The clipboard text of the table: identifier, tab, description, tab, usage, CR LF per gene.
    std::string assignmentTableText() const;

    // --- the canvas ---
    void mouseMoved(std::int32_t x, std::int32_t y, bool shift);
    MousePressResult mousePressed(MouseButton button, std::int32_t x, std::int32_t y, bool shift, bool ctrl,
                                  bool doubleClick);
    void mouseReleased();
    void toggleVisibilityClicked();  // "Skrýt/Zobrazit blok"
    void swapInputsClicked();        // "Prohodit vstupy 0 a 1"
    void openValueEditor();          // "Změnit hodnotu", double click on an input
    // What the value editor holds while the user types; a press on the canvas commits it.
    void setValueEditorText(const std::string& text) { valueEditor_.text = text; }
    // Enter in the value editor with its text.
    void commitValueEditor(const std::string& text);

    // --- undo, redo, the saved state and the recent files (workbench_history.cpp) ---
    bool canUndo() const;
    bool canRedo() const;
    void undoClicked();  // "Zpět"
    void redoClicked();  // "Znovu"
    // Whether the circuit or its layout differs from what was last loaded or saved.
    bool modified() const;
    // "Uložit jako": asks for a .chr name and writes the circuit with its layout; false when cancelled.
    bool saveAsClicked();
    // Writes as writeCircuitFiles does and makes `path` the loaded file; a name ending in ".ini", which
    // the layout would take, raises an Error.
    void saveCircuitAs(const std::string& path);
    // Loads and saves of chromosome files are remembered in set.ini from now on (the window's, not a run's).
    void keepRecentFiles();
    const std::vector<std::string>& recentFiles() const { return recentFiles_; }
    // Loads a file of the list as the open command does; one that no longer exists leaves the list.
    void openRecentFile(std::size_t index);

private:
    class EditScope;  // app/workbench_edit_scope.h
    EditState editState() const;
    void restoreEditState(EditState state);
    void rememberFile(const std::string& path);
    void loadedFile(const std::string& path);  // a load drew the file: both baselines, the list
    void enable(Button button, bool on) { enabled_[static_cast<std::size_t>(button)] = on; }
    // The function labels a drawing or the picture writer shows, read afresh from set.ini.
    FunctionStyles shownFunctionLabels() const;
    void setStatus(std::string text);
    void repaint();
    void dropCircuitAfterFailedDraw();
    // The draw command; a converted circuit is then placed by depth.
    void draw(bool placeByDepth);
    void countUsage();
    // Reads a BMP picture and filters it as the filter job; nothing when the job was cancelled.
    std::optional<RgbImage> filterPicture(const std::string& sourcePath);
    bool hasFile() const { return !fileName_.empty(); }

    Ui& ui_;
    PictureStore& pictures_;
    SettingsFile settings_;
    Chromosome circuit_;
    FunctionAssignment assignment_;
    bool assignmentLoaded_ = false;

    std::string fileName_;
    std::string layoutFileName_;
    std::int32_t currentBlock_ = -1;
    std::int32_t editedBlock_ = -1;
    // The open dialog's current file (last chromosome or script chosen) and directory.
    std::string openDialogFile_;
    std::string openDialogDirectory_ = ".";
    // After a filter run the picture save dialog offers only bitmaps.
    std::string pictureFilter_ =
        "Bitmaps (*.bmp)|*.bmp|Jpegs (*.jpg)|*.jpg|PostScript (*.ps)|*.ps|"
        "SVG (*.svg)|*.svg|PDF (*.pdf)|*.pdf|PNG (*.png)|*.png";

    std::string chromosomeLine_;
    std::string description_;
    std::string statusText_;
    std::vector<std::string> memo_{""};
    std::vector<std::string> logLines_;
    std::array<bool, kButtonCount> enabled_{};
    bool redrawMode_ = false;
    std::uint64_t drawCount_ = 0;
    bool showFunctionPage_ = false;

    DisplayOptions options_;
    SpacingTexts spacings_;
    CanvasSize canvasSize_;
    SymbolSheet symbols_;

    bool dragging_ = false;
    std::int32_t axisLock_ = 0;  // 0 free, 1 only y follows the mouse, 2 only x
    std::int32_t lastMouseX_ = 0;
    std::int32_t lastMouseY_ = 0;
    CursorShape cursor_ = CursorShape::Default;
    ValueEditorState valueEditor_;

    EditHistory history_;
    std::optional<EditState> dragStart_;  // the state at the press that began a drag
    SavedCircuit saved_;
    bool keepRecentFiles_ = false;
    std::vector<std::string> recentFiles_;
};

}  // namespace pellisor
