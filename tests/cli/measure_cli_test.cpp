// End-to-end runs of the measuring options: the JSON files read back by Python's json module, the
// lookup table against the products it must hold.
#include "cli/cli_fixture.h"

#include <gtest/gtest.h>

#include <string>

namespace pellisor {
namespace {

using namespace cli;

// The file as Python's json module reads it, printed as Python writes the value back, real numbers
// rounded to 12 places (the last bits of a sum depend on its order).
std::string parsedJson(const std::string& path) {
    const auto parsed = runCommand(
        "python3 -c 'import json, sys; print(repr(json.load(open(sys.argv[1]), parse_float=lambda t: "
        "round(float(t), 12))))' " +
        quoted(path));
    EXPECT_EQ(0, parsed.status) << parsed.output;
    return parsed.output;
}

TEST_F(Cli, ErrorStatisticsAndLookupTableOfTheShippedMultiplier) {
    if (!haveProgram("python3")) GTEST_SKIP() << "python3 reads the JSON files";
    const Outcome result = run({"mul_tree8.cgp", "-err:mul:8,8", "-o:lut", "-o:stats", "-x"});
    ASSERT_EQ(0, result.status) << result.err;
    EXPECT_EQ("", result.err);
    EXPECT_EQ(
        "{'op': 'mul', 'widths': [8, 8], 'vectors': 65536, 'exhaustive': True, 'mae': 0.0, 'wce': 0, 'ep': "
        "0.0, "
        "'mre': 0.0, 'mse': 0.0, 'wcre': 0.0, 'histogram': {'0': 65536}}\n",
        parsedJson(workFile("mul_tree8.error.json")));
    EXPECT_EQ(
        "{'active_blocks': 404, 'functions': {'1': 224, '2': 76, '3': 104}, 'genes': {'2': 224, '3': 76, "
        "'4': "
        "104}, 'max_delay': 20, 'inputs_used': 16, 'columns_used': 404}\n",
        parsedJson(workFile("mul_tree8.stats.json")));
    const std::string table = readBytes(workFile("mul_tree8.lut.bin"));
    ASSERT_EQ(2u * 65536, table.size());
    for (unsigned index = 0; index < 65536; ++index) {
        const unsigned value = std::uint8_t(table[2 * index]) | std::uint8_t(table[2 * index + 1]) << 8;
        ASSERT_EQ((index >> 8) * (index & 0xFF), value) << index;
    }
}

TEST_F(Cli, TruncatedAdderAndExactMedian) {
    if (!haveProgram("python3")) GTEST_SKIP() << "python3 reads the JSON files";
    // The ripple-carry adder with its lowest result bit taken from the constant 0.
    std::string adder = readBytes(workFile("adder_rca8.cgp"));
    const std::size_t outputs = adder.rfind("(18,");
    ASSERT_NE(std::string::npos, outputs);
    adder.replace(outputs, 4, "(0,");
    writeBytes(workFile("cut.cgp"), adder);
    const Outcome result = run({"cut.cgp", "-err:add:8,8", "median9.cha", "-err:median", "-x"});
    ASSERT_EQ(0, result.status) << result.err;
    EXPECT_EQ(
        "{'op': 'add', 'widths': [8, 8], 'vectors': 65536, 'exhaustive': True, 'mae': 0.5, 'wce': 1, 'ep': "
        "50.0, "
        "'mre': 0.275430891004, 'mse': 0.5, 'wcre': 100.0, 'histogram': {'-1': 32768, '0': 32768}}\n",
        parsedJson(workFile("cut.error.json")));
    EXPECT_EQ(
        "{'op': 'median', 'widths': [], 'vectors': 1048576, 'exhaustive': False, 'mae': 0.0, 'wce': 0, 'ep': "
        "0.0, "
        "'mre': 0.0, 'mse': 0.0, 'wcre': 0.0, 'histogram': {'0': 1048576}}\n",
        parsedJson(workFile("median9.error.json")));
}

TEST_F(Cli, MalformedMeasuringOptionsEndTheRun) {
    const std::pair<const char*, const char*> cases[] = {
        {"-err:div:8,8",
         "pellisor: Volbu -err:div:8,8 nelze provést: neznámá operace 'div' (add, sub, mul, median, min, "
         "max, mean)\n"},
        {"-err:add",
         "pellisor: Volbu -err:add nelze provést: chybí šířky operandů oddělené čárkou (např. "
         "-err:add:8,8)\n"},
        {"-err:add:8,",
         "pellisor: Volbu -err:add:8, nelze provést: chybí šířky operandů oddělené čárkou (např. "
         "-err:add:8,8)\n"},
        {"-err:max:8",
         "pellisor: Volbu -err:max:8 nelze provést: operace max nemá šířky operandů (-err:max)\n"},
        {"-err:mul:8,8", "pellisor: Obvod má 9 výstupů, operace mul:8,8 potřebuje alespoň 16\n"},
    };
    for (const auto& [option, message] : cases) {
        const Outcome result = run({"adder_ks8.cgp", option, "-o:stats", "-x"});
        EXPECT_EQ(1, result.status) << option;
        EXPECT_EQ(message, result.err);
        EXPECT_FALSE(exists("adder_ks8.error.json"));
        EXPECT_FALSE(exists("adder_ks8.stats.json"));  // the run ended before it
    }
    // Before any circuit, and a table of more than 16 input bits: operands of an earlier circuit do not
    // carry over, the 18 inputs split 9 + 9.
    EXPECT_EQ("pellisor: Volbu -o:stats nelze provést: není načten žádný chromozom\n",
              run({"-o:stats", "-x"}).err);
    writeBytes(workFile("wide.cgp"), "{18,1,1,1,2,1,1}([20]2,19,2)(20)");
    const Outcome wide = run({"adder_ks8.cgp", "-err:add:4,4", "-o:lut", "wide.cgp", "-o:lut", "-x"});
    EXPECT_EQ(1, wide.status);
    EXPECT_EQ(2u * 256, readBytes(workFile("adder_ks8.lut.bin")).size());
    EXPECT_EQ(
        "pellisor: Tabulku obvodu nelze zapsat: operandy 9+9 bitů, tabulka bere dva operandy po nejvýše "
        "16 bitech celkem\n",
        wide.err);
}

}  // namespace
}  // namespace pellisor
