#pragma once

#include <stdexcept>
#include <string>

namespace pellisor {

// The one kind of failure the core raises: a single message text shown to the user as it stands.
class Error : public std::runtime_error {
public:
    explicit Error(const std::string& message) : std::runtime_error(message) {}
};

// Messages that several modules raise.
inline constexpr const char* kBadChromosome = "Chybny chromozom";
inline constexpr const char* kCannotOpenFile = "Soubor nelze otevrit";

}  // namespace pellisor
