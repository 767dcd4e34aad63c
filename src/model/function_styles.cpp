#include "model/function_styles.h"

#include <utility>

namespace pellisor {

void FunctionStyles::set(std::string identifier, FunctionStyle style) {
    styles_.insert_or_assign(std::move(identifier), std::move(style));
}

bool FunctionStyles::contains(std::string_view identifier) const {
    return styles_.find(identifier) != styles_.end();
}

const FunctionStyle& FunctionStyles::of(std::string_view identifier) const {
    static const FunctionStyle kDefault;
    const auto found = styles_.find(identifier);
    return found == styles_.end() ? kDefault : found->second;
}

const std::string* FunctionStyles::shownLabel(std::string_view identifier) const {
    const FunctionStyle& style = of(identifier);
    return style.label && !style.label->empty() ? &*style.label : nullptr;
}

}  // namespace pellisor
