#pragma once

#include "eval/function_assignment.h"
#include "eval/script_result_line.h"
#include "eval/script_result_sink.h"
#include "model/chromosome.h"

#include <cstdint>
#include <string>
#include <vector>

namespace pellisor {

// Runs a test script (.csb: binary result lines, any other extension: decimal) on the circuit: the
// header line and then one result line per evaluated vector go to `results` as they are produced.
// Any error (a character the format does not allow, an index out of range, a list longer than it may
// be, an evaluation error, a script that cannot be opened or is not a regular file, an error of the
// sink) stops the run with an Error: the lines given so far stay given, and input values assigned so
// far stay. Without a circuit nothing is touched and an Error says so.
// Common assignments are read in one go, and vectors are evaluated many at a time (as many as keep a
// batch within a few MB, up to 256) by a compiled circuit where the circuit's values depend on its
// inputs alone; the lines, the error and the circuit's final state (every value as evaluating the
// last evaluated vector leaves it) are those of runScriptPlainInto.
void runScriptInto(const std::string& path, Chromosome& circuit, const FunctionAssignment& assignment,
                   const std::string& description, ScriptResultSink& results,
                   char decimalSeparator = localeDecimalSeparator());

// The same run read character by character through the format's state machine, with the plain
// evaluator at every line end that evaluates: the reference for runScriptInto.
void runScriptPlainInto(const std::string& path, Chromosome& circuit, const FunctionAssignment& assignment,
                        const std::string& description, ScriptResultSink& results,
                        char decimalSeparator = localeDecimalSeparator());

// The runs as the result log window takes them: `log` is cleared and gets every line; returns the
// clipboard text, every result line followed by LF. After an error the log keeps the lines written
// so far and no clipboard text is produced.
std::string runScript(const std::string& path, Chromosome& circuit, const FunctionAssignment& assignment,
                      const std::string& description, std::vector<std::string>& log,
                      char decimalSeparator = localeDecimalSeparator());
std::string runScriptPlain(const std::string& path, Chromosome& circuit, const FunctionAssignment& assignment,
                           const std::string& description, std::vector<std::string>& log,
                           char decimalSeparator = localeDecimalSeparator());

}  // namespace pellisor
