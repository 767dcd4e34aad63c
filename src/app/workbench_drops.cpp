// Files dropped on the window: each kind does what the command that opens such a file does after its
// open dialog.
#include "app/workbench.h"

#include "model/file_names.h"

#include <algorithm>
#include <cctype>

namespace pellisor {

DroppedFile droppedFileKind(const std::string& path) {
    std::string extension = fileExtension(path);
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (extension == ".chr" || extension == ".vrc" || extension == ".cgp" || extension == ".cha") {
        return DroppedFile::Chromosome;
    }
    if (extension == ".ini") return DroppedFile::Layout;
    if (extension == ".bmp") return DroppedFile::Picture;
    return DroppedFile::Unknown;
}

void Workbench::fileDropped(const std::string& path) {
    const std::string name = fileNamePart(path);
    switch (droppedFileKind(path)) {
        case DroppedFile::Chromosome:
            if (!loadAndDraw(path, ExtensionCase::Any)) ui_.showInformation(loadCancelledMessage(path));
            return;
        case DroppedFile::Layout:
            // The loader would act on no circuit; the button stays disabled then.
            if (!circuit_.hasCircuit()) {
                ui_.showInformation("Rozmístění " + name + " nelze načíst: není vykreslen žádný obvod");
                return;
            }
            setLayoutFileName(path);
            loadLayoutClicked();
            return;
        case DroppedFile::Picture:
            if (!circuit_.hasCircuit()) {
                ui_.showInformation("Obraz " + name + " nelze vyfiltrovat: není vykreslen žádný obvod");
                return;
            }
            // As the button, which does nothing for such a circuit.
            if (circuit_.outputCount == 0 || circuit_.inputCount != 9) {
                ui_.showInformation("Obraz " + name +
                                    " nelze vyfiltrovat: obvod není filtr 3x3 (potřebuje 9 vstupů a výstup)");
                return;
            }
            if (ui_.askYesNo("Vyfiltrovat obraz " + name + " obvodem 3x3?", "Vyfiltrovat obraz 3x3")) {
                filterChosenPicture(path);
            }
            return;
        case DroppedFile::Unknown:
            return;
    }
}

}  // namespace pellisor
