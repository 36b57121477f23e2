// A window's client area as pixels, and saved as a 24-bit BMP file, for
// comparing and looking at what a test drew.
#pragma once
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

struct WindowPixels {
  int width = 0, height = 0, stride = 0;
  std::vector<unsigned char> bgr;  // bottom-up rows of 24-bit pixels
};

inline WindowPixels window_pixels(HWND window) {
  WindowPixels out;
  RECT r;
  GetClientRect(window, &r);
  out.width = r.right;
  out.height = r.bottom;
  out.stride = (r.right * 3 + 3) & ~3;
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
  out.bgr.resize(static_cast<size_t>(out.stride) * r.bottom);
  GetDIBits(memory, bitmap, 0, r.bottom, out.bgr.data(), reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(window, dc);
  return out;
}

// How many pixels of two pictures of the same size differ.
inline int pixels_differing(const WindowPixels& a, const WindowPixels& b) {
  if (a.width != b.width || a.height != b.height) return a.width * a.height;
  int n = 0;
  for (int y = 0; y < a.height; ++y)
    for (int x = 0; x < a.width; ++x) {
      size_t i = size_t(y) * a.stride + size_t(x) * 3;
      n += a.bgr[i] != b.bgr[i] || a.bgr[i + 1] != b.bgr[i + 1] || a.bgr[i + 2] != b.bgr[i + 2];
    }
  return n;
}

// Saves the window's client area as a BMP file.
inline void save_window_bitmap(HWND window, const std::string& path) {
  WindowPixels p = window_pixels(window);
  BITMAPINFOHEADER info = {};
  info.biSize = sizeof info;
  info.biWidth = p.width;
  info.biHeight = p.height;
  info.biPlanes = 1;
  info.biBitCount = 24;
  BITMAPFILEHEADER file = {};
  file.bfType = 0x4D42;
  file.bfOffBits = sizeof file + sizeof info;
  file.bfSize = file.bfOffBits + static_cast<DWORD>(p.bgr.size());
  if (FILE* f = std::fopen(path.c_str(), "wb")) {
    std::fwrite(&file, sizeof file, 1, f);
    std::fwrite(&info, sizeof info, 1, f);
    std::fwrite(p.bgr.data(), 1, p.bgr.size(), f);
    std::fclose(f);
  }
}
