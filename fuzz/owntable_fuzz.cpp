// A table file of the engine's own format made of arbitrary bytes: the material and side its
// header names, the whole-file check, then every block read as a probe would read it. Nothing
// may crash, read outside the bytes or accept a block whose checksum fails. Each input is tried
// twice: as it is, and with its checksums made right, so that the block table and the
// decompression meet damaged contents too.
#include <cstdint>
#include <cstring>
#include <vector>

#include "tablebases/tb_file.h"

namespace {

void tryFile(std::vector<uint8_t>& file, const TbMaterial& material, int side) {
    TbFileView view;
    if (!tbCheckFile(file.data(), file.size(), material, side, &view)) return;
    std::vector<int16_t> values(view.entriesPerBlock);
    for (uint32_t block = 0; block < view.blocks; block++) tbReadBlock(view, block, values.data());
}

// Rewrites the block checksums of the blocks inside the file and the header checksum.
void repairChecksums(std::vector<uint8_t>& file) {
    uint32_t blocks;
    std::memcpy(&blocks, file.data() + 48, 4);
    uint64_t tableEnd = TbHeaderBytes + static_cast<uint64_t>(blocks) * TbBlockEntryBytes;
    if (tableEnd > file.size()) return;
    for (uint32_t b = 0; b < blocks; b++) {
        uint8_t* entry = file.data() + TbHeaderBytes + static_cast<size_t>(b) * TbBlockEntryBytes;
        uint64_t offset;
        uint32_t size;
        std::memcpy(&offset, entry, 8);
        std::memcpy(&size, entry + 8, 4);
        if (offset > file.size() || size > file.size() - offset) continue;
        uint32_t check = static_cast<uint32_t>(tbChecksum(file.data() + offset, size, 0));
        std::memcpy(entry + 12, &check, 4);
    }
    uint64_t h = tbChecksum(file.data(), 56, 0);
    h = tbChecksum(file.data() + TbHeaderBytes, static_cast<size_t>(blocks) * TbBlockEntryBytes, h);
    std::memcpy(file.data() + 56, &h, 8);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < TbHeaderBytes) return 0;
    char name[17] = {};
    std::memcpy(name, data + 16, 16);
    TbMaterial material;
    if (!tbMaterialFromName(name, &material) || material.men > 3) return 0;
    // The bytes on their own, as a mapping of exactly the file would give them.
    std::vector<uint8_t> file(data, data + size);
    tryFile(file, material, data[32]);
    repairChecksums(file);
    tryFile(file, material, data[32]);
    return 0;
}
