#include "speakers/speaker_codec.h"

#include "speakers/speaker_record.h"

const uint8_t SDB_KEY_TABLE[32] = {
    0x5e, 0x1c, 0x93, 0xa0, 0x7b, 0x24, 0xd8, 0xf6, 0xc0, 0xe9, 0x5a, 0x33, 0x17, 0xbd, 0x4c, 0x82,
    0xa9, 0x6f, 0x0e, 0x2d, 0x74, 0xb1, 0xc5, 0x38, 0x9d, 0x06, 0xe7, 0xfa, 0x1b, 0x42, 0xc6, 0xd3};

namespace {

constexpr int RECORD_KEY_LENGTH = 20;
constexpr int REGION4_KEY_LENGTH = 50;

struct Region {
  int start, length;
};
constexpr Region REGION1 = {0, 71};
constexpr Region REGION2 = {72, 382};
constexpr Region REGION3 = {SPK_OFS_BALLOON, SPK_BALLOON_SIZE};
constexpr Region REGION4 = {SPK_OFS_KEY_REGION, 50};

uint32_t checksum_mask() {
  return SDB_KEY_TABLE[4] | (SDB_KEY_TABLE[5] << 8) | (SDB_KEY_TABLE[6] << 16) |
         (static_cast<uint32_t>(SDB_KEY_TABLE[7]) << 24);
}

uint32_t get_u32(const uint8_t* p) {
  return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

void put_u32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

uint32_t scramble_region(uint8_t* image, Region region, const uint8_t* key, int key_length, int encoding) {
  return sdb_scramble_bytes(image + region.start, region.length, key, key_length, encoding);
}

// Region 4 is keyed by bytes 21..70 as they stand scrambled, so it is
// undone first and done last.
uint32_t scramble_key_region(uint8_t* image, int encoding) {
  uint8_t key[REGION4_KEY_LENGTH];
  for (int i = 0; i < REGION4_KEY_LENGTH; ++i) key[i] = image[SPK_OFS_TYPE_NAME + i];
  return scramble_region(image, REGION4, key, REGION4_KEY_LENGTH, encoding);
}

// Undoes region 4 and tests it against the masked checksum; on a mismatch
// the key region is left unscrambled and nothing else is touched.
bool decode_key_region(uint8_t* image) {
  uint32_t expected = get_u32(image + SPK_OFS_CHECKSUM_KEY) ^ checksum_mask();
  return scramble_key_region(image, 0) == expected;
}

}  // namespace

// The mask byte runs through the record key and, seven steps at a time,
// through the key table; the checksum sums the complements of the clear bytes.
uint32_t sdb_scramble_bytes(uint8_t* data, size_t length, const uint8_t* key, int key_length, int encoding) {
  uint32_t sum = 0;
  int k = 0, t = 0;
  for (size_t i = 0; i < length; ++i) {
    uint8_t m = key[k] ^ SDB_KEY_TABLE[t];
    if (encoding) {
      sum += 255u - data[i];
      data[i] ^= m;
    } else {
      data[i] ^= m;
      sum += 255u - data[i];
    }
    if (++k >= key_length) k = 0;
    t += 7;
    if (t >= 32) t -= 32;
  }
  return sum;
}

void sdb_encode_record(uint8_t* image) {
  const uint8_t* key = image + SPK_OFS_RECORD_KEY;
  uint32_t s1 = scramble_region(image, REGION1, key, RECORD_KEY_LENGTH, 1);
  uint32_t s2 = scramble_region(image, REGION2, key, RECORD_KEY_LENGTH, 1);
  uint32_t s3 = scramble_region(image, REGION3, key, RECORD_KEY_LENGTH, 1);
  uint32_t s4 = scramble_key_region(image, 1);
  put_u32(image + SPK_OFS_CHECKSUM_TOTAL, s1 + s2 + s3 + s4);
  put_u32(image + SPK_OFS_CHECKSUM_KEY, s4 ^ checksum_mask());
}

int sdb_decode_record(uint8_t* image) {
  uint32_t expected = get_u32(image + SPK_OFS_CHECKSUM_KEY) ^ checksum_mask();
  uint32_t s4 = scramble_key_region(image, 0);
  if (s4 != expected) return 0;
  const uint8_t* key = image + SPK_OFS_RECORD_KEY;
  uint32_t s3 = scramble_region(image, REGION3, key, RECORD_KEY_LENGTH, 0);
  uint32_t s2 = scramble_region(image, REGION2, key, RECORD_KEY_LENGTH, 0);
  uint32_t s1 = scramble_region(image, REGION1, key, RECORD_KEY_LENGTH, 0);
  return s4 + s3 + s2 + s1 == get_u32(image + SPK_OFS_CHECKSUM_TOTAL) ? 1 : 0;
}

// Only the head is needed by the selection list: region 3 stays scrambled.
int sdb_decode_record_header(uint8_t* image) {
  if (!decode_key_region(image)) return 0;
  const uint8_t* key = image + SPK_OFS_RECORD_KEY;
  scramble_region(image, REGION2, key, RECORD_KEY_LENGTH, 0);
  scramble_region(image, REGION1, key, RECORD_KEY_LENGTH, 0);
  return 1;
}

void sdb_encode_record_to(const SpeakerRecord& record, uint8_t* image) {
  spk_record_to_bytes(record, image);
  sdb_encode_record(image);
}

int sdb_decode_record_from(SpeakerRecord& record, uint8_t* image) {
  if (!sdb_decode_record(image)) return 0;
  spk_record_from_bytes(record, image);
  return 1;
}
