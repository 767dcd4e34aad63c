// The button "Vygenerovat HW": one file name, five files beside each other.

#include "app/workbench_bench.h"
#include "model/file_io.h"

#include <gtest/gtest.h>

namespace pellisor {
namespace {

using test::Bench;

TEST(WorkbenchHardware, TheButtonWritesTheVerilogWithItsElementsAndTestbenches) {
    Bench bench;
    Workbench& w = bench.workbench;
    EXPECT_FALSE(w.enabled(Button::SBhw));
    w.loadAndDraw(bench.writeChromosome("c.chr"));
    EXPECT_TRUE(w.enabled(Button::SBhw));
    const char* files[] = {"hw.v", "hw.pe.vhd", "hw.pe.v", "hw_tb.vhd", "hw_tb.v"};

    bench.ui.fileAnswers = {std::nullopt};
    w.generateHardwareClicked();
    for (const char* name : files)
        EXPECT_FALSE(fileExists(bench.dir.file(name))) << name;

    bench.ui.fileAnswers = {bench.dir.file("hw.v")};
    w.generateHardwareClicked();
    ASSERT_EQ(2u, bench.ui.dialogs.size());
    EXPECT_EQ("Verilog file|*.v", bench.ui.dialogs[1].filter);
    EXPECT_TRUE(bench.ui.dialogs[1].overwritePrompt);
    for (const char* name : files)
        EXPECT_TRUE(fileExists(bench.dir.file(name))) << name;
    EXPECT_TRUE(test::readBytes(bench.dir.file("hw.v")).starts_with("// c.chr\nmodule filter"));
    EXPECT_NE(test::readBytes(bench.dir.file("hw_tb.v")).find("1000 random vectors"), std::string::npos);
    EXPECT_NE(test::readBytes(bench.dir.file("hw.pe.vhd")).find("entity vrc_alu is"), std::string::npos);
}

}  // namespace
}  // namespace pellisor
