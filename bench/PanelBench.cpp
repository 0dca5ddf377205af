// The panel's hot paths on the real system code and platform services
// (simulated drivers in a temporary device root, headless screen).
#include <benchmark/benchmark.h>

#include <memory>
#include <span>
#include <utility>

#include "app/SettingsDlg.h"
#include "bench/BenchRoot.h"
#include "platform/drivers/DriverTable.h"
#include "platform/drivers/StreamDriver.h"
#include "sound/WaveFile.h"

namespace {

constexpr int kBrightBarY = 138;
constexpr int kBarLeftX = 200;
constexpr int kBarRightX = 380;

void BM_SliderMove(benchmark::State& state) {
    BenchRoot& b = BenchRoot::Get();
    b.Show(PAGE_SOUND);
    b.Pen(WM_LBUTTONDOWN, 330, 120);
    int y = 100;
    for (auto _ : state) {
        y = y == 100 ? 140 : 100;
        b.Pen(WM_MOUSEMOVE, 330, y);
    }
    b.Dlg().m_nDragSlider = DRAG_NONE;
    b.Dlg().OnBtOk();
}
BENCHMARK(BM_SliderMove);

// The brightness bar held on the basic page, dragged to each x in turn.
template <typename NextX>
void DragBrightnessBar(benchmark::State& state, NextX nextX) {
    BenchRoot& b = BenchRoot::Get();
    b.Show(PAGE_BASIC);
    b.Pen(WM_LBUTTONDOWN, 300, kBrightBarY);
    for (auto _ : state) {
        b.Pen(WM_MOUSEMOVE, nextX(), kBrightBarY);
    }
    b.Dlg().m_nDragBar = DRAG_NONE;
    b.Dlg().m_bBarChanged = 0;
}

// Far ends of the bar in turn: a new level on every move.
int AlternateEnds() {
    static int x = kBarLeftX;
    x = x == kBarLeftX ? kBarRightX : kBarLeftX;
    return x;
}

void BM_BarMove(benchmark::State& state) {
    DragBrightnessBar(state, AlternateEnds);
}
BENCHMARK(BM_BarMove);

// A backlight that only keeps its level, as a register would: the panel's
// own cost of a move, without the simulated hardware's journal and state files.
class CRegisterBacklight : public dv::IStreamDriver {
public:
    DWORD Open() override { return ERROR_SUCCESS; }
    DWORD IoControl(DWORD, std::span<const BYTE> input, std::span<BYTE>, DWORD& returned) override {
        returned = 0;
        m_level = input.empty() ? m_level : input[0];
        return ERROR_SUCCESS;
    }
    DWORD Seek(int64_t, DWORD, uint64_t&) override { return ERROR_NOT_SUPPORTED; }
    DWORD Read(std::span<BYTE>, DWORD&) override { return ERROR_NOT_SUPPORTED; }
    DWORD Write(std::span<const BYTE>, DWORD&) override { return ERROR_NOT_SUPPORTED; }
    void Close() override {}

private:
    BYTE m_level = 0;
};

void BM_BarMoveMemoryDriver(benchmark::State& state) {
    dv::DriverFactory previous =
        dv::ReplaceDriverFactory(L"BAK1:", [] { return std::make_unique<CRegisterBacklight>(); });
    DragBrightnessBar(state, AlternateEnds);
    dv::ReplaceDriverFactory(L"BAK1:", std::move(previous));
}
BENCHMARK(BM_BarMoveMemoryDriver);

// A drag of one pixel per move, as a finger makes it: the driver is opened
// and closed on every move, but written only when the level changes.
void BM_BarDragByPixel(benchmark::State& state) {
    int x = kBarLeftX;
    int step = 1;
    DragBrightnessBar(state, [&] {
        if (x == kBarLeftX || x == kBarRightX) {
            step = x == kBarLeftX ? 1 : -1;
        }
        x += step;
        return x;
    });
}
BENCHMARK(BM_BarDragByPixel);

void BM_Repaint(benchmark::State& state, SHORT page, SHORT fm) {
    BenchRoot& b = BenchRoot::Get();
    b.Dlg().AdvanPageDAta.nFmtOn = fm;
    for (auto _ : state) {
        b.Show(page);
    }
    b.Dlg().AdvanPageDAta.nFmtOn = FMT_OFF;
}
BENCHMARK_CAPTURE(BM_Repaint, main, PAGE_MAIN, FMT_OFF);
BENCHMARK_CAPTURE(BM_Repaint, sound, PAGE_SOUND, FMT_OFF);
BENCHMARK_CAPTURE(BM_Repaint, basic, PAGE_BASIC, FMT_OFF);
BENCHMARK_CAPTURE(BM_Repaint, advanced_fm_on, PAGE_ADVAN, FMT_ON);

void BM_ButtonPressed(benchmark::State& state) {
    CSettingsDlg& dlg = BenchRoot::Get().Dlg();
    for (auto _ : state) {
        dlg.m_btn[5].Draw(dlg.m_pScreenDC, true, 0);
    }
}
BENCHMARK(BM_ButtonPressed);

void BM_MainPreview(benchmark::State& state) {
    CSettingsDlg& dlg = BenchRoot::Get().Dlg();
    for (auto _ : state) {
        dlg.DrawMainPreview(dlg.m_pScreenDC);
    }
}
BENCHMARK(BM_MainPreview);

void BM_Commit(benchmark::State& state, SHORT page) {
    CSettingsDlg& dlg = BenchRoot::Get().Dlg();
    dlg.m_nCurPage = page;
    for (auto _ : state) {
        dlg.SavePageData();
    }
    dlg.m_nCurPage = PAGE_MAIN;
}
BENCHMARK_CAPTURE(BM_Commit, sound, PAGE_SOUND);
BENCHMARK_CAPTURE(BM_Commit, basic, PAGE_BASIC);
BENCHMARK_CAPTURE(BM_Commit, advanced, PAGE_ADVAN);

void BM_ReadClickSound(benchmark::State& state) {
    BenchRoot::Get();
    for (auto _ : state) {
        WAVEFORMATEX* format = nullptr;
        DWORD size = 0;
        BYTE* data = nullptr;
        if (ReadWaveFile(L"\\windows\\question.wav", &format, &size, &data) == 0) {
            delete[] reinterpret_cast<BYTE*>(format);
            delete[] data;
        }
    }
}
BENCHMARK(BM_ReadClickSound);

}  // namespace
