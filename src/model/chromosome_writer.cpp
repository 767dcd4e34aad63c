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

}  // namespace

std::string chrFileText(const std::string& description, const std::vector<std::string>& inputNames,
                        const std::vector<std::string>& outputNames, const std::string& chromosomeLine) {
    std::string text = "# " + oneLine(description) + kLineEnd;
    if (!inputNames.empty()) text += "#%i " + joined(inputNames) + kLineEnd;
    if (!outputNames.empty()) text += "#%o " + joined(outputNames) + kLineEnd;
    text += chromosomeLine + kLineEnd;
    return text;
}

void saveChromosomeFile(const std::string& path, const std::string& description,
                        const std::vector<std::string>& inputNames,
                        const std::vector<std::string>& outputNames, const std::string& chromosomeLine) {
    writeFileAtomically(path, chrFileText(description, inputNames, outputNames, chromosomeLine));
}

std::string proposedChromosomeName(const std::string& lastOpenedPath) {
    return fileNamePart(changeFileExtension(lastOpenedPath, ".chr"));
}

}  // namespace pellisor
