// Drawing surfaces, bitmaps, fonts and text. Every surface is 32-bit pixels.
#pragma once

#include "platform/WinDef.h"

constexpr DWORD SRCCOPY = 0x00CC0020u;
constexpr int TRANSPARENT = 1;
constexpr int OPAQUE = 2;

constexpr UINT DT_TOP = 0x0000;
constexpr UINT DT_LEFT = 0x0000;
constexpr UINT DT_CENTER = 0x0001;
constexpr UINT DT_RIGHT = 0x0002;
constexpr UINT DT_VCENTER = 0x0004;
constexpr UINT DT_BOTTOM = 0x0008;
constexpr UINT DT_SINGLELINE = 0x0020;
constexpr UINT DT_NOCLIP = 0x0100;

constexpr LONG FW_NORMAL = 400;
constexpr LONG FW_BOLD = 700;
constexpr BYTE ANSI_CHARSET = 0;
constexpr BYTE DEFAULT_CHARSET = 1;
constexpr BYTE OUT_DEFAULT_PRECIS = 0;
constexpr BYTE CLIP_DEFAULT_PRECIS = 0;
constexpr BYTE DEFAULT_QUALITY = 0;
constexpr BYTE DRAFT_QUALITY = 1;
constexpr BYTE NONANTIALIASED_QUALITY = 3;
constexpr BYTE ANTIALIASED_QUALITY = 4;
constexpr int LF_FACESIZE = 32;

constexpr COLORREF CLR_INVALID = 0xFFFFFFFFu;

constexpr DWORD OBJ_DC = 3;
constexpr DWORD OBJ_FONT = 6;
constexpr DWORD OBJ_BITMAP = 7;
constexpr DWORD OBJ_MEMDC = 10;

struct LOGFONTW {
    LONG lfHeight;
    LONG lfWidth;
    LONG lfEscapement;
    LONG lfOrientation;
    LONG lfWeight;
    BYTE lfItalic;
    BYTE lfUnderline;
    BYTE lfStrikeOut;
    BYTE lfCharSet;
    BYTE lfOutPrecision;
    BYTE lfClipPrecision;
    BYTE lfQuality;
    BYTE lfPitchAndFamily;
    wchar_t lfFaceName[LF_FACESIZE];
};

HDC CreateCompatibleDC(HDC hdc);
HBITMAP CreateCompatibleBitmap(HDC hdc, int cx, int cy);
// Loads a bitmap of the program's own resources by id (MAKEINTRESOURCEW).
HBITMAP LoadBitmapW(HINSTANCE hInstance, LPCWSTR lpBitmapName);
HGDIOBJ SelectObject(HDC hdc, HGDIOBJ h);
BOOL BitBlt(HDC hdc, int x, int y, int cx, int cy, HDC hdcSrc, int x1, int y1, DWORD rop);
// Also frees the bitmap selected into the surface, which the surface owns.
BOOL DeleteDC(HDC hdc);
// Fails for a bitmap or font that is selected into a surface.
BOOL DeleteObject(HGDIOBJ ho);
HFONT CreateFontIndirectW(const LOGFONTW* lplf);
// OBJ_DC for a surface of the screen, OBJ_MEMDC for a memory surface,
// OBJ_BITMAP, OBJ_FONT; 0 for anything else.
DWORD GetObjectType(HGDIOBJ h);
int SetBkMode(HDC hdc, int mode);
COLORREF SetTextColor(HDC hdc, COLORREF color);
// The colour an OPAQUE background fills the text box with (white at first).
COLORREF SetBkColor(HDC hdc, COLORREF color);
int DrawTextW(HDC hdc, LPCWSTR lpchText, int cchText, RECT* lprc, UINT format);
COLORREF GetPixel(HDC hdc, int x, int y);
