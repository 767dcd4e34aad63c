#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace pellisor {

// The decimal separator of the user's locale (the C library's current locale).
char localeDecimalSeparator();

// The fixed-point form of a sum S: S / 128, minus 2 when above 1, in the shortest general form with up
// to 15 significant digits and the given decimal separator.
std::string fixedPointText(std::int64_t sum, char decimalSeparator);

// Builds the result lines of a script run. A watched value is read through a column pointer and a
// lane index (column[lane]), so that the same code prints one evaluated circuit or many vectors of a
// batch. Lines are built in one reused buffer without allocating.
class ResultLineWriter {
public:
    ResultLineWriter(bool binary, char decimalSeparator) : binary_(binary), separator_(decimalSeparator) {}

    // The watched values of the next lines: the input side and the output side in list order.
    std::vector<const std::int32_t*>& inputColumns() { return inputs_; }
    std::vector<const std::int32_t*>& outputColumns() { return outputs_; }
    // Call after changing the columns.
    void columnsChanged();

    // The line of one lane; valid until the next call.
    std::string_view line(std::size_t lane, bool fraction);

private:
    char* writeBinarySide(char* out, const std::vector<const std::int32_t*>& columns, std::size_t lane,
                          bool withSum, bool fraction);

    const bool binary_;
    const char separator_;
    std::vector<const std::int32_t*> inputs_;
    std::vector<const std::int32_t*> outputs_;
    std::vector<char> buffer_;
    std::vector<std::uint32_t> limbs_;  // sums of lists longer than 64 entries
    std::vector<std::uint32_t> chunks_;
};

}  // namespace pellisor
