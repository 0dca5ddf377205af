// How the panel's texts are drawn: the FM frequency on the screen and the
// version label on the advanced page, both white over the artwork, in one
// face.
#pragma once

#include "platform/WinGdi.h"

constexpr const wchar_t* kTextFace = L"Tahoma";
constexpr COLORREF kTextColour = RGB(255, 255, 255);
