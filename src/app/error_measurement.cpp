#include "app/error_measurement.h"

#include "app/report_texts.h"

namespace pellisor {

std::string errorOperationLabel(ErrorOperation operation) {
    const char* label = "";
    switch (operation) {
        case ErrorOperation::Add:
            label = "Sčítání";
            break;
        case ErrorOperation::Sub:
            label = "Odčítání";
            break;
        case ErrorOperation::Mul:
            label = "Násobení";
            break;
        case ErrorOperation::Median:
            label = "Medián";
            break;
        case ErrorOperation::Min:
            label = "Minimum";
            break;
        case ErrorOperation::Max:
            label = "Maximum";
            break;
        case ErrorOperation::Mean:
            label = "Průměr";
            break;
    }
    return std::string(label) + " (" + std::string(errorOperationName(operation)) + ")";
}

ErrorSettings errorSettingsFor(ErrorOperation operation, std::int32_t widthA, std::int32_t widthB) {
    ErrorSettings settings;
    settings.operation = operation;
    if (!isWordOperation(operation)) settings.widths = {widthA, widthB};
    return settings;
}

std::array<std::pair<std::string, std::string>, 8> errorFigureRows(const ErrorFigures& figures) {
    return {{{"MAE", fixedDecimals(figures.mae, 6)},
             {"WCE", std::to_string(figures.wce)},
             {"EP (%)", fixedDecimals(figures.ep, 4)},
             {"MRE (%)", fixedDecimals(figures.mre, 4)},
             {"MSE", fixedDecimals(figures.mse, 6)},
             {"WCRE (%)", fixedDecimals(figures.wcre, 4)},
             {"Vektorů", std::to_string(figures.vectors)},
             {"Vyčerpávající", figures.exhaustive ? "ano" : "ne (náhodný vzorek)"}}};
}

std::string errorReportPathFor(const std::string& chosenPath) {
    const std::string base = reportBase(chosenPath, ".error.json");
    return base + ".error.json";
}

}  // namespace pellisor
