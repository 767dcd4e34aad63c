#include "model/usage_mask.h"

#include <gtest/gtest.h>

namespace pellisor {
namespace {

TEST(UsageMask, BitKNamesInputKAndMinusOneNamesEveryInput) {
    EXPECT_TRUE(readsInput(kAllInputs, 0));
    EXPECT_TRUE(readsInput(kAllInputs, 31));
    EXPECT_TRUE(readsInput(kAllInputs, 1000));
    EXPECT_FALSE(readsInput(0, 0));
    EXPECT_TRUE(readsInput(1, 0));
    EXPECT_FALSE(readsInput(1, 1));
    EXPECT_TRUE(readsInput(2, 1));
    EXPECT_FALSE(readsInput(2, 2));
    EXPECT_TRUE(readsInput(1 << 30, 30));
    EXPECT_FALSE(readsInput(INT32_MIN, 31));  // the sign bit means "all", and only as -1
    EXPECT_FALSE(readsInput(-2, 32));
}

}  // namespace
}  // namespace pellisor
