// libFuzzer harness of the speaker-database editor's readers: database
// files, speaker drawings and the sibling drawings, and the loudspeaker
// imports. Any input is read or refused without a fault; a database that
// is accepted writes and reads back to the same bytes.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "cad/obj_store.h"
#include "speaker_editor/acoustacadd_import.h"
#include "speaker_editor/database_file.h"
#include "speaker_editor/drawing_file.h"
#include "speaker_editor/ease_imports.h"
#include "speaker_editor/record_table.h"
#include "speaker_editor/text_imports.h"
#include "speakers/speaker_record.h"

namespace {

// Whatever the editor accepts it writes and reads back to the same bytes.
void check_speaker_database(const uint8_t* data, size_t size) {
  spked_clear_table();
  if (spked_read_database_bytes(data, size, false) == SPKED_READ_OK) {
    std::vector<uint8_t> once = spked_database_bytes();
    spked_clear_table();
    if (spked_read_database_bytes(once.data(), once.size(), false) != SPKED_READ_OK) std::abort();
    if (spked_database_bytes() != once) std::abort();
  }
  spked_clear_table();
}

void check_speaker_drawing(const uint8_t* data, size_t size) {
  spked_load_drawing_bytes(data, size);
  spked_insert_drawing_bytes(data, size);
  obj_free_all();
  spked_free_drawing(spked_read_legacy_drawing(data, size, false));
  if (DrawObject* merged = spked_read_legacy_drawing_merged(data, size)) obj_free(merged);
}

// The loudspeaker imports take any bytes without a fault.
void check_speaker_imports(const uint8_t* data, size_t size) {
  static SpeakerRecord record;
  spked_gdf_to_record(data, size, record);
  spked_onf_to_record(data, size, record);
  if (size >= SPKED_LSP_RECORD_BYTES) spked_convert_lsp_record(data, record);
  spked_clear_table();
  spked_import_lsp_bytes(data, size < 3 * SPKED_LSP_RECORD_BYTES ? size : 3 * SPKED_LSP_RECORD_BYTES);
  spked_clear_table();
  if (size >= SPKED_ACOUSTACADD_PARAMETER_BYTES) {
    std::string path = "X.SPK";
    spked_reset_acoustacadd_pairing();
    spked_read_acoustacadd_parameters(data, record, path);
    spked_read_acoustacadd_parameters(data + size - SPKED_ACOUSTACADD_PARAMETER_BYTES, record, path);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  check_speaker_database(data, size);
  check_speaker_drawing(data, size);
  check_speaker_imports(data, size);
  return 0;
}
