// The settings file reads through our own INI scanner; SimpleIni, which rewrites the file, is the
// reference: on random files of sections, keys, comments and blank lines, with every kind of line end,
// every value reads as SimpleIni reads it.

#include "model/settings_file.h"

#include "support/test_support.h"

#include <gtest/gtest.h>

#include <array>
#include <random>
#include <string>

#define SI_NO_CONVERSION
#define SI_IMPLEMENTATION
#include <SimpleIni.h>

namespace pellisor {
namespace {

const std::array<std::string, 9> kSections{"A",
                                           "a",
                                           "Global",
                                           "b3",
                                           "B3",
                                           "x y",
                                           "",
                                           "\xEF\xBB\xBF"
                                           "A",
                                           "A]"};
const std::array<std::string, 8> kKeys{"x", "X", "val", "f1", "a b", "\xEF\xBB\xBFx", "x]", "k;"};
const std::array<std::string, 8> kValues{"1", "", " 7 ", "a b", "=x", "[s]", "; c", "\xC4\x8D\t"};
const std::array<std::string, 6> kLineEnds{"\n", "\n", "\r\n", "\r", "\n\n", " \t\n"};

template <std::size_t N>
const std::string& pick(std::mt19937& rng, const std::array<std::string, N>& items) {
    return items[std::uniform_int_distribution<std::size_t>(0, N - 1)(rng)];
}

std::string randomFile(std::mt19937& rng) {
    std::string text = rng() % 8 == 0 ? "\xEF\xBB\xBF" : "";
    for (auto lines = rng() % 30; lines > 0; --lines) {
        const std::string blanks = rng() % 3 == 0 ? " \t" : "";
        switch (rng() % 6) {
            case 0:
                text += blanks + "[" + blanks + pick(rng, kSections) + blanks + "]";
                break;
            case 1:
                text += blanks + (rng() % 2 ? "; " : "# ") + pick(rng, kValues);
                break;
            default:
                text += blanks + pick(rng, kKeys) + blanks + "=" + pick(rng, kValues);
                break;
        }
        text += pick(rng, kLineEnds);
    }
    return text;
}

TEST(IniScanner, ReadsEveryValueAsSimpleIniDoes) {
    test::TempDir dir;
    std::mt19937 rng(1208);
    for (int round = 0; round < 500; ++round) {
        const std::string text = randomFile(rng);
        const std::string path = dir.file("f" + std::to_string(round) + ".ini");
        test::writeBytes(path, text);
        CSimpleIniA reference;
        ASSERT_GE(reference.LoadData(text.data(), text.size()), 0);
        const SettingsFile file(path);
        for (const std::string& section : kSections) {
            for (const std::string& key : kKeys) {
                const char* expected = reference.GetValue(section.c_str(), key.c_str(), "<missing>");
                EXPECT_EQ(file.readString(section, key, "<missing>"), expected)
                    << "[" << section << "] " << key << " in:\n"
                    << text;
            }
        }
        if (HasFailure()) return;
    }
}

}  // namespace
}  // namespace pellisor
