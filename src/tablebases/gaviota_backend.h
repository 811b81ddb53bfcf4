// Distance-to-mate tables in the free format of Debian's probing library (gtb-probe.h): one file
// per material, named after it ("kqkr.gtb.cp4"), holding both sides to move.
#pragma once

#include "tablebases/tb_backend.h"

extern const TbBackend gaviotaBackend;

// 1 when the file at path has the block layout of a table file: the header's copy of where the
// blocks start agrees, the block offsets rise strictly and the last one is the file's length. The library trusts that layout
// and reads out of bounds when it is broken, so no other file is handed to it.
int gaviotaFileIsSound(const char* path);
