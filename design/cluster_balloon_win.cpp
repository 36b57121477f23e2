#include "design/cluster_balloon.h"

#include <cstdio>
#include <cstring>

#include "cad/cad_state.h"
#include "cad/edit_steps.h"
#include "cad/input_win.h"
#include "cad/obj_store.h"
#include "cad/view.h"
#include "design/speaker_cmds.h"
#include "framework/file_ext.h"
#include "framework/filesel_win.h"
#include "framework/input_dialogs.h"
#include "framework/last_folders.h"
#include "framework/win_frame_win.h"
#include "speakers/speaker_model.h"
#include "speakers/speaker_record.h"

namespace {

constexpr int MIN_MEMBERS = 2;

// The description, the file and the writing.
void save_cluster(const ClusterGroup& group, SpeakerRecord& record) {
  char description[CLUSTER_DESCRIPTION_CHARS + 1] = "";
  dlg_input_line("Cluster-Beschreibung :", description, int(sizeof description), 0);
  spk_cluster_fill_record(group, description, record);
  const char* folder = g_history_folders[FOLDER_SPEAKER_DB];
  filedlg_set_directory(folder[0] ? folder : win_start_directory());
  char filter[] = "*.OSB|*.osb|";
  if (!filedlg_save(filter, nullptr)) return;
  char path[2 * FILESEL_BUFFER + 8];
  std::snprintf(path, sizeof path, "%s%s", filedlg_directory(), filedlg_file_title());
  // The dialog asked about the name as typed; a name given its extension
  // here has not been asked about.
  int ask = !file_ext_has(path, ".OSB");
  file_ext_ensure(path, sizeof path, ".OSB");
  std::vector<uint8_t> image;
  spk_cluster_file_image(group, record, image);
  spk_cluster_save(path, image, ask);
}

}  // namespace

// Menu 1016: the selected loudspeakers become one new type, saved as a
// one-record speaker database.
void spk_cmd_cluster_balloon() {
  if (!g_model_ready) return;
  std::snprintf(g_prompt_prefix, sizeof g_prompt_prefix, "%s", "CLUSTER Bilden > ");
  view_show_prompt("");
  input_select_objects();
  std::vector<DrawObject*> selected(size_t(spk_selected_speakers(nullptr, 0)));
  if (!selected.empty()) spk_selected_speakers(selected.data(), int(selected.size()));
  ClusterGroup group;
  spk_cluster_group(selected, group);
  if (group.objects.size() >= size_t(MIN_MEMBERS)) {
    input_update_cursor(0);
    int measured = spk_cluster_measure(group, CLUSTER_SUMMATION_MODE);
    input_update_cursor(1);
    if (measured) {
      if (SpeakerRecord* record = spk_record_alloc()) {
        save_cluster(group, *record);
        spk_record_free(record);
      } else {
        obj_warn_no_memory();  // the user must not think a file was written
      }
    }
  }
  input_deselect_all();
  cad_end_command();
}
