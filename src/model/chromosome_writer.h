#pragma once

#include <string>
#include <vector>

namespace pellisor {

// The bytes of a .chr file: "# " + description, then "#%i " and "#%o " lines for non-empty name lists,
// then the chromosome line; every line ends in CR LF. Line breaks inside the description and the names
// become blanks, so that each stays on its line.
std::string chrFileText(const std::string& description, const std::vector<std::string>& inputNames,
                        const std::vector<std::string>& outputNames, const std::string& chromosomeLine);

// Writes those bytes atomically; a failure raises an Error and leaves an existing file untouched.
void saveChromosomeFile(const std::string& path, const std::string& description,
                        const std::vector<std::string>& inputNames,
                        const std::vector<std::string>& outputNames, const std::string& chromosomeLine);

// The file name the save dialog proposes: the name part of the last opened path with extension ".chr".
std::string proposedChromosomeName(const std::string& lastOpenedPath);

}  // namespace pellisor
