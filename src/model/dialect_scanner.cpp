#include "model/dialect_scanner.h"

#include "model/error.h"
#include "model/integer_text.h"

#include <cstdio>
#include <utility>

namespace pellisor {

namespace {

bool isWhiteSpace(char ch) {
    return ch == ' ' || ch == '\t' || ch == '\n' || ch == '\v' || ch == '\f' || ch == '\r';
}

bool isDigit(char ch) {
    return ch >= '0' && ch <= '9';
}

// A character for a message: printable ASCII quoted, anything else by its byte value.
std::string shownCharacter(char ch) {
    const auto byte = static_cast<unsigned char>(ch);
    if (byte > ' ' && byte < 0x7f) return std::string("'") + ch + "'";
    char code[16];
    std::snprintf(code, sizeof code, "bajt 0x%02X", byte);
    return code;
}

}  // namespace

DialectScanner::DialectScanner(std::string_view text, std::string kind)
    : text_(text), kind_(std::move(kind)) {}

void DialectScanner::fail(const std::string& what) const {
    throw Error("Soubor " + kind_ + " nelze převést: " + what);
}

void DialectScanner::failAt(std::size_t position, const std::string& what) const {
    std::size_t line = 1;
    std::size_t column = 1;
    for (std::size_t at = 0; at < position && at < text_.size(); ++at) {
        if (text_[at] == '\n') {
            ++line;
            column = 1;
        } else if ((static_cast<unsigned char>(text_[at]) & 0xC0) != 0x80) {
            ++column;  // a UTF-8 continuation byte belongs to the character before it
        }
    }
    fail(what + " (řádek " + std::to_string(line) + ", znak " + std::to_string(column) + ")");
}

void DialectScanner::failHere(const std::string& expected) const {
    if (pos_ >= text_.size()) fail("soubor končí předčasně, čeká se " + expected);
    failAt(pos_, "čeká se " + expected + ", stojí tam " + shownCharacter(text_[pos_]));
}

void DialectScanner::skipWhiteSpace() {
    while (pos_ < text_.size() && isWhiteSpace(text_[pos_]))
        ++pos_;
}

void DialectScanner::expect(char ch, const std::string& expected) {
    skipWhiteSpace();
    if (pos_ >= text_.size() || text_[pos_] != ch) failHere(expected);
    ++pos_;
}

std::int32_t DialectScanner::number() {
    skipWhiteSpace();
    const std::size_t start = pos_;
    if (pos_ < text_.size() && text_[pos_] == '-') ++pos_;
    if (pos_ >= text_.size() || !isDigit(text_[pos_])) {
        pos_ = start;
        failHere("číslo");
    }
    while (pos_ < text_.size() && isDigit(text_[pos_]))
        ++pos_;
    const std::string_view digits = text_.substr(start, pos_ - start);
    const auto value = tryToInt(digits);
    if (!value) failAt(start, "číslo " + messageField(digits) + " je příliš velké");
    return *value;
}

void DialectScanner::numbers(char close, std::vector<std::int32_t>& out) {
    out.clear();
    skipWhiteSpace();
    if (pos_ < text_.size() && text_[pos_] == close) {  // an empty list, as of a circuit without outputs
        ++pos_;
        return;
    }
    const std::string separators = std::string("',' nebo '") + close + "'";
    for (;;) {
        out.push_back(number());
        skipWhiteSpace();
        if (pos_ < text_.size() && text_[pos_] == ',') {
            ++pos_;
        } else if (pos_ < text_.size() && text_[pos_] == close) {
            ++pos_;
            return;
        } else {
            failHere(separators);
        }
    }
}

std::vector<std::int32_t> DialectScanner::header() {
    expect('{', "'{' (začátek hlavičky)");
    std::vector<std::int32_t> values;
    numbers('}', values);
    return values;
}

bool DialectScanner::nextGroup(DialectGroup& group) {
    skipWhiteSpace();
    if (pos_ >= text_.size()) return false;
    group.position = pos_;
    expect('(', "'('");
    skipWhiteSpace();
    group.hasLabel = pos_ < text_.size() && text_[pos_] == '[';
    group.label.clear();
    if (group.hasLabel) {
        ++pos_;
        numbers(']', group.label);
    }
    numbers(')', group.values);
    return true;
}

DialectGroup readGroups(DialectScanner& scanner, const std::function<void(const DialectGroup&)>& body) {
    DialectGroup group;
    DialectGroup next;
    if (!scanner.nextGroup(group)) scanner.fail("chybí skupina výstupů");
    while (scanner.nextGroup(next)) {
        body(group);
        std::swap(group, next);
    }
    return group;
}

void checkOutputsPresent(const DialectScanner& scanner, const DialectGroup& outputs) {
    // A label marks a block: the file ended without its outputs.
    if (outputs.hasLabel) scanner.failAt(outputs.position, "za posledním blokem chybí skupina výstupů");
}

void checkOutputs(const DialectScanner& scanner, const DialectGroup& outputs, std::int32_t expected,
                  std::int64_t entries) {
    if (outputs.values.size() != static_cast<std::size_t>(expected)) {
        scanner.failAt(outputs.position, "hlavička udává počet výstupů " + std::to_string(expected) +
                                             ", skupina výstupů jich uvádí " +
                                             std::to_string(outputs.values.size()));
    }
    for (std::size_t k = 0; k < outputs.values.size(); ++k) {
        const std::int32_t source = outputs.values[k];
        if (source < 0 || source >= entries) {
            scanner.failAt(outputs.position, "výstup " + std::to_string(k) + " čte neexistující index " +
                                                 std::to_string(source) + " (platné jsou 0.." +
                                                 std::to_string(entries - 1) + ")");
        }
    }
}

}  // namespace pellisor
