#include "platform/calibration/CalibrationScreen.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <cwchar>
#include <string>

#include "platform/WinGdi.h"
#include "platform/gdi/GdiObjects.h"
#include "platform/gdi/Screen.h"

namespace dv {
namespace {

constexpr int kWidth = 480;
constexpr int kHeight = 234;
constexpr uint32_t kBackground = 0x0E1318;
constexpr uint32_t kCrossColour = 0xFFFFFF;
constexpr uint32_t kRingColour = 0x3FBF5F;
constexpr int kCrossArm = 12;
constexpr int kRingRadius = 7;
constexpr int kFontHeight = 14;
constexpr RECT kInstructionRect = {0, 100, kWidth, 134};
constexpr RECT kInstructionRectLow = {0, 150, kWidth, 184};
constexpr const wchar_t* kPrompts[] = {L"Touch the centre of the cross",
                                       L"Tapped twice at one place: touch the cross",
                                       L"The taps do not agree: start again"};

gdi::Surface* SurfaceOf(HDC hdc) {
    auto& gdi = gdi::GdiObjects::Instance();
    gdi::DcObject* dc = gdi.FindDc(hdc);
    return dc == nullptr ? nullptr : &gdi.SurfaceOf(*dc);
}

}  // namespace

CalibrationScreen::CalibrationScreen() {
    m_hdc = CreateCompatibleDC(nullptr);
    m_bitmap = CreateCompatibleBitmap(m_hdc, kWidth, kHeight);
    m_oldBitmap = SelectObject(m_hdc, m_bitmap);
    LOGFONTW lf{};
    lf.lfHeight = kFontHeight;
    lf.lfWeight = FW_BOLD;
    lf.lfQuality = ANTIALIASED_QUALITY;
    std::wcscpy(lf.lfFaceName, dv::gdi::kDefaultFontFace);
    m_font = CreateFontIndirectW(&lf);
    m_oldFont = SelectObject(m_hdc, m_font);
    SetBkMode(m_hdc, TRANSPARENT);
    SetTextColor(m_hdc, RGB(255, 255, 255));
}

CalibrationScreen::~CalibrationScreen() {
    SelectObject(m_hdc, m_oldFont);
    DeleteObject(m_font);
    SelectObject(m_hdc, m_oldBitmap);
    DeleteObject(m_bitmap);
    DeleteDC(m_hdc);
}

void CalibrationScreen::Show(POINT target, int index, int count, Prompt prompt) {
    Fill(kBackground);
    DrawRing(target, kRingRadius, kRingColour);
    DrawCross(target, kCrossColour);
    std::wstring text = std::wstring(kPrompts[static_cast<int>(prompt)]) + L"  (" +
                        std::to_wstring(index + 1) + L"/" + std::to_wstring(count) + L")";
    // Keep the line clear of the target: below it when the target is high.
    RECT rc = target.y == kHeight / 2 ? kInstructionRectLow : kInstructionRect;
    DrawTextW(m_hdc, text.c_str(), static_cast<int>(text.size()), &rc,
              DT_SINGLELINE | DT_CENTER | DT_VCENTER);
    HDC screen = gdi::CreateScreenDC();
    BitBlt(screen, 0, 0, kWidth, kHeight, m_hdc, 0, 0, SRCCOPY);
    gdi::DeleteScreenDC(screen);
}

void CalibrationScreen::Fill(uint32_t colour) {
    std::lock_guard guard(gdi::GdiObjects::Instance().Lock());
    if (gdi::Surface* s = SurfaceOf(m_hdc)) {
        std::ranges::fill(s->Pixels(), colour);
    }
}

void CalibrationScreen::DrawCross(POINT c, uint32_t colour) {
    std::lock_guard guard(gdi::GdiObjects::Instance().Lock());
    gdi::Surface* s = SurfaceOf(m_hdc);
    if (s == nullptr) {
        return;
    }
    for (int d = -kCrossArm; d <= kCrossArm; ++d) {
        if (s->Contains(c.x + d, c.y)) {
            s->Row(c.y)[c.x + d] = colour;
        }
        if (s->Contains(c.x, c.y + d)) {
            s->Row(c.y + d)[c.x] = colour;
        }
    }
}

void CalibrationScreen::DrawRing(POINT c, int radius, uint32_t colour) {
    std::lock_guard guard(gdi::GdiObjects::Instance().Lock());
    gdi::Surface* s = SurfaceOf(m_hdc);
    if (s == nullptr) {
        return;
    }
    // A pixel within 0.75 of the ring is no further than radius from its centre on either axis.
    for (int dy = -radius; dy <= radius; ++dy) {
        for (int dx = -radius; dx <= radius; ++dx) {
            double dist = std::sqrt(static_cast<double>(dx * dx + dy * dy));
            if (std::fabs(dist - radius) < 0.75 && s->Contains(c.x + dx, c.y + dy)) {
                s->Row(c.y + dy)[c.x + dx] = colour;
            }
        }
    }
}

}  // namespace dv
