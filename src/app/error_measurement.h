#pragma once

#include "measure/error_metrics.h"

#include <array>
#include <string>
#include <utility>

namespace pellisor {

// The operations a circuit's error can be measured against, in the order the window offers them.
inline constexpr std::array<ErrorOperation, 7> kErrorOperations{
    ErrorOperation::Add, ErrorOperation::Sub, ErrorOperation::Mul, ErrorOperation::Median,
    ErrorOperation::Min, ErrorOperation::Max, ErrorOperation::Mean};

// "Sčítání (add)", ...: what the window calls an operation.
std::string errorOperationLabel(ErrorOperation operation);

// The settings of a measurement as the window asks for it: two operands of the given widths for the
// arithmetic operations, none for the word operations.
ErrorSettings errorSettingsFor(ErrorOperation operation, std::int32_t widthA, std::int32_t widthB);

// The figures as name and value texts, in the order the window shows them.
std::array<std::pair<std::string, std::string>, 8> errorFigureRows(const ErrorFigures& figures);

// The report file for a chosen name: "BASE.error.json", "BASE.json" and "BASE" all give
// BASE.error.json.
std::string errorReportPathFor(const std::string& chosenPath);

}  // namespace pellisor
