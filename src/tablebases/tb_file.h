// The file format of the engine's own distance-to-mate tables (one file per material and side
// to move, "kqkr-w.mvtb" / "kqkr-b.mvtb"):
//   header, 64 bytes, little-endian:
//     0  8  magic "MVDTM\r\n\x1a"
//     8  4  format version (TbFileVersion)
//    12  4  header bytes (64)
//    16 16  material name, NUL-padded ("kqkr")
//    32  1  side to move (0 White, 1 Black)
//    33  1  index scheme (0 triangle, 1 half board)
//    34  1  en-passant regions (pawns on both sides: one per pawn, else 0)
//    35  1  men
//    36  4  entries per block
//    40  8  entries
//    48  4  blocks
//    52  4  zero
//    56  8  checksum of bytes 0-55 and the block table
//   block table: per block 8 bytes offset from the file start, 4 bytes compressed size, 4 bytes
//   checksum of the compressed bytes;
//   blocks: each the zstd frame of its entries (16-bit signed values), one after the other to
//   the end of the file.
#pragma once

#include <cstddef>
#include <cstdint>

#include "tablebases/tb_index.h"

constexpr uint32_t TbFileVersion = 2;
constexpr int TbHeaderBytes = 64;
constexpr int TbBlockEntryBytes = 16;
constexpr uint32_t TbEntriesPerBlock = 8192;
extern const char TbFileMagic[8];
// File suffix of the tables.
extern const char TbFileSuffix[];

// The checksum of the format: a 64-bit multiply-xor hash over the bytes, continued from seed.
uint64_t tbChecksum(const void* data, size_t bytes, uint64_t seed);

// File name of a material and side ("kqkr-w.mvtb").
void tbFileName(const TbMaterial& material, int side, char* name, size_t capacity);
// Parses a file name; false when it is not one of ours.
bool tbParseFileName(const char* name, TbMaterial* material, int* side);

// Writes a table side to path (through a temporary file renamed at the end). level: zstd level.
// Returns the bytes written, or -1 on failure.
long tbWriteFile(const char* path, const TbMaterial& material, int side, const int16_t* values,
                 int level);

// What the reader keeps of a checked file.
struct TbFileView {
    const uint8_t* data;
    size_t bytes;
    uint32_t entriesPerBlock;
    uint32_t blocks;
    uint64_t entries;
};
// Checks a whole mapped file against the material and side its name promises: magic, version,
// sizes, the header checksum and the block table (every block inside the file, one after the
// other, the last ending at the end of the file). False for anything else.
bool tbCheckFile(const uint8_t* data, size_t bytes, const TbMaterial& material, int side,
                 TbFileView* view);
// Decompresses block number block of a checked file into out (room for entriesPerBlock values),
// after checking the block's checksum. Returns the entries written, or -1 when the block is
// damaged.
long tbReadBlock(const TbFileView& view, uint32_t block, int16_t* out);

// Reads and checks a whole table file into values (material.size entries). False when the file
// is missing, fails a check or holds a damaged block.
bool tbLoadFile(const char* path, const TbMaterial& material, int side, int16_t* values);
