#include "model/chromosome_file.h"

#include "model/error.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <deque>
#include <memory>

namespace pellisor {
namespace {

using Names = std::vector<std::string>;

const std::string kTitle = "Načtení vrc chromozomu";
const std::string kInputsPrompt = "Počet vstupů (>1)";

struct Question {
    std::string title;
    std::string prompt;
    std::string initial;
    bool operator==(const Question&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Question& q) {
    return out << "{" << q.title << " | " << q.prompt << " | " << q.initial << "}";
}

// Answers the questions from a script and records what it was asked. Running out of answers fails the
// test and cancels, so a question asked once too often cannot loop for ever.
class ScriptedAsk {
public:
    explicit ScriptedAsk(std::vector<std::optional<std::string>> answers)
        : state_(std::make_shared<State>(State{{answers.begin(), answers.end()}, {}})) {}

    AskText callback() const {
        auto state = state_;
        return [state](const std::string& title, const std::string& prompt,
                       const std::string& initial) -> std::optional<std::string> {
            state->asked.push_back({title, prompt, initial});
            if (state->answers.empty()) {
                ADD_FAILURE() << "unexpected question: " << prompt;
                return std::nullopt;
            }
            auto answer = state->answers.front();
            state->answers.pop_front();
            return answer;
        };
    }

    const std::vector<Question>& asked() const { return state_->asked; }
    bool allAnswered() const { return state_->answers.empty(); }

private:
    struct State {
        std::deque<std::optional<std::string>> answers;
        std::vector<Question> asked;
    };
    std::shared_ptr<State> state_;
};

std::optional<std::string> convert(std::string_view text, std::vector<std::optional<std::string>> answers) {
    ScriptedAsk ask(std::move(answers));
    auto line = convertVrcText(text, ask.callback());
    EXPECT_TRUE(ask.allAnswered());
    return line;
}

const char* const kExampleVrc = "0 1 5 | 1 2 3 |\n0 1 2 | 3 1 4 |\n";
const char* const kExampleChromosome = "{3,1,2,2,2,1,-1}([3]1,2,5)([4]2,0,3)([5]3,4,2)([6]2,4,4)(5)";

// --- .chr ---

TEST(ChrLoader, OnlyAChromosomeLine) {
    const auto content = readChrText("{2,1,1,1,2,1,-1}([2]0,1,3)(2)\n");
    EXPECT_EQ(content.chromosome, "{2,1,1,1,2,1,-1}([2]0,1,3)(2)");
    EXPECT_EQ(content.description, "");
    EXPECT_TRUE(content.inputNames.empty());
    EXPECT_TRUE(content.outputNames.empty());
}

TEST(ChrLoader, DescriptionAndNameLines) {
    const auto content = readChrText("# test\n#%i a,b,c\n#%o y\n{1,1,1,1,2,1,-1}([1]0,0,1)(1)\n");
    EXPECT_EQ(content.description, " test");
    EXPECT_EQ(content.inputNames, (Names{"a", "b", "c"}));
    EXPECT_EQ(content.outputNames, (Names{"y"}));
    EXPECT_EQ(content.chromosome, "{1,1,1,1,2,1,-1}([1]0,0,1)(1)");
}

TEST(ChrLoader, WhiteSpaceOutsideCommentsIsDropped) {
    // Spread over lines, with blanks, tabs and a stray CR: the line comes back in one piece.
    EXPECT_EQ(readChrText("{2,1,1,1,\n2,1,-1}\n ([2]0, 1,3)\t(2)\r\v\f").chromosome,
              "{2,1,1,1,2,1,-1}([2]0,1,3)(2)");
    // A comment may follow chromosome text on the same line; the line goes on after it.
    const auto content = readChrText("{1,2}#note\n(3)");
    EXPECT_EQ(content.chromosome, "{1,2}(3)");
    EXPECT_EQ(content.description, "note");
}

TEST(ChrLoader, DescriptionLinesAreConcatenated) {
    const auto content = readChrText("#one\n# two\n#\n#%x y\n#%\tz\n");
    EXPECT_EQ(content.description, "one two%x y%\tz");
    EXPECT_EQ(content.chromosome, "");
    EXPECT_TRUE(content.inputNames.empty());
}

TEST(ChrLoader, NameLists) {
    // A trailing comma adds an empty last name; blanks, tabs and CR vanish inside names.
    EXPECT_EQ(readChrText("#%i a,b,\n").inputNames, (Names{"a", "b", ""}));
    EXPECT_EQ(readChrText("#%i  x y\t,\rz \n").inputNames, (Names{"xy", "z"}));
    EXPECT_EQ(readChrText("#%i\n").inputNames, (Names{""}));
    // Several lines add to the same list; other characters, '#' included, belong to the name.
    const auto content = readChrText("#%o p\n#%i a#1\n#%o q,r\n");
    EXPECT_EQ(content.outputNames, (Names{"p", "q", "r"}));
    EXPECT_EQ(content.inputNames, (Names{"a#1"}));
    EXPECT_EQ(content.description, "");
}

TEST(ChrLoader, LastNameWithoutLineEndIsDropped) {
    EXPECT_EQ(readChrText("#%i a,b").inputNames, (Names{"a"}));
    EXPECT_EQ(readChrText("#%o y").outputNames, (Names{}));
}

TEST(ChrLoader, CarriageReturnRightAfterHashIsNotDescription) {
    const auto content = readChrText("#\rmore\n{1}");
    EXPECT_EQ(content.description, "more");
    EXPECT_EQ(content.chromosome, "{1}");
    EXPECT_EQ(readChrText("#%\rx\n").description, "%x");
}

TEST(ChrLoader, BareHashPercentLineEndsAtItsLineEnd) {
    // The next line must still be read as chromosome text.
    const auto content = readChrText("#%\n{1,1}\n#%\n");
    EXPECT_EQ(content.description, "%%");
    EXPECT_EQ(content.chromosome, "{1,1}");
}

// --- .vrc ---

TEST(VrcConversion, ExampleAndItsQuestions) {
    ScriptedAsk ask({"2", "1", "0"});
    EXPECT_EQ(convertVrcText(kExampleVrc, ask.callback()), kExampleChromosome);
    EXPECT_EQ(ask.asked(), (std::vector<Question>{{kTitle, kInputsPrompt, "7"},
                                                  {kTitle, "Počet výstupů (1..2)", "7"},
                                                  {kTitle, "Index prvního výstupu (0..1)", "1"}}));
}

TEST(VrcConversion, CommentBlankLinesAndFinalLineWithoutLineEnd) {
    const char* text = "# header\n\n   \n \t# indented comment\n0 1 5 | 1 2 3 |\n\n0 1 2 | 3 1 4 |";
    EXPECT_EQ(convert(text, {"2", "1", "0"}), kExampleChromosome);
}

TEST(VrcConversion, BarDirectlyAfterNumber) {
    EXPECT_EQ(convert("0 1 5|\n", {"2", "1", "0"}), convert("0 1 5 |\n", {"2", "1", "0"}));
    EXPECT_EQ(convert("0 1 5|1 0 2|\n", {"2", "1", "0"}), "{3,1,1,2,2,1,-1}([3]1,2,5)([4]2,1,2)(3)");
}

TEST(VrcConversion, NumberBeforeLineEndIsLostAndUnbarredGroupIsNoRow) {
    // The 3 is lost and the second group has no bar, so there is one row only.
    ScriptedAsk ask({"2", "1", "0"});
    EXPECT_EQ(convertVrcText("0 1 5 | 1 2 3\n", ask.callback()), "{3,1,1,1,2,1,-1}([3]1,2,5)([4]2,0,(3)");
    ASSERT_EQ(ask.asked().size(), 3u);
    EXPECT_EQ(ask.asked()[1].prompt, "Počet výstupů (1..1)");
    EXPECT_EQ(ask.asked()[2].prompt, "Index prvního výstupu (0..0)");
    // A comment ends the line the same way; a bar inside it is not counted.
    EXPECT_EQ(convert("0 1 5 | 1 2 3# |\n", {"2", "1", "0"}), "{3,1,1,1,2,1,-1}([3]1,2,5)([4]2,0,(3)");
}

TEST(VrcConversion, RowsComeFromTheFirstDataLineOnly) {
    // A shorter second line is taken as it stands; its column still has two rows.
    ScriptedAsk ask({"2", "1", "0"});
    EXPECT_EQ(convertVrcText("0 1 5 | 1 2 3 |\n0 1 2 |\n", ask.callback()),
              "{3,1,2,2,2,1,-1}([3]1,2,5)([4]2,0,3)([5]3,4,2)(5)");
    ASSERT_EQ(ask.asked().size(), 3u);
    EXPECT_EQ(ask.asked()[1].prompt, "Počet výstupů (1..2)");
}

TEST(VrcConversion, MappingOfConnectionNumbers) {
    // inputs 3, rows 2: every boundary of the mapping, and a third column for the column offset.
    const char* text =
        "0 2 1 | 3 4 2 |\n"
        "1 2 0 | 4 5 0 |\n"
        "0 1 3 | 1 0 3 |\n";
    EXPECT_EQ(convert(text, {"3", "2", "0"}),
              "{4,2,3,2,2,1,-1}([4]1,3,1)([5]0,0,2)([6]5,1,0)([7]3,0,0)([8]6,7,3)([9]7,6,3)(8,9)");
}

TEST(VrcConversion, OutputGenesStartAtTheFirstRowAsked) {
    const char* text = "0 0 1 | 0 0 1 | 0 0 1 | 0 0 1 |\n";
    // inputs 1, rows 4, one column: blocks 2..5; outputs 2 from row 1 are blocks 3 and 4.
    ScriptedAsk ask({"1", "2", "1"});
    const auto line = convertVrcText(text, ask.callback());
    ASSERT_TRUE(line);
    ASSERT_EQ(ask.asked().size(), 3u);
    EXPECT_EQ(line->substr(0, 16), "{2,2,1,4,2,1,-1}");
    EXPECT_EQ(line->substr(line->size() - 5), "(3,4)");
    EXPECT_EQ(ask.asked()[2].prompt, "Index prvního výstupu (0..2)");
}

TEST(VrcConversion, CharactersThatAreSkipped) {
    // A minus sign and letters vanish; a tab joins two digit runs; a lone CR is skipped.
    EXPECT_EQ(convert("-0 x1 1\t2 |\r\n", {"2", "1", "0"}), "{3,1,1,1,2,1,-1}([3]1,2,12)(3)");
}

TEST(VrcConversion, GroupsOfOtherSizes) {
    // A fourth number is copied with its own ")"; an empty group emits nothing and takes no label.
    EXPECT_EQ(convert("0 1 5 7 | | 1 1 2 |\n", {"2", "1", "0"}), "{3,1,1,3,2,1,-1}([3]1,2,5)7)([4]2,2,2)(3)");
}

TEST(VrcConversion, HugeNumbers) {
    // Connection numbers beyond any bound are the constant input; the function gene keeps its digits.
    const std::string huge = "123456789012345678901234567890";
    const std::string text = huge + " 1 00" + huge + " |\n" + huge + " 0 7 |\n";
    EXPECT_EQ(convert(text, {"2", "1", "0"}), "{3,1,2,1,2,1,-1}([3]0,2,00" + huge + ")([4]0,3,7)(4)");
}

TEST(VrcConversion, AnswersOutOfRangeAreAskedAgain) {
    ScriptedAsk ask({"0", "-4", "1", "0", "3", "2", "1", "-1", "0"});
    const auto line = convertVrcText(kExampleVrc, ask.callback());
    ASSERT_TRUE(line);
    EXPECT_EQ(line->substr(0, 16), "{2,2,2,2,2,1,-1}");
    EXPECT_EQ(line->substr(line->size() - 5), "(4,5)");
    ASSERT_EQ(ask.asked().size(), 9u);
    for (std::size_t i = 0; i < 3; ++i)
        EXPECT_EQ(ask.asked()[i], (Question{kTitle, kInputsPrompt, "7"}));
    for (std::size_t i = 3; i < 6; ++i)
        EXPECT_EQ(ask.asked()[i].prompt, "Počet výstupů (1..2)");
    for (std::size_t i = 6; i < 9; ++i)
        EXPECT_EQ(ask.asked()[i].prompt, "Index prvního výstupu (0..0)");
}

TEST(VrcConversion, CancelAtEachQuestion) {
    for (std::size_t cancelled = 0; cancelled < 3; ++cancelled) {
        std::vector<std::optional<std::string>> answers = {"2", "1", "0"};
        answers[cancelled] = std::nullopt;
        ScriptedAsk ask(answers);
        EXPECT_EQ(convertVrcText(kExampleVrc, ask.callback()), std::nullopt) << cancelled;
        EXPECT_EQ(ask.asked().size(), cancelled + 1);
    }
}

TEST(VrcConversion, NonIntegerAnswerRaises) {
    for (std::size_t bad = 0; bad < 3; ++bad) {
        std::vector<std::optional<std::string>> answers = {"2", "1", "0"};
        answers[bad] = "dva";
        ScriptedAsk ask(answers);
        try {
            convertVrcText(kExampleVrc, ask.callback());
            ADD_FAILURE() << "no error for answer " << bad;
        } catch (const Error& error) {
            EXPECT_STREQ(error.what(), "'dva' is not a valid integer value");
        }
        EXPECT_EQ(ask.asked().size(), bad + 1);
    }
}

// --- loading files ---

class LoadChromosomeFile : public ::testing::Test {
protected:
    void SetUp() override {
        circuit.inputNames = {"old"};
        circuit.outputNames = {"old"};
    }

    std::optional<LoadedChromosome> load(const std::string& path,
                                         std::vector<std::optional<std::string>> answers = {}) {
        ScriptedAsk ask(std::move(answers));
        auto loaded = loadChromosomeFile(path, circuit, fileName, ask.callback());
        EXPECT_TRUE(ask.allAnswered());
        return loaded;
    }

    test::TempDir dir;
    Chromosome circuit;
    std::string fileName = "previous.chr";
};

TEST_F(LoadChromosomeFile, ChrWithCrLfLineEnds) {
    const std::string path = dir.file("c.chr");
    test::writeBytes(path, "# test\r\n#%i a,b,c\r\n#%o y\r\n{1,1,1,1,2,1,-1}\r\n([1]0,0,1)(1)\r\n");
    const auto loaded = load(path);
    ASSERT_TRUE(loaded);
    EXPECT_EQ(loaded->text, "{1,1,1,1,2,1,-1}([1]0,0,1)(1)");
    EXPECT_EQ(loaded->description, " test");
    EXPECT_EQ(circuit.inputNames, (Names{"a", "b", "c"}));
    EXPECT_EQ(circuit.outputNames, (Names{"y"}));
    EXPECT_EQ(fileName, path);
}

TEST_F(LoadChromosomeFile, ChrWithoutNamesEmptiesTheOldOnes) {
    const std::string path = dir.file("c.chr");
    test::writeBytes(path, "{1}\n");
    ASSERT_TRUE(load(path));
    EXPECT_TRUE(circuit.inputNames.empty());
    EXPECT_TRUE(circuit.outputNames.empty());
}

TEST_F(LoadChromosomeFile, Vrc) {
    const std::string path = dir.file("c.vrc");
    test::writeBytes(path, "0 1 5 | 1 2 3 |\r\n0 1 2 | 3 1 4 |\r\n");
    const auto loaded = load(path, {"2", "1", "0"});
    ASSERT_TRUE(loaded);
    EXPECT_EQ(loaded->text, kExampleChromosome);
    EXPECT_EQ(loaded->description, "");
    EXPECT_TRUE(circuit.inputNames.empty());
    EXPECT_TRUE(circuit.outputNames.empty());
    EXPECT_EQ(fileName, path);
}

TEST_F(LoadChromosomeFile, VrcCancelledOrBadAnswerStillSetsFileName) {
    const std::string path = dir.file("c.vrc");
    test::writeBytes(path, kExampleVrc);
    EXPECT_EQ(load(path, {"2", std::nullopt}), std::nullopt);
    EXPECT_EQ(fileName, path);
    EXPECT_TRUE(circuit.inputNames.empty());

    fileName = "previous.chr";
    EXPECT_THROW(load(path, {"x"}), Error);
    EXPECT_EQ(fileName, path);
}

TEST_F(LoadChromosomeFile, OtherExtensionsReadNothing) {
    for (const char* name : {"c.CHR", "c.Vrc", "c.txt", "chr"}) {
        const std::string path = dir.file(name);
        test::writeBytes(path, "# d\n#%i a\n{1}\n");
        SetUp();
        const auto loaded = load(path);
        ASSERT_TRUE(loaded) << name;
        EXPECT_EQ(loaded->text, "") << name;
        EXPECT_EQ(loaded->description, "") << name;
        EXPECT_TRUE(circuit.inputNames.empty()) << name;
        EXPECT_TRUE(circuit.outputNames.empty()) << name;
        EXPECT_EQ(fileName, path);
    }
}

TEST_F(LoadChromosomeFile, UnreadableFileRaisesAndKeepsFileName) {
    for (const std::string& path : {dir.file("missing.chr"), dir.path() + "/"}) {
        SetUp();
        try {
            load(path);
            ADD_FAILURE() << "no error for " << path;
        } catch (const Error& error) {
            EXPECT_STREQ(error.what(), "Soubor nelze otevrit");
        }
        EXPECT_TRUE(circuit.inputNames.empty());
        EXPECT_TRUE(circuit.outputNames.empty());
        EXPECT_EQ(fileName, "previous.chr");
    }
}

}  // namespace
}  // namespace pellisor
