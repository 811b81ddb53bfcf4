// The least tablebase reader: no table is ever registered, so the engine reports none found and
// never probes.
#include "tablebases/tablebase_reader.h"

namespace {

int initialiseNone(const char*) { return 0; }
// Without tables there is nothing to cache: any buffer will do, and no buffer when none is asked.
int acceptCache(void* buffer, long bytes) { return buffer != nullptr || bytes == 0; }
long noBytes() { return 0; }
int noTable(const int*) { return 0; }
int notAvailable(int, int) { return 0; }
TbIndexFunction noIndexFunction(int, int, int, int) { return nullptr; }
int noValue(int, int, uint64_t) { return TbNoValue; }

} // namespace

const TablebaseReader leastTablebaseReader = {
    initialiseNone, acceptCache, noBytes, noTable, notAvailable, noIndexFunction, noValue,
};

const TablebaseReader* tablebaseReader = &leastTablebaseReader;
