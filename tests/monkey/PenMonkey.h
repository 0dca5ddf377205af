// A seeded monkey for the settings dialog: it makes pen gestures (taps,
// drags, slide-offs, double taps, stray downs and ups) aimed mostly at the
// controls of the page the dialog shows, sometimes anywhere on or off the
// screen, mixed with the timer message and the close message. It only makes
// the messages; the test delivers them and checks the dialog.
#pragma once

#include <cstdint>
#include <deque>
#include <random>
#include <string>

#include "platform/WinDef.h"

namespace monkey {

// What the monkey aims at. Rectangles and zones are those the dialog uses.
enum class Target {
    IconSound,
    IconBasic,
    IconAdvanced,
    IconTouch,
    Preview,
    CloseButton,
    OkButton,
    DefaultButton,
    CancelArea,
    SliderNavi,
    SliderDmb,
    SliderAvIn,
    BarBright,
    BarContrast,
    AutoStartNone,
    AutoStartNavi,
    AutoStartDmb,
    AutoPowerOff,
    AutoPowerOn,
    VoiceNaviOnly,
    VoiceNaviMedia,
    RearCameraOff,
    RearCameraOn,
    FmOffArea,
    FmOnArea,
    Anywhere,
};

enum class StepKind { Down, Move, Up, DoubleClick, Timer, CloseMessage };

struct Step {
    StepKind kind = StepKind::Down;
    POINT pt = {0, 0};
    UINT_PTR timerId = 0;
};

std::string Describe(const Step& step);

class PenMonkey {
public:
    explicit PenMonkey(uint64_t seed) : m_rng(seed) {}

    // Appends the next gesture for the page shown (PAGE_SOUND .. PAGE_MAIN).
    void NextGesture(SHORT page, std::deque<Step>& out);
    // A message that may slip in between two steps of a gesture, as the
    // launcher's close or a timer can; false when none does.
    bool Interleave(Step& out);
    // What the nested loop of the calibration screen may hand the dialog:
    // messages queued before the screen took the pen.
    void QueuedDuringCalibration(std::deque<Step>& out);

    bool Chance(double p) { return std::bernoulli_distribution(p)(m_rng); }
    int Uniform(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(m_rng); }

private:
    Target PickTarget(SHORT page);
    POINT PointIn(Target target);
    POINT PointAnywhere();
    POINT Wander(POINT from);
    void Tap(Target target, std::deque<Step>& out);
    void Drag(Target target, std::deque<Step>& out);
    void SlideOff(Target target, std::deque<Step>& out);
    void DoubleTap(Target target, std::deque<Step>& out);
    void Stray(SHORT page, std::deque<Step>& out);
    Step Timer();

    std::mt19937_64 m_rng;
};

}  // namespace monkey
