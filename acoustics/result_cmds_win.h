// Menu commands over stored results that the design program and the viewer
// share: the level map shown, saved or loaded, and the loudspeaker aim lines.
#pragma once

void cov_cmd_map(int id);      // 5101 show, 5102 save (a valid map only), 5103 load
void spk_cmd_toggle_aim_lines();  // 608
