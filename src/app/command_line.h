#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace pellisor {

class Workbench;

// What the argument walk leaves for the start-up to decide.
struct ArgumentWalk {
    bool endRequested = false;  // "-x" was given
    bool helpShown = false;     // "--help" printed the usage text
};

// True when "-x" is among the arguments (checked before any window exists).
bool unattendedRequested(const std::vector<std::string>& arguments);

// Processes the arguments left to right against the workbench, each acting at once: chromosome files,
// scripts, layout files and the options. Errors raised by an argument end the walk (the caller shows
// them and ends the program). Unknown options are ignored but named on `warnings`. The pictures of
// "-f:" are the workbench's, filtered as its filter button does.
ArgumentWalk processArguments(const std::vector<std::string>& arguments, Workbench& workbench,
                              std::ostream& out, std::ostream& warnings);

// The text "--help" prints.
std::string usageText();

}  // namespace pellisor
