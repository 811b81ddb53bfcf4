// The reader of the engine's own distance-to-mate table files ("kqkr-w.mvtb").
#pragma once

#include "tablebases/tb_backend.h"

extern const TbBackend ownTableBackend;

// Tables registered and tables found damaged since the last reset (for tests and reports).
int ownTablesRegistered();
int ownTablesDamaged();
