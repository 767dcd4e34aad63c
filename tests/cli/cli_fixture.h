// The fixture of the end-to-end runs: the built program copied beside an empty set.ini, the shipped
// examples copied into a working directory, and runs with their status, stdout and stderr.
#pragma once

#include "support/test_support.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

namespace pellisor::cli {

namespace fs = std::filesystem;
using test::haveProgram;
using test::readBytes;
using test::runCommand;
using test::writeBytes;

inline std::string environment(const char* name) {
    return test::environmentValue(name);
}
inline std::string quoted(const std::string& text) {
    return test::shellQuoted(text);
}

struct Outcome {
    int status = -1;
    std::string out;
    std::string err;
};

// A 24- or 32-bit BMP as the program writes it: size and the pixel at (x, y) as RGB.
struct Bitmap {
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::string bytes;

    explicit Bitmap(std::string data) : bytes(std::move(data)) {
        if (bytes.size() < 54 || bytes.compare(0, 2, "BM") != 0) return;
        width = read32(18);
        height = read32(22);
    }
    std::int32_t read32(std::size_t at) const {
        std::uint32_t value = 0;
        for (std::size_t k = 0; k < 4; ++k)
            value |= std::uint32_t(std::uint8_t(bytes[at + k])) << (8 * k);
        return static_cast<std::int32_t>(value);
    }
    std::uint32_t rgb(std::int32_t x, std::int32_t y) const {
        const std::size_t bytesPerPixel = std::size_t(std::uint8_t(bytes[28])) / 8;
        const std::size_t stride = (std::size_t(width) * bytesPerPixel + 3) / 4 * 4;
        const std::size_t row = height > 0 ? std::size_t(height - 1 - y) : std::size_t(y);
        const std::size_t at = std::size_t(read32(10)) + row * stride + std::size_t(x) * bytesPerPixel;
        return std::uint32_t(std::uint8_t(bytes.at(at + 2))) << 16 |
               std::uint32_t(std::uint8_t(bytes.at(at + 1))) << 8 | std::uint32_t(std::uint8_t(bytes.at(at)));
    }
};

// Each test gets the program copied into bin/ (set.ini is read beside it) and the examples in work/,
// the working directory of every run.
class Cli : public ::testing::Test {
protected:
    void SetUp() override {
        const std::string exe = environment("PELLISOR_EXE");
        const std::string examples = environment("PELLISOR_EXAMPLES");
        ASSERT_FALSE(exe.empty()) << "PELLISOR_EXE names the program under test";
        ASSERT_FALSE(examples.empty()) << "PELLISOR_EXAMPLES names the examples directory";
        fs::create_directory(bin());
        fs::copy_file(exe, bin() + "/pellisor");
        writeBytes(bin() + "/set.ini", "");
        fs::copy(examples, work());
    }

    std::string bin() const { return dir.file("bin"); }
    std::string work() const { return dir.file("work"); }
    std::string workFile(const std::string& name) const { return work() + "/" + name; }
    bool exists(const std::string& name) const { return fs::exists(workFile(name)); }

    // Runs the program in work/ with the arguments as given (each quoted) and `input` on stdin.
    Outcome run(const std::vector<std::string>& arguments, const std::string& input = "",
                const std::string& environmentPrefix = "") const {
        writeBytes(dir.file("stdin"), input);
        // In a subshell: runCommand's own redirection must not take the program's stderr.
        std::string command =
            "(cd " + quoted(work()) + " && " + environmentPrefix + " " + quoted(bin() + "/pellisor");
        for (const std::string& argument : arguments)
            command += " " + quoted(argument);
        command += " <" + quoted(dir.file("stdin")) + " >" + quoted(dir.file("stdout")) + " 2>" +
                   quoted(dir.file("stderr")) + ")";
        Outcome result;
        result.status = runCommand(command).status;
        result.out = readBytes(dir.file("stdout"));
        result.err = readBytes(dir.file("stderr"));
        return result;
    }

    std::set<std::string> workFiles() const {
        std::set<std::string> names;
        for (const auto& entry : fs::directory_iterator(work()))
            names.insert(entry.path().filename().string());
        return names;
    }

    test::TempDir dir;
};

}  // namespace pellisor::cli
