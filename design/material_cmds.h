// Menu 2501: assign a database material to room faces.
#pragma once

void mat_cmd_assign();
