#include "absorber_editor/absorber_db.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>

#include "framework/file_ext.h"
#include "framework/le_bytes.h"
#include "framework/units.h"

MaterialTable g_absed_table;
char g_absed_file_name[256];
bool g_absed_modified;

namespace {

// Case-insensitive in the ASCII range; bytes above it compare as they stand.
int compare_text_nocase(const char* a, const char* b) {
  for (;; ++a, ++b) {
    int ca = std::tolower(static_cast<unsigned char>(*a));
    int cb = std::tolower(static_cast<unsigned char>(*b));
    if (ca != cb || ca == 0) return ca - cb;
  }
}

// Names as the design program tells materials apart: byte by byte (as
// unsigned bytes), so that "Beton" and "beton" are two materials in a fixed
// order.
int compare_name(const char* a, const char* b) { return std::strcmp(a, b); }

void copy_field(char* field, size_t size, const char* text, size_t max_chars) {
  std::memset(field, 0, size);
  std::snprintf(field, std::min(size, max_chars + 1), "%s", text ? text : "");
}

int table_count() {
  int count = g_absed_table.count;
  return count < 0 ? 0 : std::min(count, MAX_MATERIALS);
}

template <typename Less>
void sort_table(Less less) {
  // Stable: records that compare equal keep the order they had.
  std::stable_sort(g_absed_table.records, g_absed_table.records + table_count(), less);
  g_absed_modified = true;
}

std::string coefficient_text(float value) {
  char text[32];
  std::snprintf(text, sizeof text, "%1.2f", static_cast<double>(value));
  return text;
}

}  // namespace

std::string absed_title(const char* path) { return std::string(ABSED_TITLE_TEXT) + (path ? path : ""); }

bool absed_ensure_extension(char* path, size_t capacity) { return file_ext_ensure(path, capacity, ABSED_EXTENSION); }

void absed_new_database() {
  std::memset(&g_absed_table, 0, sizeof g_absed_table);
  g_absed_file_name[0] = 0;
}

AbsedOpen absed_open_file(const char* path) {
  switch (mat_read_absorber_file(path, g_absed_table, AbsorberDbOverflow::keep_first, AbsorberDbRange::keep)) {
    case AbsorberDbStatus::cannot_open:
      return AbsedOpen::cannot_open;
    case AbsorberDbStatus::ok:
      std::snprintf(g_absed_file_name, sizeof g_absed_file_name, "%s", path);
      return AbsedOpen::opened;
    case AbsorberDbStatus::cut:
      std::snprintf(g_absed_file_name, sizeof g_absed_file_name, "%s", path);
      return AbsedOpen::cut;
    default:
      return AbsedOpen::rejected;
  }
}

std::vector<int> absed_records_out_of_range() {
  std::vector<int> records;
  for (int k = 0; k < table_count(); ++k)
    if (!mat_record_valid(g_absed_table.records[k])) records.push_back(k);
  return records;
}

std::string absed_out_of_range_message(const std::vector<int>& records, bool saving) {
  constexpr size_t named = 10;  // the rest are counted
  std::string list;
  for (size_t i = 0; i < records.size() && i < named; ++i) {
    const int k = records[i];
    if (i > 0) list += ", ";
    list += "Nr. " + std::to_string(k + 1) + " (" + g_absed_table.records[k].name + ")";
  }
  if (records.size() > named) list += " und " + std::to_string(records.size() - named) + " weitere";
  if (saving)
    return "Die Datenbank wurde nicht gespeichert: Koeffizienten außerhalb 0...1 in " + list + ".";
  return "Koeffizienten außerhalb 0...1 in " + list +
         ". Bitte die Datensätze korrigieren; vorher kann die Datenbank nicht gespeichert werden.";
}

bool absed_save_file(const char* path) {
  if (!absed_records_out_of_range().empty()) return false;
  std::vector<uint8_t> bytes = mat_absorber_file_bytes(g_absed_table);
  size_t n = std::strlen(path);
  std::string backup = std::string(path, n >= 4 ? n - 4 : 0) + "_old.OAB";
  constexpr size_t max_copy = size_t(1) << 26;  // an old file of any sane size is kept
  if (le_write_file_safely(path, bytes.data(), bytes.size(), backup.c_str(), max_copy) != LE_SAVED) return false;
  std::snprintf(g_absed_file_name, sizeof g_absed_file_name, "%s", path);
  g_absed_modified = false;
  return true;
}

bool absed_parse_coefficient(const char* text, float* value) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%s", text ? text : "");
  units_fix_decimal_comma(buffer);
  float parsed;
  if (std::sscanf(buffer, "%f", &parsed) != 1) return false;
  if (!(parsed >= 0.0f && parsed <= 1.0f)) return false;  // NaN fails too
  *value = parsed;
  return true;
}

bool absed_store_record(int index, const char* name, const char* description, const char* category,
                        const float* coefficients) {
  int count = table_count();
  if (index < 0 || index > count || index >= MAX_MATERIALS) return false;
  MaterialRecord& record = g_absed_table.records[index];
  if (index == count) std::memset(&record, 0, sizeof record);
  copy_field(record.name, sizeof record.name, name, MATERIAL_NAME_CHARS);
  copy_field(record.description, sizeof record.description, description, MATERIAL_TEXT_CHARS);
  copy_field(record.category, sizeof record.category, category, MATERIAL_TEXT_CHARS);
  for (int band = 0; band < MATERIAL_BANDS; ++band) record.absorption[band] = coefficients[band];
  if (index == count) g_absed_table.count = static_cast<int16_t>(count + 1);
  g_absed_modified = true;
  return true;
}

int absed_delete_record(int index) {
  int count = table_count();
  if (index < 0 || index >= count) return -2;
  std::memmove(&g_absed_table.records[index], &g_absed_table.records[index + 1],
               sizeof(MaterialRecord) * size_t(count - index - 1));
  std::memset(&g_absed_table.records[count - 1], 0, sizeof(MaterialRecord));
  g_absed_table.count = static_cast<int16_t>(--count);
  g_absed_modified = true;
  if (count == 0) return -1;
  return std::min(index, count - 1);
}

int absed_compare_by_category(const MaterialRecord& a, const MaterialRecord& b) {
  int by_category = compare_text_nocase(a.category, b.category);
  return by_category != 0 ? by_category : compare_name(a.name, b.name);
}

int absed_compare_by_name(const MaterialRecord& a, const MaterialRecord& b) {
  int by_name = compare_name(a.name, b.name);
  return by_name != 0 ? by_name : compare_text_nocase(a.category, b.category);
}

void absed_sort_by_category() {
  sort_table([](const MaterialRecord& a, const MaterialRecord& b) { return absed_compare_by_category(a, b) < 0; });
}

void absed_sort_by_name() {
  sort_table([](const MaterialRecord& a, const MaterialRecord& b) { return absed_compare_by_name(a, b) < 0; });
}

void absed_print_char_size(int horz_res, int* a, int* b) {
  if (horz_res >= 4600) {
    *a = 72, *b = 32;
  } else if (horz_res < 2300) {
    *a = 18, *b = 8;
  } else {
    *a = 36, *b = 16;
  }
}

int absed_print_row_y(int index, int a) { return 4 * a + (index % ABSED_ROWS_PER_PAGE) * (2 * a + 8); }

std::vector<AbsedPrintCell> absed_print_header_cells(int a, int b, int page, int horz_res) {
  static const char* const band_heads[MATERIAL_BANDS] = {"125", "250", "500", "1 k", "2 k", "4 k", "8 kHz"};
  std::vector<AbsedPrintCell> cells;
  const int band_top = a + 2;
  cells.push_back({0, horz_res, 0, band_top, AbsedAlign::left, ABSED_TITLE_TEXT});
  cells.push_back({0, horz_res, 0, band_top, AbsedAlign::right, "Seite " + std::to_string(page)});
  cells.push_back({0, horz_res, 0, band_top, AbsedAlign::centre, g_absed_file_name});
  const int top = 2 * a, bottom = 3 * a + 1;
  cells.push_back({b, 5 * b, top, bottom, AbsedAlign::left, "Nr."});
  cells.push_back({6 * b, 27 * b, top, bottom, AbsedAlign::left, "Material"});
  cells.push_back({28 * b, 109 * b, top, bottom, AbsedAlign::left, "Beschreibung"});
  cells.push_back({110 * b, 150 * b, top, bottom, AbsedAlign::left, "Kategorie"});
  for (int k = 0; k < MATERIAL_BANDS - 1; ++k)
    cells.push_back({154 * b + 7 * k * b, 159 * b + 7 * k * b, top, bottom, AbsedAlign::right, band_heads[k]});
  cells.push_back({196 * b, 202 * b, top, bottom, AbsedAlign::right, band_heads[MATERIAL_BANDS - 1]});
  return cells;
}

std::vector<AbsedPrintCell> absed_print_row_cells(int index, const MaterialRecord& record, int y, int a, int b) {
  std::vector<AbsedPrintCell> cells;
  char number[16];
  std::snprintf(number, sizeof number, "%3d", index + 1);
  cells.push_back({b, 5 * b, y, y + a, AbsedAlign::right, number});
  cells.push_back({6 * b, 27 * b, y, y + a, AbsedAlign::left, record.name});
  cells.push_back({28 * b, 109 * b, y, y + a, AbsedAlign::left, record.description});
  std::string category = record.category;
  if (category.size() > size_t(ABSED_PRINT_CATEGORY_CUT)) {
    cells.push_back({110 * b, 153 * b, y, y + a, AbsedAlign::left, category.substr(0, ABSED_PRINT_CATEGORY_CUT)});
    const int second = y + a + 4;
    cells.push_back(
        {110 * b, 153 * b, second, second + a, AbsedAlign::left, category.substr(ABSED_PRINT_CATEGORY_CUT)});
  } else {
    cells.push_back({110 * b, 153 * b, y, y + a, AbsedAlign::left, category});
  }
  for (int k = 0; k < MATERIAL_BANDS; ++k)
    cells.push_back({154 * b + 7 * k * b, 159 * b + 7 * k * b, y, y + a, AbsedAlign::right,
                     coefficient_text(record.absorption[k])});
  return cells;
}
