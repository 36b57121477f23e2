// The model reset run at start-up, by New and by project reading: every
// loudspeaker table, the materials, the calculation options and the
// coverage result back to their empty state.
#pragma once

int spk_reset_tables();

// The calculations above this layer keep tables of their own that the reset
// empties too; the program sets the routine at start-up (null: none).
void spk_set_calculation_reset(void (*reset)());
