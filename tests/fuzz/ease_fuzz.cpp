// libFuzzer harness of the EASE face and loudspeaker readers: any text must
// be read or refused without a crash, a leak or a sanitizer report, and the
// faces read must write and read back as as many faces.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "cad/obj_store.h"
#include "project/ease_exchange.h"

namespace {

void check_faces(const char* text, size_t size, int version) {
  EaseFaceList faces;
  ease_parse_faces(text, size, version, faces);
  for (DrawObject* o = faces.head; o; o = o->next) {
    if (o->node_count < 3 || o->node_count > EASE_V3_FACE_POINTS) std::abort();
    if (version == EASE_V2 && o->node_count > EASE_V2_FACE_POINTS) std::abort();
    o->attributes |= OBJ_ATTR_SELECTED;
  }
  std::string written;
  if (ease_faces_text(faces.head, EASE_V3, written) != EASE_EXPORT_OK) std::abort();
  EaseFaceList again;
  if (ease_parse_faces(written.data(), written.size(), EASE_V3, again) != EASE_FACES_OK) std::abort();
  if (again.count != faces.count) std::abort();
  ease_free_faces(again);
  ease_free_faces(faces);
}

void check_speakers(const char* text, size_t size, int version) {
  std::vector<EaseSpeaker> speakers;
  bool more = false;
  ease_parse_speakers(text, size, version, 64, speakers, &more);
  if (speakers.size() > 64) std::abort();
  for (const EaseSpeaker& s : speakers)
    if (s.type_name[EASE_TYPE_NAME_CHARS] != 0) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const char* text = reinterpret_cast<const char*>(data);
  for (int version : {EASE_V2, EASE_V3}) {
    check_faces(text, size, version);
    check_speakers(text, size, version);
  }
  return 0;
}
