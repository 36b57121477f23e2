#include "absorber_editor/absorber_db.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

// One record image built by hand: name at 0, description at 23, the seven
// coefficients from 112, the category at 148.
std::vector<uint8_t> record_image(const char* name, const char* category, float alpha) {
  std::vector<uint8_t> image(256, 0);
  std::memcpy(image.data(), name, std::strlen(name));
  std::memcpy(image.data() + 148, category, std::strlen(category));
  for (int band = 0; band < 7; ++band) {
    uint32_t bits;
    std::memcpy(&bits, &alpha, 4);
    for (int i = 0; i < 4; ++i) image[112 + 4 * band + i] = uint8_t(bits >> (8 * i));
  }
  return image;
}

std::vector<uint8_t> database_bytes(int records, float alpha = 0.5f) {
  std::vector<uint8_t> bytes(32, 0);
  std::memcpy(bytes.data(), "ORVANTE ABSORBER DATABASE V1.1", 30);
  for (int k = 0; k < records; ++k) {
    std::string name = "M" + std::to_string(k);
    std::vector<uint8_t> image = record_image(name.c_str(), "Wand", alpha);
    bytes.insert(bytes.end(), image.begin(), image.end());
  }
  return bytes;
}

class AbsorberDbTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = ::testing::TempDir();
    path_ = dir_ + "absed_test.OAB";
    std::remove(path_.c_str());
    std::remove((dir_ + "absed_test_old.OAB").c_str());
    absed_new_database();
    g_absed_modified = false;
  }
  void write(const std::vector<uint8_t>& bytes) {
    std::FILE* f = std::fopen(path_.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
  }
  long file_size(const std::string& path) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return -1;
    std::fseek(f, 0, SEEK_END);
    long size = std::ftell(f);
    std::fclose(f);
    return size;
  }
  void add(const char* name, const char* category) {
    const float alpha[7] = {0.1f, 0.2f, 0.3f, 0.4f, 0.5f, 0.6f, 0.7f};
    ASSERT_TRUE(absed_store_record(g_absed_table.count, name, "", category, alpha));
  }
  std::string dir_, path_;
};

TEST_F(AbsorberDbTest, OpenTakesSoundFilesOnlyAndCutsLongOnes) {
  std::vector<uint8_t> partial = database_bytes(3);
  partial.resize(partial.size() + 100, 0x77);  // a trailing partial record
  std::vector<uint8_t> ident = database_bytes(3);
  ident[7] = 'X';
  std::vector<uint8_t> coefficient = database_bytes(2, 1.5f);
  struct Case {
    const char* what;
    std::vector<uint8_t> bytes;
    AbsedOpen result;
    int count;
  } cases[] = {
      {"3 records and 100 bytes", partial, AbsedOpen::opened, 3},
      {"changed identification byte", ident, AbsedOpen::rejected, 1},
      {"coefficient above 1", coefficient, AbsedOpen::opened, 2},  // taken to be corrected
      {"header cut short", std::vector<uint8_t>(partial.begin(), partial.begin() + 20), AbsedOpen::rejected, 1},
      {"201 records", database_bytes(201), AbsedOpen::cut, 200},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    absed_new_database();
    std::strcpy(g_absed_file_name, "before.OAB");
    add("Alt", "Wand");  // what a rejected file must leave
    write(c.bytes);
    EXPECT_EQ(absed_open_file(path_.c_str()), c.result);
    EXPECT_EQ(g_absed_table.count, c.count);
    bool taken = c.result == AbsedOpen::opened || c.result == AbsedOpen::cut;
    EXPECT_STREQ(g_absed_file_name, taken ? path_.c_str() : "before.OAB");
    EXPECT_STREQ(g_absed_table.records[0].name, taken ? "M0" : "Alt");
  }
  EXPECT_EQ(absed_open_file((dir_ + "missing.OAB").c_str()), AbsedOpen::cannot_open);
}

// Coefficients outside 0...1 (or not numbers) in a file: the file opens,
// its records are named, and the table is not saved until they are mended.
TEST_F(AbsorberDbTest, OutOfRangeCoefficientsOpenAreNamedAndBlockTheSave) {
  std::vector<uint8_t> bytes = database_bytes(0);
  const float values[] = {0.5f, 1.5f, 0.25f, std::nanf(""), -0.25f};
  for (int k = 0; k < 5; ++k) {
    std::string name = "M" + std::to_string(k);
    std::vector<uint8_t> image = record_image(name.c_str(), "Wand", 0.5f);
    if (k > 0) {
      std::vector<uint8_t> one = record_image(name.c_str(), "Wand", values[k]);
      std::copy(one.begin() + 112 + 4 * 3, one.begin() + 112 + 4 * 4, image.begin() + 112 + 4 * 3);  // band 3 only
    }
    bytes.insert(bytes.end(), image.begin(), image.end());
  }
  write(bytes);
  ASSERT_EQ(absed_open_file(path_.c_str()), AbsedOpen::opened);
  ASSERT_EQ(g_absed_table.count, 5);
  EXPECT_FLOAT_EQ(g_absed_table.records[1].absorption[3], 1.5f);  // as it stands, to be corrected
  EXPECT_EQ(absed_records_out_of_range(), (std::vector<int>{1, 3, 4}));
  const std::string said = absed_out_of_range_message(absed_records_out_of_range(), false);
  EXPECT_NE(said.find("Nr. 2 (M1), Nr. 4 (M3), Nr. 5 (M4)"), std::string::npos) << said;
  EXPECT_EQ(said.find("M2"), std::string::npos) << said;

  const std::string saved = dir_ + "absed_test_range.OAB";
  std::remove(saved.c_str());
  EXPECT_FALSE(absed_save_file(saved.c_str()));
  EXPECT_EQ(file_size(saved), -1);
  for (int k : {1, 3, 4}) g_absed_table.records[k].absorption[3] = 0.4f;
  EXPECT_TRUE(absed_records_out_of_range().empty());
  EXPECT_TRUE(absed_save_file(saved.c_str()));
  MaterialTable reread{};
  EXPECT_EQ(mat_read_absorber_file(saved.c_str(), reread), AbsorberDbStatus::ok);  // the design program takes it
  std::remove(saved.c_str());
}

TEST_F(AbsorberDbTest, SaveWritesHeaderAndRecordsKeepsBackupAndReopens) {
  add("Beton", "Wand");
  add("Teppich", "Boden");
  ASSERT_TRUE(absed_save_file(path_.c_str()));
  EXPECT_FALSE(g_absed_modified);
  EXPECT_EQ(file_size(path_), 32 + 256 * 2);
  add("Vorhang", "Textil");
  ASSERT_TRUE(absed_save_file(path_.c_str()));
  EXPECT_EQ(file_size(path_), 32 + 256 * 3);
  EXPECT_EQ(file_size(dir_ + "absed_test_old.OAB"), 32 + 256 * 2);  // the previous file
  MaterialTable reread{};
  ASSERT_EQ(mat_read_absorber_file(path_.c_str(), reread), AbsorberDbStatus::ok);  // the design program's reader
  EXPECT_EQ(reread.count, 3);
  EXPECT_STREQ(reread.records[2].name, "Vorhang");
  EXPECT_FLOAT_EQ(reread.records[2].absorption[6], 0.7f);
  EXPECT_STREQ(g_absed_file_name, path_.c_str());
}

TEST_F(AbsorberDbTest, FailedSaveKeepsModifiedFlagAndName) {
  add("Beton", "Wand");
  std::strcpy(g_absed_file_name, "kept.OAB");
  EXPECT_FALSE(absed_save_file((dir_ + "no_such_dir/x.OAB").c_str()));
  EXPECT_TRUE(g_absed_modified);
  EXPECT_STREQ(g_absed_file_name, "kept.OAB");
}

TEST_F(AbsorberDbTest, CoefficientEntry) {
  struct Case {
    const char* text;
    bool ok;
    float value;
  } cases[] = {{"0,75", true, 0.75f}, {"0.5", true, 0.5f}, {"1", true, 1.0f}, {"0", true, 0.0f},
               {"1.01", false, 0}, {"-0.1", false, 0}, {"abc", false, 0}, {"", false, 0}, {"nan", false, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    float value = -1;
    EXPECT_EQ(absed_parse_coefficient(c.text, &value), c.ok);
    if (c.ok) {
      EXPECT_FLOAT_EQ(value, c.value);
    }
  }
}

TEST_F(AbsorberDbTest, StoreCutsTextsAndRefusesAFullTable) {
  const float alpha[7] = {};
  std::string long_text(120, 'x');
  ASSERT_TRUE(absed_store_record(0, long_text.c_str(), long_text.c_str(), long_text.c_str(), alpha));
  EXPECT_EQ(std::strlen(g_absed_table.records[0].name), 21u);
  EXPECT_EQ(std::strlen(g_absed_table.records[0].description), 79u);
  EXPECT_EQ(std::strlen(g_absed_table.records[0].category), 79u);
  EXPECT_TRUE(g_absed_modified);
  EXPECT_FALSE(absed_store_record(5, "gap", "", "", alpha));
  while (g_absed_table.count < MAX_MATERIALS) add("x", "y");
  EXPECT_FALSE(absed_store_record(MAX_MATERIALS, "one more", "", "", alpha));
  EXPECT_EQ(g_absed_table.count, MAX_MATERIALS);
}

TEST_F(AbsorberDbTest, DeleteSelectsTheFollowingOrNewLastRecord) {
  add("A", "1");
  add("B", "1");
  add("C", "1");
  g_absed_modified = false;
  EXPECT_EQ(absed_delete_record(1), 1);
  EXPECT_TRUE(g_absed_modified);
  EXPECT_STREQ(g_absed_table.records[1].name, "C");
  EXPECT_EQ(absed_delete_record(1), 0);  // the last one: the new last is selected
  EXPECT_EQ(absed_delete_record(3), -2);
  EXPECT_EQ(absed_delete_record(0), -1);
  EXPECT_EQ(g_absed_table.count, 0);
  EXPECT_EQ(absed_delete_record(0), -2);  // nothing to delete in an empty table
}

std::string names() {
  std::string out;
  for (int k = 0; k < g_absed_table.count; ++k) out += std::string(g_absed_table.records[k].name) + ",";
  return out;
}

TEST_F(AbsorberDbTest, SortsByNameAndByCategoryAndSetModified) {
  add("beton", "Wand");
  add("Teppich", "boden");
  add("Alu", "Wand");
  add("Beton", "Decke");
  add("Beton", "Decke");  // equal records keep their order, no undefined behaviour
  g_absed_table.records[4].description[0] = 'z';
  g_absed_modified = false;
  absed_sort_by_name();
  EXPECT_TRUE(g_absed_modified);
  EXPECT_EQ(names(), "Alu,Beton,Beton,Teppich,beton,");  // names byte by byte
  EXPECT_EQ(g_absed_table.records[2].description[0], 'z');
  absed_sort_by_category();
  EXPECT_EQ(names(), "Teppich,Beton,Beton,Alu,beton,");
  EXPECT_LT(absed_compare_by_name(g_absed_table.records[3], g_absed_table.records[4]), 0);
  EXPECT_EQ(absed_compare_by_category(g_absed_table.records[1], g_absed_table.records[2]), 0);
}

TEST(AbsorberCompare, NamesByByteCategoriesWithoutCase) {
  struct Case {
    const char *name_a, *category_a, *name_b, *category_b;
    int by_name, by_category;  // sign of the comparison
  } cases[] = {
      {"Beton", "Wand", "beton", "Wand", -1, -1},   // two materials to the design program
      {"Beton", "wand", "Beton", "Wand", 0, 0},     // categories ignore case
      {"Beton", "Decke", "Alu", "Wand", 1, -1},     // the first key decides
      {"Alu", "Wand", "Alu", "Boden", 1, 1},        // the second on a tie
      {"\xc4rmel", "W", "Zink", "W", 1, 1},         // bytes above 127 after the letters
      {"Alu", "", "Alu", "", 0, 0},
  };
  auto sign = [](int v) { return (v > 0) - (v < 0); };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.name_a) + "/" + c.category_a + " : " + c.name_b + "/" + c.category_b);
    MaterialRecord a{}, b{};
    std::strcpy(a.name, c.name_a);
    std::strcpy(a.category, c.category_a);
    std::strcpy(b.name, c.name_b);
    std::strcpy(b.category, c.category_b);
    EXPECT_EQ(sign(absed_compare_by_name(a, b)), c.by_name);
    EXPECT_EQ(sign(absed_compare_by_category(a, b)), c.by_category);
    EXPECT_EQ(sign(absed_compare_by_name(b, a)), -c.by_name);
    EXPECT_EQ(sign(absed_compare_by_category(b, a)), -c.by_category);
  }
}

TEST_F(AbsorberDbTest, TitleAndExtension) {
  EXPECT_EQ(absed_title(""), "Orvante Absorber Datenbank 2.90");
  EXPECT_EQ(absed_title("C:\\A.OAB"), "Orvante Absorber Datenbank 2.90C:\\A.OAB");
  struct Case {
    const char* in;
    const char* out;
  } cases[] = {{"C:\\db", "C:\\db.OAB"}, {"C:\\db.oab", "C:\\db.oab"}, {"C:\\db.OAB", "C:\\db.OAB"}};
  for (const Case& c : cases) {
    char path[64];
    std::strcpy(path, c.in);
    ASSERT_TRUE(absed_ensure_extension(path, sizeof path));
    EXPECT_STREQ(path, c.out);
  }
}

TEST(AbsorberPrintLayout, CharacterSizesRowsAndCells) {
  struct Size {
    int horz_res, a, b;
  } sizes[] = {{4600, 72, 32}, {4599, 36, 16}, {2300, 36, 16}, {2299, 18, 8}};
  for (const Size& s : sizes) {
    int a = 0, b = 0;
    absed_print_char_size(s.horz_res, &a, &b);
    EXPECT_EQ(a, s.a) << s.horz_res;
    EXPECT_EQ(b, s.b) << s.horz_res;
  }
  EXPECT_EQ(absed_print_row_y(0, 36), 144);
  EXPECT_EQ(absed_print_row_y(27, 36), 144 + 27 * 80);
  EXPECT_EQ(absed_print_row_y(28, 36), 144);  // the 29th starts the next page

  MaterialRecord record{};
  std::strcpy(record.name, "Beton");
  std::string category(50, 'k');
  category[40] = 'Z';
  std::strcpy(record.category, category.c_str());
  for (int k = 0; k < 7; ++k) record.absorption[k] = 0.05f * k;
  std::vector<AbsedPrintCell> cells = absed_print_row_cells(6, record, 200, 36, 16);
  ASSERT_EQ(cells.size(), 1u + 1 + 1 + 2 + 7);
  EXPECT_EQ(cells[0].text, "  7");
  EXPECT_EQ(cells[0].align, AbsedAlign::right);
  EXPECT_EQ(cells[0].left, 16);
  EXPECT_EQ(cells[0].right, 80);
  EXPECT_EQ(cells[1].left, 96);
  EXPECT_EQ(cells[3].text, std::string(40, 'k'));
  EXPECT_EQ(cells[4].text, "Z" + std::string(9, 'k'));
  EXPECT_EQ(cells[4].top, 200 + 36 + 4);
  EXPECT_EQ(cells[4].left, 110 * 16);
  EXPECT_EQ(cells[11].text, "0.30");
  EXPECT_EQ(cells[11].left, (154 + 42) * 16);
  EXPECT_EQ(cells[11].right, (159 + 42) * 16);

  std::strcpy(g_absed_file_name, "C:\\db.OAB");
  std::vector<AbsedPrintCell> head = absed_print_header_cells(36, 16, 3, 3000);
  ASSERT_EQ(head.size(), 3u + 4 + 7);
  EXPECT_EQ(head[1].text, "Seite 3");
  EXPECT_EQ(head[1].align, AbsedAlign::right);
  EXPECT_EQ(head[2].text, "C:\\db.OAB");
  EXPECT_EQ(head[2].bottom, 38);
  EXPECT_EQ(head[6].right, 150 * 16);
  EXPECT_EQ(head[13].text, "8 kHz");
  EXPECT_EQ(head[13].left, 196 * 16);
  EXPECT_EQ(head[13].right, 202 * 16);
}

}  // namespace
