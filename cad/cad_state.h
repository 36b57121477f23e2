// Shared state of the interactive editing core: the command flags and points
// that commands read after each wait for input, the modified flag, the two
// replaceable routine slots and the CAD work buffers.
#pragma once
#include <cstddef>
#include <cstdint>

struct DrawObject;

struct WorldPoint {
  float x, y, z;
};

// Command state. The window procedure sets and clears the running id; the
// message loop and the input handlers set the flags.
extern int16_t g_running_command;   // id of the running menu command, 0 = idle
extern int32_t g_repeat_command;    // last command of 1000-4999 that ran to its end
extern int16_t g_finish_flag;       // OK: the user ended the current input step
extern int16_t g_abort_flag;        // STOP: the user cancelled the command
extern int32_t g_click_flag;        // a point was clicked or typed
extern int32_t g_right_click_flag;  // right click while a command runs
extern WorldPoint g_cursor_point;   // cursor after snapping
extern WorldPoint g_last_point;     // cursor as last drawn; taken after a click
extern WorldPoint g_accepted_point; // copy of the last point made when a click ends a wait
extern int16_t g_modified;          // the project has unsaved changes

// The loaded stroke-font block (raw resource "STANDARDFONT") or null.
extern unsigned char* g_stroke_font;
extern size_t g_stroke_font_size;

// Replaceable routines: the program's new-document routine, run by New,
// and the transform applied to the selection while a drag preview moves.
using NewDocumentHook = void (*)();
using DragTransformHook = void (*)(DrawObject* object, double dx, double dy, double dz);
extern NewDocumentHook cad_new_document_hook;
extern DragTransformHook cad_drag_transform_hook;
void cad_set_drag_transform(DragTransformHook transform);

// CAD work buffers, allocated once at start-up.
constexpr int SCREEN_POINT_BUFFER_BYTES = 64800;
constexpr int EYE_VIEW_BUFFER_BYTES = 4096;
constexpr int SCRATCH_BUFFER_BYTES = 262144;
constexpr int EYE_SORT_BUFFER_BYTES = 65536;
extern void* g_screen_point_buffer;
extern void* g_eye_view_buffer;
extern void* g_scratch_buffer;
extern void* g_eye_sort_buffer;

void input_clear_flags();

// Work buffers and the discard question shared by New, Open and Exit.
int cad_alloc_buffers();
int cad_free_buffers();
void cad_confirm_discard();
