// The panel's hot paths on the real system code and platform services
// (simulated drivers in a temporary device root, headless screen), with the
// memory-bandwidth floor beside them.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <vector>

#include "app/SettingsDlg.h"
#include "platform/Platform.h"
#include "platform/core/DebugLog.h"
#include "platform/display/Display.h"
#include "platform/testing/TestWindow.h"
#include "sound/WaveFile.h"

namespace {

constexpr int kScreenWidth = 480;
constexpr int kScreenHeight = 234;

// One dialog for the whole run, on its own device root.
class Bench {
public:
    static Bench& Get() {
        static Bench* bench = new Bench;  // lives to the process end
        return *bench;
    }
    CSettingsDlg& Dlg() { return *m_dlg; }
    void Pen(UINT message, int x, int y) {
        m_dlg->SendMessage(message, MK_LBUTTON, MAKELPARAM(x, y));
    }
    void Show(SHORT page) {
        m_dlg->m_nCurPage = page;
        ::InvalidateRect(m_dlg->m_hWnd, nullptr, FALSE);
        dv::testing::PumpMessagesUntilIdle();
    }

private:
    Bench() {
        char pattern[] = "/tmp/dialvane-bench-XXXXXX";
        if (mkdtemp(pattern) == nullptr) {
            std::abort();
        }
        setenv("DIALVANE_ROOT", (std::string(pattern) + "/unit").c_str(), 1);
        setenv("DIALVANE_RUNTIME", (std::string(pattern) + "/run").c_str(), 1);
        dv::display::Disable();
        dv::SetDebugLogToStderr(false);
        dv::ProvisionDeviceRoot();
        m_dlg = std::make_unique<CSettingsDlg>();
        m_dlg->Create(IDD_SETTINGS_DIALOG);
        dv::testing::PumpMessagesUntilIdle();
    }
    std::unique_ptr<CSettingsDlg> m_dlg;
};

void BM_FloorTwoScreens(benchmark::State& state) {
    const std::size_t bytes = kScreenWidth * kScreenHeight * 4;
    std::vector<char> src(bytes, 1), dst(bytes);
    for (auto _ : state) {
        std::memcpy(dst.data(), src.data(), bytes);
        std::memcpy(src.data(), dst.data(), bytes);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_FloorTwoScreens);

void BM_FloorSliderPanel(benchmark::State& state) {
    // A slider column, 30 x 80 pixels, row by row as a block copy does.
    std::vector<uint32_t> src(kScreenWidth * kScreenHeight, 1), dst(src.size());
    for (auto _ : state) {
        for (int y = 0; y < 80; ++y) {
            std::memcpy(&dst[(80 + y) * kScreenWidth + 106], &src[(80 + y) * kScreenWidth + 106],
                        30 * 4);
        }
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_FloorSliderPanel);

void BM_SliderMove(benchmark::State& state) {
    Bench& b = Bench::Get();
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

void BM_BarMove(benchmark::State& state) {
    Bench& b = Bench::Get();
    b.Show(PAGE_BASIC);
    b.Pen(WM_LBUTTONDOWN, 300, 138);
    int x = 200;
    for (auto _ : state) {
        x = x == 200 ? 380 : 200;
        b.Pen(WM_MOUSEMOVE, x, 138);
    }
    b.Dlg().m_nDragBar = DRAG_NONE;
    b.Dlg().m_bBarChanged = 0;
}
BENCHMARK(BM_BarMove);

void BM_Repaint(benchmark::State& state) {
    Bench& b = Bench::Get();
    const auto page = static_cast<SHORT>(state.range(0));
    b.Dlg().AdvanPageDAta.nFmtOn = page == PAGE_ADVAN ? FMT_ON : FMT_OFF;
    for (auto _ : state) {
        b.Show(page);
    }
    b.Dlg().AdvanPageDAta.nFmtOn = FMT_OFF;
}
BENCHMARK(BM_Repaint)
    ->Arg(PAGE_MAIN)
    ->Arg(PAGE_SOUND)
    ->Arg(PAGE_BASIC)
    ->Arg(PAGE_ADVAN)
    ->ArgName("page");

void BM_ButtonPressed(benchmark::State& state) {
    CSettingsDlg& dlg = Bench::Get().Dlg();
    for (auto _ : state) {
        dlg.m_btn[5].Draw(dlg.m_pScreenDC, true, 0);
    }
}
BENCHMARK(BM_ButtonPressed);

void BM_MainPreview(benchmark::State& state) {
    CSettingsDlg& dlg = Bench::Get().Dlg();
    for (auto _ : state) {
        dlg.DrawMainPreview(dlg.m_pScreenDC);
    }
}
BENCHMARK(BM_MainPreview);

void BM_Commit(benchmark::State& state) {
    CSettingsDlg& dlg = Bench::Get().Dlg();
    dlg.m_nCurPage = static_cast<SHORT>(state.range(0));
    for (auto _ : state) {
        dlg.SavePageData();
    }
    dlg.m_nCurPage = PAGE_MAIN;
}
BENCHMARK(BM_Commit)->Arg(PAGE_SOUND)->Arg(PAGE_BASIC)->Arg(PAGE_ADVAN)->ArgName("page");

void BM_ReadClickSound(benchmark::State& state) {
    Bench::Get();
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

BENCHMARK_MAIN();
