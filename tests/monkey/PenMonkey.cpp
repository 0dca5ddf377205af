#include "tests/monkey/PenMonkey.h"

#include <array>
#include <cstdio>
#include <iterator>

#include "app/SettingsIds.h"

namespace monkey {
namespace {

constexpr int kScreenWidth = 480;
constexpr int kScreenHeight = 234;
// Points around the screen, and the extremes a 16-bit coordinate can take.
constexpr int kOffScreenMargin = 60;
constexpr int kExtremes[] = {-32768, -1, 0, 479, 480, 233, 234, 32767};
constexpr double kOnScreenShare = 0.70;
constexpr double kAroundScreenShare = 0.25;

// Share of points put on a control's edge (just inside or just outside).
constexpr double kEdgeShare = 0.2;
constexpr int kTapJitter = 2;
constexpr int kMaxTapJitterMoves = 2;
constexpr int kWanderStep = 6;
constexpr int kMaxDragMoves = 25;
constexpr int kMaxSlideOffMoves = 3;
constexpr int kDoubleClickDistance = 4;

// Gesture mix: the share of gestures that are not aimed at a control.
constexpr double kStrayShare = 0.03;
constexpr double kTimerShare = 0.03;
constexpr double kCloseMessageShare = 0.003;
// Messages slipping in between two steps of a gesture.
constexpr double kInterleaveShare = 0.01;
constexpr double kInterleavedCloseShare = 0.1;
// The timer the dialog handles, and now and then one it does not know.
constexpr double kKnownTimerShare = 0.9;
constexpr int kMaxOtherTimerId = 40000;
// Messages queued while the click played, handed over by the calibration
// screen's loop.
constexpr double kQueuedShare = 0.3;
constexpr int kMaxQueued = 3;
constexpr double kQueuedCloseShare = 0.05;

// A zone of the screen; rectangles exclude their right and bottom edges,
// the controller's zones include them.
struct Zone {
    int left;
    int top;
    int right;
    int bottom;
    bool inclusive;
};

constexpr int kTargetCount = static_cast<int>(Target::Anywhere) + 1;

// Where each target lies, in Target order (Anywhere has no zone).
// clang-format off
constexpr std::array<Zone, kTargetCount - 1> kZones = {{
    {8, 127, 81, 224, false},     // sound icon
    {81, 100, 139, 190, false},   // basic icon
    {139, 62, 199, 145, false},   // advanced icon
    {199, 15, 262, 111, false},   // touch icon
    {216, 111, 405, 234, true},   // preview picture
    {405, 8, 466, 30, false},     // close
    {11, 197, 90, 228, false},    // OK
    {389, 197, 468, 228, false},  // Default
    {98, 197, 177, 228, false},   // Cancel, shown on no page
    {106, 80, 126, 160, true},    // navigation slider
    {213, 80, 233, 160, true},    // DMB slider
    {320, 80, 340, 160, true},    // AV-IN slider
    {156, 129, 426, 148, true},   // brightness bar row
    {156, 156, 426, 174, true},   // contrast bar row
    {156, 75, 225, 90, false},    // basic option rectangles 0..4
    {246, 75, 327, 90, false},
    {349, 75, 415, 90, false},
    {156, 103, 225, 118, false},
    {246, 103, 300, 118, false},
    {154, 83, 242, 102, false},   // advanced option rectangles 5..8
    {250, 83, 435, 102, false},
    {156, 113, 220, 131, false},
    {232, 113, 290, 131, false},
    {156, 144, 220, 159, false},  // FM rectangles 9 and 10, never accepted
    {232, 144, 290, 159, false},
}};
// clang-format on

// How often each target is aimed at on each page (PAGE_SOUND .. PAGE_MAIN),
// in Target order. Buttons that end the page are aimed at less than the
// page's own controls, so that every page gets a long look.
using Weights = std::array<double, kTargetCount>;
constexpr std::array<Weights, 5> kPageWeights = {{
    // sound
    {0, 0, 0, 0, 0, 0.1, 2.5, 0.3, 0.5, 4, 4, 4, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1},
    // basic
    {0, 0, 0, 0, 0, 0.1, 2.5, 0, 0.5, 0, 0, 0, 4, 4, 1.5, 1.5, 1.5, 1.5, 1.5, 0, 0, 0, 0, 0, 0, 1},
    // advanced
    {0, 0, 0, 0, 0, 0.1, 2.5, 1, 0.5, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 2, 2, 2, 1, 1, 1},
    // touch (the dialog is never idle on it; aim as on the main menu)
    {3, 3, 3, 2, 3, 0.15, 0, 0, 0.3, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1},
    // main menu
    {3, 3, 3, 2, 3, 0.15, 0, 0, 0.3, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1},
}};

enum class Gesture { Tap, Drag, SlideOff, DoubleTap };

// Gesture shares by kind of target: Tap, Drag, SlideOff, DoubleTap.
constexpr std::array<double, 4> kDraggableMix = {25, 60, 5, 10};
constexpr std::array<double, 4> kButtonMix = {60, 5, 20, 15};
constexpr std::array<double, 4> kOtherMix = {65, 20, 0, 15};

bool IsDraggable(Target t) {
    return t == Target::SliderNavi || t == Target::SliderDmb || t == Target::SliderAvIn ||
           t == Target::BarBright || t == Target::BarContrast;
}

bool IsButton(Target t) {
    return t <= Target::IconTouch || t == Target::CloseButton || t == Target::OkButton ||
           t == Target::DefaultButton;
}

const char* KindName(StepKind kind) {
    switch (kind) {
        case StepKind::Down:
            return "down";
        case StepKind::Move:
            return "move";
        case StepKind::Up:
            return "up";
        case StepKind::DoubleClick:
            return "dblclk";
        case StepKind::Timer:
            return "timer";
        case StepKind::CloseMessage:
            return "close-message";
    }
    return "?";
}

}  // namespace

std::string Describe(const Step& step) {
    char text[64];
    if (step.kind == StepKind::Timer) {
        std::snprintf(text, sizeof text, "timer %lu", static_cast<unsigned long>(step.timerId));
    } else if (step.kind == StepKind::CloseMessage) {
        std::snprintf(text, sizeof text, "%s", KindName(step.kind));
    } else {
        std::snprintf(text, sizeof text, "%s (%ld,%ld)", KindName(step.kind),
                      static_cast<long>(step.pt.x), static_cast<long>(step.pt.y));
    }
    return text;
}

void PenMonkey::NextGesture(SHORT page, std::deque<Step>& out) {
    if (Chance(kCloseMessageShare)) {
        out.push_back({StepKind::CloseMessage, {0, 0}, 0});
        return;
    }
    if (Chance(kTimerShare)) {
        out.push_back(Timer());
        return;
    }
    if (Chance(kStrayShare)) {
        Stray(page, out);
        return;
    }
    const Target target = PickTarget(page);
    const auto& mix = IsDraggable(target) ? kDraggableMix
                      : IsButton(target)  ? kButtonMix
                                          : kOtherMix;
    switch (static_cast<Gesture>(std::discrete_distribution<int>(mix.begin(), mix.end())(m_rng))) {
        case Gesture::Tap:
            Tap(target, out);
            break;
        case Gesture::Drag:
            Drag(target, out);
            break;
        case Gesture::SlideOff:
            SlideOff(target, out);
            break;
        case Gesture::DoubleTap:
            DoubleTap(target, out);
            break;
    }
}

bool PenMonkey::Interleave(Step& out) {
    if (!Chance(kInterleaveShare)) {
        return false;
    }
    out = Chance(kInterleavedCloseShare) ? Step{StepKind::CloseMessage, {0, 0}, 0} : Timer();
    return true;
}

void PenMonkey::QueuedDuringCalibration(std::deque<Step>& out) {
    if (!Chance(kQueuedShare)) {
        return;
    }
    const int count = Uniform(1, kMaxQueued);
    for (int i = 0; i < count; ++i) {
        if (Chance(kQueuedCloseShare)) {
            out.push_back({StepKind::CloseMessage, {0, 0}, 0});
            continue;
        }
        static constexpr StepKind kKinds[] = {StepKind::Down, StepKind::Up, StepKind::Move,
                                              StepKind::DoubleClick, StepKind::Timer};
        const StepKind kind = kKinds[Uniform(0, static_cast<int>(std::size(kKinds)) - 1)];
        if (kind == StepKind::Timer) {
            out.push_back(Timer());
        } else {
            // The second tap lands where the first did, often enough.
            const POINT pt = Chance(0.5) ? PointIn(Target::IconTouch) : PointAnywhere();
            out.push_back({kind, pt, 0});
        }
    }
}

Target PenMonkey::PickTarget(SHORT page) {
    const int index = (page >= PAGE_SOUND && page <= PAGE_MAIN) ? page : PAGE_MAIN;
    const Weights& w = kPageWeights[static_cast<std::size_t>(index)];
    return static_cast<Target>(std::discrete_distribution<int>(w.begin(), w.end())(m_rng));
}

POINT PenMonkey::PointIn(Target target) {
    if (target == Target::Anywhere) {
        return PointAnywhere();
    }
    const Zone& z = kZones[static_cast<std::size_t>(target)];
    const int right = z.inclusive ? z.right : z.right - 1;
    const int bottom = z.inclusive ? z.bottom : z.bottom - 1;
    POINT pt = {Uniform(z.left, right), Uniform(z.top, bottom)};
    if (Chance(kEdgeShare)) {
        // On the first or last pixel of the zone, or one past it.
        const int edges[] = {z.left - 1, z.left, right,  right + 1,
                             z.top - 1,  z.top,  bottom, bottom + 1};
        if (Chance(0.5)) {
            pt.x = edges[Uniform(0, 3)];
        } else {
            pt.y = edges[Uniform(4, 7)];
        }
    }
    return pt;
}

POINT PenMonkey::PointAnywhere() {
    const double r = std::uniform_real_distribution<double>(0, 1)(m_rng);
    if (r < kOnScreenShare) {
        return {Uniform(0, kScreenWidth - 1), Uniform(0, kScreenHeight - 1)};
    }
    if (r < kOnScreenShare + kAroundScreenShare) {
        return {Uniform(-kOffScreenMargin, kScreenWidth + kOffScreenMargin),
                Uniform(-kOffScreenMargin, kScreenHeight + kOffScreenMargin)};
    }
    const int last = static_cast<int>(std::size(kExtremes)) - 1;
    return {kExtremes[Uniform(0, last)], kExtremes[Uniform(0, last)]};
}

POINT PenMonkey::Wander(POINT from) {
    const int r = Uniform(0, 99);
    if (r < 55) {
        return {from.x + Uniform(-kWanderStep, kWanderStep),
                from.y + Uniform(-kWanderStep, kWanderStep)};
    }
    if (r < 70) {
        return from;  // the pen rests: the same point again
    }
    return PointAnywhere();
}

void PenMonkey::Tap(Target target, std::deque<Step>& out) {
    POINT pt = PointIn(target);
    out.push_back({StepKind::Down, pt, 0});
    const int moves = Uniform(0, kMaxTapJitterMoves);
    for (int i = 0; i < moves; ++i) {
        pt = {pt.x + Uniform(-kTapJitter, kTapJitter), pt.y + Uniform(-kTapJitter, kTapJitter)};
        out.push_back({StepKind::Move, pt, 0});
    }
    out.push_back({StepKind::Up, pt, 0});
}

void PenMonkey::Drag(Target target, std::deque<Step>& out) {
    POINT pt = PointIn(target);
    out.push_back({StepKind::Down, pt, 0});
    const int moves = Uniform(1, kMaxDragMoves);
    for (int i = 0; i < moves; ++i) {
        // Now and then back onto the control, as a finger following a knob.
        pt = Chance(0.15) ? PointIn(target) : Wander(pt);
        out.push_back({StepKind::Move, pt, 0});
    }
    if (Chance(0.2)) {
        pt = PointAnywhere();
    }
    out.push_back({StepKind::Up, pt, 0});
}

void PenMonkey::SlideOff(Target target, std::deque<Step>& out) {
    POINT pt = PointIn(target);
    out.push_back({StepKind::Down, pt, 0});
    const int moves = Uniform(1, kMaxSlideOffMoves);
    for (int i = 0; i < moves; ++i) {
        pt = PointAnywhere();
        out.push_back({StepKind::Move, pt, 0});
    }
    if (Chance(0.4)) {
        pt = PointIn(target);
        out.push_back({StepKind::Move, pt, 0});
    }
    out.push_back({StepKind::Up, pt, 0});
}

void PenMonkey::DoubleTap(Target target, std::deque<Step>& out) {
    const POINT pt = PointIn(target);
    const POINT second = {pt.x + Uniform(-kDoubleClickDistance, kDoubleClickDistance),
                          pt.y + Uniform(-kDoubleClickDistance, kDoubleClickDistance)};
    // As the platform delivers a quick second tap to a window whose class
    // takes double clicks: the second down comes as a double click.
    out.push_back({StepKind::Down, pt, 0});
    out.push_back({StepKind::Up, pt, 0});
    out.push_back({StepKind::DoubleClick, second, 0});
    out.push_back({StepKind::Up, second, 0});
}

void PenMonkey::Stray(SHORT page, std::deque<Step>& out) {
    // A down whose up never comes, or an up with no down: the platform
    // passes both on (a pen command, a touch lost to another screen).
    const POINT pt = Chance(0.5) ? PointAnywhere() : PointIn(PickTarget(page));
    out.push_back({Chance(0.5) ? StepKind::Down : StepKind::Up, pt, 0});
}

Step PenMonkey::Timer() {
    const UINT_PTR id = Chance(kKnownTimerShare)
                            ? IDT_FM_REPEAT
                            : static_cast<UINT_PTR>(Uniform(1, kMaxOtherTimerId));
    return {StepKind::Timer, {0, 0}, id};
}

}  // namespace monkey
