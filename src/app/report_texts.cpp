#include "app/report_texts.h"

#include <cstdio>

namespace pellisor {

std::string fixedDecimals(double value, int decimals) {
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

std::string reportBase(const std::string& chosenPath, std::string_view reportExtension) {
    for (const std::string_view extension : {reportExtension, std::string_view(".json")}) {
        if (chosenPath.ends_with(extension))
            return chosenPath.substr(0, chosenPath.size() - extension.size());
    }
    return chosenPath;
}

}  // namespace pellisor
