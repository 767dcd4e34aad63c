#pragma once

#include "eval/function_assignment.h"
#include "model/chromosome.h"
#include "model/converted_circuit.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <random>
#include <string>
#include <string_view>

// libFuzzer's entry point. The regression program calls the same function for every stored input.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace pellisor::fuzz {

// Ends the run at once: libFuzzer reports the abort as a crash and keeps the input, the regression
// program fails.
[[noreturn]] void fail(const char* file, int line, const std::string& what);

#define FUZZ_CHECK(condition, what)                                                              \
    do {                                                                                         \
        if (!(condition))                                                                        \
            ::pellisor::fuzz::fail(__FILE__, __LINE__, std::string(#condition) + ": " + (what)); \
    } while (false)

// Takes an input apart front to back. Texts are cut at NUL bytes, which the files and lines being
// fuzzed hardly ever hold, so a seed is mostly the plain file with a few bytes in front.
class InputReader {
public:
    InputReader(const std::uint8_t* data, std::size_t size)
        : rest_(reinterpret_cast<const char*>(data), size) {}

    bool empty() const { return rest_.empty(); }
    // The next byte; 0 once the input is used up.
    std::uint8_t byte();
    // Four bytes, least significant first; missing bytes read as 0.
    std::int32_t int32();
    // The text up to the next NUL (which is consumed), or everything left.
    std::string_view part();
    std::string_view rest() const { return rest_; }

private:
    std::string_view rest_;
};

// A directory of the process's own for the files the targets write, made at first use and removed
// at exit.
std::string scratchFile(const std::string& name);
void writeBytes(const std::string& path, std::string_view bytes);
std::string readBytes(const std::string& path);

// The circuit a chromosome line describes, drawn on the default grid; nothing when the line does not
// parse or the circuit has more entries than maxEntries (an input of a few kilobytes can ask for a
// million primary inputs, and what follows costs time per entry).
std::optional<Chromosome> placedCircuit(std::string_view line, std::int32_t maxEntries);

// Everything of two circuits that only a parse may change: header, genes and entry kinds.
bool sameShape(const Chromosome& a, const Chromosome& b);

// A text for messages: printable ASCII as it is, everything else as \xNN.
std::string printable(std::string_view text);

// A file of another dialect ("cgp", "cha"): its text, as the loader reads it, either is refused with
// the dialect's one-line message or converts into a line that parses; a circuit of at most 4096 inputs
// then goes to `check` with the assignment it brings and a generator seeded from the bytes. The loader
// must agree on "c.<kind>" and read nothing from the same bytes under the extension in capitals.
using ConvertedCheck = std::function<void(Chromosome&, const FunctionAssignment&, std::mt19937&)>;
void checkConvertedFile(std::string_view bytes, const std::string& kind,
                        ConvertedCircuit (*convert)(std::string_view), const ConvertedCheck& check);

// True for a message of the integer conversion ("'<text>' is not a valid integer value").
bool isConversionMessage(const std::string& message);

}  // namespace pellisor::fuzz
