#include "model/chromosome_writer.h"

#include "model/file_io.h"
#include "model/file_names.h"

namespace pellisor {

namespace {

constexpr const char* kLineEnd = "\r\n";

// Every text stays on its own line: a line break pasted into the description would otherwise turn
// what follows it into chromosome text when the file is read back.
std::string oneLine(std::string text) {
    for (char& ch : text) {
        if (ch == '\n' || ch == '\r') ch = ' ';
    }
    return text;
}

std::string joined(const std::vector<std::string>& names) {
    std::string text;
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (i > 0) text += ',';
        text += oneLine(names[i]);
    }
    return text;
}

// The loader takes everything after '#' as the description, except a line starting "#%i" or "#%o",
// which holds names: such a description keeps the blank in front.
std::string descriptionLine(const std::string& description, DescriptionLine spelling) {
    const bool readsAsNames = description.starts_with("%i") || description.starts_with("%o");
    if (spelling == DescriptionLine::ReadBackAsIs && !readsAsNames) return "#" + oneLine(description);
    return "# " + oneLine(description);
}

}  // namespace

std::string chrFileText(const std::string& description, const std::vector<std::string>& inputNames,
                        const std::vector<std::string>& outputNames, const std::string& chromosomeLine,
                        DescriptionLine spelling) {
    std::string text = descriptionLine(description, spelling) + kLineEnd;
    if (!inputNames.empty()) text += "#%i " + joined(inputNames) + kLineEnd;
    if (!outputNames.empty()) text += "#%o " + joined(outputNames) + kLineEnd;
    text += chromosomeLine + kLineEnd;
    return text;
}

void saveChromosomeFile(const std::string& path, const std::string& description,
                        const std::vector<std::string>& inputNames,
                        const std::vector<std::string>& outputNames, const std::string& chromosomeLine,
                        DescriptionLine spelling) {
    writeFileAtomically(path, chrFileText(description, inputNames, outputNames, chromosomeLine, spelling));
}

std::string proposedChromosomeName(const std::string& lastOpenedPath) {
    return fileNamePart(changeFileExtension(lastOpenedPath, ".chr"));
}

}  // namespace pellisor
