#pragma once

#include <string>
#include <vector>

namespace pellisor {

// How the description line is spelt. The save button writes "# " + the text, which a load gives back
// with one more leading blank; a circuit written out keeps its description as loaded, so its file is
// read back with exactly the same text (the results of a script name it).
enum class DescriptionLine { AfterBlank, ReadBackAsIs };

// The bytes of a .chr file: the description line, then "#%i " and "#%o " lines for non-empty name
// lists, then the chromosome line; every line ends in CR LF. Line breaks inside the description and the
// names become blanks, so that each stays on its line.
std::string chrFileText(const std::string& description, const std::vector<std::string>& inputNames,
                        const std::vector<std::string>& outputNames, const std::string& chromosomeLine,
                        DescriptionLine spelling = DescriptionLine::AfterBlank);

// Writes those bytes atomically; a failure raises an Error and leaves an existing file untouched.
void saveChromosomeFile(const std::string& path, const std::string& description,
                        const std::vector<std::string>& inputNames,
                        const std::vector<std::string>& outputNames, const std::string& chromosomeLine,
                        DescriptionLine spelling = DescriptionLine::AfterBlank);

// The file name the save dialog proposes: the name part of the last opened path with extension ".chr".
std::string proposedChromosomeName(const std::string& lastOpenedPath);

}  // namespace pellisor
