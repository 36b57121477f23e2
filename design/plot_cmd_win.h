// The print and plot command of the design program (menu 103): printer and
// print parameters, the page frame or window, and the drawing rendered on the
// printer with the triple border and the title block.
#pragma once
#include <windows.h>

void plot_command();
int plot_parameters_dialog(unsigned* metres, unsigned* millimetres, int* mode);
INT_PTR CALLBACK plot_parameters_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);
void plot_caption_dialog(HWND parent);
INT_PTR CALLBACK plot_caption_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);
