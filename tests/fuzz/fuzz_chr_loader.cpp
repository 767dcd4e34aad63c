// Chromosome files: the .chr comment state machine, the .vrc conversion with fuzzed answers to its
// three questions, and the loader around both.
//
// Input: one byte (bit 0: .vrc, bit 1: the extension in capitals), then for .vrc the answers, one per
// line, up to a NUL ("!" cancels, anything else is typed as it stands; when they run out the question
// is cancelled), then the file's bytes.
#include "fuzz_support.h"

#include "model/chromosome_file.h"
#include "model/chromosome_parser.h"
#include "model/chromosome_writer.h"
#include "model/error.h"
#include "model/file_io.h"
#include "model/integer_text.h"

#include <charconv>
#include <optional>
#include <string>
#include <vector>

namespace {

// An answer as the questions read it: blanks around the number are no part of it.
std::string_view trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

using namespace pellisor;
using pellisor::fuzz::printable;

bool hasAny(std::string_view text, std::string_view bytes) {
    return text.find_first_of(bytes) != std::string_view::npos;
}

constexpr std::string_view kWhiteSpace{" \t\n\v\f\r", 6};

void checkChrContent(const ChrContent& content, std::size_t textSize) {
    FUZZ_CHECK(!hasAny(content.chromosome, kWhiteSpace) && !hasAny(content.chromosome, "#"),
               printable(content.chromosome));
    FUZZ_CHECK(!hasAny(content.description, "\r\n"), printable(content.description));
    std::size_t total = content.chromosome.size() + content.description.size();
    for (const auto* names : {&content.inputNames, &content.outputNames}) {
        for (const std::string& name : *names) {
            FUZZ_CHECK(!hasAny(name, kWhiteSpace) && !hasAny(name, ","), printable(name));
            total += name.size();
        }
    }
    FUZZ_CHECK(total <= textSize, "more text than the file holds");
}

void checkChr(std::string_view bytes, bool capitals) {
    const std::string text = textWithLineFeeds(bytes);
    const ChrContent content = readChrText(text);
    checkChrContent(content, text.size());
    // Bytes with their CRs are read alike, if not to the same result.
    checkChrContent(readChrText(bytes), bytes.size());

    // The writer's file reads back as it was, the description with the blank after "#" in front.
    const std::string written =
        chrFileText(content.description, content.inputNames, content.outputNames, content.chromosome);
    const ChrContent back = readChrText(textWithLineFeeds(written));
    FUZZ_CHECK(back.chromosome == content.chromosome, printable(back.chromosome));
    FUZZ_CHECK(back.description == " " + content.description, printable(back.description));
    FUZZ_CHECK(back.inputNames == content.inputNames && back.outputNames == content.outputNames,
               "names differ after a round trip");

    const std::string path = fuzz::scratchFile(capitals ? "c.CHR" : "c.chr");
    fuzz::writeBytes(path, bytes);
    Chromosome circuit;
    circuit.inputNames = {"old"};
    circuit.outputNames = {"old", "older"};
    std::string fileName = "previous.chr";
    const auto cancelAll = [](const std::string&, const std::string&, const std::string&) {
        return std::optional<std::string>();
    };
    const auto loaded = loadChromosomeFile(path, circuit, fileName, cancelAll);
    FUZZ_CHECK(loaded.has_value(), "a .chr load asked and was cancelled");
    FUZZ_CHECK(fileName == path, fileName);
    const ChrContent expected = capitals ? ChrContent{} : content;
    FUZZ_CHECK(loaded->text == expected.chromosome && loaded->description == expected.description,
               "the load differs from the text read");
    FUZZ_CHECK(circuit.inputNames == expected.inputNames && circuit.outputNames == expected.outputNames,
               "the load's names differ");
}

// Answers the .vrc questions from the list and writes down what was asked.
class Answers {
public:
    explicit Answers(std::string_view text) {
        while (!text.empty()) {
            const auto end = text.find('\n');
            const std::string_view line = text.substr(0, end);
            answers_.push_back(line.starts_with('!') ? std::nullopt : std::optional<std::string>(line));
            if (end == std::string_view::npos) break;
            text.remove_prefix(end + 1);
        }
    }

    std::optional<std::string> operator()(const std::string& title, const std::string& prompt,
                                          const std::string& initial) {
        FUZZ_CHECK(title == "Načtení vrc chromozomu", title);
        FUZZ_CHECK(!initial.empty(), prompt);
        prompts_.push_back(prompt);
        last_ = next_ < answers_.size() ? answers_[next_] : std::nullopt;
        ++next_;
        return last_;
    }

    const std::vector<std::string>& prompts() const { return prompts_; }
    const std::optional<std::string>& last() const { return last_; }
    std::size_t asked() const { return next_; }
    std::size_t available() const { return answers_.size(); }

private:
    std::vector<std::optional<std::string>> answers_;
    std::size_t next_ = 0;
    std::optional<std::string> last_;
    std::vector<std::string> prompts_;
};

// The upper bound a prompt such as "Počet výstupů (1..5)" states.
std::optional<std::int64_t> promptBound(const std::string& prompt) {
    const auto dots = prompt.rfind("..");
    const auto close = prompt.rfind(')');
    if (dots == std::string::npos || close == std::string::npos || close < dots) return std::nullopt;
    std::int64_t value = 0;
    const char* begin = prompt.data() + dots + 2;
    const char* end = prompt.data() + close;
    const auto result = std::from_chars(begin, end, value);
    if (result.ec != std::errc() || result.ptr != end) return std::nullopt;
    return value;
}

struct VrcOutcome {
    std::optional<std::string> line;
    std::optional<std::string> error;
    friend bool operator==(const VrcOutcome&, const VrcOutcome&) = default;
};

void checkVrc(std::string_view answerText, std::string_view bytes, bool capitals) {
    const std::string text = textWithLineFeeds(bytes);
    Answers answers(answerText);
    VrcOutcome outcome;
    try {
        outcome.line = convertVrcText(text, std::ref(answers));
    } catch (const Error& error) {
        outcome.error = error.what();
    }
    // The questions stop at a cancel or a bad answer, so they never outrun the answers by more than one.
    if (outcome.error && *outcome.error == kVrcWithoutBlocks) {
        FUZZ_CHECK(answers.asked() == 0, "a question about a file without blocks");
    } else {
        FUZZ_CHECK(answers.asked() >= 1 && answers.asked() <= answers.available() + 1,
                   std::to_string(answers.asked()));
    }

    if (outcome.error && *outcome.error == kVrcWithoutBlocks) {
        // Refused before any question.
    } else if (outcome.error) {
        FUZZ_CHECK(answers.last() && !tryToInt(trimmed(*answers.last())),
                   "error without a bad answer: " + *outcome.error);
        FUZZ_CHECK(*outcome.error == notAnIntegerMessage(trimmed(*answers.last())), *outcome.error);
    } else if (!outcome.line) {
        FUZZ_CHECK(!answers.last(), "nothing returned though no question was cancelled");
    } else {
        FUZZ_CHECK(answers.last() && tryToInt(trimmed(*answers.last())), "a line after a bad answer");
        const auto& prompts = answers.prompts();
        // Three questions at least, each asked again until answered within its range.
        FUZZ_CHECK(prompts.size() >= 3, std::to_string(prompts.size()));
        std::size_t outputsPrompt = prompts.size() - 2;
        while (outputsPrompt > 0 && !prompts[outputsPrompt].starts_with("Počet výstupů (1.."))
            --outputsPrompt;
        const auto rows = promptBound(prompts[outputsPrompt]);
        const auto lastOutputRow = promptBound(prompts.back());
        FUZZ_CHECK(prompts.back().starts_with("Index prvního výstupu (0..") && lastOutputRow, prompts.back());
        const std::int32_t first = *tryToInt(trimmed(*answers.last()));
        FUZZ_CHECK(first >= 0 && first <= *lastOutputRow, "first output row out of range");
        FUZZ_CHECK(rows && *rows >= 1, prompts[outputsPrompt]);
        const std::string& line = *outcome.line;
        FUZZ_CHECK(line.starts_with("{") && line.ends_with(")"), printable(line));

        // Whatever the file, a line that parses describes the grid the questions spoke of.
        Chromosome circuit;
        try {
            parseChromosome(line, ParseMode::Draw, circuit);
        } catch (const Error&) {
            circuit.clearCircuit();
        }
        if (circuit.hasCircuit()) {
            FUZZ_CHECK(circuit.rows == *rows && circuit.arity == 2, printable(line));
            FUZZ_CHECK(circuit.outputCount == *rows - *lastOutputRow, printable(line));
        }
    }

    // The loader gives the same outcome from the file, and never names for a .vrc.
    const std::string path = fuzz::scratchFile(capitals ? "c.VRC" : "c.vrc");
    fuzz::writeBytes(path, bytes);
    Chromosome circuit;
    circuit.inputNames = {"old"};
    std::string fileName = "previous.vrc";
    Answers again(answerText);
    VrcOutcome loaded;
    try {
        const auto result = loadChromosomeFile(path, circuit, fileName, std::ref(again));
        if (result) {
            FUZZ_CHECK(result->description.empty(), printable(result->description));
            loaded.line = result->text;
        }
    } catch (const Error& error) {
        loaded.error = error.what();
    }
    FUZZ_CHECK(fileName == path, fileName);
    FUZZ_CHECK(circuit.inputNames.empty() && circuit.outputNames.empty(), "names left after a .vrc load");
    if (capitals) {
        FUZZ_CHECK(again.asked() == 0 && loaded.line && loaded.line->empty(), "another extension was read");
    } else {
        FUZZ_CHECK(loaded == outcome, "the load differs from the conversion");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::InputReader input(data, size);
    const std::uint8_t choice = input.byte();
    const bool capitals = (choice & 2) != 0;
    if ((choice & 1) == 0) {
        checkChr(input.rest(), capitals);
    } else {
        const std::string_view answers = input.part();
        checkVrc(answers, input.rest(), capitals);
    }
    return 0;
}
