// Undo ring: images of the whole project taken before commands that change it.
#pragma once

void undo_reset();
void undo_release();
void undo_clear();
int undo_push();
void undo_set_redraw(void (*redraw)());  // full redraw after undo and redo
void undo_undo();
void undo_redo();
int undo_can_undo();
int undo_can_redo();
