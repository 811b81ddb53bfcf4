// Writing, checking and reading the engine's own table files.
#include "tablebases/tb_file.h"

#include <zstd.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

const char TbFileMagic[8] = {'M', 'V', 'D', 'T', 'M', '\r', '\n', '\x1a'};
const char TbFileSuffix[] = ".mvtb";

namespace {

void put32(uint8_t* p, uint32_t v) { std::memcpy(p, &v, 4); }
void put64(uint8_t* p, uint64_t v) { std::memcpy(p, &v, 8); }
uint32_t get32(const uint8_t* p) {
    uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
}
uint64_t get64(const uint8_t* p) {
    uint64_t v;
    std::memcpy(&v, p, 8);
    return v;
}

uint64_t headerChecksum(const uint8_t* data, uint32_t blocks) {
    uint64_t h = tbChecksum(data, 56, 0);
    return tbChecksum(data + TbHeaderBytes, static_cast<size_t>(blocks) * TbBlockEntryBytes, h);
}

} // namespace

uint64_t tbChecksum(const void* data, size_t bytes, uint64_t seed) {
    const uint8_t* p = static_cast<const uint8_t*>(data);
    uint64_t h = seed ^ 0x9E3779B97F4A7C15ULL ^ (bytes * 0xC2B2AE3D27D4EB4FULL);
    size_t i = 0;
    for (; i + 8 <= bytes; i += 8) {
        h = (h ^ get64(p + i)) * 0xFF51AFD7ED558CCDULL;
        h ^= h >> 32;
    }
    uint64_t tail = 0;
    for (size_t k = 0; i + k < bytes; k++) tail |= static_cast<uint64_t>(p[i + k]) << (8 * k);
    h = (h ^ tail) * 0xC4CEB9FE1A85EC53ULL;
    return h ^ (h >> 29);
}

void tbFileName(const TbMaterial& material, int side, char* name, size_t capacity) {
    std::snprintf(name, capacity, "%s-%c%s", material.name, side == 0 ? 'w' : 'b', TbFileSuffix);
}

bool tbParseFileName(const char* name, TbMaterial* material, int* side) {
    size_t length = std::strlen(name), suffix = std::strlen(TbFileSuffix);
    if (length < suffix + 5 || length > suffix + 2 + 10) return false;
    if (std::strcmp(name + length - suffix, TbFileSuffix) != 0) return false;
    size_t stem = length - suffix;
    if (name[stem - 2] != '-' || (name[stem - 1] != 'w' && name[stem - 1] != 'b')) return false;
    char materialName[16];
    std::memcpy(materialName, name, stem - 2);
    materialName[stem - 2] = 0;
    *side = name[stem - 1] == 'w' ? 0 : 1;
    return tbMaterialFromName(materialName, material);
}

long tbWriteFile(const char* path, const TbMaterial& material, int side, const int16_t* values,
                 int level) {
    uint64_t entries = material.size;
    uint32_t blocks = static_cast<uint32_t>((entries + TbEntriesPerBlock - 1) / TbEntriesPerBlock);
    std::vector<uint8_t> table(static_cast<size_t>(blocks) * TbBlockEntryBytes);
    std::vector<uint8_t> body;
    std::vector<uint8_t> frame(ZSTD_compressBound(TbEntriesPerBlock * sizeof(int16_t)));
    ZSTD_CCtx* context = ZSTD_createCCtx();
    if (context == nullptr) return -1;
    uint64_t offset = TbHeaderBytes + table.size();
    for (uint32_t b = 0; b < blocks; b++) {
        uint64_t first = static_cast<uint64_t>(b) * TbEntriesPerBlock;
        uint64_t count = entries - first < TbEntriesPerBlock ? entries - first : TbEntriesPerBlock;
        size_t size = ZSTD_compressCCtx(context, frame.data(), frame.size(), values + first,
                                        count * sizeof(int16_t), level);
        if (ZSTD_isError(size)) {
            ZSTD_freeCCtx(context);
            return -1;
        }
        uint8_t* entry = table.data() + static_cast<size_t>(b) * TbBlockEntryBytes;
        put64(entry, offset);
        put32(entry + 8, static_cast<uint32_t>(size));
        put32(entry + 12, static_cast<uint32_t>(tbChecksum(frame.data(), size, 0)));
        body.insert(body.end(), frame.begin(), frame.begin() + static_cast<long>(size));
        offset += size;
    }
    ZSTD_freeCCtx(context);

    uint8_t header[TbHeaderBytes] = {};
    std::memcpy(header, TbFileMagic, 8);
    put32(header + 8, TbFileVersion);
    put32(header + 12, TbHeaderBytes);
    std::memcpy(header + 16, material.name, std::strlen(material.name));
    header[32] = static_cast<uint8_t>(side);
    header[33] = static_cast<uint8_t>(material.scheme);
    header[34] = static_cast<uint8_t>(material.epRegions);
    header[35] = static_cast<uint8_t>(material.men);
    put32(header + 36, TbEntriesPerBlock);
    put64(header + 40, entries);
    put32(header + 48, blocks);
    uint64_t h = tbChecksum(header, 56, 0);
    put64(header + 56, tbChecksum(table.data(), table.size(), h));

    std::string temporary = std::string(path) + ".part";
    FILE* file = std::fopen(temporary.c_str(), "wb");
    if (file == nullptr) return -1;
    bool ok = std::fwrite(header, 1, sizeof header, file) == sizeof header &&
              std::fwrite(table.data(), 1, table.size(), file) == table.size() &&
              std::fwrite(body.data(), 1, body.size(), file) == body.size();
    ok = std::fclose(file) == 0 && ok;
    if (!ok || std::rename(temporary.c_str(), path) != 0) {
        std::remove(temporary.c_str());
        return -1;
    }
    return static_cast<long>(offset);
}

bool tbCheckFile(const uint8_t* data, size_t bytes, const TbMaterial& material, int side,
                 TbFileView* view) {
    if (bytes < TbHeaderBytes || std::memcmp(data, TbFileMagic, 8) != 0) return false;
    if (get32(data + 8) != TbFileVersion || get32(data + 12) != TbHeaderBytes) return false;
    char name[17] = {};
    std::memcpy(name, data + 16, 16);
    if (std::strcmp(name, material.name) != 0) return false;
    if (data[32] != side || data[33] != material.scheme || data[34] != material.epRegions ||
        data[35] != material.men)
        return false;
    uint32_t perBlock = get32(data + 36);
    uint64_t entries = get64(data + 40);
    uint32_t blocks = get32(data + 48);
    if (perBlock == 0 || perBlock > (1u << 20) || entries != material.size ||
        blocks != (entries + perBlock - 1) / perBlock)
        return false;
    uint64_t tableEnd = TbHeaderBytes + static_cast<uint64_t>(blocks) * TbBlockEntryBytes;
    if (tableEnd > bytes) return false;
    if (headerChecksum(data, blocks) != get64(data + 56)) return false;
    uint64_t expected = tableEnd;
    for (uint32_t b = 0; b < blocks; b++) {
        const uint8_t* entry = data + TbHeaderBytes + static_cast<size_t>(b) * TbBlockEntryBytes;
        if (get64(entry) != expected) return false;
        uint32_t size = get32(entry + 8);
        if (size == 0 || size > bytes - expected) return false;
        expected += size;
    }
    if (expected != bytes) return false;
    view->data = data;
    view->bytes = bytes;
    view->entriesPerBlock = perBlock;
    view->blocks = blocks;
    view->entries = entries;
    return true;
}

long tbReadBlock(const TbFileView& view, uint32_t block, int16_t* out) {
    if (block >= view.blocks) return -1;
    const uint8_t* entry = view.data + TbHeaderBytes + static_cast<size_t>(block) * TbBlockEntryBytes;
    uint64_t offset = get64(entry);
    uint32_t size = get32(entry + 8);
    const uint8_t* frame = view.data + offset;
    if (static_cast<uint32_t>(tbChecksum(frame, size, 0)) != get32(entry + 12)) return -1;
    uint64_t first = static_cast<uint64_t>(block) * view.entriesPerBlock;
    uint64_t count = view.entries - first < view.entriesPerBlock ? view.entries - first
                                                                  : view.entriesPerBlock;
    unsigned long long declared = ZSTD_getFrameContentSize(frame, size);
    if (declared != count * sizeof(int16_t)) return -1;
    size_t got = ZSTD_decompress(out, count * sizeof(int16_t), frame, size);
    if (ZSTD_isError(got) || got != count * sizeof(int16_t)) return -1;
    return static_cast<long>(count);
}

bool tbLoadFile(const char* path, const TbMaterial& material, int side, int16_t* values) {
    FILE* file = std::fopen(path, "rb");
    if (file == nullptr) return false;
    std::vector<uint8_t> data;
    uint8_t chunk[65536];
    size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) data.insert(data.end(), chunk, chunk + got);
    std::fclose(file);
    TbFileView view;
    if (!tbCheckFile(data.data(), data.size(), material, side, &view)) return false;
    for (uint32_t b = 0; b < view.blocks; b++)
        if (tbReadBlock(view, b, values + static_cast<uint64_t>(b) * view.entriesPerBlock) < 0)
            return false;
    return true;
}
