// The engine's side of endgame tablebase access.
#pragma once

#include <cstdint>

extern char tbPath[256];
// Largest decompression cache the configuration and the tbcache command accept, in MB.
constexpr long MaxTbCacheMegabytes = 256;
extern long tbCacheBytes;
extern void* tbCache;
extern int maxTbMen;
extern uint32_t tbHits;

// mode 0 start-up, 1 cache size changed, 2 path changed.
void InitTablebases(int mode);
// 30000 no information, 0 draw, else a score in the search's mate scale.
int ProbeTablebases();
