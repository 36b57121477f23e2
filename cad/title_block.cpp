#include "cad/title_block.h"

TitleBlock g_title_block = {};
