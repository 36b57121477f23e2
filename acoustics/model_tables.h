// The fixed-capacity model tables of the programs that show projects (the
// design program and the viewer), prepared once at start-up in a fixed order
// and released at exit.
#pragma once
#include <cstddef>

int app_alloc_model_tables();
void app_free_model_tables();

// Tests replace the allocator to make start-up fail at a chosen table.
using TableAllocator = void* (*)(size_t bytes);
void app_set_table_allocator(TableAllocator allocator);
