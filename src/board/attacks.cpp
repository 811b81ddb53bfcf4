// Magic attack tables of the sliders and the three attack queries.
#include "board/attacks.h"

#include <sys/mman.h>

#include "board/board.h"

namespace {
constexpr size_t HugePageBytes = 2 * 1024 * 1024;
}

Bitboard rookMask[64];
Bitboard bishopMask[64];
// Every slider lookup reads these 2.25 MB: aligned to huge pages so that they can be backed by
// them (see initAttackTables), sparing the address translation cache.
alignas(HugePageBytes) Bitboard rookAttackTable[64][4096];
alignas(HugePageBytes) Bitboard bishopAttackTable[64][512];

// Multipliers found by scripts/find_magics.cpp (fixed seed); the magics test checks them.
// clang-format off
const uint32_t rookMagic[64][2] = {
    {0x20080010U, 0x20040060U},    {0x81200A10U, 0x00200012U},
    {0x89001005U, 0x00200053U},    {0xA0808090U, 0x00020840U},
    {0x42000896U, 0x8022104CU},    {0x90482002U, 0x08008008U},
    {0x00910002U, 0x40800240U},    {0x010000A5U, 0x00028842U},
    {0x40420080U, 0x00424080U},    {0x00842240U, 0x00428020U},
    {0x00028420U, 0x08012C00U},    {0x000800A1U, 0x221049E0U},
    {0x4004601AU, 0x890041A0U},    {0x08020401U, 0x00008004U},
    {0x08102005U, 0x08088460U},    {0x14185009U, 0x30100020U},
    {0x80800041U, 0x840800C0U},    {0x02002840U, 0x04D02000U},
    {0x90091018U, 0x24200800U},    {0x010A0008U, 0x20852120U},
    {0x10000404U, 0x00020122U},    {0x50000A05U, 0x40102040U},
    {0x460008C2U, 0x00010008U},    {0x00008881U, 0x08011008U},
    {0x5008C05DU, 0x8820800CU},    {0x20693186U, 0x00110040U},
    {0x00020901U, 0x011450C0U},    {0x1C000402U, 0x200A0156U},
    {0x50080992U, 0x8A040200U},    {0x00800501U, 0x84009C04U},
    {0x18010027U, 0x04004204U},    {0x00000082U, 0x1A094045U},
    {0x40201080U, 0x28100800U},    {0x10224040U, 0x0204100AU},
    {0x01802018U, 0x10400528U},    {0x04000830U, 0x11001100U},
    {0x00031085U, 0x01010002U},    {0x00020804U, 0x40A000B1U},
    {0x86024081U, 0x00420084U},    {0x00000801U, 0x840A8091U},
    {0x01040010U, 0x40214800U},    {0x8001002AU, 0x0C460020U},
    {0x00200102U, 0x04040800U},    {0x0000100DU, 0x4840A0C0U},
    {0x00C82004U, 0x02008808U},    {0x00048022U, 0x80300400U},
    {0x09104002U, 0x12104804U},    {0x00008011U, 0x00008041U},
    {0x80404402U, 0x80002C03U},    {0x12820820U, 0x10040004U},
    {0x08132524U, 0x40C82020U},    {0x01021004U, 0x00102014U},
    {0x40001408U, 0x02020500U},    {0x05440102U, 0x00084008U},
    {0x00080201U, 0x02108100U},    {0x00040045U, 0x00282010U},
    {0x10420811U, 0x0C84C022U},    {0x00002081U, 0x04400009U},
    {0x01010024U, 0x020818C1U},    {0x10003202U, 0x10281042U},
    {0x02A40208U, 0x11001101U},    {0x62802004U, 0x00018209U},
    {0x50000182U, 0x00804105U},    {0x00840055U, 0x00248023U},
};
const uint32_t bishopMagic[64][2] = {
    {0x00200903U, 0x0686800EU},    {0x0080E891U, 0x05801800U},
    {0x05410401U, 0x000C0840U},    {0x001CA401U, 0x00800000U},
    {0xC114035CU, 0x00025041U},    {0x02C90041U, 0x00C00028U},
    {0x40002221U, 0x0D010086U},    {0x00008414U, 0x01104004U},
    {0x00080208U, 0x0024A080U},    {0x3080C122U, 0x42201010U},
    {0x24004904U, 0x84005008U},    {0x00022081U, 0x40020100U},
    {0x80040449U, 0x20440041U},    {0x00040101U, 0x10224808U},
    {0x00060643U, 0x81005001U},    {0x02100202U, 0x62009402U},
    {0x00020806U, 0x2810C00CU},    {0x28A80010U, 0x0080A400U},
    {0x00060204U, 0x410C1100U},    {0x82884011U, 0x08400808U},
    {0x0008180CU, 0x30080020U},    {0x40012002U, 0x04908808U},
    {0x80A40241U, 0x05208120U},    {0x00000801U, 0x08A31001U},
    {0x00061725U, 0x00480A00U},    {0x04004040U, 0x03120201U},
    {0x20040220U, 0x04020850U},    {0x20080800U, 0x02860002U},
    {0x48010A41U, 0x01004008U},    {0xB000A440U, 0x08521544U},
    {0x04084401U, 0x04110010U},    {0x01040006U, 0x4088141CU},
    {0x22406112U, 0x02448330U},    {0x11008410U, 0x08024C60U},
    {0x008A4008U, 0x05824010U},    {0x100080C4U, 0x0040C004U},
    {0x02010206U, 0x44002600U},    {0x00804012U, 0x60403080U},
    {0x42242204U, 0x8C002420U},    {0x40020A82U, 0x18090850U},
    {0x04408190U, 0x40041412U},    {0x00002008U, 0x08082060U},
    {0x00168051U, 0x20A04100U},    {0x01104402U, 0x108AA108U},
    {0x04281002U, 0x00254320U},    {0x20004062U, 0x00A00834U},
    {0x40882204U, 0x15880100U},    {0x21201082U, 0x5214400AU},
    {0x80004801U, 0x0A901E20U},    {0x00004004U, 0x08838C40U},
    {0x83401011U, 0xA4104021U},    {0x88043922U, 0x2414C802U},
    {0x18004204U, 0x06244014U},    {0x02000109U, 0x04620401U},
    {0x40004101U, 0x45008502U},    {0xD8449202U, 0x24200550U},
    {0x00002108U, 0x20802800U},    {0x00901201U, 0x54006084U},
    {0x00040089U, 0x00101100U},    {0x84920000U, 0x10202A88U},
    {0x40412112U, 0x008822B0U},    {0x00A08101U, 0x09088100U},
    {0x80204002U, 0x48240300U},    {0x00040846U, 0x08320180U},
};
// clang-format on

namespace {

const int rookSteps[4] = {8, -8, 1, -1};
const int bishopSteps[4] = {9, 7, -7, -9};

// Attack set by walking the four rays, each up to and including the first occupied square.
// With edgesOff the last square of each ray is left out (the relevant-occupancy mask).
Bitboard walkRays(int square, Bitboard occupancy, const int* steps, bool edgesOff) {
    Bitboard set = 0;
    for (int d = 0; d < 4; d++) {
        int step = steps[d];
        int s = square;
        for (;;) {
            int next = s + step;
            if (next < 0 || next > 63 || distance[s][next] != 1) break;
            if (edgesOff) {
                int beyond = next + step;
                if (beyond < 0 || beyond > 63 || distance[next][beyond] != 1) break;
            }
            set |= squareBit[next];
            if (occupancy & squareBit[next]) break;
            s = next;
        }
    }
    return set;
}

// Stores the attack set of every subset of the square's mask at its magic index.
void fillSquare(int square, const int* steps, Bitboard mask, const uint32_t* magic, int shift,
                Bitboard* table) {
    int maskSquares[12];
    int n = 0;
    for (Bitboard m = mask; m; m &= m - 1) maskSquares[n++] = lowestSquare(m);
    for (int k = 0; k < (1 << n); k++) {
        Bitboard occupancy = 0;
        for (int i = 0; i < n; i++)
            if (k & (1 << i)) occupancy |= squareBit[maskSquares[i]];
        table[magicIndex(occupancy, mask, magic, shift)] =
            walkRays(square, occupancy, steps, false);
    }
}

} // namespace

void initAttackTables() {
#ifdef MADV_HUGEPAGE
    // Asked before the first write; where refused, ordinary pages serve.
    madvise(rookAttackTable, sizeof rookAttackTable, MADV_HUGEPAGE);
    madvise(bishopAttackTable, HugePageBytes, MADV_HUGEPAGE);
#endif
    for (int s = 0; s < 64; s++) {
        bishopMask[s] = walkRays(s, 0, bishopSteps, true);
        fillSquare(s, bishopSteps, bishopMask[s], bishopMagic[s], 23, bishopAttackTable[s]);
    }
    for (int s = 0; s < 64; s++) {
        rookMask[s] = walkRays(s, 0, rookSteps, true);
        fillSquare(s, rookSteps, rookMask[s], rookMagic[s], 20, rookAttackTable[s]);
    }
}
