#include "app/settings.h"

#include "model/error.h"
#include "model/settings_keys.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <optional>
#include <sstream>
#include <utility>
#include <vector>

namespace pellisor {
namespace {

using test::readBytes;
using test::TempDir;
using test::writeBytes;

using Line = std::pair<std::string, std::string>;  // section, "key=value"

// The key lines of a file in their order, each with the section it stands in.
std::vector<Line> keyLines(const std::string& path) {
    std::vector<Line> lines;
    std::istringstream in(readBytes(path));
    std::string section;
    for (std::string line; std::getline(in, line);) {
        if (line.empty() || line[0] == ';' || line[0] == '#') continue;
        if (line[0] == '[') {
            section = line.substr(1, line.find(']') - 1);
        } else {
            lines.emplace_back(section, line);
        }
    }
    return lines;
}

SpacingTexts texts(std::initializer_list<const char*> values) {
    SpacingTexts result;
    std::size_t i = 0;
    for (const char* value : values)
        result[i++] = value;
    return result;
}

TEST(SettingsPage, WithoutFileShowsDefaults) {
    TempDir dir;
    const SettingsFile file(dir.file("set.ini"));
    EXPECT_EQ(readSpacingTexts(file), texts({"80", "70", "30", "30", "80", "30", "20", "40", "80", "40"}));

    DisplayOptions current;
    current.blockNumbers = false;
    current.values = true;
    current.wiring = WiringMode::DirectOpt;
    const auto options = readDisplayOptions(file, current);
    EXPECT_TRUE(options.blockNumbers);
    EXPECT_TRUE(options.hiddenBlocks);
    EXPECT_TRUE(options.hiddenWires);
    EXPECT_FALSE(options.values);
    EXPECT_FALSE(options.footer);
    EXPECT_FALSE(options.symbols);
    EXPECT_FALSE(options.functionLabels);
    EXPECT_EQ(options.wiring, WiringMode::DirectOpt);
}

TEST(SettingsPage, ReadsEachKeyIntoItsField) {
    TempDir dir;
    writeBytes(
        dir.file("set.ini"),
        "[roztece]\nroztecx=1\nroztecy=2\nroztecy_in=3\nroztecy_out=4\nofsetx_el=5\nofsety_el=6\n"
        "ofsetx_in=7\nofsety_in=+08\nofsetx_out=x9\nofsety_out=-10\n"
        "[Zobrazeni]\ncbloky=0\nsbloky=0\nsblokyspoje=5\nhodnoty=1\npaticka=1\nznacky=0\npopisfce=ano\n");
    const SettingsFile file(dir.file("set.ini"));
    // Shown as the integers read; a value that is no integer shows the default.
    EXPECT_EQ(readSpacingTexts(file), texts({"1", "2", "3", "4", "5", "6", "7", "8", "80", "-10"}));

    const auto options = readDisplayOptions(file);
    EXPECT_FALSE(options.blockNumbers);
    EXPECT_FALSE(options.hiddenBlocks);
    EXPECT_TRUE(options.hiddenWires);
    EXPECT_TRUE(options.values);
    EXPECT_TRUE(options.footer);
    EXPECT_FALSE(options.symbols);
    EXPECT_FALSE(options.functionLabels);
}

TEST(SettingsPage, SaveThenReadRestoresFieldsAndCheckBoxes) {
    TempDir dir;
    SettingsFile file(dir.file("set.ini"));
    const auto spacings = texts({"81", "72", "33", "34", "85", "36", "27", "48", "89", "-40"});
    DisplayOptions options;
    options.blockNumbers = false;
    options.hiddenBlocks = true;
    options.hiddenWires = false;
    options.values = true;
    options.footer = true;
    options.symbols = false;
    options.functionLabels = true;
    saveSettings(file, spacings, options);

    const SettingsFile reopened(dir.file("set.ini"));
    EXPECT_EQ(readSpacingTexts(reopened), spacings);
    EXPECT_EQ(readDisplayOptions(reopened), options);

    // The inverse pattern, written over the first.
    DisplayOptions inverse;
    for (const auto& key : settings::kDisplayKeys)
        inverse[key.option] = !options[key.option];
    saveSettings(file, texts({"1", "2", "3", "4", "5", "6", "7", "8", "9", "10"}), inverse);
    EXPECT_EQ(readDisplayOptions(reopened), inverse);
    EXPECT_EQ(readSpacingTexts(reopened), texts({"1", "2", "3", "4", "5", "6", "7", "8", "9", "10"}));
}

TEST(SettingsPage, SaveWritesSpacingsThenCheckBoxesInSaveOrder) {
    TempDir dir;
    SettingsFile file(dir.file("set.ini"));
    DisplayOptions options;
    options.blockNumbers = true;
    options.hiddenBlocks = false;
    options.hiddenWires = true;
    options.values = false;
    options.footer = true;
    options.symbols = false;
    options.functionLabels = true;
    saveSettings(file, texts({"+1", "02", "3", "4", "5", "6", "7", "8", "9", "-0"}), options);

    const std::vector<Line> expected{
        {"Roztece", "roztecx=1"},       {"Roztece", "roztecy=2"},   {"Roztece", "roztecy_in=3"},
        {"Roztece", "roztecy_out=4"},   {"Roztece", "ofsetx_el=5"}, {"Roztece", "ofsety_el=6"},
        {"Roztece", "ofsetx_in=7"},     {"Roztece", "ofsety_in=8"}, {"Roztece", "ofsetx_out=9"},
        {"Roztece", "ofsety_out=0"},    {"Zobrazeni", "cbloky=1"},  {"Zobrazeni", "sbloky=0"},
        {"Zobrazeni", "sblokyspoje=1"}, {"Zobrazeni", "hodnoty=0"}, {"Zobrazeni", "znacky=0"},
        {"Zobrazeni", "popisfce=1"},    {"Zobrazeni", "paticka=1"},
    };
    EXPECT_EQ(keyLines(file.path()), expected);
}

TEST(SettingsPage, BadFieldStopsTheSaveAfterTheKeysBeforeIt) {
    TempDir dir;
    SettingsFile file(dir.file("set.ini"));
    DisplayOptions options;
    options.values = true;
    try {
        saveSettings(file, texts({"1", "2", "3", "4", "8a", "6", "7", "8", "9", "10"}), options);
        FAIL() << "no error";
    } catch (const Error& error) {
        EXPECT_STREQ(error.what(), "'8a' is not a valid integer value");
    }
    const std::vector<Line> expected{
        {"Roztece", "roztecx=1"},
        {"Roztece", "roztecy=2"},
        {"Roztece", "roztecy_in=3"},
        {"Roztece", "roztecy_out=4"},
    };
    EXPECT_EQ(keyLines(file.path()), expected);
}

TEST(SettingsPage, BadFieldLeavesLaterKeysAndCheckBoxesAsTheyWere) {
    TempDir dir;
    const auto path = dir.file("set.ini");
    writeBytes(path, "[Roztece]\nroztecx=11\nroztecy=12\nroztecy_in=13\n[Zobrazeni]\nhodnoty=0\n");
    SettingsFile file(path);
    DisplayOptions options;
    options.values = true;
    EXPECT_THROW(saveSettings(file, texts({"1", "", "3", "4", "5", "6", "7", "8", "9", "10"}), options),
                 Error);
    EXPECT_EQ(readSpacingTexts(file), texts({"1", "12", "13", "30", "80", "30", "20", "40", "80", "40"}));
    EXPECT_FALSE(readDisplayOptions(file).values);

    // A bad first field writes nothing at all.
    TempDir empty;
    SettingsFile fresh(empty.file("set.ini"));
    EXPECT_THROW(saveSettings(fresh, texts({" 1", "2", "3", "4", "5", "6", "7", "8", "9", "10"}), options),
                 Error);
    EXPECT_FALSE(std::filesystem::exists(fresh.path()));
}

TEST(SettingsPage, SaveKeepsOtherSectionsAndComments) {
    TempDir dir;
    const auto path = dir.file("set.ini");
    writeBytes(path,
               "; my settings\n\n[Funkce]\nf0=1\nf1=3\n[Roztece]\n; keep me\nroztecx=5\nextra=yes\n"
               "[DOT]\nf1_label=AND\nf1_fillcolor=#ffcccc\n");
    SettingsFile file(path);
    saveSettings(file, texts({"1", "2", "3", "4", "5", "6", "7", "8", "9", "10"}), DisplayOptions{});

    const auto text = readBytes(path);
    EXPECT_NE(text.find("; my settings\n"), std::string::npos) << text;
    EXPECT_NE(text.find("; keep me\n"), std::string::npos) << text;
    EXPECT_EQ(file.readInt("Funkce", "f0", 0), 1);
    EXPECT_EQ(file.readInt("Funkce", "f1", 0), 3);
    EXPECT_EQ(file.readString("Roztece", "extra", ""), "yes");
    EXPECT_EQ(file.readString("DOT", "f1_label", ""), "AND");
    EXPECT_EQ(file.readString("DOT", "f1_fillcolor", ""), "#ffcccc");
    EXPECT_EQ(file.readInt("Roztece", "roztecx", 0), 1);
}

TEST(SettingsPage, SettingsFileLiesBesideTheExecutable) {
    const auto directory = executableDirectory();
    ASSERT_FALSE(directory.empty());
    EXPECT_EQ(directory.back(), '/');
    EXPECT_EQ(settingsPath(), directory + "set.ini");

    const auto executable = std::filesystem::read_symlink("/proc/self/exe");
    EXPECT_EQ(directory, executable.parent_path().string() + "/");
    EXPECT_TRUE(std::filesystem::exists(directory + executable.filename().string()));

    // The working directory plays no part.
    TempDir elsewhere;
    const auto before = std::filesystem::current_path();
    std::filesystem::current_path(elsewhere.path());
    EXPECT_EQ(settingsPath(), directory + "set.ini");
    std::filesystem::current_path(before);
}

// The labels and node styles resolved once per drawing or export are what each writer read key by key
// from the "DOT" section: labels shown when set and not empty, the graph's label with its own default
// when missing (and empty when set empty), colours with their defaults; genes without a row included.
TEST(FunctionStyles, ResolvedOnceTheyAreWhatEveryReaderReadKeyByKey) {
    TempDir dir;
    writeBytes(dir.file("set.ini"),
               "[DOT]\nf4_label=PASS\nf4_fillcolor=#ffcccc\nf5_label=\nf5_fontcolor=red\nf7_fillcolor=\n"
               "f_label=no row\nf#_label=header\n[Funkce]\nf0=4\n");
    const SettingsFile file(dir.file("set.ini"));
    FunctionAssignment assignment;
    const std::int32_t identifiers[] = {4, 5, 7, 0, 99, -3, 4};
    for (std::int32_t gene = 0; gene < kGeneCount; ++gene)
        assignment.setIdentifier(gene, identifiers[gene % 7]);

    const FunctionStyles labels = readFunctionLabels(file, assignment);
    const FunctionStyles styles = readFunctionStyles(file, assignment);
    for (std::int32_t gene = -2; gene <= kGeneCount + 1; ++gene) {
        SCOPED_TRACE(gene);
        const std::string id = assignment.functionOf(gene);
        const std::string label = file.readString("DOT", "f" + id + "_label", "");
        const std::string* shown = labels.shownLabel(id);
        EXPECT_EQ(label.empty() ? std::to_string(gene) : label, shown ? *shown : std::to_string(gene));
        const std::string node = "blk9(" + std::to_string(gene) + ")";
        EXPECT_EQ(file.readString("DOT", "f" + id + "_label", node), styles.of(id).label.value_or(node));
        EXPECT_EQ(file.readString("DOT", "f" + id + "_fillcolor", "#cccccc"), styles.of(id).fillColor);
        EXPECT_EQ(file.readString("DOT", "f" + id + "_fontcolor", "#444444"), styles.of(id).fontColor);
        EXPECT_EQ(styles.of(id).label, labels.of(id).label);
        EXPECT_EQ(FunctionStyle{}.fillColor, labels.of(id).fillColor);
    }
    EXPECT_EQ("PASS", *labels.shownLabel("4"));
    EXPECT_EQ(std::optional<std::string>(""), styles.of("5").label);
    EXPECT_EQ("header", *labels.shownLabel("#"));

    // A hand edit shows at the next resolution; without the file every style is the default.
    writeBytes(dir.file("set.ini"), "[DOT]\nf4_label=NEW\n");
    EXPECT_EQ("NEW", *readFunctionLabels(file, assignment).shownLabel("4"));
    std::filesystem::remove(dir.file("set.ini"));
    const FunctionStyles none = readFunctionStyles(file, assignment);
    for (const std::string id : {"4", "5", "7", "", "#"})
        EXPECT_EQ(FunctionStyle{}, none.of(id)) << id;
}

}  // namespace
}  // namespace pellisor
