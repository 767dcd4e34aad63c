// End-to-end runs over circuits of the gate-level and comparator dialects.
#include "cli/cli_fixture.h"

#include <gtest/gtest.h>

#include <string>

namespace pellisor {
namespace {

using namespace cli;

TEST_F(Cli, GateLevelAndComparatorFilesAreDrawnAndExportedLikeChromosomes) {
    // A full adder from two half adders, and a three-input median network.
    writeBytes(workFile("adder.cgp"),
               "{3,2,1,5,2,1,5}\n([5]2,3,4)([6]2,3,2)([7]5,4,4)([8]5,4,2)([9]6,8,3)\n(7,9)\n");
    writeBytes(workFile("median.cha"), "{3,1,3,1,2,2,3}([3,4]0,1,1)([5,6]4,2,1)([7,8]3,5,2)(8)");
    for (const std::string name : {"adder", "median"}) {
        const std::string file = name + (name == "adder" ? ".cgp" : ".cha");
        const Outcome result = run({file, "-o:dot", "-o:ps", "-x"});
        ASSERT_EQ(0, result.status) << result.err;
        EXPECT_EQ("", result.err);
        const std::string dot = readBytes(workFile(name + ".dot"));
        EXPECT_EQ(0U, dot.rfind("#" + file + "\ndigraph", 0));
        for (const char* label : name == "adder" ? std::vector<const char*>{"\"XOR\"", "\"AND\"", "\"OR\""}
                                                 : std::vector<const char*>{"\"MIN\"", "\"MAX\""}) {
            EXPECT_NE(std::string::npos, dot.find(label)) << file << " " << label;
        }
        if (haveProgram("dot")) {
            const auto rendered = runCommand("dot -Tsvg " + quoted(workFile(name + ".dot")) + " >/dev/null");
            EXPECT_EQ(0, rendered.status) << rendered.output;
        }
        EXPECT_TRUE(exists(name + ".ps"));
    }

    // A gate reading a later one ends the run with the reason and writes nothing.
    writeBytes(workFile("loop.cgp"), "{2,1,1,2,2,1,2}([4]5,3,2)([5]2,3,4)(5)");
    const Outcome refused = run({"loop.cgp", "-o:dot", "-x"});
    EXPECT_EQ(1, refused.status);
    EXPECT_EQ(
        "pellisor: Soubor cgp nelze převést: hradlo 4 čte na vstupu a pozdější hradlo 5 (řádek 1, znak 16)\n",
        refused.err);
    EXPECT_FALSE(exists("loop.dot"));
}

}  // namespace
}  // namespace pellisor
