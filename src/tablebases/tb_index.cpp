// The index scheme of the engine's own tables: material, slot order, symmetry and numbering.
#include "tablebases/tb_index.h"

#include <cstring>

namespace {

// Letters of the tablebase piece types in table names.
constexpr char TypeLetters[7] = {'?', 'p', 'n', 'b', 'r', 'q', 'k'};

// Squares of the a1-d1-d4 triangle in index order, and the index of each square there (-1 off it).
constexpr int TriangleSquares[10] = {0, 1, 2, 3, 9, 10, 11, 18, 19, 27};

constexpr int fileIndex(int square) { return square & 7; }
constexpr int rankIndex(int square) { return square >> 3; }
constexpr int transposed(int square) { return ((square & 7) << 3) | (square >> 3); }

int triangleIndex(int square) {
    for (int i = 0; i < 10; i++)
        if (TriangleSquares[i] == square) return i;
    return -1;
}

// Types of one side's men besides the king, strongest first, from five counts.
int sideTypes(const int counts[5], int types[TbMaxSideMen + 2]) {
    int n = 0;
    for (int type = TbQueen; type >= TbPawn; type--)
        for (int k = 0; k < counts[type - 1]; k++) {
            if (n == TbMaxSideMen + 1) return n + 1;
            types[n++] = type;
        }
    return n;
}

// Positive when the first side's men are stronger than the second's (more men, then the
// stronger men first), negative when weaker, 0 when the same.
int compareSides(const int* a, int na, const int* b, int nb) {
    if (na != nb) return na - nb;
    for (int i = 0; i < na; i++)
        if (a[i] != b[i]) return a[i] - b[i];
    return 0;
}

// The material of the last counts seen in each of a few slots: a table's exits lead into only a
// few others, and building a material is a large part of locating a probe.
bool cachedMaterial(const int counts[10], TbMaterial* material, bool* swapped) {
    struct Entry {
        uint32_t key;
        bool swapped;
        TbMaterial material;
    };
    static Entry entries[16];
    uint32_t key = 0;
    for (int i = 0; i < 10; i++) {
        if (counts[i] < 0 || counts[i] > TbMaxSideMen - 1) return false;
        key |= static_cast<uint32_t>(counts[i]) << (2 * i);
    }
    // Key 0 (bare kings) is never a table, so it marks an empty slot.
    Entry& e = entries[(key ^ (key >> 7) ^ (key >> 13)) & 15];
    if (e.key != key || key == 0) {
        e.key = 0;
        if (!tbMaterialFromCounts(counts, &e.material, &e.swapped)) return false;
        e.key = key;
    }
    *material = e.material;
    *swapped = e.swapped;
    return true;
}

// True when a man of the type and colour on from attacks target, the men on squares blocking
// its lines.
bool manAttacks(int type, int colour, int from, int target, const int* squares, int men) {
    int df = fileIndex(target) - fileIndex(from), dr = rankIndex(target) - rankIndex(from);
    if (df == 0 && dr == 0) return false;
    switch (type) {
    case TbPawn: return dr == (colour == 0 ? 1 : -1) && (df == 1 || df == -1);
    case TbKnight: return df * df + dr * dr == 5;
    case TbKing: return df * df + dr * dr <= 2;
    default: break;
    }
    bool straight = df == 0 || dr == 0, diagonal = df == dr || df == -dr;
    if (!(type == TbQueen ? straight || diagonal : type == TbRook ? straight : diagonal)) return false;
    int step = ((dr > 0) - (dr < 0)) * 8 + (df > 0) - (df < 0);
    for (int square = from + step; square != target; square += step)
        for (int j = 0; j < men; j++)
            if (squares[j] == square) return false;
    return true;
}

} // namespace

uint32_t tbCountsKey(const int counts[10]) {
    uint32_t key = 0;
    for (int i = 0; i < 10; i++) key |= static_cast<uint32_t>(counts[i] & 3) << (2 * i);
    return key;
}

bool tbMaterialFromCounts(const int counts[10], TbMaterial* material, bool* swapped) {
    for (int i = 0; i < 10; i++)
        if (counts[i] < 0 || counts[i] > TbMaxSideMen - 1) return false;
    int white[TbMaxSideMen + 2], black[TbMaxSideMen + 2];
    int nw = sideTypes(counts, white);
    int nb = sideTypes(counts + 5, black);
    if (nw + 1 > TbMaxSideMen || nb + 1 > TbMaxSideMen || nw + nb + 2 > TbMaxMen) return false;
    *swapped = compareSides(white, nw, black, nb) < 0;
    const int* strong = *swapped ? black : white;
    const int* weak = *swapped ? white : black;
    int ns = *swapped ? nb : nw;
    int nweak = *swapped ? nw : nb;

    TbMaterial& m = *material;
    std::memset(&m, 0, sizeof m);
    m.men = ns + nweak + 2;
    m.whiteMen = ns;
    m.blackMen = nweak;
    m.types[0] = TbKing;
    m.colours[0] = 0;
    m.types[1] = TbKing;
    m.colours[1] = 1;
    int pawns[2] = {0, 0};
    for (int i = 0; i < ns; i++) {
        m.types[2 + i] = strong[i];
        m.colours[2 + i] = 0;
        if (strong[i] == TbPawn) pawns[0]++;
    }
    for (int i = 0; i < nweak; i++) {
        m.types[2 + ns + i] = weak[i];
        m.colours[2 + ns + i] = 1;
        if (weak[i] == TbPawn) pawns[1]++;
    }
    m.scheme = pawns[0] + pawns[1] > 0 ? TbSchemeHalf : TbSchemeTriangle;
    m.epRegions = pawns[0] > 0 && pawns[1] > 0 ? pawns[0] + pawns[1] : 0;
    m.baseSize = static_cast<uint64_t>(m.scheme == TbSchemeTriangle ? 10 : 32) << (6 * (m.men - 1));
    m.epSize = m.baseSize / 8;
    m.size = m.baseSize + m.epSize * static_cast<uint64_t>(m.epRegions);
    int stored[10] = {0};
    for (int i = 2; i < m.men; i++) stored[(m.colours[i] ? 5 : 0) + m.types[i] - 1]++;
    m.key = tbCountsKey(stored);
    int n = 0;
    m.name[n++] = 'k';
    for (int i = 0; i < ns; i++) m.name[n++] = TypeLetters[strong[i]];
    m.name[n++] = 'k';
    for (int i = 0; i < nweak; i++) m.name[n++] = TypeLetters[weak[i]];
    m.name[n] = 0;
    return true;
}

bool tbMaterialFromName(const char* name, TbMaterial* material) {
    int counts[10] = {0};
    if (name[0] != 'k') return false;
    int side = 0;
    int i = 1;
    for (; name[i] != 0; i++) {
        if (name[i] == 'k') {
            if (side == 1) return false;
            side = 1;
            continue;
        }
        const char* letter = std::strchr("pnbrq", name[i]);
        if (letter == nullptr || i > 8) return false;
        counts[side * 5 + static_cast<int>(letter - "pnbrq")]++;
    }
    if (side != 1) return false;
    bool swapped;
    if (!tbMaterialFromCounts(counts, material, &swapped)) return false;
    return !swapped && std::strcmp(material->name, name) == 0;
}

void tbCanonicalise(const TbMaterial& material, int squares[TbMaxMen]) {
    int n = material.men;
    if (fileIndex(squares[0]) > 3)
        for (int i = 0; i < n; i++) squares[i] ^= 7;
    if (material.scheme == TbSchemeHalf) return;
    if (rankIndex(squares[0]) > 3)
        for (int i = 0; i < n; i++) squares[i] ^= 56;
    int king = squares[0];
    bool transpose = rankIndex(king) > fileIndex(king);
    if (rankIndex(king) == fileIndex(king)) {
        // The king on the diagonal: the first man off it decides, so that both mirror images of
        // a position get the same index.
        for (int i = 1; i < n; i++) {
            int f = fileIndex(squares[i]), r = rankIndex(squares[i]);
            if (r == f) continue;
            transpose = r > f;
            break;
        }
    }
    if (transpose)
        for (int i = 0; i < n; i++) squares[i] = transposed(squares[i]);
}

uint64_t tbIndexOfCanonical(const TbMaterial& material, const int squares[TbMaxMen], int ep) {
    uint64_t index = material.scheme == TbSchemeTriangle
                         ? static_cast<uint64_t>(triangleIndex(squares[0]))
                         : static_cast<uint64_t>(rankIndex(squares[0]) * 4 + fileIndex(squares[0]));
    int epSlot = ep ? tbEnPassantSlot(material, ep) : -1;
    for (int i = 1; i < material.men; i++) {
        if (i == epSlot)
            index = (index << 3) | static_cast<uint64_t>(fileIndex(squares[i]));
        else
            index = (index << 6) | static_cast<uint64_t>(squares[i]);
    }
    if (ep == 0) return index;
    return material.baseSize + static_cast<uint64_t>(ep - 1) * material.epSize + index;
}

void tbDecode(const TbMaterial& material, uint64_t index, int squares[TbMaxMen], int* ep) {
    int epSlot = -1;
    *ep = 0;
    if (index >= material.baseSize && material.epSize > 0) {
        index -= material.baseSize;
        *ep = static_cast<int>(index / material.epSize) + 1;
        index %= material.epSize;
        epSlot = tbEnPassantSlot(material, *ep);
    }
    for (int i = material.men - 1; i >= 1; i--) {
        if (i == epSlot) {
            // The pawn that has just come two squares stands on its fourth rank.
            int rank = material.colours[i] == 0 ? 3 : 4;
            squares[i] = rank * 8 + static_cast<int>(index & 7);
            index >>= 3;
            continue;
        }
        squares[i] = static_cast<int>(index & 63);
        index >>= 6;
    }
    int k = static_cast<int>(index);
    squares[0] = material.scheme == TbSchemeTriangle ? TriangleSquares[k] : (k >> 2) * 8 + (k & 3);
}

int tbSymmetryCount(const TbMaterial& material, const int squares[TbMaxMen]) {
    if (material.scheme != TbSchemeTriangle) return 1;
    // Squares of the long diagonals a1-h8 and a8-h1.
    constexpr uint64_t Diagonal = 0x8040201008040201ULL, AntiDiagonal = 0x0102040810204080ULL;
    uint64_t men = 0;
    for (int i = 0; i < material.men; i++) men |= 1ULL << squares[i];
    return (men & ~Diagonal) == 0 || (men & ~AntiDiagonal) == 0 ? 2 : 1;
}

int tbEnPassantSlot(const TbMaterial& material, int r) {
    for (int i = 2; i < material.men; i++)
        if (material.types[i] == TbPawn && --r == 0) return i;
    return -1;
}

int tbEnPassantRegion(const TbMaterial& material, int slot) {
    int r = 0;
    for (int i = 2; i <= slot && i < material.men; i++) r += material.types[i] == TbPawn;
    return slot >= 2 && slot < material.men && material.types[slot] == TbPawn ? r : 0;
}

bool tbEnPassantPossible(const TbMaterial& material, const int squares[TbMaxMen], int side, int r,
                         int* passedSquare) {
    int them = side ^ 1;
    int slot = tbEnPassantSlot(material, r);
    if (slot < 0 || material.colours[slot] != them) return false;
    int square = squares[slot];
    int step = them == 0 ? 8 : -8;
    if (rankIndex(square) != (them == 0 ? 3 : 4)) return false;
    int passed = square - step, origin = square - 2 * step;
    bool beside = false;
    for (int j = 0; j < material.men; j++) {
        if (squares[j] == passed || squares[j] == origin) return false;
        if (material.colours[j] == side && material.types[j] == TbPawn &&
            rankIndex(squares[j]) == rankIndex(square) &&
            (squares[j] == square - 1 || squares[j] == square + 1))
            beside = true;
    }
    if (!beside) return false;
    // The pawn back where it came from: the position before its double step must have been
    // legal, so the king of the side to move was not attacked then. A diagonal through the
    // pawn's square opened by the capture, or a check the step could not have given, would
    // otherwise count as reachable.
    int before[TbMaxMen];
    std::memcpy(before, squares, sizeof before);
    before[slot] = origin;
    int king = before[side]; // slots 0 and 1 hold the white and the black king
    for (int j = 0; j < material.men; j++)
        if (material.colours[j] == them &&
            manAttacks(material.types[j], them, before[j], king, before, material.men))
            return false;
    *passedSquare = passed;
    return true;
}

bool tbLocate(const TbPieceList* white, const TbPieceList* black, int side, int epSquare,
              TbLocation* location) {
    const TbPieceList* lists[2] = {white, black};
    int counts[10] = {0};
    for (int c = 0; c < 2; c++) {
        const TbPieceList* list = lists[c];
        if (list->count < 1 || list->count > TbMaxSideMen || list->types[0] != TbKing) return false;
        for (int i = 0; i < list->count; i++) {
            if (list->squares[i] < 0 || list->squares[i] > 63) return false;
            if (i > 0) {
                if (list->types[i] < TbPawn || list->types[i] > TbQueen) return false;
                counts[c * 5 + list->types[i] - 1]++;
            }
        }
    }
    if (side != 0 && side != 1) return false;
    bool swapped;
    TbLocation& l = *location;
    if (!cachedMaterial(counts, &l.material, &swapped)) return false;
    const TbMaterial& m = l.material;
    // Table White is the real Black when swapped: its men are seen from the other side of the
    // board.
    int flip = swapped ? 56 : 0;
    const TbPieceList* first = swapped ? black : white;
    const TbPieceList* second = swapped ? white : black;
    l.side = swapped ? side ^ 1 : side;
    l.squares[0] = first->squares[0] ^ flip;
    l.squares[1] = second->squares[0] ^ flip;
    int slot = 2;
    for (int pass = 0; pass < 2; pass++) {
        const TbPieceList* list = pass == 0 ? first : second;
        for (int type = TbQueen; type >= TbPawn; type--)
            for (int i = 1; i < list->count; i++)
                if (list->types[i] == type) l.squares[slot++] = list->squares[i] ^ flip;
    }
    l.ep = 0;
    if (m.epRegions && epSquare >= 0 && epSquare < 64)
        for (int k = 1; k <= m.epRegions && l.ep == 0; k++) {
            int passed;
            if (tbEnPassantPossible(m, l.squares, l.side, k, &passed) && passed == (epSquare ^ flip))
                l.ep = k;
        }
    tbCanonicalise(m, l.squares);
    l.index = tbIndexOfCanonical(m, l.squares, l.ep);
    return true;
}
