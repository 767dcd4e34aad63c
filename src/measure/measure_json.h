#pragma once

#include "measure/circuit_statistics.h"
#include "measure/error_metrics.h"

#include <string>

namespace pellisor {

// The error figures as the JSON object of NAME.error.json: op, widths, vectors, exhaustive, mae, wce,
// ep, mre, mse, wcre and the histogram (keys the errors as text, in numeric order). Real numbers are
// written in their shortest form that reads back to the same double.
std::string errorJson(const ErrorSettings& settings, const ErrorFigures& figures);

// The statistics as the JSON object of NAME.stats.json: active_blocks, functions and genes (keys the
// identifiers as text, in numeric order), max_delay, inputs_used, columns_used.
std::string statisticsJson(const CircuitStatistics& statistics);

}  // namespace pellisor
