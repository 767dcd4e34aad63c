#include "app/command_line.h"

#include "app/measure_commands.h"
#include "app/quality_commands.h"
#include "app/run_inputs.h"
#include "app/workbench.h"
#include "eval/script_result_sink.h"
#include "model/error.h"
#include "model/file_io.h"
#include "model/file_names.h"
#include "model/layout_file.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <optional>
#include <ostream>
#include <variant>

namespace pellisor {

namespace {

constexpr const char* kFilterPrefix = "-f:";
constexpr const char* kWritePrefix = "-w:";
constexpr const char* kErrorPrefix = "-err:";
constexpr const char* kReferencePrefix = "-ref:";
constexpr const char* kNoisePrefix = "-q:";

bool contains(const std::string& text, const char* part) {
    return text.find(part) != std::string::npos;
}

std::string currentDirectory() {
    std::string buffer(256, '\0');
    for (;;) {
        if (::getcwd(buffer.data(), buffer.size()) != nullptr) {
            buffer.resize(std::strlen(buffer.c_str()));
            return buffer;
        }
        if (errno != ERANGE) {
            throw Error(std::string("Pracovní adresář nelze zjistit (") + std::strerror(errno) + ")");
        }
        buffer.resize(buffer.size() * 2);
    }
}

// A bare name is remembered with the working directory in front, so outputs land there.
std::string chromosomePathOf(const std::string& argument) {
    if (!fileDirectory(argument).empty()) return argument;
    return currentDirectory() + "/" + argument;
}

class ArgumentWalker {
public:
    ArgumentWalker(Workbench& workbench, bool unattended, std::ostream& warnings)
        : workbench_(workbench), unattended_(unattended), warnings_(warnings), quality_(workbench) {}

    void fileArgument(const std::string& argument) {
        bool known = false;
        if (contains(argument, ".chr") || contains(argument, ".vrc") || contains(argument, ".cgp") ||
            contains(argument, ".cha")) {
            known = true;
            inputs_.noteRead(argument);
            if (workbench_.loadAndDraw(argument)) {
                chromosomePath_ = chromosomePathOf(argument);
                measures_.circuitLoaded();
            } else {
                // The previous circuit is still drawn: outputs named after this file would lie.
                failedCondition(loadCancelledMessage(argument));
            }
        }
        if (contains(argument, ".csb") || contains(argument, ".csd")) {
            known = true;
            scriptPath_ = argument;
        }
        if (contains(argument, ".ini")) {
            known = true;
            // The layout loader would otherwise act on no circuit.
            if (chromosomePath_.empty()) {
                throw Error("Rozmístění " + argument + " nelze načíst: není načten žádný chromozom");
            }
            workbench_.setLayoutFileName(argument);
            applyLayout();
        }
        if (!known) warnings_ << "pellisor: soubor neznámého druhu ignorován: " << argument << '\n';
    }

    void option(const std::string& option) {
        if (option == "-x") {
            walk_.endRequested = true;
        } else if (option == "-s") {
            runScript();
        } else if (option.starts_with(kReferencePrefix)) {
            setReference(option.substr(std::strlen(kReferencePrefix)));
        } else if (!isCircuitOption(option)) {
            warnings_ << "pellisor: neznámá volba ignorována: " << option << '\n';
        } else if (!chromosomePath_.empty()) {
            circuitOption(option);
        } else {
            failedCondition("Volbu " + option + " nelze provést: není načten žádný chromozom");
        }
    }

    const ArgumentWalk& walk() const { return walk_; }

private:
    static bool isCircuitOption(const std::string& option) {
        static const std::vector<std::string> kOptions{"-o:jpg",   "-o:bmp",    "-o:ps",  "-o:dot", "-o:vhd",
                                                       "-o:v",     "-o:hdl",    "-o:tb",  "-o:c",   "-o:lut",
                                                       "-next",    "-opt",      "-h",     "-i",     "-auto",
                                                       "-o:stats", "-o:blocks", "-o:svg", "-o:pdf", "-o:png"};
        return std::find(kOptions.begin(), kOptions.end(), option) != kOptions.end() ||
               option.starts_with(kFilterPrefix) || option.starts_with(kWritePrefix) ||
               option.starts_with(kErrorPrefix) || option.starts_with(kNoisePrefix);
    }

    // An output file named after the chromosome; never one the run has read.
    std::string output(const char* extension) const {
        std::string path = changeFileExtension(chromosomePath_, extension);
        inputs_.refuseOverwrite(path);
        return path;
    }

    // A request that cannot be carried out: unattended that ends the run; in the window the user is
    // told and the run goes on, as the buttons do.
    void failedCondition(const std::string& message) {
        if (unattended_) throw Error(message);
        workbench_.inform(message);
    }

    void applyLayout() {
        inputs_.noteRead(layoutPathForLoad(workbench_.fileName(), workbench_.layoutFileName()));
        const LayoutLoadResult result = workbench_.applyLayoutFile();
        if (result.status != LayoutLoadStatus::Applied) failedCondition(result.message);
    }

    void circuitOption(const std::string& option) {
        if (option == "-o:jpg") {
            workbench_.savePicture(PictureFormat::Jpeg, output(".jpg"));
        } else if (option == "-o:bmp") {
            workbench_.savePicture(PictureFormat::Bitmap, output(".bmp"));
        } else if (option == "-o:ps") {
            workbench_.savePicture(PictureFormat::PostScript, output(".ps"));
        } else if (option == "-o:svg") {
            workbench_.savePicture(PictureFormat::Svg, output(".svg"));
        } else if (option == "-o:pdf") {
            workbench_.savePicture(PictureFormat::Pdf, output(".pdf"));
        } else if (option == "-o:png") {
            workbench_.savePicture(PictureFormat::Png, output(".png"));
        } else if (option == "-o:dot") {
            workbench_.writeDot(output(".dot"));
        } else if (option == "-o:vhd") {
            workbench_.writeVhdl(output(".vhd"));
        } else if (option == "-o:v") {
            workbench_.writeVerilog(output(".v"));
        } else if (option == "-o:hdl") {
            workbench_.writeProcessingElements(output(".pe.vhd"), output(".pe.v"));
        } else if (option == "-o:tb") {
            writeTestbenches();
        } else if (option == "-o:c") {
            workbench_.writeCModel(output(".c"), output(".h"));
        } else if (option == "-next") {
            workbench_.nextCombinationClicked();
        } else if (option == "-opt") {
            workbench_.eliminateRedundantClicked();
        } else if (option == "-h") {
            workbench_.hideNonFunctionalClicked();
        } else if (option == "-i") {
            workbench_.setLayoutFileName("");
            applyLayout();
        } else if (option == "-auto") {
            workbench_.autoPlaceClicked();
        } else if (option.starts_with(kWritePrefix)) {
            writeCircuit(option.substr(std::strlen(kWritePrefix)));
        } else if (option.starts_with(kErrorPrefix)) {
            measureError(option);
        } else if (option == "-o:lut") {
            measures_.writeLookupTable(workbench_.circuit(), workbench_.assignment(), output(".lut.bin"));
        } else if (option == "-o:stats") {
            MeasureCommands::writeStatistics(workbench_.circuit(), workbench_.assignment(),
                                             output(".stats.json"));
        } else if (option == "-o:blocks") {
            writeBlockPictures();
        } else if (option.starts_with(kNoisePrefix)) {
            measureWithNoise(option);
        } else {
            const std::string source = option.substr(std::strlen(kFilterPrefix));
            inputs_.noteRead(source);
            filter(source, std::nullopt);
        }
    }

    // Filters `source` into chromosome.flt.bmp; with a reference also writes chromosome.quality.json
    // and chromosome.diff.bmp. Every output is refused before the picture is read. The report names the
    // input as `shownName`, by default as it was given.
    void filter(const std::string& source, const std::optional<NoiseSettings>& noise,
                const std::string& shownName = {}) {
        const std::string target = output(".flt.bmp");
        std::string report, difference;
        if (quality_.hasReference()) {
            report = output(".quality.json");
            difference = output(".diff.bmp");
        }
        const auto run = workbench_.filterPictureFile(source, target);
        if (!run) return;
        if (const auto problem = quality_.noteFilterRun(source, *run)) {
            failedCondition(*problem);
        } else if (quality_.hasReference()) {
            quality_.writeQuality(shownName.empty() ? source : shownName, *run, noise, report, difference);
        }
    }

    void setReference(const std::string& path) {
        if (path.empty()) {
            failedCondition("Volbu -ref: nelze provést: chybí jméno souboru (-ref:SOUBOR)");
            return;
        }
        inputs_.noteRead(path);
        quality_.setReference(path);
    }

    // "-q:KIND:LEVEL:SEED": the reference with noise as chromosome.noisy.bmp, then filtered as "-f:"
    // filters it. The noisy picture is the run's own output, so a later
    // "-q:" may replace it.
    void measureWithNoise(const std::string& option) {
        const auto parsed = QualityCommands::parseNoise(option);
        if (const auto* problem = std::get_if<std::string>(&parsed)) {
            failedCondition(*problem);
            return;
        }
        if (!quality_.hasReference()) {
            failedCondition("Volbu " + option + " nelze provést: není zadán referenční obraz (-ref:SOUBOR)");
            return;
        }
        const std::string noisy = output(".noisy.bmp");
        quality_.writeNoisyReference(std::get<NoiseSettings>(parsed), noisy);
        // The report lies beside the noisy picture, so it names it without a directory.
        filter(noisy, std::get<NoiseSettings>(parsed), fileNamePart(noisy));
    }

    // "-o:blocks": chromosome.blocks/blkN.png for every active block over the last filtered picture.
    void writeBlockPictures() {
        if (!quality_.hasFilterRun()) {
            failedCondition(
                "Volbu -o:blocks nelze provést: v tomto běhu nebyl filtrován žádný obraz (-f: nebo -q:)");
            return;
        }
        quality_.writeBlockPictures(changeFileExtension(chromosomePath_, ".blocks"), inputs_);
    }

    // "-w:FILE": the circuit as it is now, and its layout beside it; neither may replace a file the run
    // read, nor may the two be one file.
    void writeCircuit(const std::string& path) {
        if (path.empty()) {
            failedCondition("Volbu -w: nelze provést: chybí jméno souboru (-w:SOUBOR)");
            return;
        }
        const std::string layout = changeFileExtension(path, ".ini");
        if (layout == path) {
            failedCondition("Volbu -w:" + path + " nelze provést: rozmístění by se zapsalo do téhož souboru");
            return;
        }
        inputs_.refuseOverwrite(path);
        inputs_.refuseOverwrite(layout);
        workbench_.writeCircuitFiles(path);
    }

    void measureError(const std::string& option) {
        const ErrorRequest request = errorRequestOf(option);
        if (!request.settings) {
            failedCondition(request.problem);
            return;
        }
        measures_.writeError(*request.settings, workbench_.circuit(), workbench_.assignment(),
                             output(".error.json"));
    }

    // "-o:tb": with the vectors of the script named before it, else with random ones.
    void writeTestbenches() {
        const std::string vhdl = output("_tb.vhd");
        const std::string verilog = output("_tb.v");
        if (!scriptPath_.empty()) inputs_.noteRead(scriptPath_);
        workbench_.writeTestbenches(vhdl, verilog, scriptPath_);
    }

    void runScript() {
        if (scriptPath_.empty()) {
            failedCondition("Volbu -s nelze provést: není zadán žádný testovací skript (.csb nebo .csd)");
            return;
        }
        // The script runner would otherwise act on no circuit.
        if (chromosomePath_.empty()) {
            throw Error("Skript " + scriptPath_ + " nelze spustit: není načten žádný chromozom");
        }
        inputs_.noteRead(scriptPath_);
        const std::string target = output(".tst");
        // Unattended, the lines go to the file as they come and nowhere else; a window that opens
        // afterwards also gets the log and the clipboard. A failed run leaves an existing file as it was.
        writeFileAtomically(target, [this](const ByteSink& out) {
            ScriptTextSink file(out);
            if (unattended_) {
                workbench_.runScript(scriptPath_, file);
            } else {
                workbench_.runScript(scriptPath_, false);
                for (const std::string& line : workbench_.logLines())
                    file.line(line);
            }
            file.finish();
        });
    }

    Workbench& workbench_;
    const bool unattended_;  // "-x" is among the arguments: no window will show anything
    std::ostream& warnings_;
    RunInputs inputs_;
    QualityCommands quality_;
    ArgumentWalk walk_;
    std::string chromosomePath_;
    std::string scriptPath_;
    MeasureCommands measures_;
};

}  // namespace

bool unattendedRequested(const std::vector<std::string>& arguments) {
    return std::find(arguments.begin(), arguments.end(), "-x") != arguments.end();
}

ArgumentWalk processArguments(const std::vector<std::string>& arguments, Workbench& workbench,
                              std::ostream& out, std::ostream& warnings) {
    if (std::find(arguments.begin(), arguments.end(), "--help") != arguments.end()) {
        out << usageText();
        return ArgumentWalk{unattendedRequested(arguments), true};
    }
    ArgumentWalker walker(workbench, unattendedRequested(arguments), warnings);
    for (const std::string& argument : arguments) {
        if (argument.empty()) continue;
        if (argument.front() == '-') {
            walker.option(argument);
        } else {
            walker.fileArgument(argument);
        }
    }
    return walker.walk();
}

std::string usageText() {
    return "Použití: pellisor [SOUBOR | VOLBA]...\n"
           "\n"
           "Argumenty se zpracují zleva doprava; každý hned působí na chromozom načtený před ním.\n"
           "Argument začínající '-' je volba, každý jiný je soubor. Druh souboru určuje přípona\n"
           "kdekoli v názvu (záleží na velikosti písmen).\n"
           "\n"
           "Soubory:\n"
           "  *.chr, *.vrc    načte chromozom a vykreslí jej; výstupy dostanou jeho jméno\n"
           "                  (u .vrc se ptá na počet vstupů, výstupů a první výstup)\n"
           "  *.cgp, *.cha    převede hradlový obvod nebo síť komparátorů na chromozom, vykreslí\n"
           "                  jej rozmístěný podle hloubky; výstupy dostanou jeho jméno\n"
           "  *.csb, *.csd    testovací skript pro volbu -s\n"
           "  *.ini           použije soubor rozmístění (jen po chromozomu)\n"
           "\n"
           "Volby (musí se shodovat přesně; působí až po načtení chromozomu):\n"
           "  -o:bmp          uloží schéma jako BMP     (chromozom.bmp)\n"
           "  -o:jpg          uloží schéma jako JPEG    (chromozom.jpg)\n"
           "  -o:ps           uloží schéma jako EPS     (chromozom.ps)\n"
           "  -o:svg          uloží schéma jako SVG     (chromozom.svg)\n"
           "  -o:pdf          uloží schéma jako PDF     (chromozom.pdf)\n"
           "  -o:png          uloží schéma jako PNG     (chromozom.png)\n"
           "  -o:dot          zapíše graf pro Graphviz  (chromozom.dot)\n"
           "  -o:vhd          zapíše strukturní VHDL    (chromozom.vhd)\n"
           "  -o:v            zapíše strukturní Verilog (chromozom.v)\n"
           "  -o:hdl          zapíše procesní element vrc_alu a registr reg podle přiřazení\n"
           "                  funkcí genům 0 až 15, ve VHDL a ve Verilogu\n"
           "                  (chromozom.pe.vhd, chromozom.pe.v)\n"
           "  -o:tb           zapíše testbench filter_tb s vektory posledního skriptu, bez skriptu\n"
           "                  s 1000 náhodnými vektory (chromozom_tb.vhd, chromozom_tb.v);\n"
           "                  vypíše PASS nebo FAIL\n"
           "  -o:c            zapíše model obvodu v jazyce C, funkci pellisor_JMÉNO\n"
           "                  (chromozom.c, chromozom.h)\n"
           "  -f:OBRAZ        vyfiltruje obraz BMP obvodem s 9 vstupy (chromozom.flt.bmp);\n"
           "                  po -ref: změří kvalitu (chromozom.quality.json, chromozom.diff.bmp)\n"
           "  -ref:OBRAZ      čistý referenční obraz BMP pro měření kvality filtru\n"
           "  -q:DRUH:ÚROVEŇ:SEMÍNKO\n"
           "                  zašumí referenční obraz (chromozom.noisy.bmp) a provede\n"
           "                  s ním -f:; druh sp nebo rv (úroveň 0 až 1), gauss (směrodatná\n"
           "                  odchylka) nebo none\n"
           "  -o:blocks       uloží obraz každého aktivního bloku posledního filtrování\n"
           "                  (chromozom.blocks/blkN.png)\n"
           "  -s              spustí poslední skript, výsledky uloží (chromozom.tst)\n"
           "  -opt            eliminuje zbytečná hradla\n"
           "  -h              skryje nefunkční bloky\n"
           "  -next           nastaví další kombinaci vstupů\n"
           "  -i              načte rozmístění patřící chromozomu (chromozom.ini)\n"
           "  -auto           rozmístí bloky automaticky podle vzdálenosti od vstupů\n"
           "  -w:SOUBOR       zapíše obvod, jak je teď v paměti, jako chromozom SOUBOR\n"
           "                  a jeho rozmístění vedle něj (SOUBOR s příponou .ini)\n"
           "  -err:OP:ŠÍŘKY   změří chybu aritmetického obvodu proti add, sub nebo mul s operandy\n"
           "                  o ŠÍŘKY bitech, např. -err:mul:8,8 (chromozom.error.json)\n"
           "  -err:OP         změří chybu obvodu nad bajty proti median, min, max nebo mean\n"
           "                  (chromozom.error.json)\n"
           "  -o:lut          zapíše výsledky pro všechny dvojice operandů (chromozom.lut.bin)\n"
           "  -o:stats        zapíše statistiku aktivních bloků obvodu (chromozom.stats.json)\n"
           "  -x              bez okna: po posledním argumentu skončí\n"
           "  --help          vypíše tento text\n"
           "\n"
           "Nastavení se čte ze souboru set.ini vedle programu. Chyba ukončí program se stavem 1.\n"
           "\n"
           "Příklady:\n"
           "  pellisor obvod.chr obvod.ini -opt -o:ps -x\n"
           "  pellisor obvod.chr test.csd -s -x\n"
           "  pellisor obvod.chr obvod.ini -opt -w:obvod.opt.chr -x\n"
           "  pellisor filtr.chr filtr.ini -f:obraz.bmp -o:vhd -x\n"
           "  pellisor filtr.chr test.csd -o:v -o:hdl -o:tb -o:c -x\n"
           "  pellisor filtr.chr -ref:cisty.bmp -q:sp:0.1:7 -o:blocks -x\n"
           "  pellisor obvod.chr              (otevře okno s obvodem)\n";
}

}  // namespace pellisor
