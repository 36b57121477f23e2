// Loudspeaker type record: the 512-byte head with names, per-band data and
// checksums, followed by the balloon of seven octave bands. In memory the
// record is a plain struct (its pointer slots are real pointers); on disk it
// is the 19160-byte little-endian image written and read field by field.
#pragma once
#include <cstddef>
#include <cstdint>

struct DrawObject;

constexpr int SPK_RECORD_SIZE = 19160;      // stored image of one record
constexpr int SPK_HEAD_SIZE = 512;          // head in front of the balloon
constexpr int SPK_V11_RECORD_SIZE = 18344;  // older record: 200-byte head, 36 rows
constexpr int SPK_V11_HEAD_SIZE = 200;
constexpr int SPK_BANDS = 7;                // 125 Hz ... 8 kHz
constexpr int SPK_BALLOON_ROWS = 37;        // polar angle 0..180 in 5-degree steps
constexpr int SPK_V11_BALLOON_ROWS = 36;
constexpr int SPK_BALLOON_COLS = 72;        // angle around the axis 0..355
constexpr int SPK_BALLOON_BAND_SIZE = SPK_BALLOON_ROWS * SPK_BALLOON_COLS;  // 2664
constexpr int SPK_BALLOON_SIZE = SPK_BANDS * SPK_BALLOON_BAND_SIZE;         // 18648
constexpr int SPK_RECORD_FORMAT = 2;        // value of the format byte for this layout
constexpr int MAX_SPEAKER_TYPES = 500;

// Byte offsets of the fields other modules address in stored images.
constexpr int SPK_OFS_MANUFACTURER = 0;
constexpr int SPK_OFS_TYPE_NAME = 21;
constexpr int SPK_OFS_DESCRIPTION = 30;
constexpr int SPK_OFS_FORMAT = 71;
constexpr int SPK_OFS_SHAPE = 196;
constexpr int SPK_OFS_OWNER = 200;
constexpr int SPK_OFS_CHECKSUM_TOTAL = 454;
constexpr int SPK_OFS_CHECKSUM_KEY = 458;
constexpr int SPK_OFS_KEY_REGION = 462;
constexpr int SPK_OFS_RECORD_KEY = 470;
constexpr int SPK_OFS_BALLOON = 512;

// The 512-byte head (image offsets in the comments).
struct SpeakerHead {
  char manufacturer[21];        // 0
  char type_name[9];            // 21: the key by which types are found
  char description[41];         // 30
  uint8_t format;               // 71: 2 for this layout
  int16_t kind;                 // 72: 1 full-range, 2 driver, 3 horn
  uint16_t crossover_mask;      // 74
  float sensitivity[SPK_BANDS]; // 76: dB at 1 W / 1 m
  float rated_power[SPK_BANDS]; // 104: W
  int16_t import_format;        // 132
  uint16_t band_mask;           // 134
  uint16_t balloon_file_mask;   // 136
  uint16_t band_mask_copy;      // 138
  uint8_t reserved140[6];       // 140
  int16_t q_factor[SPK_BANDS];  // 146: directivity factor x 10
  int16_t efficiency[SPK_BANDS];// 160: 1/10 per cent
  int16_t impedance[SPK_BANDS]; // 174: ohm
  uint8_t* balloon_link;        // 188: in memory only, the record's balloon; stored as 0
  DrawObject* symbol;           // 192: in memory only, the 3D symbol; stored as 0
  int32_t shape_ref;            // 196: database: byte size of the shape behind the record;
                                //      project: list position of the symbol, -1 = default
  uint8_t owner[254];           // 200..453: owner block, opaque here
  uint32_t checksum_total;      // 454
  uint32_t checksum_key;        // 458
  uint8_t key_lead[8];          // 462..469: start of the key region
  char record_key[21];          // 470: record password, empty = none
  uint32_t time_stamp1;         // 491
  uint32_t time_stamp2;         // 495
  uint8_t key_tail[13];         // 499..511
};

struct SpeakerRecord : SpeakerHead {
  uint8_t balloon[SPK_BANDS][SPK_BALLOON_ROWS][SPK_BALLOON_COLS];  // 512
};

// The loudspeaker types of the project; placed loudspeakers refer to them by index.
struct SpeakerTypeTable {
  int16_t count;
  SpeakerRecord* records[MAX_SPEAKER_TYPES];
};
extern SpeakerTypeTable g_speaker_types;

SpeakerRecord* spk_record_alloc();
void spk_record_free(SpeakerRecord* record);
void spk_free_type_table();

void spk_head_to_bytes(const SpeakerHead& head, uint8_t* out);
void spk_head_from_bytes(SpeakerHead& head, const uint8_t* in);
void spk_record_to_bytes(const SpeakerRecord& record, uint8_t* out);
void spk_record_from_bytes(SpeakerRecord& record, const uint8_t* in);
void spk_record_from_v11_bytes(SpeakerRecord& record, const uint8_t* in);

double spk_balloon_byte_to_db(int b);
double spk_balloon_byte_to_power(int b);
uint8_t spk_db_to_balloon_byte(double db);
