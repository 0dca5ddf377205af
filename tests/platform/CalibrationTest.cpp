// The touch calibration screen driven by pen taps from another program, as
// the unit's touch panel would give them.
#include <chrono>
#include <future>
#include <thread>

#include "Support.h"
#include "platform/WinReg.h"
#include "platform/WinUser.h"
#include "platform/storage/StorageFaults.h"
#include "platform/window/PenInput.h"

namespace dv::test {
namespace {

constexpr POINT kTargets[5] = {{240, 117}, {432, 202}, {432, 32}, {48, 32}, {48, 202}};
constexpr int kPenDown = 0, kPenUp = 2;
constexpr int kWaitMs = 5000, kRescueMs = 2000;

std::u16string Stored() {
    HKEY key = nullptr;  // stays null, and the text empty, when nothing is stored
    RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"HARDWARE\\DEVICEMAP\\TOUCH", 0, 0, &key);
    char16_t text[64] = {};
    DWORD size = sizeof text - 2;
    RegQueryValueExW(key, L"CalibrationData", nullptr, nullptr, reinterpret_cast<BYTE*>(text),
                     &size);
    RegCloseKey(key);
    return text;
}

class Calibration : public PlatformTest {
protected:
    // Runs TouchCalibrate on this thread while another taps the points. A
    // screen still open a while after the last tap is given the five targets,
    // so that a sequence wrongly refused fails the test instead of hanging it.
    BOOL CalibrateWith(const std::vector<POINT>& taps) {
        dv::testing::TestWindow panel(L"Dialvane", 0, true);
        dv::DeliverPenInput(dv::PenAction::Down, 1, 1);  // the screen takes over a pen that is down
        std::promise<void> done;
        std::thread tapper([&, ended = done.get_future()] {
            // first a lift of a pen that was down before the screen
            WirePeer::Transact(L"Dialvane", WirePeer::Pen(kPenUp, 0, 0), kWaitMs);
            dv::DeliverClose();  // the close box waits for the screen's end, then closes
            TapAll(taps);
            if (ended.wait_for(std::chrono::milliseconds(kRescueMs)) != std::future_status::ready) {
                TapAll({std::begin(kTargets), std::end(kTargets)});
            }
        });
        const BOOL result = TouchCalibrate();
        done.set_value();
        tapper.join();
        EXPECT_FALSE(dv::PenCaptureActive());
        dv::DeliverPenInput(dv::PenAction::Move, 2, 2);  // and lifts it at its end
        dv::testing::PumpMessagesUntilIdle();
        EXPECT_EQ(panel.MessagesOf(WM_LBUTTONDOWN).size(), 1u);  // the screen took the pen
        EXPECT_EQ(panel.MessagesOf(WM_CLOSE).size(), 1u);
        EXPECT_TRUE(panel.MessagesOf(WM_MOUSEMOVE).empty());
        return result;
    }

    // The tap that may end the screen is written without waiting for an idle reply.
    static void TapAll(const std::vector<POINT>& taps) {
        WirePeer last(L"Dialvane");
        for (std::size_t i = 0; i < taps.size(); ++i) {
            const POINT p = taps[i];
            WirePeer::Transact(L"Dialvane", WirePeer::Pen(kPenDown, p.x, p.y), kWaitMs);
            const auto up = WirePeer::Pen(kPenUp, p.x + 30, p.y);
            i + 1 == taps.size() ? void(last.Write(up))
                                 : void(WirePeer::Transact(L"Dialvane", up, kWaitMs));
        }
    }
};

TEST_F(Calibration, OnlyAnAgreeingSequenceThatIsStoredCounts) {
    {
        dv::StorageFaultScope faults;
        faults.Arm(1, dv::StorageFaultAction::Fail);
        EXPECT_FALSE(CalibrateWith({std::begin(kTargets), std::end(kTargets)}));
        EXPECT_TRUE(log.Contains("TouchCalibrate: cannot store CalibrationData"));
        EXPECT_EQ(Stored(), u"");
    }
    // Four taps that agree and a fifth that does not start the sequence again.
    std::vector<POINT> taps = {{252, 117}, kTargets[1], kTargets[2], kTargets[3], {48, 230}};
    taps.insert(taps.end(), std::begin(kTargets), std::end(kTargets));
    EXPECT_TRUE(CalibrateWith(taps));
    EXPECT_TRUE(log.Contains("tap 5 at 410,4042 does not agree with the others (")) << log.Text();
    // The panel's 12-bit values of the targets: pixel * 4095 / (size - 1), rounded.
    EXPECT_EQ(Stored(), u"2052,2056 3693,3550 3693,562 410,562 410,3550");
}

}  // namespace
}  // namespace dv::test
