#include "framework/units_win.h"

#include <cstring>

#include "framework/units.h"

// When the user changed the edit, its commas become points; the text is then
// written back, marked unchanged and the caret put at its end, so typing goes
// on where it was. Text without commas keeps its modified flag. Answers the
// number of commas replaced.
int units_fix_decimal_comma(HWND dialog, int edit_id) {
  HWND edit = GetDlgItem(dialog, edit_id);
  if (!edit || !SendMessageA(edit, EM_GETMODIFY, 0, 0)) return 0;
  char text[257] = {0};
  GetWindowTextA(edit, text, 257);
  int replaced = units_fix_decimal_comma(text);
  if (!replaced) return 0;
  SetWindowTextA(edit, text);
  SendMessageA(edit, EM_SETMODIFY, FALSE, 0);
  WPARAM length = static_cast<WPARAM>(std::strlen(text));
  SendMessageA(edit, EM_SETSEL, length, static_cast<LPARAM>(length));
  return replaced;
}
