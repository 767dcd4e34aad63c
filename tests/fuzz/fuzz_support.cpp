#include "fuzz_support.h"

#include "model/chromosome_file.h"
#include "model/chromosome_parser.h"
#include "model/error.h"
#include "model/file_io.h"
#include "render/geometry.h"

#include <cctype>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

namespace pellisor::fuzz {

void fail(const char* file, int line, const std::string& what) {
    std::fprintf(stderr, "%s:%d: property failed: %s\n", file, line, what.c_str());
    std::fflush(stderr);
    std::abort();
}

std::uint8_t InputReader::byte() {
    if (rest_.empty()) return 0;
    const auto value = static_cast<std::uint8_t>(rest_.front());
    rest_.remove_prefix(1);
    return value;
}

std::int32_t InputReader::int32() {
    std::uint32_t value = 0;
    for (int shift = 0; shift < 32; shift += 8)
        value |= std::uint32_t{byte()} << shift;
    return static_cast<std::int32_t>(value);
}

std::string_view InputReader::part() {
    const auto end = rest_.find('\0');
    const std::string_view text = rest_.substr(0, end);
    rest_.remove_prefix(end == std::string_view::npos ? rest_.size() : end + 1);
    return text;
}

namespace {

class ScratchDirectory {
public:
    ScratchDirectory() {
        std::string pattern = (std::filesystem::temp_directory_path() / "pellisor-fuzz-XXXXXX").string();
        if (!::mkdtemp(pattern.data())) fail(__FILE__, __LINE__, "cannot create a scratch directory");
        path_ = pattern;
    }
    ~ScratchDirectory() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    ScratchDirectory(const ScratchDirectory&) = delete;
    ScratchDirectory& operator=(const ScratchDirectory&) = delete;

    const std::string& path() const { return path_; }

private:
    std::string path_;
};

}  // namespace

std::string scratchFile(const std::string& name) {
    static const ScratchDirectory directory;
    return directory.path() + "/" + name;
}

void writeBytes(const std::string& path, std::string_view bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) fail(__FILE__, __LINE__, "cannot write " + path);
}

std::string readBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) fail(__FILE__, __LINE__, "cannot read " + path);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::optional<Chromosome> placedCircuit(std::string_view line, std::int32_t maxEntries) {
    Chromosome circuit;
    try {
        parseChromosome(line, ParseMode::Draw, circuit);
    } catch (const Error&) {
        return std::nullopt;
    }
    if (circuit.blockTotal() > maxEntries) return std::nullopt;
    placeOnGrid(circuit, defaultSpacingTexts());
    return circuit;
}

bool sameShape(const Chromosome& a, const Chromosome& b) {
    if (a.inputCount != b.inputCount || a.outputCount != b.outputCount || a.columns != b.columns ||
        a.rows != b.rows || a.arity != b.arity || a.blocks.size() != b.blocks.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.blocks.size(); ++i) {
        const Block& x = a.blocks[i];
        const Block& y = b.blocks[i];
        if (x.inputCount != y.inputCount || x.inputs != y.inputs || x.function != y.function) return false;
    }
    return a.inputNames == b.inputNames && a.outputNames == b.outputNames;
}

std::string printable(std::string_view text) {
    std::string out;
    for (const char ch : text) {
        const auto byte = static_cast<unsigned char>(ch);
        if (byte >= 0x20 && byte < 0x7f && byte != '\\') {
            out += ch;
        } else {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\x%02x", byte);
            out += escape;
        }
    }
    return out;
}

void checkConvertedFile(std::string_view bytes, const std::string& kind,
                        ConvertedCircuit (*convert)(std::string_view), const ConvertedCheck& check) {
    std::optional<std::string> line;
    std::optional<std::string> error;
    try {
        const ConvertedCircuit converted = convert(textWithLineFeeds(bytes));
        line = converted.line;
        std::int32_t inputs = 0;
        std::from_chars(line->data() + 1, line->data() + line->size(), inputs);
        FUZZ_CHECK(inputs >= 1, printable(*line));
        // Larger circuits cost time per entry and find nothing new.
        if (inputs <= 4096) {
            Chromosome circuit;
            parseChromosome(*line, ParseMode::Draw, circuit);  // an error escapes, to be refused below
            FunctionAssignment assignment;
            for (const GeneFunction& gene : converted.functions.genes)
                assignment.assignGene(gene.gene, gene.identifier);
            std::mt19937 rng(static_cast<std::uint32_t>(std::hash<std::string_view>{}(bytes)));
            check(circuit, assignment, rng);
        }
    } catch (const Error& refused) {
        error = refused.what();
        FUZZ_CHECK(error->starts_with("Soubor " + kind + " nelze převést: ") &&
                       error->find_first_of("\r\n") == std::string::npos,
                   printable(*error));
    }

    std::string capitals = kind;
    for (char& ch : capitals)
        ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
    for (const std::string& extension : {kind, capitals}) {
        const std::string path = scratchFile("c." + extension);
        writeBytes(path, bytes);
        Chromosome circuit;
        std::string fileName;
        std::optional<std::string> loadedLine;
        std::optional<std::string> loadedError;
        try {
            const auto loaded = loadChromosomeFile(path, circuit, fileName, {});
            FUZZ_CHECK(loaded && loaded->description.empty(), path);
            loadedLine = loaded->text;
        } catch (const Error& refused) {
            loadedError = refused.what();
        }
        FUZZ_CHECK(fileName == path, fileName);
        if (extension == kind) {
            FUZZ_CHECK(loadedLine == line && loadedError == error, "the load differs from the conversion");
        } else {
            FUZZ_CHECK(loadedLine && loadedLine->empty(), "another extension was read");
        }
    }
}

bool isConversionMessage(const std::string& message) {
    constexpr std::string_view kTail = "' is not a valid integer value";
    return message.size() >= kTail.size() + 1 && message.front() == '\'' &&
           std::string_view(message).substr(message.size() - kTail.size()) == kTail;
}

}  // namespace pellisor::fuzz
