// End-to-end runs of "-o:svg", "-o:pdf" and "-o:png", read by their real readers.

#include "cli/cli_fixture.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <string>

namespace pellisor {
namespace {

using namespace cli;

TEST_F(Cli, SvgPdfAndPngOfTheSchematicAreReadByTheirReaders) {
    const Outcome outcome = run({"median9.cha", "-o:svg", "-o:pdf", "-o:png", "-o:bmp", "-x"});
    ASSERT_EQ(0, outcome.status) << outcome.err;
    for (const char* name : {"median9.svg", "median9.pdf", "median9.png", "median9.bmp"})
        ASSERT_TRUE(exists(name)) << name;
    const std::string svg = test::shellQuoted(workFile("median9.svg"));
    const std::string pdf = test::shellQuoted(workFile("median9.pdf"));
    EXPECT_EQ(0, test::runCommand("xmllint --noout " + svg).status);
    EXPECT_EQ(0, test::runCommand("rsvg-convert " + svg + " > /dev/null").status);
    // The PDF's page is the picture's size; its text holds the circuit's output name.
    const auto size =
        test::runCommand("identify -format '%w %h' " + test::shellQuoted(workFile("median9.bmp")));
    const auto info = test::runCommand("pdfinfo " + pdf + " | grep '^Page size'");
    ASSERT_EQ(0, info.status) << info.output;
    EXPECT_NE(std::string::npos, info.output.find(size.output.substr(0, size.output.find(' ')) + " x "))
        << info.output << " / " << size.output;
    EXPECT_NE(std::string::npos, test::runCommand("pdftotext " + pdf + " -").output.find("45"));
    // The PNG has the bitmap's pixels.
    const auto png =
        test::runCommand("convert " + test::shellQuoted(workFile("median9.png")) + " rgb:- | md5sum");
    const auto bmp =
        test::runCommand("convert " + test::shellQuoted(workFile("median9.bmp")) + " rgb:- | md5sum");
    EXPECT_EQ(png.output, bmp.output);
}

}  // namespace
}  // namespace pellisor
