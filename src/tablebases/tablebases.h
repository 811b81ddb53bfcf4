// The engine's side of endgame tablebase access.
#pragma once

#include <cstddef>
#include <cstdint>

extern char tbPath[256];
// Largest decompression cache the configuration and the tbcache command accept, in MB.
constexpr long MaxTbCacheMegabytes = 256;
extern long tbCacheBytes;
extern void* tbCache;
extern int maxTbMen;
extern uint32_t tbHits;

// Sets tbPath from length characters of text (a list of directories separated by "," or ";"),
// whole entries at a time: an entry that does not fit is left out with all after it, never cut
// to the name of some other directory.
void SetTbPath(const char* text, size_t length);
// mode 0 start-up, 1 cache size changed, 2 path changed.
void InitTablebases(int mode);
// 30000 no information, 0 draw, else a score in the search's mate scale.
int ProbeTablebases();
