#pragma once

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace pellisor {

inline constexpr std::string_view kDefaultFillColor = "#cccccc";
inline constexpr std::string_view kDefaultFontColor = "#444444";

// How one function is shown: its label, and the colours of its nodes in a graph.
struct FunctionStyle {
    // Absent when none is set. A label set to the empty text is kept apart from a missing one: the
    // graph writer shows the empty text, where the others keep the gene number either way.
    std::optional<std::string> label;
    std::string fillColor{kDefaultFillColor};
    std::string fontColor{kDefaultFontColor};
    friend bool operator==(const FunctionStyle&, const FunctionStyle&) = default;
};

// The styles of the functions, keyed by the identifier's text as FunctionAssignment::functionOf gives
// it. The application resolves them from the settings for one drawing or export, so that the writers
// and the renderer work on values and never read a settings file.
class FunctionStyles {
public:
    void set(std::string identifier, FunctionStyle style);
    bool contains(std::string_view identifier) const;
    // The style set for the identifier; the default style (no label, default colours) otherwise.
    const FunctionStyle& of(std::string_view identifier) const;
    // The label that replaces a block's gene number: the one set, unless it is empty; null otherwise.
    const std::string* shownLabel(std::string_view identifier) const;

    friend bool operator==(const FunctionStyles&, const FunctionStyles&) = default;

private:
    std::map<std::string, FunctionStyle, std::less<>> styles_;
};

}  // namespace pellisor
