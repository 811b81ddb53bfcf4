// A table file of the engine's own format made of arbitrary bytes: the material and side its
// header names, the whole-file check, then every block read as a probe would read it. Nothing
// may crash, read outside the bytes or accept a block whose checksum fails.
#include <cstdint>
#include <cstring>
#include <vector>

#include "tablebases/tb_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < TbHeaderBytes) return 0;
    char name[17] = {};
    std::memcpy(name, data + 16, 16);
    TbMaterial material;
    if (!tbMaterialFromName(name, &material) || material.men > 3) return 0;
    // The bytes on their own, as a mapping of exactly the file would give them.
    std::vector<uint8_t> file(data, data + size);
    TbFileView view;
    if (!tbCheckFile(file.data(), file.size(), material, data[32], &view)) return 0;
    std::vector<int16_t> values(view.entriesPerBlock);
    for (uint32_t block = 0; block < view.blocks; block++) tbReadBlock(view, block, values.data());
    return 0;
}
