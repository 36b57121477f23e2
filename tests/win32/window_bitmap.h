// Saves a window's client area as a 24-bit BMP file, for looking at what a
// test drew.
#pragma once
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

// Saves the window's client area as a BMP file.
inline void save_window_bitmap(HWND window, const std::string& path) {
  RECT r;
  GetClientRect(window, &r);
  HDC dc = GetDC(window);
  HDC memory = CreateCompatibleDC(dc);
  HBITMAP bitmap = CreateCompatibleBitmap(dc, r.right, r.bottom);
  HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, r.right, r.bottom, dc, 0, 0, SRCCOPY);
  SelectObject(memory, old);
  BITMAPINFOHEADER info = {};
  info.biSize = sizeof info;
  info.biWidth = r.right;
  info.biHeight = r.bottom;
  info.biPlanes = 1;
  info.biBitCount = 24;
  int stride = (r.right * 3 + 3) & ~3;
  std::vector<unsigned char> pixels(static_cast<size_t>(stride) * r.bottom);
  GetDIBits(memory, bitmap, 0, r.bottom, pixels.data(), reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS);
  BITMAPFILEHEADER file = {};
  file.bfType = 0x4D42;
  file.bfOffBits = sizeof file + sizeof info;
  file.bfSize = file.bfOffBits + static_cast<DWORD>(pixels.size());
  if (FILE* f = std::fopen(path.c_str(), "wb")) {
    std::fwrite(&file, sizeof file, 1, f);
    std::fwrite(&info, sizeof info, 1, f);
    std::fwrite(pixels.data(), 1, pixels.size(), f);
    std::fclose(f);
  }
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(window, dc);
}
