// The chromosome files last loaded or saved, kept in a section of set.ini of their own.
#pragma once

#include "model/settings_file.h"

#include <cstddef>
#include <string>
#include <vector>

namespace pellisor {

inline constexpr std::size_t kRecentFileCount = 8;
inline constexpr const char* kRecentFilesSection = "Posledni soubory";  // keys Soubor1 ... Soubor8

// The list as set.ini keeps it, newest first; empty keys are skipped.
std::vector<std::string> readRecentFiles(const SettingsFile& settings);

// `path` made absolute and put first, without a second copy, at most kRecentFileCount files.
std::vector<std::string> withRecentFile(std::vector<std::string> files, const std::string& path);

// Writes the list into its section; the file's other bytes stay exactly as they are.
void writeRecentFiles(const SettingsFile& settings, const std::vector<std::string>& files);

}  // namespace pellisor
