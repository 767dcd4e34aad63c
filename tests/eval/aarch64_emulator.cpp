#include "eval/aarch64_emulator.h"

#include "support/test_support.h"

#include <stdexcept>

namespace pellisor::test {

namespace {

// Bytes after every input the code may read past its last step, as the lane kernels' padding.
constexpr std::size_t kInputPaddingBytes = 256;

void appendWord(std::string& file, std::uint64_t value) {
    for (int byte = 0; byte < 8; ++byte)
        file.push_back(static_cast<char>((value >> (8 * byte)) & 0xFF));
}

}  // namespace

std::string aarch64EmulatorMissing() {
#if defined(PELLISOR_AARCH64_RUNNER) && defined(PELLISOR_QEMU_AARCH64)
    return {};
#else
    return "aarch64-linux-gnu-gcc or qemu-aarch64 was missing when the build was configured";
#endif
}

std::vector<std::vector<std::uint8_t>> runInAArch64Emulator(
    const JitCircuit::ForeignCode& code, const std::vector<std::vector<std::uint8_t>>& inputs,
    std::size_t outputCount, std::size_t steps) {
#if defined(PELLISOR_AARCH64_RUNNER) && defined(PELLISOR_QEMU_AARCH64)
    const std::size_t blockBytes = steps * code.stepReach;
    std::string file;
    for (const std::uint64_t field :
         {std::uint64_t{code.bytes.size()}, std::uint64_t{inputs.size()}, std::uint64_t{outputCount},
          std::uint64_t{steps}, std::uint64_t{code.stepReach}})
        appendWord(file, field);
    file.append(code.bytes.begin(), code.bytes.end());
    for (const std::vector<std::uint8_t>& input : inputs) {
        if (input.size() != blockBytes)
            throw std::invalid_argument("an input is not steps * stepReach bytes");
        file.append(input.begin(), input.end());
        file.append(kInputPaddingBytes, '\0');
    }
    const TempDir directory;
    writeBytes(directory.file("in"), file);
    const CommandResult run =
        runCommand(shellQuoted(PELLISOR_QEMU_AARCH64) + " " + shellQuoted(PELLISOR_AARCH64_RUNNER) + " " +
                   shellQuoted(directory.file("in")) + " " + shellQuoted(directory.file("out")));
    if (run.status != 0)
        throw std::runtime_error("the AArch64 run failed (status " + std::to_string(run.status) +
                                 "): " + run.output);
    const std::string out = readBytes(directory.file("out"));
    if (out.size() != outputCount * blockBytes) throw std::runtime_error("the AArch64 run wrote too little");
    std::vector<std::vector<std::uint8_t>> outputs;
    for (std::size_t r = 0; r < outputCount; ++r)
        outputs.emplace_back(out.begin() + static_cast<std::ptrdiff_t>(r * blockBytes),
                             out.begin() + static_cast<std::ptrdiff_t>((r + 1) * blockBytes));
    return outputs;
#else
    (void)code, (void)inputs, (void)outputCount, (void)steps;
    throw std::runtime_error(aarch64EmulatorMissing());
#endif
}

}  // namespace pellisor::test
