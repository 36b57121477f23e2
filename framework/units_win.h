// Decimal-comma fix on a dialog's edit control.
#pragma once
#include <windows.h>

int units_fix_decimal_comma(HWND dialog, int edit_id);
