#include "model/chromosome_writer.h"

#include "model/chromosome_file.h"
#include "model/error.h"
#include "model/file_io.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

namespace pellisor {
namespace {

using Names = std::vector<std::string>;

TEST(ChromosomeWriter, FileText) {
    EXPECT_EQ(chrFileText("x", {"a", "b"}, {}, "L"), "# x\r\n#%i a,b\r\nL\r\n");
    // The heading line is there even for an empty description; empty lists give no name lines.
    EXPECT_EQ(chrFileText("", {}, {}, "L"), "# \r\nL\r\n");
    EXPECT_EQ(chrFileText("d", {}, {"y", "z"}, ""), "# d\r\n#%o y,z\r\n\r\n");
    // Names and texts go out as given, empty names included.
    EXPECT_EQ(chrFileText("popis čís", {"", "a b"}, {"ř"}, "{1} (2)"),
              "# popis čís\r\n#%i ,a b\r\n#%o ř\r\n{1} (2)\r\n");
}

TEST(ChromosomeWriter, SaveThenLoadGivesTheTextsBack) {
    struct Case {
        std::string description;
        Names inputs;
        Names outputs;
        std::string line;
    };
    const Case cases[] = {
        {"", {}, {}, "{2,1,1,1,2,1,-1}([2]0,1,3)(2)"},
        {"Filtr šumu, verze 2", {"x0", "x1", ""}, {"y"}, "{2,1,1,1,2,1,-1}([2]0,1,3)(2)"},
        {" two  blanks", {}, {"", ""}, "{1,1,1,1,2,1,-1}([1]0,0,1)(1)"},
    };
    test::TempDir dir;
    for (const auto& c : cases) {
        const std::string path = dir.file("round.chr");
        saveChromosomeFile(path, c.description, c.inputs, c.outputs, c.line);
        EXPECT_EQ(test::readBytes(path), chrFileText(c.description, c.inputs, c.outputs, c.line));

        Chromosome circuit;
        std::string fileName;
        const auto loaded = loadChromosomeFile(path, circuit, fileName, nullptr);
        ASSERT_TRUE(loaded);
        EXPECT_EQ(loaded->text, c.line);
        EXPECT_EQ(loaded->description, " " + c.description);
        EXPECT_EQ(circuit.inputNames, c.inputs);
        EXPECT_EQ(circuit.outputNames, c.outputs);
    }
}

TEST(ChromosomeWriter, AWrittenOutCircuitReadsBackWithItsDescriptionAsItWas) {
    // Descriptions as loads give them (a blank after '#') and as typed; one that would read as a names
    // line keeps the blank in front.
    for (const std::string description : {"", " popis", "popis", "  dvě", "%", "%x", "#", "%i a", "%o b"}) {
        SCOPED_TRACE(description);
        const std::string text =
            chrFileText(description, {"a", "b"}, {"y"}, "L", DescriptionLine::ReadBackAsIs);
        const ChrContent read = readChrText(textWithLineFeeds(text));
        const bool namesLike = description.starts_with("%i") || description.starts_with("%o");
        EXPECT_EQ(read.description, namesLike ? " " + description : description);
        EXPECT_EQ(read.inputNames, (Names{"a", "b"}));
        EXPECT_EQ(read.outputNames, Names{"y"});
        EXPECT_EQ(read.chromosome, "L");
    }
}

TEST(ChromosomeWriter, EveryLineEndsInCrLf) {
    test::TempDir dir;
    const std::string path = dir.file("c.chr");
    saveChromosomeFile(path, "d", {"a"}, {"b"}, "L");
    const std::string bytes = test::readBytes(path);
    std::size_t lines = 0;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\n') {
            ++lines;
            EXPECT_TRUE(i > 0 && bytes[i - 1] == '\r') << "bare LF at " << i;
        } else if (bytes[i] == '\r') {
            EXPECT_TRUE(i + 1 < bytes.size() && bytes[i + 1] == '\n') << "bare CR at " << i;
        }
    }
    EXPECT_EQ(lines, 4u);
    EXPECT_EQ(bytes.substr(bytes.size() - 3), "L\r\n");
}

TEST(ChromosomeWriter, OverwritesAnExistingFileWhole) {
    test::TempDir dir;
    const std::string path = dir.file("c.chr");
    test::writeBytes(path, std::string(1000, 'x'));
    saveChromosomeFile(path, "", {}, {}, "L");
    EXPECT_EQ(test::readBytes(path), "# \r\nL\r\n");
}

TEST(ChromosomeWriter, FailedWriteRaises) {
    test::TempDir dir;
    EXPECT_THROW(saveChromosomeFile(dir.file("missing/c.chr"), "d", {}, {}, "L"), Error);
    EXPECT_THROW(saveChromosomeFile(dir.path(), "d", {}, {}, "L"), Error);
}

TEST(ChromosomeWriter, FailedWriteLeavesTheOldFile) {
    if (::geteuid() == 0) GTEST_SKIP() << "root may write into a read-only directory";
    test::TempDir dir;
    const std::string sub = dir.file("locked");
    ASSERT_EQ(::mkdir(sub.c_str(), 0755), 0);
    const std::string path = sub + "/c.chr";
    test::writeBytes(path, "old bytes");
    ASSERT_EQ(::chmod(sub.c_str(), 0555), 0);
    EXPECT_THROW(saveChromosomeFile(path, "d", {}, {}, "L"), Error);
    ::chmod(sub.c_str(), 0755);
    EXPECT_EQ(test::readBytes(path), "old bytes");
}

TEST(ChromosomeWriter, ProposedName) {
    EXPECT_EQ(proposedChromosomeName(""), ".chr");
    EXPECT_EQ(proposedChromosomeName("/home/u/filtr.vrc"), "filtr.chr");
    EXPECT_EQ(proposedChromosomeName("/home/u/skript.csb"), "skript.chr");
    EXPECT_EQ(proposedChromosomeName("/home/u.v/bez"), "bez.chr");
    EXPECT_EQ(proposedChromosomeName("a.b.c"), "a.b.chr");
}

}  // namespace
}  // namespace pellisor
