#pragma once

#include "eval/function_assignment.h"
#include "eval/script_result_line.h"
#include "model/chromosome.h"

#include <cstdint>
#include <string>
#include <vector>

namespace pellisor {

// Runs a test script (.csb: binary result lines, any other extension: decimal) on the circuit. `log`
// is cleared and gets the header line, then one result line per evaluated vector. Returns the
// clipboard text: every log line that is not empty and does not begin with "#", each followed by LF.
// Any error (a character the format does not allow, an index out of range, a list longer than it may
// be, an evaluation error, a script that cannot be opened) stops the run with an Error: the log keeps
// the lines written so far, input values assigned so far stay, and no clipboard text is produced.
// Without a circuit nothing is touched and an Error says so.
// Common assignments are read in one go, and vectors are evaluated up to 256 at a time by a compiled
// circuit where the circuit's values depend on its inputs alone; the log, the clipboard text, the error
// and the circuit's final state (every value as evaluating the last evaluated vector leaves it) are
// those of runScriptPlain.
std::string runScript(const std::string& path, Chromosome& circuit, const FunctionAssignment& assignment,
                      const std::string& description, std::vector<std::string>& log,
                      char decimalSeparator = localeDecimalSeparator());

// The same run read character by character through the format's state machine, with the plain
// evaluator at every line end that evaluates: the reference for runScript.
std::string runScriptPlain(const std::string& path, Chromosome& circuit, const FunctionAssignment& assignment,
                           const std::string& description, std::vector<std::string>& log,
                           char decimalSeparator = localeDecimalSeparator());

}  // namespace pellisor
