// The touch screen's arithmetic and judgement without a device: the affine fit and its failures,
// the map of raw values and the stored text, and the calibration screen's verdicts on taps of
// screens drifted, turned or wired with swapped axes.
#include <cmath>

#include "platform/calibration/CalibrationTaps.h"
#include "platform/touch/TouchMap.h"

namespace dv::test {
namespace {

using touch::PlanePoint;
using touch::RawPoint;
using Verdict = CalibrationTaps::Verdict;

// Where a 12-bit controller reads a touch at panel point p, on a screen drifted by (dx, dy)
// pixels and turned by `degrees` about its centre, its axes swapped or not.
RawPoint Reading(POINT p, double dx, double dy, double degrees, bool swap) {
    const double c = std::cos(degrees * M_PI / 180), s = std::sin(degrees * M_PI / 180);
    const double x = p.x + 0.5 + dx - 240, y = p.y + 0.5 + dy - 117;
    const int u = static_cast<int>(std::lround((240 + x * c - y * s) * 4095 / 480));
    const int v = static_cast<int>(std::lround((117 + x * s + y * c) * 4095 / 234));
    return swap ? RawPoint{v, u} : RawPoint{u, v};
}

TEST(Touch, TheFitRecoversAnyAffineMapButNoneFromPointsOnOneLine) {
    const PlanePoint from[] = {{0.5, 0.5}, {0.9, 0.86}, {0.9, 0.14}, {0.1, 0.14}, {0.1, 0.86}};
    const touch::Affine truth{0.02, 1.1, -0.05, 0.97, -0.03, 0.08};  // swapped, turned, shifted
    std::vector<PlanePoint> to(std::size(from));
    std::ranges::transform(from, to.begin(), [&](PlanePoint p) { return truth.Apply(p); });
    const auto fit = touch::FitAffine(from, to);
    ASSERT_TRUE(fit.has_value());
    EXPECT_EQ(touch::MatrixText(*fit), "0.02 1.1 -0.05 0.97 -0.03 0.08");
    // One point off by 0.1 leaves 4/5 of it at that point when it is the centre.
    to[0].y += 0.1;
    EXPECT_NEAR(touch::LargestResidual(*touch::FitAffine(from, to), from, to), 0.08, 1e-12);
    const PlanePoint line[] = {{1, 1}, {2, 2}, {3, 3}, {4, 4}, {5, 5.000001}};
    EXPECT_FALSE(touch::FitAffine(line, to).has_value());
}

TEST(Touch, TheMapNormalisesByTheRangesUntilAUsableCalibrationReplacesIt) {
    touch::TouchMap map({100, 4100}, {0, 2000});
    EXPECT_EQ(touch::MatrixText(map.Matrix()), "1 0 0 0 1 0");
    EXPECT_NEAR(map.ToDisplay({2100, 500}).x, 0.5, 1e-12);
    EXPECT_NEAR(map.ToDisplay({2100, 500}).y, 0.25, 1e-12);
    const RawPoint swapped[] = {{1000, 1000}, {3000, 1000}, {1000, 1800}, {3000, 1800}};
    const PlanePoint targets[] = {{0.1, 0.2}, {0.1, 0.9}, {0.6, 0.2}, {0.6, 0.9}};
    ASSERT_TRUE(map.Calibrate(swapped, targets));
    EXPECT_EQ(touch::MatrixText(map.Matrix()), "0 1.25 -0.525 1.4 0 -0.115");
    const auto raw = map.ToRaw({0.6, 0.9});  // what a pointer tap counts as
    ASSERT_TRUE(raw.has_value());
    EXPECT_NEAR(raw->x, 3000, 1e-9);
    EXPECT_NEAR(raw->y, 1800, 1e-9);
    const RawPoint flat[] = {{10, 10}, {20, 20}, {30, 30}, {40, 40}};
    EXPECT_FALSE(map.Calibrate(flat, targets));
    EXPECT_EQ(touch::MatrixText(map.Matrix()), "0 1.25 -0.525 1.4 0 -0.115");
}

TEST(Touch, StoredTextIsExactlyFivePairs) {
    const auto points = touch::ParseCalibration(L"2052,2056 3693,3550 3693,562 410,562 410,3550");
    ASSERT_TRUE(points.has_value());
    EXPECT_EQ((*points)[4].y, 3550);
    for (const wchar_t* bad :
         {L"1,2 3,4 5,6 7,8", L"1,2 3,4 5,6 7,8 9,10 11,12", L"1,2 3,4 5,6 7,8 9,x"}) {
        EXPECT_FALSE(touch::ParseCalibration(bad).has_value()) << bad;
    }
}

TEST(Touch, TapsAreJudgedAgainstEachOtherOnlySoAnyDriftTurnOrSwapCalibrates) {
    const std::tuple<double, double, double, bool> screens[] = {{0, 0, 0, false},
                                                                {60, 0, 0, false},
                                                                {-45, 40, 0, true},
                                                                {0, 0, 4, false},
                                                                {25, -10, -6, true}};
    for (const auto& [dx, dy, degrees, swap] : screens) {
        CalibrationTaps taps({0, 4095}, {0, 4095});
        for (const POINT& target : kCalibrationTargets) {
            EXPECT_EQ(taps.Add(Reading(target, dx, dy, degrees, swap)).verdict, Verdict::Taken)
                << dx << "," << dy << " turned " << degrees;
        }
        EXPECT_TRUE(taps.Complete());
    }
}

TEST(Touch, TapsThatRepeatOrDisagreeAreRefused) {
    CalibrationTaps taps({0, 4095}, {100, 2100});  // 2 % of y is 40
    EXPECT_EQ(taps.Add({2000, 1000}).verdict, Verdict::Taken);
    EXPECT_EQ(taps.Add({3000, 1900}).verdict, Verdict::Taken);
    const auto twice = taps.Add({3081, 1860});  // within 81.9 and 40 of the second
    EXPECT_EQ(std::tuple(twice.verdict, twice.earlier, taps.Count()),
              std::tuple(Verdict::DoubleTap, 1, 2));
    EXPECT_EQ(taps.Add({3083, 1700}).verdict, Verdict::Taken);  // 83 apart on x: not one place
    EXPECT_EQ(taps.Add({1000, 1000}).verdict, Verdict::Disagrees);
    EXPECT_EQ(taps.Count(), 0);
    // A centre tap d pixels off its place leaves 2d/3 at it after four taps and 4d/5 after
    // five, against the tolerance of 10.
    const auto centreOff = [](int d, int count) {
        CalibrationTaps t({0, 4095}, {0, 4095});
        CalibrationTaps::Judgement last;
        for (int i = 0; i < count; ++i) {
            const POINT target = kCalibrationTargets[i];
            last = t.Add(Reading({target.x + (i == 0 ? d : 0), target.y}, 0, 0, 0, false));
        }
        return last;
    };
    EXPECT_EQ(centreOff(12, 5).verdict, Verdict::Taken);
    EXPECT_EQ(centreOff(14, 4).verdict, Verdict::Taken);
    EXPECT_NEAR(centreOff(14, 5).offPx, 11.2, 0.1);
    EXPECT_EQ(centreOff(16, 4).verdict, Verdict::Disagrees);
}

}  // namespace
}  // namespace dv::test
