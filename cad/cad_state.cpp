#include "cad/cad_state.h"

int16_t g_running_command = 0;
int32_t g_repeat_command = 0;
int16_t g_finish_flag = 0;
int16_t g_abort_flag = 0;
int32_t g_click_flag = 0;
int32_t g_right_click_flag = 0;
WorldPoint g_cursor_point = {0, 0, 0};
WorldPoint g_last_point = {0, 0, 0};
WorldPoint g_accepted_point = {0, 0, 0};
int16_t g_modified = 0;
unsigned char* g_stroke_font = nullptr;
size_t g_stroke_font_size = 0;

NewDocumentHook cad_new_document_hook = nullptr;
DragTransformHook cad_drag_transform_hook = nullptr;

void* g_screen_point_buffer = nullptr;
void* g_eye_view_buffer = nullptr;
void* g_scratch_buffer = nullptr;
void* g_eye_sort_buffer = nullptr;

void cad_set_drag_transform(DragTransformHook transform) { cad_drag_transform_hook = transform; }

void input_clear_flags() {
  g_finish_flag = 0;
  g_abort_flag = 0;
}
