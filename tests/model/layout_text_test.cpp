// The one-pass reading and merging of layout files must give what the settings store gives, on random
// files: the reader on any text, the merge on files of sections and keys as saves write them.

#include "model/layout_text.h"

#include "model/file_io.h"
#include "model/settings_file.h"
#include "render/geometry.h"
#include "support/random_circuit.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <array>
#include <random>
#include <set>
#include <string>
#include <vector>

namespace pellisor {
namespace {

std::int32_t between(std::mt19937& rng, std::int32_t low, std::int32_t high) {
    return std::uniform_int_distribution<std::int32_t>(low, high)(rng);
}

template <typename T, std::size_t N>
const T& pick(std::mt19937& rng, const std::array<T, N>& items) {
    return items[static_cast<std::size_t>(between(rng, 0, static_cast<std::int32_t>(N) - 1))];
}

std::string spaces(std::mt19937& rng) {
    static const std::array<std::string, 4> kSpaces{"", "", " ", " \t "};
    return pick(rng, kSpaces);
}

// Section names a layout file may hold: ours in any case, ones beyond the circuit, look-alikes.
std::string sectionName(std::mt19937& rng, bool anyCase) {
    static const std::array<std::string, 10> kNames{"Global", "Eval", "b",   "b", "b",
                                                    "Other",  "b0x",  "b07", "",  "x y"};
    std::string name = pick(rng, kNames);
    if (name == "b") name += std::to_string(between(rng, 0, 40));
    if (anyCase) {
        for (char& ch : name) {
            if (between(rng, 0, 2) == 0) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
        }
    }
    return name;
}

std::string keyName(std::mt19937& rng, bool anyCase) {
    static const std::array<std::string, 14> kKeys{"x",    "y",  "val", "vis", "m",        "n",     "maxidx",
                                                   "eval", "f1", "f32", "f33", "hidblock", "other", "f07"};
    std::string key = pick(rng, kKeys);
    if (anyCase && between(rng, 0, 3) == 0)
        key[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(key[0])));
    return key;
}

std::string valueText(std::mt19937& rng) {
    static const std::array<std::string, 9> kValues{"0",   "1", "-1",  "250",       "0x1F",
                                                    " 7 ", "",  "abc", "2147483648"};
    return pick(rng, kValues);
}

// Any text: comments, stray lines, keys outside sections, names twice, CR, NUL and a byte order mark.
std::string anyLayoutText(std::mt19937& rng) {
    static const std::array<std::string, 9> kOdd{
        "; comment", "# comment", "stray line", "[no end", "[", "=no key", std::string("nul\0byte=1", 10),
        "\r",        "[b3] tail"};
    std::string text = between(rng, 0, 9) == 0 ? "\xEF\xBB\xBF" : "";
    for (std::int32_t line = between(rng, 0, 60); line > 0; --line) {
        const std::int32_t kind = between(rng, 0, 9);
        if (kind <= 1) {
            text += spaces(rng) + "[" + spaces(rng) + sectionName(rng, true) + spaces(rng) + "]";
        } else if (kind <= 6) {
            text += spaces(rng) + keyName(rng, true) + spaces(rng) + "=" + valueText(rng);
        } else if (kind == 7) {
            text += pick(rng, kOdd);
        }
        text += between(rng, 0, 5) == 0 ? "\r\n" : "\n";
    }
    return text;
}

// A file as saves write it: sections and keys, each name once, in any case and spacing.
std::string plainLayoutText(std::mt19937& rng) {
    std::string text;
    std::set<std::string> sections;
    for (std::int32_t section = between(rng, 0, 12); section > 0; --section) {
        std::string name = sectionName(rng, true);
        std::string lower = name;
        for (char& ch : lower)
            ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
        if (name.empty() || !sections.insert(lower).second) continue;
        text += spaces(rng) + "[" + spaces(rng) + name + spaces(rng) + "]\n";
        std::set<std::string> keys;
        for (std::int32_t key = between(rng, 0, 5); key > 0; --key) {
            std::string keyText = keyName(rng, true);
            std::string lowerKey = keyText;
            for (char& ch : lowerKey)
                ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
            if (!keys.insert(lowerKey).second) continue;
            text += spaces(rng) + keyText + spaces(rng) + "=" + spaces(rng) + valueText(rng) + "\n";
        }
        if (between(rng, 0, 3) == 0) text += "\n\n";
    }
    return text;
}

TEST(LayoutText, ReadsEveryValueAsTheSettingsStoreDoes) {
    test::TempDir dir;
    std::mt19937 rng(5150);
    constexpr std::int32_t kEntries = 30;
    for (int round = 0; round < 400; ++round) {
        const std::string text = anyLayoutText(rng);
        const std::string path = dir.file("l" + std::to_string(round) + ".ini");
        test::writeBytes(path, text);
        const SettingsFile store(path);
        const LayoutText layout(text, kEntries);
        const auto same = [&](const std::string& section, const std::string& key) {
            const std::string expected = store.readString(section, key, "<missing>");
            const auto value = layout.value(section, key);
            EXPECT_EQ(expected, value ? std::string(*value) : "<missing>")
                << "[" << section << "] " << key << " in:\n"
                << text;
        };
        for (const char* key : {"m", "n", "maxidx", "hidblock", "eval"})
            same("Global", key);
        for (int row = 1; row <= 32; ++row)
            same("Eval", "f" + std::to_string(row));
        for (std::int32_t entry = 0; entry < kEntries; ++entry) {
            for (const char* key : {"x", "y", "val", "vis"})
                same("b" + std::to_string(entry), key);
        }
        if (HasFailure()) return;
    }
}

TEST(LayoutText, MergesAsTheSettingsStoreWrites) {
    test::TempDir dir;
    std::mt19937 rng(6262);
    for (int round = 0; round < 120; ++round) {
        test::CircuitShape shape = test::randomShape(rng, 4, 2, 4, 4, 2);
        Chromosome circuit = test::randomCircuit(rng, shape);
        placeOnGrid(circuit, defaultSpacingTexts());
        for (Block& block : circuit.blocks) {
            block.visible = between(rng, 0, 3) != 0;
            block.value = between(rng, -5, 300);
        }
        LayoutSettings settings;
        for (std::int32_t& identifier : settings.identifiers)
            identifier = between(rng, 0, 51);
        settings.hiddenBlocks = between(rng, 0, 1) == 1;
        settings.values = between(rng, 0, 1) == 1;

        const std::string existing = round % 10 == 0 ? std::string() : plainLayoutText(rng);
        const auto merged = mergedLayoutText(existing, circuit, settings);
        ASSERT_TRUE(merged) << existing;
        const std::string path = dir.file("s" + std::to_string(round) + ".ini");
        if (!existing.empty()) test::writeBytes(path, existing);
        SettingsFile(path).write(layoutEntries(circuit, settings));
        ASSERT_EQ(test::readBytes(path), *merged) << "merged into:\n" << existing;
    }
}

TEST(LayoutText, LeavesFilesWithMoreThanSectionsAndKeysToTheSettingsStore) {
    const Chromosome circuit = test::parsed("{2,1,1,1,2,1,-1}([2]0,1,0)(2)");
    for (const std::string& existing : std::vector<std::string>{
             "; comment\n[Global]\nm=1\n", "[Global]\nstray\n", "m=1\n[Global]\n", "[Global]\n[global]\n",
             "[b1]\nx=1\nX=2\n", "[Global]\r\nm=1\r\n", std::string("[Global]\nm=\0\n", 12),
             "\xEF\xBB\xBF[Global]\n", "[b0] tail\n", "[]\nx=1\n", "[Other]\n[OTHER]\n"}) {
        EXPECT_FALSE(mergedLayoutText(existing, circuit, LayoutSettings())) << existing;
    }
}

}  // namespace
}  // namespace pellisor
