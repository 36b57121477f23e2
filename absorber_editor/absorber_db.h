// The absorber-database editor's table, file name and modified flag, and
// what it does to them: open, save, records stored, deleted and sorted,
// coefficient entry, the title, and the cells of the printed list.
#pragma once
#include <cstddef>
#include <string>
#include <vector>

#include "materials/material.h"

constexpr const char* ABSED_TITLE_TEXT = "Orvante Absorber Datenbank 2.90";
constexpr const char* ABSED_EXTENSION = ".OAB";
constexpr const char* ABSED_MSG_BAD_DATABASE = "Ungültige Datenbank";
constexpr const char* ABSED_MSG_BAD_COEFFICIENT = "Koeffizienten nur von 0...1 gültig";
constexpr const char* ABSED_MSG_CAPACITY = "Die Kapazität der Datenbank ist auf 200 Materialien begrenzt";
constexpr const char* ABSED_MSG_CUT = "Die Datei enthält mehr als 200 Materialien; nur die ersten 200 wurden gelesen.";
constexpr const char* ABSED_MSG_SAVE_FAILED = "Kann Datei nicht speichern -Schreibschutz?";
constexpr int ABSED_ROWS_PER_PAGE = 28;
constexpr int ABSED_PRINT_CATEGORY_CUT = 40;

extern MaterialTable g_absed_table;
extern char g_absed_file_name[256];  // empty for a new database
extern bool g_absed_modified;

// "Orvante Absorber Datenbank 2.90" followed directly by path (may be empty).
std::string absed_title(const char* path);

// Appends ".OAB" unless the name already ends in it in any case.
bool absed_ensure_extension(char* path, size_t capacity);

// New database: empty table and file name; the modified flag is left alone.
void absed_new_database();

enum class AbsedOpen { opened, cut, rejected, cannot_open };
// Reads path into the table. Only a readable file of the right kind changes
// table and file name; a longer file gives its first 200 records (cut).
// Records with coefficients outside 0...1 are taken as they stand so that
// they can be corrected (absed_records_out_of_range names them).
AbsedOpen absed_open_file(const char* path);

// Indexes of the records holding a coefficient outside 0...1 or one that is
// not a number, in table order.
std::vector<int> absed_records_out_of_range();
// What the editor says about them: on opening (correct them) and when a
// save is refused. Records named by number (1-based, as printed) and name.
std::string absed_out_of_range_message(const std::vector<int>& records, bool saving);

// Writes the table to path through a temporary file, the old file kept as
// <name>_old.OAB; on success the modified flag is cleared and the file name
// becomes path, on failure both stay. A table holding a coefficient outside
// 0...1 is never written.
bool absed_save_file(const char* path);

// Reads one coefficient as typed ("0,75" as 0.75); false unless it is a
// number in 0...1.
bool absed_parse_coefficient(const char* text, float* value);

// Stores the texts (cut to 21 / 79 / 79 characters) and the coefficients in
// the record at index; index == count appends. False when the index is out
// of range or the table is full. Sets the modified flag.
bool absed_store_record(int index, const char* name, const char* description, const char* category,
                        const float* coefficients);

// Removes the record; returns the index to select afterwards (-1 when the
// table is now empty) or -2 when there is no such record. Sets the modified flag.
int absed_delete_record(int index);

// Orders: by category (case-insensitive), then name; by name, then category
// (case-insensitive). Names compare byte by byte, as the design program
// matches them. Equal records compare 0 and keep their order.
int absed_compare_by_category(const MaterialRecord& a, const MaterialRecord& b);
int absed_compare_by_name(const MaterialRecord& a, const MaterialRecord& b);
void absed_sort_by_category();
void absed_sort_by_name();

// Printed list.
enum class AbsedAlign { left, centre, right };
struct AbsedPrintCell {
  int left, right, top, bottom;
  AbsedAlign align;
  std::string text;
};
// Character height a and width b for the printer's horizontal resolution.
void absed_print_char_size(int horz_res, int* a, int* b);
// The page header's texts and column heads.
std::vector<AbsedPrintCell> absed_print_header_cells(int a, int b, int page, int horz_res);
// The cells of record index (0-based) printed in the row at y.
std::vector<AbsedPrintCell> absed_print_row_cells(int index, const MaterialRecord& record, int y, int a, int b);
// Top of the row the record at index takes on its page.
int absed_print_row_y(int index, int a);
