#include "app/recent_files.h"

#include "model/error.h"
#include "model/file_io.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

namespace pellisor {

namespace {

std::string keyOf(std::size_t index) {
    return "Soubor" + std::to_string(index + 1);
}

std::string_view trimmed(std::string_view line) {
    const auto first = line.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos) return {};
    return line.substr(first, line.find_last_not_of(" \t\r\n") - first + 1);
}

bool isSectionHeader(std::string_view line) {
    const std::string_view text = trimmed(line);
    return !text.empty() && text.front() == '[';
}

// Whether the line opens the section of the list; section names match without regard to case.
bool opensRecentSection(std::string_view line) {
    const std::string_view text = trimmed(line);
    const std::string_view name(kRecentFilesSection);
    if (text.size() != name.size() + 2 || text.front() != '[' || text.back() != ']') return false;
    return std::equal(name.begin(), name.end(), text.begin() + 1, [](char a, char b) {
        return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
    });
}

}  // namespace

std::vector<std::string> readRecentFiles(const SettingsFile& settings) {
    std::vector<std::string> files;
    for (std::size_t i = 0; i < kRecentFileCount; ++i) {
        std::string file = settings.readString(kRecentFilesSection, keyOf(i), "");
        if (!file.empty() && std::find(files.begin(), files.end(), file) == files.end())
            files.push_back(std::move(file));
    }
    return files;
}

std::vector<std::string> withRecentFile(std::vector<std::string> files, const std::string& path) {
    // A line break would end the key's value: such a name is not kept.
    if (path.empty() || path.find_first_of("\r\n") != std::string::npos) return files;
    std::error_code failed;
    std::filesystem::path absolute = std::filesystem::absolute(path, failed);
    const std::string name = failed ? path : absolute.lexically_normal().string();
    files.erase(std::remove(files.begin(), files.end(), name), files.end());
    files.insert(files.begin(), name);
    if (files.size() > kRecentFileCount) files.resize(kRecentFileCount);
    return files;
}

void writeRecentFiles(const SettingsFile& settings, const std::vector<std::string>& files) {
    const auto existing = readFileBytes(settings.path());
    // Rewriting a file that could not be read would throw its contents away.
    if (!existing && fileExists(settings.path()))
        throw Error(std::string(kCannotOpenFile) + ": " + settings.path());
    const std::string bytes = existing.value_or("");
    const std::string newline = bytes.find("\r\n") != std::string::npos ? "\r\n" : "\n";
    std::string section = "[" + std::string(kRecentFilesSection) + "]" + newline;
    for (std::size_t i = 0; i < kRecentFileCount; ++i)
        section += keyOf(i) + "=" + (i < files.size() ? files[i] : "") + newline;

    // The section replaces the one there was, in its place; the other lines are copied as they are.
    std::string text;
    bool inSection = false;
    bool written = false;
    for (std::size_t start = 0; start < bytes.size();) {
        const std::size_t end = std::min(bytes.find('\n', start), bytes.size() - 1) + 1;
        const std::string_view line(bytes.data() + start, end - start);
        start = end;
        if (isSectionHeader(line)) inSection = opensRecentSection(line);
        if (!inSection) {
            text += line;
        } else if (!written) {
            text += section;
            written = true;
        }
    }
    if (!written) {
        if (!text.empty() && text.back() != '\n') text += newline;
        if (!text.empty()) text += newline;
        text += section;
    }
    writeFileAtomically(settings.path(), text);
}

}  // namespace pellisor
