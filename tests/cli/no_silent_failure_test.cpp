// Unattended runs that used to lose a file, hang, or end with status 0 although they failed.

#include "cli/cli_fixture.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <string>

namespace pellisor {
namespace {

using namespace cli;

TEST_F(Cli, AnOutputNeverReplacesAFileTheRunRead) {
    fs::copy_file(workFile("median3x3.chr"), workFile("lena.chr"));
    fs::copy_file(workFile("median3x3.ini"), workFile("lena.ini"));
    fs::copy_file(workFile("pattern64.bmp"), workFile("lena.bmp"));
    const std::string picture = readBytes(workFile("lena.bmp"));

    // The picture filtered, then the schematic would have been written over it.
    Outcome result = run({"lena.chr", "-i", "-f:lena.bmp", "-o:bmp", "-x"});
    EXPECT_EQ(1, result.status);
    EXPECT_NE(std::string::npos, result.err.find("lena.bmp nelze zapsat")) << result.err;
    EXPECT_EQ(picture, readBytes(workFile("lena.bmp")));
    EXPECT_TRUE(exists("lena.flt.bmp"));

    // A filtered picture as its own source, and a link to the source as the output.
    fs::copy_file(workFile("pattern64.bmp"), workFile("median3x3.flt.bmp"));
    result = run({"median3x3.chr", "-i", "-f:median3x3.flt.bmp", "-x"});
    EXPECT_EQ(1, result.status);
    EXPECT_EQ(picture, readBytes(workFile("median3x3.flt.bmp")));
    fs::create_symlink("lena.bmp", workFile("linked.bmp"));
    fs::copy_file(workFile("median3x3.chr"), workFile("linked.chr"));
    result = run({"linked.chr", "median3x3.ini", "-f:lena.bmp", "-o:bmp", "-x"});
    EXPECT_EQ(1, result.status);
    EXPECT_EQ(picture, readBytes(workFile("lena.bmp")));
}

TEST_F(Cli, ALinkedOutputIsWrittenThroughItsLink) {
    fs::create_directory(workFile("figs"));
    writeBytes(workFile("figs/adder.dot"), "old\n");
    ::chmod(workFile("figs/adder.dot").c_str(), 0604);
    fs::create_symlink("figs/adder.dot", workFile("adder.dot"));
    ASSERT_EQ(0, run({"adder.chr", "-o:dot", "-x"}).status);
    EXPECT_TRUE(fs::is_symlink(workFile("adder.dot")));
    EXPECT_EQ(0u, readBytes(workFile("figs/adder.dot")).find("#adder.chr\ndigraph"));
    EXPECT_EQ(fs::perms(0604), fs::status(workFile("figs/adder.dot")).permissions());
}

TEST_F(Cli, FailuresEndWithStatusOneAndSayWhy) {
    const auto before = workFiles();
    struct Case {
        std::vector<std::string> arguments;
        std::string message;
    };
    const std::vector<Case> cases{
        {{"adder.chr", "absent.ini", "-o:dot", "-x"}, "absent.ini neexistuje!"},
        {{"adder.chr", "median3x3.ini", "-o:dot", "-x"}, "median3x3.ini nepatří k tomuto obvodu"},
        {{"adder.chr", "cells.vrc", "-o:dot", "-x"}, "Načtení souboru cells.vrc bylo zrušeno"},
        {{"adder.chr", "-s", "-o:dot", "-x"}, "Volbu -s nelze provést"},
        {{"-f:pattern64.bmp", "adder.chr", "-x"}, "Volbu -f:pattern64.bmp nelze provést"},
    };
    for (const Case& c : cases) {
        const Outcome result = run(c.arguments);  // no answers: the .vrc questions are cancelled
        EXPECT_EQ(1, result.status) << c.message;
        EXPECT_NE(std::string::npos, result.err.find(c.message)) << result.err;
    }
    EXPECT_EQ(before, workFiles());
}

TEST_F(Cli, OnlyRegularFilesAreReadAndLongFieldsStayShort) {
    ASSERT_EQ(0, ::mkfifo(workFile("pipe.chr").c_str(), 0600));
    ASSERT_EQ(0, ::mkfifo(workFile("pipe.ini").c_str(), 0600));
    fs::create_symlink("/dev/zero", workFile("zero.chr"));
    // timeout: a run that hangs on the FIFO fails instead of stopping the tests.
    for (const auto& arguments : std::vector<std::vector<std::string>>{
             {"pipe.chr", "-x"}, {"zero.chr", "-x"}, {"adder.chr", "pipe.ini", "-x"}}) {
        const Outcome result = run(arguments, "", "timeout 20");
        EXPECT_EQ(1, result.status) << arguments[0];
        EXPECT_NE(std::string::npos, result.err.find("Soubor nelze otevrit")) << result.err;
    }

    // A megabyte of digits is quoted by its first 64.
    writeBytes(workFile("long.chr"), "{" + std::string(1 << 20, '9') + ",1,1,1,2,1,-1}(0,0,0)(1)\n");
    const Outcome result = run({"long.chr", "-x"});
    EXPECT_EQ(1, result.status);
    EXPECT_EQ("pellisor: '" + std::string(64, '9') + "…' is not a valid integer value\n", result.err);
}

TEST_F(Cli, FilesFromOtherEditorsReadAsTheirLineFeedVersions) {
    // A byte-order mark and lone CRs, as some editors write them.
    std::string mac = "\xEF\xBB\xBF" + readBytes(workFile("adder.chr"));
    for (char& ch : mac)
        if (ch == '\n') ch = '\r';
    writeBytes(workFile("mac.chr"), mac);
    ASSERT_EQ(0, run({"adder.chr", "-o:dot", "-x"}).status);
    ASSERT_EQ(0, run({"mac.chr", "-o:dot", "-x"}).status);
    EXPECT_EQ(readBytes(workFile("adder.dot")).substr(11), readBytes(workFile("mac.dot")).substr(9));

    std::string vrc = "\xEF\xBB\xBF" + readBytes(workFile("cells.vrc"));
    for (char& ch : vrc)
        if (ch == '\n') ch = '\r';
    writeBytes(workFile("mac.vrc"), vrc);
    ASSERT_EQ(0, run({"cells.vrc", "-o:vhd", "-x"}, "3\n2\n1\n").status);
    // Blanks around the answers are no part of them.
    const Outcome blanks = run({"mac.vrc", "-o:vhd", "-x"}, " 3 \n\t2\n1  \n");
    ASSERT_EQ(0, blanks.status) << blanks.err;
    EXPECT_EQ(readBytes(workFile("cells.vhd")).substr(9), readBytes(workFile("mac.vhd")).substr(7));

    // No block in the first data line: refused before any question, instead of asking for ever.
    writeBytes(workFile("empty.vrc"), "# nothing\n0 1 2\n");
    const Outcome refused = run({"empty.vrc", "-x"}, "3\n1\n0\n");
    EXPECT_EQ(1, refused.status);
    EXPECT_NE(std::string::npos, refused.err.find("nepopisuje žádný blok")) << refused.err;
}

}  // namespace
}  // namespace pellisor
