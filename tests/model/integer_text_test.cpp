#include "model/integer_text.h"

#include "model/error.h"

#include <gtest/gtest.h>

namespace pellisor {
namespace {

TEST(IntegerText, ConvertsSignedDecimalsOfThirtyTwoBits) {
    EXPECT_EQ(0, toInt("0"));
    EXPECT_EQ(-17, toInt("-17"));
    EXPECT_EQ(17, toInt("+17"));
    EXPECT_EQ(7, toInt("007"));
    EXPECT_EQ(2147483647, toInt("2147483647"));
    EXPECT_EQ(-2147483647 - 1, toInt("-2147483648"));
}

TEST(IntegerText, EverythingElseFailsWithTheConversionMessage) {
    for (const char* text : {"", "-", "+", "1-2", "12 ", " 12", "2147483648", "-2147483649", "0x10", "1e3",
                             "99999999999999999999999"}) {
        EXPECT_FALSE(tryToInt(text).has_value()) << text;
        try {
            toInt(text);
            ADD_FAILURE() << "accepted " << text;
        } catch (const Error& error) {
            EXPECT_EQ(std::string("'") + text + "' is not a valid integer value", error.what());
        }
    }
}

TEST(IntegerText, LongTextsAreCutInMessages) {
    const std::string digits(1 << 20, '7');
    const std::string message = notAnIntegerMessage(digits + "x");
    EXPECT_EQ("'" + std::string(64, '7') + "…' is not a valid integer value", message);
    // Characters, not bytes: a cut never splits a UTF-8 sequence.
    std::string czech;
    for (int i = 0; i < 70; ++i)
        czech += "č";
    EXPECT_EQ(std::string(czech, 0, 128) + "…", messageField(czech));
    EXPECT_EQ(std::string(64, 'a'), messageField(std::string(64, 'a')));
}

}  // namespace
}  // namespace pellisor
