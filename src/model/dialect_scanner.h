#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace pellisor {

// One parenthesised group: "([label,...]value,...)", the label in brackets being optional.
struct DialectGroup {
    bool hasLabel = false;
    std::vector<std::int32_t> label;
    std::vector<std::int32_t> values;
    std::size_t position = 0;  // of its '(' in the text
};

// Reads the shape the gate-level (.cgp) and comparator (.cha) dialects share: a header "{n,...}" and
// then groups, white space being allowed between any two tokens. Every number is a decimal int32 with
// an optional minus sign. Any failure raises Error("Soubor <kind> nelze převést: <what>"), naming the
// line and column of the offending character.
class DialectScanner {
public:
    DialectScanner(std::string_view text, std::string kind);

    // The numbers of the header.
    std::vector<std::int32_t> header();
    // The next group into `group` (its vectors reused); false when only white space is left.
    bool nextGroup(DialectGroup& group);

    // Raises the dialect's error with this explanation.
    [[noreturn]] void fail(const std::string& what) const;
    // The same, naming the place of the text at `position`.
    [[noreturn]] void failAt(std::size_t position, const std::string& what) const;

private:
    void skipWhiteSpace();
    void expect(char ch, const std::string& expected);
    std::int32_t number();
    // Numbers separated by ',' up to `close`, which is consumed.
    void numbers(char close, std::vector<std::int32_t>& out);
    [[noreturn]] void failHere(const std::string& expected) const;

    std::string_view text_;
    std::string kind_;
    std::size_t pos_ = 0;
};

// Walks the groups after the header: each but the last goes to `body`, the last (the outputs) is
// returned. A file without groups fails.
DialectGroup readGroups(DialectScanner& scanner, const std::function<void(const DialectGroup&)>& body);

// Refuses a last group that carries a label: it is a block, and the file lacks its outputs.
void checkOutputsPresent(const DialectScanner& scanner, const DialectGroup& outputs);
// Refuses an outputs group that does not list `expected` outputs or names an entry outside
// 0 ... entries-1.
void checkOutputs(const DialectScanner& scanner, const DialectGroup& outputs, std::int32_t expected,
                  std::int64_t entries);

}  // namespace pellisor
