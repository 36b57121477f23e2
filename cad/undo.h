// Undo ring: images of the whole project taken before commands that change it.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

void undo_reset();
void undo_release();
void undo_clear();
int undo_push();
void undo_set_redraw(void (*redraw)());  // full redraw after undo and redo
void undo_undo();
void undo_redo();
int undo_can_undo();
int undo_can_redo();

// Tables that layers above keep with the project (loudspeaker types,
// materials) travel in the image behind the layers and objects, in the order
// their parts were added. The program adds them once at start-up.
struct UndoPart {
  size_t (*size)();                                      // bytes the part adds
  bool (*write)(std::vector<uint8_t>& image);            // appends the part
  void (*clear)();                                       // before the objects are rebuilt; may be null
  bool (*read)(const std::vector<uint8_t>& image, size_t& at);
};
void undo_add_part(const UndoPart& part);
void undo_remove_parts();
