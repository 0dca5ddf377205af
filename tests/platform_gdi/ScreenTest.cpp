#include <gtest/gtest.h>
#include <png.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "platform/WinGdi.h"
#include "platform/display/Display.h"
#include "platform/gdi/ObjectCounts.h"
#include "platform/gdi/Screen.h"
#include "platform/testing/GdiSurfaces.h"
#include "platform/testing/LogCapture.h"

namespace {

using dv::testing::GdiMemorySurface;

class Screen : public ::testing::Test {
protected:
    void SetUp() override { dv::display::Disable(); }
};

uint32_t Stripes(int x, int y) {
    return (x % 7 == 0 || y % 5 == 0) ? 0xFF8000u : 0x0000C0u;
}

TEST_F(Screen, DrawingOnTheScreenWorksWithTheDisplayOff) {
    EXPECT_FALSE(dv::display::Open());
    EXPECT_FALSE(dv::display::IsOpen());
    const auto start = dv::gdi::LiveObjectCounts();
    HDC screen = dv::gdi::CreateScreenDC();
    EXPECT_EQ(dv::gdi::LiveObjectCounts().dcs, start.dcs + 1);
    {
        GdiMemorySurface source(40, 30);
        dv::testing::PaintSurface(source.dc(), Stripes);
        ASSERT_TRUE(BitBlt(screen, 470, 220, 40, 30, source.dc(), 0, 0, SRCCOPY));
    }
    const auto pixels = dv::gdi::ScreenPixels();
    ASSERT_EQ(pixels.size(), 480u * 234u);
    EXPECT_EQ(pixels[233 * 480 + 479], Stripes(9, 13));
    EXPECT_EQ(GetPixel(screen, 470, 220), RGB(0xFF, 0x80, 0x00));

    // A screen surface cannot take a bitmap and is released, not deleted.
    dv::testing::LogCapture log;
    HBITMAP bitmap = CreateCompatibleBitmap(screen, 4, 4);
    EXPECT_EQ(SelectObject(screen, bitmap), nullptr);
    EXPECT_FALSE(DeleteDC(screen));
    EXPECT_TRUE(DeleteObject(bitmap));
    dv::gdi::DeleteScreenDC(screen);
    EXPECT_EQ(dv::gdi::LiveObjectCounts(), start);
    dv::gdi::DeleteScreenDC(screen);
    EXPECT_TRUE(log.Contains("GDI: ReleaseDC: not a screen surface"));
}

TEST_F(Screen, TwoScreenSurfacesShareThePixels) {
    HDC a = dv::gdi::CreateScreenDC();
    HDC b = dv::gdi::CreateScreenDC();
    GdiMemorySurface source(2, 2);
    dv::testing::FillSurface(source.dc(), 0x00AA55);
    BitBlt(a, 100, 100, 2, 2, source.dc(), 0, 0, SRCCOPY);
    EXPECT_EQ(GetPixel(b, 101, 101), RGB(0x00, 0xAA, 0x55));
    SetBkMode(a, TRANSPARENT);
    SetTextColor(a, RGB(255, 255, 255));
    RECT r{359, 118, 413, 180};
    BitBlt(a, 359, 118, 54, 62, source.dc(), 5, 5, SRCCOPY);  // nothing to copy: unchanged
    EXPECT_GT(DrawTextW(a, L"87.5", -1, &r, DT_SINGLELINE | DT_CENTER | DT_VCENTER), 0);
    dv::gdi::DeleteScreenDC(a);
    dv::gdi::DeleteScreenDC(b);
}

std::vector<png_byte> ReadPng(const std::string& path, png_image& image) {
    image = {};
    image.version = PNG_IMAGE_VERSION;
    std::vector<png_byte> rgb;
    if (png_image_begin_read_from_file(&image, path.c_str()) == 0) {
        return rgb;
    }
    image.format = PNG_FORMAT_RGB;
    rgb.resize(PNG_IMAGE_SIZE(image));
    if (png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr) == 0) {
        rgb.clear();
    }
    return rgb;
}

TEST_F(Screen, ScreenshotIsA480By234RgbPng) {
    HDC screen = dv::gdi::CreateScreenDC();
    GdiMemorySurface source(480, 234);
    dv::testing::PaintSurface(source.dc(), Stripes);
    BitBlt(screen, 0, 0, 480, 234, source.dc(), 0, 0, SRCCOPY);
    dv::gdi::DeleteScreenDC(screen);

    const auto dir =
        std::filesystem::temp_directory_path() / ("dv-gdi-shot-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const std::string path = (dir / "shot.png").string();
    ASSERT_TRUE(dv::gdi::SaveScreenPng(path.c_str()));
    png_image image;
    const auto rgb = ReadPng(path, image);
    ASSERT_FALSE(rgb.empty());
    EXPECT_EQ(image.width, 480u);
    EXPECT_EQ(image.height, 234u);
    for (int y : {0, 5, 117, 233}) {
        for (int x : {0, 3, 7, 479}) {
            const std::size_t at = (static_cast<std::size_t>(y) * 480 + x) * 3;
            const uint32_t p = rgb[at] << 16 | rgb[at + 1] << 8 | rgb[at + 2];
            EXPECT_EQ(p, Stripes(x, y)) << x << "," << y;
        }
    }
    EXPECT_FALSE(std::filesystem::exists(path + ".part"));

    dv::testing::LogCapture log;
    EXPECT_FALSE(dv::gdi::SaveScreenPng((dir / "missing" / "shot.png").string().c_str()));
    EXPECT_FALSE(dv::gdi::SaveScreenPng(nullptr));
    EXPECT_TRUE(log.Contains("GDI: cannot write screenshot"));
    std::filesystem::remove_all(dir);
}

TEST_F(Screen, WaitWithoutADisplayEndsOnWakeOrTimeout) {
    using Clock = std::chrono::steady_clock;
    auto t0 = Clock::now();
    dv::display::WaitEvents(30);
    EXPECT_GE(Clock::now() - t0, std::chrono::milliseconds(25));

    std::thread waker([] {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        dv::display::Wake();
    });
    t0 = Clock::now();
    dv::display::WaitEvents(-1);
    EXPECT_LT(Clock::now() - t0, std::chrono::seconds(5));
    waker.join();

    dv::display::Wake();  // a wake before the wait is not lost
    t0 = Clock::now();
    dv::display::WaitEvents(5000);
    EXPECT_LT(Clock::now() - t0, std::chrono::seconds(1));
}

}  // namespace
