// Data that one thread writes while others work next to it is kept on cache
// lines of its own: two threads writing one line pass it to and fro at every
// write and both slow down.
#pragma once

constexpr int CACHE_LINE_BYTES = 64;
