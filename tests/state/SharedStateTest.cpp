#include <gtest/gtest.h>

#include "state/SharedState.h"

using namespace kinetra;

namespace {

SharedState dirtyState()
{
    SharedState st;
    for (int i = 0; i <= 200; ++i) {
        st.concentration[i] = i + 0.5;
        st.rate[i] = i + 1.5;
        st.concPower[i] = 2.0;
        st.fittedRate[i] = 3.0;
    }
    for (int c = 0; c <= 2; ++c) {
        st.curveFirstPoint[c] = 1;
        st.curveLastPoint[c] = 9;
        st.curveBaseline[c] = 4;
        st.curveV[c] = 100;
        st.curveN[c] = 2;
        st.curveK[c] = 0.5;
    }
    st.pointCount = 13;
    st.rateUnit = "U/mg";
    st.concUnit = "mM";
    st.ligandName = "ATP";
    st.outputDestination = "F";
    st.outputFileName = "/tmp/report.txt";
    st.curveNumber = 2;
    st.firstPoint = 8;
    st.lastPoint = 12;
    st.baseline = 5;
    st.considerBaseline = true;
    st.rangeHighConc = 800;
    st.rangeLowConc = 3;
    st.concScale = 250;
    st.hillN = 2.5;
    st.kPrime = 7;
    st.notConverged = 1;
    st.fitScratch = 9;
    st.helpPath = "/home/lab";
    st.nextPointNumber = 14;
    st.savedPointCount = 13;
    return st;
}

}  // namespace

TEST(SharedStateReset, ClearsEveryNumberTextAndFlagOfACalculation)
{
    SharedState st = dirtyState();
    resetForCalculation(st);

    EXPECT_TRUE(st.firstActivation);
    EXPECT_EQ(st.pointCount, 0);
    for (int i = 1; i <= 200; ++i) {
        ASSERT_EQ(st.concentration[i], 0.0) << i;
        ASSERT_EQ(st.rate[i], 0.0) << i;
        ASSERT_EQ(st.concPower[i], 0.0) << i;
        ASSERT_EQ(st.fittedRate[i], 0.0) << i;
    }
    for (int c = 1; c <= 2; ++c) {
        EXPECT_EQ(st.curveFirstPoint[c], 0.0);
        EXPECT_EQ(st.curveLastPoint[c], 0.0);
        EXPECT_EQ(st.curveBaseline[c], 0.0);
        EXPECT_EQ(st.curveV[c], 0.0);
        EXPECT_EQ(st.curveN[c], 0.0);
        EXPECT_EQ(st.curveK[c], 0.0);
    }
    EXPECT_EQ(st.concScale, 0.0);
    EXPECT_EQ(st.firstPoint, 0);
    EXPECT_EQ(st.lastPoint, 0);
    EXPECT_EQ(st.baseline, 0.0);
    EXPECT_EQ(st.curveNumber, 0);
    EXPECT_EQ(st.rangeHighConc, 0.0);
    EXPECT_EQ(st.rangeLowConc, 0.0);
    EXPECT_FALSE(st.considerBaseline);
    EXPECT_EQ(st.fitScratch, 0.0);
    EXPECT_EQ(st.notConverged, 0);
    EXPECT_TRUE(st.rateUnit.empty());
    EXPECT_TRUE(st.concUnit.empty());
    EXPECT_TRUE(st.ligandName.empty());
    EXPECT_TRUE(st.outputFileName.empty());
    EXPECT_TRUE(st.outputDestination.empty());
}

TEST(SharedStateReset, LeavesIndexZeroAndTheEntryBookkeepingAlone)
{
    SharedState st = dirtyState();
    resetForCalculation(st);
    EXPECT_EQ(st.concentration[0], 0.5);
    EXPECT_EQ(st.rate[0], 1.5);
    EXPECT_EQ(st.curveV[0], 100.0);
    // Not part of the reset: the help directory, the fit's exponent and K'.
    EXPECT_EQ(st.helpPath, "/home/lab");
    EXPECT_EQ(st.hillN, 2.5);
    EXPECT_EQ(st.kPrime, 7.0);
}

TEST(SharedStateIndex, OutsideTheArraysIsSubscriptOutOfRange)
{
    SharedState st;
    for (long long bad : {-1LL, 201LL, 100000LL}) {
        try {
            st.concentration[bad] = 1.0;
            FAIL() << "index " << bad << " was accepted";
        } catch (const RuntimeFailure& f) {
            EXPECT_EQ(f.number(), 9);
            EXPECT_EQ(f.description(), "Subscript out of range");
        }
    }
    EXPECT_THROW((void)st.curveV[3], RuntimeFailure);
    EXPECT_THROW((void)st.curveK[-1], RuntimeFailure);
    EXPECT_NO_THROW(st.rate[200] = 2.0);
    EXPECT_NO_THROW(st.curveN[2] = 1.0);
}

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
