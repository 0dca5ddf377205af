// What the hardware sets as the least each figure can cost: copying the
// pixels a figure puts on the screen, and the file-system calls a durable
// save or a file read cannot do without.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "bench/BenchRoot.h"
#include "ui/ScreenLayout.h"

namespace {

using layout::kScreenHeight;
using layout::kScreenWidth;
constexpr std::size_t kSettingsBytes = 26;

struct PanelArea {
    int x, y, cx, cy;
};
constexpr PanelArea Area(const RECT& r) {
    return {r.left, r.top, r.right - r.left, r.bottom - r.top};
}
constexpr PanelArea kSliderColumn = {layout::kSliderColumnX[0], layout::kSliderTop,
                                     layout::kSliderWidth, layout::kSliderHeight};
constexpr PanelArea kBrightBar = {layout::kBarX, layout::kBrightRowTop, layout::kBarSize.cx,
                                  layout::kBarSize.cy};
constexpr PanelArea kOkButton = Area(layout::kButtonRects[5]);
constexpr PanelArea kPreview = Area(layout::kPreviewRect);

void BM_FloorTwoScreens(benchmark::State& state) {
    const std::size_t bytes = std::size_t{kScreenWidth} * kScreenHeight * 4;
    std::vector<char> src(bytes, 1), dst(bytes);
    for (auto _ : state) {
        std::memcpy(dst.data(), src.data(), bytes);
        std::memcpy(src.data(), dst.data(), bytes);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_FloorTwoScreens);

// One panel's pixels from a screen-sized surface to another, row by row.
void BM_FloorPanel(benchmark::State& state, PanelArea a) {
    std::vector<uint32_t> src(std::size_t{kScreenWidth} * kScreenHeight, 1), dst(src.size());
    for (auto _ : state) {
        for (int y = 0; y < a.cy; ++y) {
            const std::size_t at = std::size_t(a.y + y) * kScreenWidth + a.x;
            std::memcpy(&dst[at], &src[at], a.cx * 4);
        }
        benchmark::ClobberMemory();
    }
}
BENCHMARK_CAPTURE(BM_FloorPanel, slider_column, kSliderColumn);
BENCHMARK_CAPTURE(BM_FloorPanel, bar_row, kBrightBar);
BENCHMARK_CAPTURE(BM_FloorPanel, button, kOkButton);
BENCHMARK_CAPTURE(BM_FloorPanel, preview, kPreview);

// A durable replacement of 26 bytes with bare system calls: write a new file,
// flush it, rename it over the old one, flush the folder.
void BM_FloorDurableReplace(benchmark::State& state) {
    const std::string folder = BenchRoot::Get().Folder() + "/floor";
    ::mkdir(folder.c_str(), 0755);
    const std::string target = folder + "/conf.ini";
    const std::string temp = folder + "/.conf.ini.new";
    const char bytes[kSettingsBytes] = {};
    for (auto _ : state) {
        int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        bool ok = fd >= 0 && ::write(fd, bytes, sizeof bytes) == sizeof bytes && ::fsync(fd) == 0;
        ok = fd >= 0 && ::close(fd) == 0 && ok && ::rename(temp.c_str(), target.c_str()) == 0;
        int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        ok = ok && dir >= 0 && ::fsync(dir) == 0;
        if (dir >= 0) {
            ::close(dir);
        }
        if (!ok) {
            state.SkipWithError("the durable replace failed");
            break;
        }
    }
}
BENCHMARK(BM_FloorDurableReplace);

// Reading the click sound's file whole with bare system calls.
void BM_FloorReadFile(benchmark::State& state) {
    const std::string path = BenchRoot::Get().Folder() + "/unit/windows/question.wav";
    std::vector<char> buffer(1 << 20);
    for (auto _ : state) {
        int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) {
            state.SkipWithError("no click sound in the bench's device root");
            break;
        }
        while (::read(fd, buffer.data(), buffer.size()) > 0) {
        }
        ::close(fd);
    }
}
BENCHMARK(BM_FloorReadFile);

}  // namespace
