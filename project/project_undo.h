// The project's loudspeaker types and materials as parts of the undo image.
#pragma once

// Adds both parts to the undo ring, types first; once at start-up.
void proj_register_undo_parts();
