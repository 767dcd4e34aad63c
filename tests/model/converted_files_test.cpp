// What the gate-level (.cgp) and comparator (.cha) dialects refuse, and the reasons they give.
#include "model/cgp_file.h"
#include "model/cha_file.h"
#include "model/error.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace pellisor {
namespace {

std::string errorOf(const std::function<void()>& convert) {
    try {
        convert();
    } catch (const Error& error) {
        return error.what();
    }
    return "(no error)";
}

TEST(ConvertedFiles, GateLevelFilesThatBreakTheDialectAreRefusedWithTheReason) {
    const std::string kPrefix = "Soubor cgp nelze převést: ";
    const std::vector<std::pair<std::string, std::string>> cases{
        {"", "soubor končí předčasně, čeká se '{' (začátek hlavičky)"},
        {"{2,1,1,1,3,1,1}([4]2,3,2)(4)",
         "převést lze jen hradla se dvěma vstupy a jedním výstupem (ni=2, no=1), hlavička udává ni=3, no=1"},
        {"{0,1,1,1,2,1,1}([2]0,1,2)(2)", "počet vstupů 0 leží mimo 1..1048576"},
        {"{2,1,1,2,2,1,1}([4]2,3,2)(4)", "hlavička udává počet hradel 1 × 2 = 2, soubor jich popisuje 1"},
        {"{2,2,1,1,2,1,1}([4]2,3,2)(4)",
         "hlavička udává počet výstupů 2, skupina výstupů jich uvádí 1 (řádek 1, znak 26)"},
        {"{2,1,1,1,2,1,1}([4]4,3,2)(4)", "hradlo 4 čte na vstupu a samo sebe (řádek 1, znak 16)"},
        {"{2,1,1,2,2,1,1}([4]2,5,2)([5]2,3,2)(5)",
         "hradlo 4 čte na vstupu b pozdější hradlo 5 (řádek 1, znak 16)"},
        {"{2,1,1,1,2,1,1}([4]2,9,2)(4)",
         "hradlo 4 čte na vstupu b neexistující index 9 (platné jsou 0..3) (řádek 1, znak 16)"},
        {"{2,1,1,1,2,1,1}([4]2,3,10)(4)",
         "hradlo 4 má neznámou funkci 10 (platné jsou 0..9) (řádek 1, znak 16)"},
        {"{2,1,1,1,2,1,1}([5]2,3,2)(4)",
         "hradlo má v hranatých závorkách jiné číslo než 4, které mu patří podle pořadí (řádek 1, znak 16)"},
        {"{2,1,1,1,2,1,1}\n([4]2,3,2)", "za posledním blokem chybí skupina výstupů (řádek 2, znak 1)"},
        {"{2,1,1,1,2,1,1}([4]2,3,2)(5)",
         "výstup 0 čte neexistující index 5 (platné jsou 0..4) (řádek 1, znak 26)"},
        {"{2,1,1,1,2,1,1}([4]2 3,2)(4)", "čeká se ',' nebo ')', stojí tam '3' (řádek 1, znak 22)"},
        {"{2,1,1,1,2,1,1}([4]2,3,99999999999)(4)", "číslo 99999999999 je příliš velké (řádek 1, znak 24)"},
    };
    for (const auto& [text, message] : cases)
        EXPECT_EQ(kPrefix + message, errorOf([&] { convertCgpText(text); })) << text;
}

TEST(ConvertedFiles, ComparatorFilesThatBreakTheDialectAreRefusedWithTheReason) {
    const std::string kPrefix = "Soubor cha nelze převést: ";
    const std::vector<std::pair<std::string, std::string>> cases{
        {"{2,1,1,1,2,3,1}([2,3]0,1,1)(2)",
         "uzel sítě má jeden řádek, dva vstupy a dva výstupy (1,2,2), hlavička udává 1,2,3"},
        {"{2,1,0,1,2,2,1}(1)", "síť musí mít alespoň jeden uzel, hlavička udává 0"},
        {"{2,1,2,1,2,2,1}([2,3]0,1,1)(2)", "hlavička udává počet uzlů 2, soubor jich popisuje 1"},
        {"{2,1,1,1,2,2,1}([3,4]0,1,1)(2)",
         "uzel má v hranatých závorkách jiná id než [2,3], která mu patří podle pořadí (řádek 1, znak 16)"},
        {"{2,1,1,1,2,2,1}([2,3]0,3,1)(2)", "uzel [2,3] čte sám sebe (řádek 1, znak 16)"},
        {"{2,1,2,1,2,2,1}([2,3]0,4,1)([4,5]0,1,1)(5)", "uzel [2,3] čte pozdější uzel 4 (řádek 1, znak 16)"},
        {"{2,1,1,1,2,2,1}([2,3]0,1,0)(2)",
         "uzel [2,3] má neznámou funkci 0 (1: p = MIN, q = MAX; 2: p = MAX, q = MIN) (řádek 1, znak 16)"},
    };
    for (const auto& [text, message] : cases)
        EXPECT_EQ(kPrefix + message, errorOf([&] { convertChaText(text); })) << text;
}

}  // namespace
}  // namespace pellisor
