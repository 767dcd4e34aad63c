#include "model/file_names.h"

namespace pellisor {

namespace {

std::size_t nameStart(const std::string& path) {
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? 0 : slash + 1;
}

std::size_t extensionStart(const std::string& path) {
    const auto dot = path.find_last_of('.');
    if (dot == std::string::npos || dot < nameStart(path)) return path.size();
    return dot;
}

}  // namespace

std::string fileExtension(const std::string& path) {
    return path.substr(extensionStart(path));
}

std::string changeFileExtension(const std::string& path, const std::string& extension) {
    return path.substr(0, extensionStart(path)) + extension;
}

std::string fileDirectory(const std::string& path) {
    return path.substr(0, nameStart(path));
}

std::string fileNamePart(const std::string& path) {
    return path.substr(nameStart(path));
}

}  // namespace pellisor
