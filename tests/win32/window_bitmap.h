// A window's client area read back as pixels, to check what a test drew and
// to save it as a 24-bit BMP file for looking at it.
#pragma once
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

struct WindowPixels {
  int width = 0, height = 0, stride = 0;
  std::vector<unsigned char> bgr;  // rows bottom-up, each padded to 4 bytes

  COLORREF at(int x, int y) const {
    if (x < 0 || y < 0 || x >= width || y >= height) return CLR_INVALID;
    const unsigned char* p = &bgr[static_cast<size_t>(height - 1 - y) * stride + 3 * x];
    return RGB(p[2], p[1], p[0]);
  }
  // Some pixel within r of (x, y) has another colour than `colour`.
  bool differs_near(int x, int y, int r, COLORREF colour) const {
    for (int dy = -r; dy <= r; ++dy)
      for (int dx = -r; dx <= r; ++dx) {
        COLORREF c = at(x + dx, y + dy);
        if (c != CLR_INVALID && c != colour) return true;
      }
    return false;
  }
};

inline void size_pixels(WindowPixels& pixels, int width, int height) {
  pixels.width = width;
  pixels.height = height;
  pixels.stride = (width * 3 + 3) & ~3;
  pixels.bgr.resize(static_cast<size_t>(pixels.stride) * height);
}

// The 24-bit bottom-up layout of the pixels, for GetDIBits and BMP files.
inline BITMAPINFOHEADER bgr_header(const WindowPixels& pixels) {
  BITMAPINFOHEADER info = {};
  info.biSize = sizeof info;
  info.biWidth = pixels.width;
  info.biHeight = pixels.height;
  info.biPlanes = 1;
  info.biBitCount = 24;
  return info;
}

inline WindowPixels capture_window(HWND window) {
  WindowPixels shot;
  RECT r;
  GetClientRect(window, &r);
  size_pixels(shot, r.right, r.bottom);
  HDC dc = GetDC(window);
  HDC memory = CreateCompatibleDC(dc);
  HBITMAP bitmap = CreateCompatibleBitmap(dc, shot.width, shot.height);
  HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, shot.width, shot.height, dc, 0, 0, SRCCOPY);
  SelectObject(memory, old);
  BITMAPINFOHEADER info = bgr_header(shot);
  GetDIBits(memory, bitmap, 0, shot.height, shot.bgr.data(), reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(window, dc);
  return shot;
}

inline void save_window_bitmap(const WindowPixels& shot, const std::string& path) {
  BITMAPINFOHEADER info = bgr_header(shot);
  BITMAPFILEHEADER file = {};
  file.bfType = 0x4D42;
  file.bfOffBits = sizeof file + sizeof info;
  file.bfSize = file.bfOffBits + static_cast<DWORD>(shot.bgr.size());
  if (FILE* f = std::fopen(path.c_str(), "wb")) {
    std::fwrite(&file, sizeof file, 1, f);
    std::fwrite(&info, sizeof info, 1, f);
    std::fwrite(shot.bgr.data(), 1, shot.bgr.size(), f);
    std::fclose(f);
  }
}

// Saves the window's client area as a BMP file.
inline void save_window_bitmap(HWND window, const std::string& path) { save_window_bitmap(capture_window(window), path); }

// How many pixels of two pictures of the same size differ.
inline int pixels_differing(const WindowPixels& a, const WindowPixels& b) {
  if (a.width != b.width || a.height != b.height) return a.width * a.height;
  int n = 0;
  for (int y = 0; y < a.height; ++y)
    for (int x = 0; x < a.width; ++x) n += a.at(x, y) != b.at(x, y);
  return n;
}

// A bitmap resource of the test executable as pixels (empty when missing).
inline WindowPixels bitmap_resource_pixels(const char* name) {
  WindowPixels picture;
  HBITMAP bitmap = LoadBitmapA(GetModuleHandleA(nullptr), name);
  if (!bitmap) return picture;
  BITMAP info = {};
  GetObjectA(bitmap, sizeof info, &info);
  size_pixels(picture, info.bmWidth, info.bmHeight);
  BITMAPINFOHEADER header = bgr_header(picture);
  HDC screen = GetDC(nullptr);
  GetDIBits(screen, bitmap, 0, picture.height, picture.bgr.data(), reinterpret_cast<BITMAPINFO*>(&header),
            DIB_RGB_COLORS);
  ReleaseDC(nullptr, screen);
  DeleteObject(bitmap);
  return picture;
}

// A start-up picture centred on a window's client area: of the picture's
// pixels other than its background (and outside `covered`, a child window
// over it), how many there are and how many the window shows unchanged.
struct PictureMatch {
  int compared = 0, same = 0;
};
inline PictureMatch centred_picture_match(const WindowPixels& shot, const WindowPixels& picture, COLORREF background,
                                          const RECT& covered = RECT{}) {
  PictureMatch m;
  const int x0 = shot.width / 2 - picture.width / 2, y0 = shot.height / 2 - picture.height / 2;
  for (int y = 0; y < picture.height; ++y)
    for (int x = 0; x < picture.width; ++x) {
      const COLORREF c = picture.at(x, y);
      const POINT p = {x0 + x, y0 + y};
      if (c == background || PtInRect(&covered, p)) continue;
      ++m.compared;
      m.same += shot.at(p.x, p.y) == c;
    }
  return m;
}
