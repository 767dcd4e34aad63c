#pragma once

#include "eval/function_assignment.h"
#include "model/chromosome.h"

#include <cstdint>
#include <string>
#include <vector>

namespace pellisor {

// The decimal separator of the user's locale (the C library's current locale).
char localeDecimalSeparator();

// Runs a test script (.csb: binary result lines, any other extension: decimal) on the circuit. `log`
// is cleared and gets the header line, then one result line per evaluated vector. Returns the
// clipboard text: every log line that is not empty and does not begin with "#", each followed by LF.
// Any error (a character the format does not allow, an index out of range, a list longer than it may
// be, an evaluation error, a script that cannot be opened) stops the run with an Error: the log keeps
// the lines written so far, input values assigned so far stay, and no clipboard text is produced.
// Without a circuit nothing is touched and an Error says so.
std::string runScript(const std::string& path, Chromosome& circuit, const FunctionAssignment& assignment,
                      const std::string& description, std::vector<std::string>& log,
                      char decimalSeparator = localeDecimalSeparator());

// The fixed-point form of a sum S: S / 128, minus 2 when above 1, in the shortest general form with up
// to 15 significant digits and the given decimal separator.
std::string fixedPointText(std::int64_t sum, char decimalSeparator);

}  // namespace pellisor
