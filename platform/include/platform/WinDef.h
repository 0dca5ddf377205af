// Basic types of the unit's operating system, as the system code uses them.
#pragma once

#include <cstddef>
#include <cstdint>

using BYTE = uint8_t;
using WORD = uint16_t;
using DWORD = uint32_t;
using UINT = unsigned int;
using LONG = int32_t;
using ULONG = uint32_t;
using BOOL = int;
using INT = int;
using SHORT = int16_t;
using USHORT = uint16_t;
using INT_PTR = intptr_t;
using UINT_PTR = uintptr_t;
using LONG_PTR = intptr_t;
using DWORD_PTR = uintptr_t;
using WPARAM = uintptr_t;
using LPARAM = intptr_t;
using LRESULT = intptr_t;
using COLORREF = uint32_t;
using LPVOID = void*;
using LPCVOID = const void*;
using LPBYTE = BYTE*;
using LPDWORD = DWORD*;

// The unit stores wide text as UTF-16 units (registry values, file names on
// flash). WCHAR is that unit; strings handed to the API are ordinary wide
// literals (L"...").
using WCHAR = char16_t;
using LPCWSTR = const wchar_t*;
using LPWSTR = wchar_t*;

constexpr BOOL TRUE = 1;
constexpr BOOL FALSE = 0;

using HANDLE = void*;
struct HWND__;
using HWND = HWND__*;
struct HDC__;
using HDC = HDC__*;
using HGDIOBJ = void*;
struct HBITMAP__;
using HBITMAP = HBITMAP__*;
struct HFONT__;
using HFONT = HFONT__*;
struct HICON__;
using HICON = HICON__*;
struct HINSTANCE__;
using HINSTANCE = HINSTANCE__*;
using HMODULE = HINSTANCE;
struct HKEY__;
using HKEY = HKEY__*;
struct HWAVEOUT__;
using HWAVEOUT = HWAVEOUT__*;

struct RECT {
    LONG left;
    LONG top;
    LONG right;
    LONG bottom;
};
using LPRECT = RECT*;
using LPCRECT = const RECT*;

struct POINT {
    LONG x;
    LONG y;
};

struct SIZE {
    LONG cx;
    LONG cy;
};

constexpr WORD LOWORD(DWORD_PTR v) {
    return static_cast<WORD>(v & 0xFFFF);
}
constexpr WORD HIWORD(DWORD_PTR v) {
    return static_cast<WORD>((v >> 16) & 0xFFFF);
}
constexpr LPARAM MAKELPARAM(int lo, int hi) {
    return static_cast<LPARAM>(static_cast<DWORD>(
        (static_cast<WORD>(lo)) | (static_cast<DWORD>(static_cast<WORD>(hi)) << 16)));
}
// Pen coordinates travel signed in the low and high halves of lParam.
constexpr int GET_X_LPARAM(LPARAM lp) {
    return static_cast<SHORT>(LOWORD(static_cast<DWORD_PTR>(lp)));
}
constexpr int GET_Y_LPARAM(LPARAM lp) {
    return static_cast<SHORT>(HIWORD(static_cast<DWORD_PTR>(lp)));
}

inline LPCWSTR MAKEINTRESOURCEW(UINT id) {
    return reinterpret_cast<LPCWSTR>(static_cast<UINT_PTR>(static_cast<WORD>(id)));
}
inline bool IS_INTRESOURCE(LPCWSTR p) {
    return (reinterpret_cast<UINT_PTR>(p) >> 16) == 0;
}

constexpr COLORREF RGB(BYTE r, BYTE g, BYTE b) {
    return static_cast<COLORREF>(r) | (static_cast<COLORREF>(g) << 8) |
           (static_cast<COLORREF>(b) << 16);
}
constexpr BYTE GetRValue(COLORREF c) {
    return static_cast<BYTE>(c & 0xFF);
}
constexpr BYTE GetGValue(COLORREF c) {
    return static_cast<BYTE>((c >> 8) & 0xFF);
}
constexpr BYTE GetBValue(COLORREF c) {
    return static_cast<BYTE>((c >> 16) & 0xFF);
}
