#pragma once

#include <string>

namespace pellisor {

// File-name operations on '/' paths. The extension is the text from the last '.' of the name part,
// the dot included; a name without a dot has none.
std::string fileExtension(const std::string& path);
std::string changeFileExtension(const std::string& path, const std::string& extension);
// The directory part, with its trailing '/'; empty for a bare name.
std::string fileDirectory(const std::string& path);
// The name part: everything after the last '/'.
std::string fileNamePart(const std::string& path);

}  // namespace pellisor
