// Whether the controls of a dialog show their whole text: the text's extent
// in the control's own font against the room the control gives it (its
// client width, less an edit's margins). Fonts differ between systems, so
// this compares sizes, never pixels of text.
#pragma once
#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

namespace text_fit {

inline int extent(HWND control, const std::string& text) {
  HDC dc = GetDC(control);
  HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageA(control, WM_GETFONT, 0, 0)));
  SIZE size = {};
  GetTextExtentPoint32A(dc, text.c_str(), int(text.size()), &size);
  SelectObject(dc, old);
  ReleaseDC(control, dc);
  return size.cx;
}

inline std::string text_of(HWND control) {
  char text[256] = "";
  GetWindowTextA(control, text, sizeof text);
  return text;
}

// The width the control has for one line of its text; 0 for controls
// whose text is not a line of their own (lists, group frames).
inline int room(HWND control) {
  char cls[16] = "";
  GetClassNameA(control, cls, sizeof cls);
  RECT client;
  GetClientRect(control, &client);
  if (lstrcmpiA(cls, "Edit") == 0) {
    DWORD margins = DWORD(SendMessageA(control, EM_GETMARGINS, 0, 0));
    return client.right - LOWORD(margins) - HIWORD(margins);
  }
  if (lstrcmpiA(cls, "Static") == 0) return client.right;
  if (lstrcmpiA(cls, "Button") == 0) {
    LONG type = GetWindowLongA(control, GWL_STYLE) & BS_TYPEMASK;
    if (type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON) return client.right - 4 * GetSystemMetrics(SM_CXEDGE);
  }
  return 0;
}

// "id "text": extent > room" for every control of the dialog whose text is cut.
inline std::vector<std::string> cut_texts(HWND dialog) {
  std::vector<std::string> cut;
  for (HWND c = GetWindow(dialog, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
    int width = room(c);
    std::string text = text_of(c);
    if (!width || text.empty()) continue;
    int needed = extent(c, text);
    if (needed > width)
      cut.push_back(std::to_string(GetDlgCtrlID(c)) + " \"" + text + "\": " + std::to_string(needed) + " > " +
                    std::to_string(width));
  }
  return cut;
}

}  // namespace text_fit
