#include <gtest/gtest.h>

#include "base/CheckedMath.h"

using namespace kinetra;

TEST(MakeWhole16, RoundsHalfToEvenAndOverflowsOutsideSixteenBits)
{
    EXPECT_EQ(makeWhole16(2.5), 2);
    EXPECT_EQ(makeWhole16(3.5), 4);
    EXPECT_EQ(makeWhole16(-2.5), -2);
    EXPECT_EQ(makeWhole16(2.6), 3);
    EXPECT_EQ(makeWhole16(32767.4), 32767);
    EXPECT_EQ(makeWhole16(-32768.0), -32768);
    for (double bad : {32767.5, 40000.0, -32769.0, 1e300}) {
        try {
            (void)makeWhole16(bad);
            FAIL() << bad;
        } catch (const RuntimeFailure& f) {
            EXPECT_EQ(f.number(), 6);
        }
    }
}

TEST(FailureText, IsTheProgramsErrorBoxText)
{
    EXPECT_EQ(failureText(RuntimeFailure(11)),
              "Error\r\n\r\nErro Number: 11\r\nDescription: Division by zero");
    EXPECT_EQ(failureText(62, "Input past end of file"),
              "Error\r\n\r\nErro Number: 62\r\nDescription: Input past end of file");
}
