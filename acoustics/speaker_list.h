// The loudspeaker list: one row per placed loudspeaker sorted by position,
// the row texts, the power totals per band, the type replacement of one row
// or of every row of a type, and the cells of the printed list.
#pragma once
#include <cstddef>

struct PlacedSpeaker;
struct SpeakerHead;

constexpr int SPK_LIST_ROWS_PER_PAGE = 44;
constexpr float SPK_LIST_RESET_GAIN_DB = -9.0f;

// The list table, valid while the list is open: rows point at the blocks of
// the placed loudspeakers.
extern PlacedSpeaker** g_spk_list;
extern int g_spk_list_count;

int spk_list_fill();
void spk_list_free();
int spk_compare_by_position(const void* first, const void* second);
void spk_sort_list();
void spk_format_list_row(char* text, size_t capacity, int row);
void spk_list_power_totals(float electrical[7], float acoustic[7]);
float spk_list_shown_power(const PlacedSpeaker& ps, int band);

void spk_list_reset_bands(PlacedSpeaker& ps, const SpeakerHead& head);
int spk_list_change_type(int row, const char* type_name);
int spk_list_replace_type(int row, const char* type_name, void (*changed)(int row));

// Printout layout: text cells of one line, with alignment.
enum SpkCellAlign : int { SPK_CELL_LEFT = 0, SPK_CELL_CENTRE = 1, SPK_CELL_RIGHT = 2 };
struct SpkPrintCell {
  int left, right;
  int align;
  char text[48];
};
constexpr int SPK_LIST_MAX_CELLS = 24;
constexpr int SPK_LIST_MARGIN = 100;

void spk_list_char_size(int horz_res, int* line_height, int* char_width);
int spk_list_page_of_row(int row);
int spk_list_row_top(int row, int line_height);
int spk_list_page_head_cells(int page, const char* project_name, int char_width, SpkPrintCell* cells);
int spk_list_title_cells(int char_width, SpkPrintCell* cells);
int spk_list_row_cells(int row, int char_width, SpkPrintCell* cells);
int spk_list_total_cells(const char* label, const float totals[7], int wide_figures, int char_width,
                         SpkPrintCell* cells);
int spk_list_frame_right(int char_width);

// The list dialog "SPKRLIST_DLG" that the design program and the viewer share
// (Windows only, speaker_list_win.cpp): each program passes its own dialog
// procedure, which hands what it does not handle to spk_list_common_proc.
void spk_set_list_selection(int row, int on);
void spk_print_list();
