#include "acoustics/ray_file.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "acoustic_model.h"
#include "acoustics/ray_path.h"
#include "acoustics/refl_search.h"
#include "framework/le_bytes.h"

using namespace acoustic_model;

namespace {

// A ray path of k reflections with recognisable values, at the list's head.
DrawObject* add_path(int k, float seed) {
  DrawObject* o = rpath_create(uint32_t(k + 2));
  for (uint32_t i = 0; i < o->node_count; ++i) o->nodes[i] = WorldPoint{seed + float(i), 2.0f * seed, 0.5f * float(i)};
  rpath_set_time_ms(o, 10.0f * seed);
  for (int b = 0; b < RAY_BANDS; ++b) rpath_set_level(o, b, 1.0f + seed + float(b));
  for (uint32_t i = 1; i + 1 < o->node_count; ++i) rpath_set_tag(o, i, uint16_t(i + 3));
  rpath_set_tag(o, o->node_count - 1, PATH_TAG_RECEIVER);
  obj_insert_before(o, g_obj_head);
  return o;
}

std::vector<uint8_t> encode(const char* description, double mean_free_path) {
  ByteWriter out;
  rayfile_encode(description, mean_free_path, out);
  return out.buffer();
}

// Every ray path of the list as its file bytes, one string per path.
std::vector<std::string> paths_in_list() {
  std::vector<std::string> out;
  for (const DrawObject* o = g_obj_head; o; o = o->next) {
    if (o->layer != RAYPATH_LAYER) continue;
    std::string s(static_cast<const char*>(o->aux), o->aux_size);
    s.append(reinterpret_cast<const char*>(o->nodes), o->node_count * sizeof(WorldPoint));
    for (uint32_t i = 0; i < o->element_count; ++i) s += char(o->elements[i].code), s += char(o->elements[i].value);
    out.push_back(s);
  }
  return out;
}

class RayFile : public ::testing::Test {
 protected:
  void SetUp() override {
    clear_model();
    g_refl_mean_free_path = 0.0;
  }
  void TearDown() override { clear_model(); }
};

TEST_F(RayFile, PathsSavedAndLoadedAgainAreTheSame) {
  add_path(3, 2.0f);
  add_path(0, 1.0f);
  add_path(40, 3.0f);  // the highest order
  add_floor(LAYER_ROOM, 0, 1, 0, 1, 0);  // not a path: not written
  std::vector<std::string> saved = paths_in_list();
  std::vector<uint8_t> bytes = encode("Saal, Platz 12", 7.25);
  size_t expected = RAYFILE_HEADER_BYTES;
  for (int k : {40, 0, 3}) expected += 48 + (62 + 2 * (k + 2)) + 16 * (k + 2);
  ASSERT_EQ(bytes.size(), expected);
  EXPECT_STREQ(reinterpret_cast<const char*>(bytes.data()), RAYFILE_ID);
  EXPECT_STREQ(reinterpret_cast<const char*>(bytes.data() + 32), "Saal, Platz 12");

  refl_remove_paths();
  RayFileContents c;
  ASSERT_EQ(rayfile_decode(bytes.data(), bytes.size(), c), RAYFILE_OK);
  EXPECT_EQ(c.count, 3u);
  EXPECT_STREQ(c.description, "Saal, Platz 12");
  rayfile_commit(c);
  EXPECT_EQ(g_refl_mean_free_path, 7.25);
  EXPECT_EQ(g_refl_path_count, 3u);
  EXPECT_EQ(paths_in_list(), saved);
  EXPECT_EQ(g_obj_head->layer, LAYER_ROOM);  // loaded paths go to the tail
  EXPECT_EQ(encode("Saal, Platz 12", 7.25), bytes);
}

TEST_F(RayFile, OnePathEndsTheFileAndALongDescriptionKeepsItsZero) {
  add_path(1, 1.0f);
  std::string long_text(100, 'D');
  std::vector<uint8_t> bytes = encode(long_text.c_str(), 0.0);
  EXPECT_EQ(le_get_u32(&bytes[RAYFILE_HEADER_BYTES + 4]), 0u);  // next word of the only record
  for (size_t i = 32; i < 32 + 79; ++i) EXPECT_EQ(bytes[i], 'D');
  EXPECT_EQ(bytes[32 + 79], 0);
  // A stored description without its zero is cut to 79 characters.
  std::memset(&bytes[32], 'E', 80);
  RayFileContents c;
  ASSERT_EQ(rayfile_decode(bytes.data(), bytes.size(), c), RAYFILE_OK);
  EXPECT_EQ(std::string(c.description), std::string(79, 'E'));
  rayfile_free(c);
}

TEST_F(RayFile, DamagedFilesAreRefusedAndLeaveTheModelAlone) {
  add_path(2, 1.0f);
  add_path(1, 2.0f);
  const std::vector<uint8_t> good = encode("gut", 5.0);
  const size_t first = RAYFILE_HEADER_BYTES;  // the first record's header; the second 164 bytes on
  struct Case {
    const char* name;
    void (*damage)(std::vector<uint8_t>& b, size_t first);
    RayFileResult result;
  } cases[] = {
      {"identification", [](std::vector<uint8_t>& b, size_t) { b[8] = 'X'; }, RAYFILE_NOT_RAY_FILE},
      {"shorter than a header", [](std::vector<uint8_t>& b, size_t) { b.resize(100); }, RAYFILE_NOT_RAY_FILE},
      {"kind", [](std::vector<uint8_t>& b, size_t f) { le_put_u32(&b[f + 20], 8); }, RAYFILE_DAMAGED},
      {"layer", [](std::vector<uint8_t>& b, size_t f) { le_put_u32(&b[f + 32], 0); }, RAYFILE_DAMAGED},
      {"one node", [](std::vector<uint8_t>& b, size_t f) { le_put_u32(&b[f + 36], 1); }, RAYFILE_DAMAGED},
      {"43 nodes", [](std::vector<uint8_t>& b, size_t f) { le_put_u32(&b[f + 36], 43); }, RAYFILE_DAMAGED},
      {"huge node count", [](std::vector<uint8_t>& b, size_t f) { le_put_u32(&b[f + 36], 0xFFFFFFF0u); }, RAYFILE_DAMAGED},
      {"element count", [](std::vector<uint8_t>& b, size_t f) { le_put_u32(&b[f + 40], 5); }, RAYFILE_DAMAGED},
      {"aux size", [](std::vector<uint8_t>& b, size_t f) { le_put_u32(&b[f + 44], 70); }, RAYFILE_DAMAGED},
      {"cut in the second record", [](std::vector<uint8_t>& b, size_t) { b.resize(b.size() - 10); }, RAYFILE_DAMAGED},
      {"a further record announced", [](std::vector<uint8_t>& b, size_t f) { le_put_u32(&b[f + 164 + 4], 1); }, RAYFILE_DAMAGED},
      {"not a number", [](std::vector<uint8_t>& b, size_t f) { le_put_u32(&b[f + 48], 0x7FC00000u); }, RAYFILE_DAMAGED},
      {"reflection count", [](std::vector<uint8_t>& b, size_t f) { le_put_u16(&b[f + 48 + 60], 9); }, RAYFILE_DAMAGED},
  };
  std::vector<std::string> model = paths_in_list();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<uint8_t> bytes = good;
    c.damage(bytes, first);
    RayFileContents contents;
    RayFileResult r = rayfile_decode(bytes.data(), bytes.size(), contents);
    EXPECT_EQ(r, c.result);
    if (r == RAYFILE_OK) {
      rayfile_free(contents);
    } else {
      EXPECT_EQ(contents.head, nullptr);
      EXPECT_EQ(contents.count, 0u);
    }
    EXPECT_EQ(paths_in_list(), model);
  }
}

TEST_F(RayFile, WrittenFileReadsBackAndAFailedWriteSaysSo) {
  add_path(2, 1.0f);
  std::string name = ::testing::TempDir() + "paths.ORF";
  ASSERT_TRUE(rayfile_write(name.c_str(), "Datei", 3.5));
  RayFileContents c;
  ASSERT_EQ(rayfile_read(name.c_str(), c), RAYFILE_OK);
  EXPECT_EQ(c.count, 1u);
  EXPECT_EQ(c.mean_free_path, 3.5);
  rayfile_free(c);
  std::remove(name.c_str());
  std::string nowhere = ::testing::TempDir() + "no such folder/paths.ORF";
  EXPECT_FALSE(rayfile_write(nowhere.c_str(), "Datei", 3.5));
  EXPECT_EQ(rayfile_read(nowhere.c_str(), c), RAYFILE_UNREADABLE);
}

}  // namespace
