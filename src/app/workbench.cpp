#include "app/workbench.h"

#include "app/layout_commands.h"
#include "app/settings.h"
#include "app/workbench_edit_scope.h"
#include "eval/evaluator.h"
#include "eval/image_filter.h"
#include "eval/script_runner.h"
#include "export/dot_writer.h"
#include "export/eps_writer.h"
#include "export/vhdl_writer.h"
#include "model/cgp_file.h"
#include "model/chromosome_file.h"
#include "model/chromosome_parser.h"
#include "model/chromosome_writer.h"
#include "model/error.h"
#include "model/file_io.h"
#include "model/file_names.h"
#include "model/integer_text.h"
#include "optimise/redundant_gates.h"
#include "render/auto_place.h"
#include "render/cone.h"

#include <cstdlib>

namespace pellisor {

namespace {

constexpr std::array<const char*, kButtonCount> kButtonNames{
    "SBdt",         "SBok",         "SBuloz",       "SBsnb",   "SBur",       "SBnr",
    "SpeedButton3", "SpeedButton1", "SpeedButton2", "SBautv",  "SBnextcomb", "SBev",
    "SpeedButton4", "SBoptimize",   "SBevf",        "SBVHDL",  "SBDot",      "SBbatch",
    "SBfiltr",      "SBzobv",       "SBkvalita",    "SBchyba", "SBhw",       "SBulset"};

// Enabled at start; every other button waits for a draw.
constexpr std::array<Button, 8> kEnabledAtStart{
    Button::SBdt,   Button::SpeedButton3, Button::SpeedButton1, Button::SpeedButton2,
    Button::SBautv, Button::SpeedButton4, Button::SBoptimize,   Button::SBulset};

// Enabled by a draw exactly while a chromosome file is loaded.
constexpr std::array<Button, 8> kNeedFile{Button::SBur,  Button::SBev,    Button::SBevf,   Button::SBVHDL,
                                          Button::SBDot, Button::SBfiltr, Button::SBbatch, Button::SBhw};

constexpr const char* kAboutText =
    "Vesion: v1.5.2008\n\n"
    "Pellisor: prohlížeč a editor obvodů kartézského genetického programování.\n"
    "Autoři: vývojáři projektu Pellisor";

}  // namespace

const char* buttonName(Button button) {
    return kButtonNames[static_cast<std::size_t>(button)];
}

bool valueEditorAccepts(char typed) {
    return (typed >= '0' && typed <= '9') || typed == '\r' || typed == '\b';
}

Workbench::Workbench(Ui& ui, PictureStore& pictures, std::string settingsPath)
    : ui_(ui), pictures_(pictures), settings_(std::move(settingsPath)) {
    for (const Button button : kEnabledAtStart)
        enable(button, true);
    spacings_ = readSpacingTexts(settings_);
    options_ = readDisplayOptions(settings_, options_);
}

std::string Workbench::drawCaption() const {
    return redrawMode_ ? "Překreslit" : "Vykreslit";
}

bool Workbench::takeShowFunctionPage() {
    const bool show = showFunctionPage_;
    showFunctionPage_ = false;
    return show;
}

// set.ini is read afresh for every drawing and export, so that a hand edit shows at the next one.
FunctionStyles Workbench::shownFunctionLabels() const {
    return options_.functionLabels ? readFunctionLabels(settings_, assignment_) : FunctionStyles{};
}

Scene Workbench::scene() const {
    return Scene{circuit_,           assignment_, options_, shownFunctionLabels(), canvasSize_, description_,
                 ui_.dateTimeText(), dragging_,   symbols_};
}

void Workbench::setStatus(std::string text) {
    statusText_ = std::move(text);
    ui_.stateChanged();
}

void Workbench::repaint() {
    ui_.repaint();
}

// --- the chromosome line, the description and the settings page ---

void Workbench::chromosomeKeyPressed() {
    enable(Button::SBok, !chromosomeLine_.empty());
    ui_.stateChanged();
}

void Workbench::setChromosomeLine(const std::string& text) {
    chromosomeLine_ = text;
    enable(Button::SBuloz, true);
    ui_.stateChanged();
}

void Workbench::setDescription(const std::string& text) {
    description_ = text;
    repaint();
}

void Workbench::setOption(settings::DisplayOption option, bool value) {
    options_[option] = value;
    repaint();
}

void Workbench::setWiring(WiringMode mode) {
    options_.wiring = mode;
    repaint();
}

void Workbench::setSpacingText(settings::Spacing spacing, const std::string& text) {
    spacings_[static_cast<std::size_t>(spacing)] = text;
}

void Workbench::spacingEntered() {
    placeOnGrid(circuit_, spacings_);
    repaint();
}

void Workbench::saveSettingsClicked() {
    saveSettings(settings_, spacings_, options_);
}

// --- the top bar ---

void Workbench::dropCircuitAfterFailedDraw() {
    circuit_.clearCircuit();
    history_.clear();
    currentBlock_ = -1;
    redrawMode_ = false;
    statusText_ = "Vykreslení selhalo";  // no "OK" of an earlier draw stays
    ui_.stateChanged();
    repaint();
}

void Workbench::drawClicked() {
    draw(false);
}

void Workbench::draw(bool placeByDepth) {
    ++drawCount_;
    ParseMode mode = ParseMode::Redraw;
    if (!redrawMode_) {
        redrawMode_ = true;
        showFunctionPage_ = true;
        mode = ParseMode::Draw;
    }
    try {
        const ParseMode used = parseChromosome(chromosomeLine_, mode, circuit_);
        if (used == ParseMode::Draw) placeOnGrid(circuit_, spacings_);
        showSummary();
        if (placeByDepth) autoPlaceClicked();  // by the depths the summary has just computed
    } catch (const Error&) {
        dropCircuitAfterFailedDraw();
        throw;
    }
    history_.clear();  // a draw starts the history afresh; its placement by depth is no step
    currentBlock_ = -1;
    editedBlock_ = -1;
    valueEditor_ = {};
    statusText_ = "OK";
    enable(Button::SBnextcomb, true);
    enable(Button::SBsnb, true);
    enable(Button::SBzobv, true);
    enable(Button::SBkvalita, true);
    enable(Button::SBchyba, true);
    for (const Button button : kNeedFile)
        enable(button, hasFile());
    enable(Button::SBnr, hasFile() && fileExists(changeFileExtension(fileName_, ".ini")));
    memo_.push_back(canvasSizeText(canvasSize_));
    if (const auto hint = gateLevelHint(chromosomeLine_)) ui_.showInformation(*hint);
    ui_.stateChanged();
}

bool Workbench::loadAndDraw(const std::string& path, ExtensionCase extensionCase) {
    openDialogFile_ = path;
    // A layout named for the previous chromosome belongs to it, not to this one.
    layoutFileName_.clear();
    openDialogDirectory_ = fileDirectory(path).empty() ? "." : fileDirectory(path);
    const auto loaded = loadChromosomeFile(
        path, circuit_, fileName_,
        [this](const std::string& title, const std::string& prompt, const std::string& initial) {
            return ui_.askText(title, prompt, initial);
        },
        extensionCase);
    if (loaded) {
        setChromosomeLine(loaded->text);
        description_ = loaded->description;
        // What the circuit's genes mean; the depths of the draw follow it.
        for (const GeneFunction& gene : loaded->functions.genes)
            assignment_.assignGene(gene.gene, gene.identifier);
        assignment_.setCircuitLabels(loaded->functions.labels);
    }
    enable(Button::SBok, true);
    redrawMode_ = false;
    draw(loaded && loaded->placeByDepth);
    if (loaded) loadedFile(path);
    redrawMode_ = false;
    ui_.stateChanged();
    return loaded.has_value();
}

std::string loadCancelledMessage(const std::string& path) {
    return "Načtení souboru " + path + " bylo zrušeno; zůstává předchozí chromozom";
}

void Workbench::openClicked() {
    const auto path = ui_.chooseOpenFile(
        {"", "Chromozom|*.chr|Chromozom vrc|*.vrc|Hradlový obvod cgp|*.cgp|Síť komparátorů cha|*.cha",
         "*.chr", openDialogDirectory_, openDialogFile_, false});
    if (!path || path->empty()) return;
    if (!loadAndDraw(*path)) ui_.showInformation(loadCancelledMessage(*path));
}

void Workbench::inform(const std::string& message) {
    ui_.showInformation(message);
}

void Workbench::saveChromosomeClicked() {
    const auto path = ui_.chooseSaveFile({"", "Chromozom|*.chr", "*.chr", fileDirectory(openDialogFile_),
                                          proposedChromosomeName(openDialogFile_), false});
    if (!path || path->empty()) return;
    saveChromosomeFile(*path, description_, circuit_.inputNames, circuit_.outputNames, chromosomeLine_);
    saved_.setStructureOfLine(chromosomeLine_);
    rememberFile(*path);
    enable(Button::SBuloz, false);
    ui_.stateChanged();
}

// --- the page "Funkce" ---

void Workbench::hideNonFunctionalClicked() {
    const EditScope edit(*this);
    const auto status = hideNonFunctional(circuit_, assignment_);
    if (!status) return;
    statusText_ = *status;
    ui_.stateChanged();
    repaint();
}

void Workbench::saveLayoutClicked() {
    const bool saved = saveLayout(
        layoutPathForSave(fileName_), circuit_, assignment_, options_,
        [this](const std::string& text, const std::string& caption) { return ui_.askYesNo(text, caption); });
    if (saved) {
        saved_.setLayout(circuit_);
        enable(Button::SBnr, true);
        ui_.stateChanged();
    }
}

void Workbench::loadLayoutClicked() {
    const EditScope edit(*this);
    const LayoutLoadResult result = applyLayoutFile();
    if (result.status != LayoutLoadStatus::Applied) ui_.showInformation(result.message);
}

LayoutLoadResult Workbench::applyLayoutFile() {
    LayoutLoadResult result =
        loadLayout(layoutPathForLoad(fileName_, layoutFileName_), circuit_, assignment_, options_);
    if (result.status != LayoutLoadStatus::Applied) return result;
    saved_.setLayout(circuit_);
    ui_.stateChanged();
    if (options_.values) recalculate();
    fitCanvas();
    return result;
}

void Workbench::autoPlaceClicked() {
    const EditScope edit(*this);
    autoPlace(circuit_, spacings_);
    fitCanvas();
}

void Workbench::savePictureClicked() {
    const auto path =
        ui_.chooseSaveFile({"", pictureFilter_, ".bmp", ".", nameWithBlankExtension(fileName_), true});
    if (!path) return;
    const auto format = pictureFormatForName(*path);
    if (!format) throw Error(unknownPictureFormatMessage(*path));
    savePicture(*format, *path);
}

void Workbench::savePicture(PictureFormat format, const std::string& path) {
    if (format == PictureFormat::PostScript) {
        writeFileAtomically(path, [&](const ByteSink& sink) {
            writeEpsText(sink, circuit_, assignment_, options_, description_, shownFunctionLabels());
        });
    } else {
        pictures_.saveSchematic(format, path, scene());
    }
}

void Workbench::aboutClicked() {
    ui_.showInformation(kAboutText);
}

void Workbench::fitCanvas() {
    canvasSize_ = fitCanvasSize(circuit_, options_.hiddenBlocks, options_.footer, ui_.viewportSize());
    repaint();
    setStatus(canvasSizeText(canvasSize_));
}

void Workbench::nextCombinationClicked() {
    nextCombination(circuit_);
    recalculate();
}

void Workbench::recalculate() {
    if (options_.values) {
        try {
            evaluate(circuit_, assignment_);
        } catch (const Error&) {
            repaint();
            throw;
        }
    }
    repaint();
}

void Workbench::detectRedundantClicked() {
    const std::int32_t count = detectRedundant(circuit_, assignment_);
    repaint();
    setStatus(redundantCountText(count));
}

void Workbench::eliminateRedundantClicked() {
    const EditScope edit(*this);
    const std::int32_t count = eliminateRedundant(circuit_, assignment_);
    repaint();
    setStatus(eliminatedCountText(count));
    showSummary();
}

void Workbench::countUsage() {
    for (AssignmentRow& row : assignment_.rows())
        row.usage.clear();
    std::array<std::int64_t, kGeneCount> counts{};
    for (std::int32_t i = circuit_.inputCount; circuit_.hasCircuit() && i < circuit_.firstOutput(); ++i) {
        const Block& block = circuit_.blocks[static_cast<std::size_t>(i)];
        // A gene without a row has no place in the table and is not counted.
        if (block.visible && block.function >= 0 && block.function < kGeneCount) {
            ++counts[static_cast<std::size_t>(block.function)];
        }
    }
    for (std::size_t gene = 0; gene < counts.size(); ++gene) {
        if (counts[gene] > 0) assignment_.rows()[gene].usage = std::to_string(counts[gene]) + "x";
    }
}

void Workbench::functionAssignmentClicked() {
    if (!assignmentLoaded_) {
        assignmentLoaded_ = true;
        assignment_.loadAssignment(settings_);
        return;
    }
    assignment_.refreshLabels();
    countUsage();
    ui_.showFunctionDialog();
    showSummary();
}

void Workbench::chooseFunction(std::int32_t gene, std::int32_t id) {
    assignment_.chooseFunction(gene, id);
}

std::string Workbench::assignmentTableText() const {
    std::string text;
    for (const AssignmentRow& row : assignment_.rows()) {
        text += std::to_string(row.identifier) + "\t" + row.description + "\t" + row.usage + "\r\n";
    }
    return text;
}

void Workbench::copyAssignmentClicked() {
    ui_.setClipboard(assignmentTableText());
}

void Workbench::saveAssignmentClicked() {
    assignment_.saveAssignment(settings_);
}

void Workbench::writeDot(const std::string& path) {
    const FunctionStyles styles = readFunctionStyles(settings_, assignment_);
    writeFileAtomically(path, [&](const ByteSink& sink) {
        writeDotText(sink, circuit_, assignment_, options_.values, fileName_, styles);
    });
}

void Workbench::writeVhdl(const std::string& path) {
    writeFileAtomically(path, [&](const ByteSink& sink) { writeVhdlText(sink, circuit_, fileName_); });
}

void Workbench::generateDotClicked() {
    const auto path = ui_.chooseSaveFile(
        {"", "DOT file|*.dot", "*.dot", fileDirectory(fileName_), nameWithBlankExtension(fileName_), true});
    if (path && !path->empty()) writeDot(*path);
}

void Workbench::generateVhdlClicked() {
    const auto path =
        ui_.chooseSaveFile({"", "VHDL file|*.vhd", "*.vhd", fileDirectory(fileName_), "", true});
    if (path && !path->empty()) writeVhdl(*path);
}

void Workbench::runScript(const std::string& path, bool showLog) {
    std::string clipboard;
    try {
        clipboard = pellisor::runScript(path, circuit_, assignment_, description_, logLines_);
    } catch (const Error&) {
        ui_.stateChanged();
        throw;
    }
    ui_.setClipboard(clipboard);
    if (showLog) ui_.showLog(logLines_);
}

void Workbench::runScript(const std::string& path, ScriptResultSink& results) {
    try {
        runScriptInto(path, circuit_, assignment_, description_, results);
    } catch (const Error&) {
        ui_.stateChanged();
        throw;
    }
}

void Workbench::runScriptClicked() {
    if (circuit_.outputCount == 0 || circuit_.inputCount == 0) return;
    const auto path =
        ui_.chooseOpenFile({"", "Skript - binární hodnoty|*.csb|Skript - decimální hodnoty|*.csd", ".csb",
                            openDialogDirectory_, "", false});
    if (!path || path->empty()) return;
    openDialogFile_ = *path;
    runScript(*path, true);
    openDialogDirectory_ = fileDirectory(*path).empty() ? "." : fileDirectory(*path);
    recalculate();
}

void Workbench::filterImageClicked() {
    if (circuit_.outputCount == 0 || circuit_.inputCount != 9) return;
    pictureFilter_ = "Bitmaps|*.bmp";
    const auto sourcePath = ui_.chooseOpenFile({"", "Bitmaps|*.bmp", ".bmp", "", "", false});
    if (!sourcePath || sourcePath->empty()) return;
    filterChosenPicture(*sourcePath);
}

void Workbench::filterChosenPicture(const std::string& sourcePath) {
    pictureFilter_ = "Bitmaps|*.bmp";
    const auto result = filterPicture(sourcePath);
    if (!result) return;
    const auto targetPath = ui_.chooseSaveFile({"", pictureFilter_, ".bmp", "", "", true});
    if (!targetPath || targetPath->empty()) return;
    pictures_.saveBitmap(*targetPath, *result);
}

std::optional<Workbench::FilterRun> Workbench::filterPictureFile(const std::string& source,
                                                                 const std::string& target) {
    FilterRun run{pictures_.loadBitmap(source), {}};
    auto result = ui_.runFilterJob([&](FilterProgress& progress) {
        return filterImage3x3(circuit_, assignment_, run.source, &progress);
    });
    if (!result) return std::nullopt;
    pictures_.saveBitmap(target, *result);
    run.result = std::move(*result);
    return run;
}

std::optional<RgbImage> Workbench::filterPicture(const std::string& sourcePath) {
    const RgbImage source = pictures_.loadBitmap(sourcePath);
    return ui_.runFilterJob(
        [&](FilterProgress& progress) { return filterImage3x3(circuit_, assignment_, source, &progress); });
}

void Workbench::showSummary() {
    memo_ = pellisor::showSummary(circuit_, assignment_);
    fitCanvas();
}

}  // namespace pellisor
