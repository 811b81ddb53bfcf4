// Retrograde analysis of the engine's own distance-to-mate tables.
//
// Each position of a table is a node for each side to move. A forward pass sets the board up
// with the engine's own routines, generates the legal moves and splits them: captures and
// promotions leave the table and are scored at once from the tables computed before; the other
// moves are only counted. Mates and stalemates are scored as if by an exit. Then the values
// are settled ply by ply: a node lost in d plies makes every predecessor (found by un-moves)
// a win in d + 1; a node won in d plies takes one from each predecessor's count, and a
// predecessor with nothing left to try is lost in d + 1, unless an exit lets it hold out longer.
// Whatever is never settled is a draw.
#include "tablebases/tb_generator.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <unordered_map>

#include "board/attacks.h"
#include "board/board.h"
#include "board/makemove.h"
#include "board/movegen.h"
#include "board/position.h"
#include "board/tables.h"
#include "tablebases/own_tables.h"

namespace {

// Working scores: 1000 - d for a win in d plies, -1000 + d for a loss in d plies, 0 a draw.
constexpr int WinScore = 1000;
constexpr int16_t Unknown = -32768;
constexpr int16_t Invalid = -32767;
constexpr int16_t NoExit = -30000;

// Piece codes of the tablebase types (index TbPawn..TbKing) for White; Black's are one higher.
constexpr int WhiteCodes[7] = {0, WhitePawn, WhiteKnight, WhiteBishop, WhiteRook, WhiteQueen,
                               WhiteKing};
constexpr int TbTypeOfCode[13] = {0, TbPawn, TbPawn, TbKnight, TbKnight, TbKing, TbKing,
                                  TbRook, TbRook, TbQueen, TbQueen, TbBishop, TbBishop};

std::unordered_map<uint32_t, TbGenTable> tables;
// The last tables asked for by tbGenProbe: exits of one table lead into only a few others.
const TbGenTable* recentTables[4] = {};
// Tables not kept are asked of the file reader.
bool useFiles = false;

// The score after a move into a successor worth score for the side then to move.
inline int backedUp(int score) {
    return score > 0 ? -score + 1 : score < 0 ? -score - 1 : 0;
}

// Probe-scale value of a working score, and back.
int16_t probeValueOf(int score) {
    if (score == 0) return 0;
    if (score > 0) return static_cast<int16_t>(32767 - (WinScore - score + 1) / 2);
    return static_cast<int16_t>(-32766 + (score + WinScore) / 2);
}
int scoreOfProbeValue(int value) {
    if (value == 0) return 0;
    if (value > 0) return WinScore - (2 * (32767 - value) - 1);
    return -WinScore + 2 * (value + 32766);
}

// The probe value after a move into a successor worth value for the side then to move.
int probeBackedUp(int value) {
    if (value == 0) return 0;
    if (value > 0) return -32766 + (32767 - value);
    return 32767 - (value + 32766 + 1);
}

int menOnBoard[TbMaxMen];
int menOnBoardCount = 0;

// Puts the slots' men on the global board (only what move generation reads is kept exact).
void placeBoard(const TbMaterial& m, const int squares[TbMaxMen], int side, int epSquare) {
    for (int i = 0; i < menOnBoardCount; i++) board.squares[menOnBoard[i]] = Empty;
    std::memset(board.bitboards, 0, sizeof board.bitboards);
    for (int i = 0; i < m.men; i++) {
        int code = WhiteCodes[m.types[i]] + m.colours[i];
        board.squares[squares[i]] = code;
        board.bitboards[code] |= squareBit[squares[i]];
        board.bitboards[m.colours[i] == 0 ? WhiteMen : BlackMen] |= squareBit[squares[i]];
        menOnBoard[i] = squares[i];
    }
    menOnBoardCount = m.men;
    board.whiteKingSq = squares[0];
    board.blackKingSq = squares[1];
    board.sideToMove = side == 0 ? White : Black;
    board.epSquare = epSquare;
    board.fiftyCount = 0;
    board.menCount = m.men;
}

// Piece lists of slots, leaving out slot skip and giving slot promoted the type promotedType.
void listsFromSlots(const TbMaterial& m, const int squares[TbMaxMen], int skip, int promoted,
                    int promotedType, TbPieceList* white, TbPieceList* black) {
    *white = TbPieceList{1, {TbKing, 0, 0, 0}, {squares[0], 0, 0, 0}};
    *black = TbPieceList{1, {TbKing, 0, 0, 0}, {squares[1], 0, 0, 0}};
    for (int i = 2; i < m.men; i++) {
        if (i == skip) continue;
        TbPieceList* list = m.colours[i] == 0 ? white : black;
        list->types[list->count] = i == promoted ? promotedType : m.types[i];
        list->squares[list->count] = squares[i];
        list->count++;
    }
}

bool squaresValid(const TbMaterial& m, const int squares[TbMaxMen]) {
    Bitboard seen = 0;
    for (int i = 0; i < m.men; i++) {
        Bitboard bit = squareBit[squares[i]];
        if (seen & bit) return false;
        seen |= bit;
        if (m.types[i] == TbPawn && (squares[i] < 8 || squares[i] >= 56)) return false;
    }
    return true;
}

// True when the side not to move on the board is in check (the position cannot arise).
bool waitingSideInCheck() {
    if (board.sideToMove == White) return isAttackedWithOccupancy(board.blackKingSq, White,
                                        board.bitboards[WhiteMen] | board.bitboards[BlackMen]);
    return isAttackedWithOccupancy(board.whiteKingSq, Black,
                                   board.bitboards[WhiteMen] | board.bitboards[BlackMen]);
}

struct Work {
    const TbMaterial* m;
    int16_t* value[2];
    int16_t* exitBest[2];
    uint8_t* count[2];
    std::vector<uint64_t>* next; // nodes settled for the next ply
    uint64_t missingExits;
};

// The predecessor Q (side to move mover) of a node: its count or its value changes because the
// node it moves into was just settled at ply d.
inline void touchPredecessor(Work& w, int mover, const int squares[TbMaxMen], int d) {
    const TbMaterial& m = *w.m;
    int canonical[TbMaxMen];
    std::memcpy(canonical, squares, sizeof canonical);
    tbCanonicalise(m, canonical);
    // The predecessor itself, then the same position with each pawn of the other side that
    // could just have come two squares (its en-passant entries): the move is open to all.
    for (int ep = 0; ep <= m.epRegions; ep++) {
        int passed;
        if (ep > 0 && !tbEnPassantPossible(m, canonical, mover, ep, &passed)) continue;
        uint64_t index = tbIndexOfCanonical(m, canonical, ep);
        int16_t& value = w.value[mover][index];
        if (value != Unknown) continue;
        if ((d & 1) == 0) {
            // The node is lost in d plies: moving into it wins in d + 1.
            value = static_cast<int16_t>(WinScore - (d + 1));
            w.next->push_back(index * 2 + static_cast<uint64_t>(mover));
            continue;
        }
        uint8_t& count = w.count[mover][index];
        count = static_cast<uint8_t>(count - tbSymmetryCount(m, canonical));
        int lossNext = -WinScore + d + 1;
        if (count == 0 && w.exitBest[mover][index] <= lossNext) {
            value = static_cast<int16_t>(lossNext);
            w.next->push_back(index * 2 + static_cast<uint64_t>(mover));
        }
    }
}

// Every predecessor of a node (side to move `side`, settled at ply d) by un-moves of the other
// side: no un-captures or un-promotions, which are not moves within the table.
void propagate(Work& w, int side, uint64_t index, int d) {
    const TbMaterial& m = *w.m;
    int squares[TbMaxMen];
    int ep;
    tbDecode(m, index, squares, &ep);
    int mover = side ^ 1;
    Bitboard occupancy = 0;
    for (int i = 0; i < m.men; i++) occupancy |= squareBit[squares[i]];
    Bitboard empty = ~occupancy;
    int pawnStep = mover == 0 ? 8 : -8;
    // In a node of an en-passant region only the pawn named by the region has just moved.
    int epSlot = ep ? tbEnPassantSlot(m, ep) : -1;
    for (int i = 0; i < m.men; i++) {
        if (m.colours[i] != mover) continue;
        int from = squares[i];
        Bitboard targets = 0;
        switch (m.types[i]) {
        case TbKing: targets = kingAttacks[from]; break;
        case TbKnight: targets = knightAttacks[from]; break;
        case TbBishop: targets = bishopAttacks(from, occupancy); break;
        case TbRook: targets = rookAttacks(from, occupancy); break;
        case TbQueen: targets = bishopAttacks(from, occupancy) | rookAttacks(from, occupancy); break;
        case TbPawn: {
            int back = from - pawnStep;
            int rank = from >> 3;
            bool doubleRank = mover == 0 ? rank == 3 : rank == 4;
            // A double step that leaves an en-passant capture open leads into that pawn's
            // en-passant entry, not into this ordinary one.
            int passed;
            bool epHere = !ep && m.epRegions &&
                          tbEnPassantPossible(m, squares, side, tbEnPassantRegion(m, i), &passed);
            if (!ep && back >= 8 && back < 56 && (empty & squareBit[back]))
                targets |= squareBit[back];
            if (doubleRank && !epHere && (empty & squareBit[back]) &&
                (empty & squareBit[back - pawnStep]))
                targets |= squareBit[back - pawnStep];
            if (ep) targets &= i == epSlot && doubleRank ? squareBit[back - pawnStep] : 0;
            break;
        }
        }
        if (ep && m.types[i] != TbPawn) continue;
        targets &= empty;
        while (targets) {
            int to = lowestSquare(targets);
            targets &= targets - 1;
            squares[i] = to;
            touchPredecessor(w, mover, squares, d);
        }
        squares[i] = from;
    }
}

// Forward pass over one node: validity, exits, counts. Returns the distance in plies at which
// its best exit could settle it (a mate or a win or loss by an exit), or -1.
int forwardNode(Work& w, int side, uint64_t index) {
    const TbMaterial& m = *w.m;
    int squares[TbMaxMen];
    int ep;
    tbDecode(m, index, squares, &ep);
    w.value[side][index] = Invalid;
    w.exitBest[side][index] = NoExit;
    w.count[side][index] = 0;
    if (!squaresValid(m, squares)) return -1;
    int canonical[TbMaxMen];
    std::memcpy(canonical, squares, sizeof canonical);
    tbCanonicalise(m, canonical);
    for (int i = 0; i < m.men; i++)
        if (canonical[i] != squares[i]) return -1;
    int passed = 0;
    if (ep && !tbEnPassantPossible(m, squares, side, ep, &passed)) return -1;
    placeBoard(m, squares, side, ep ? passed : 0);
    if (waitingSideInCheck()) return -1;

    w.value[side][index] = Unknown;
    int inCheck = sideToMoveInCheck();
    Move moves[MaxMoves];
    Move* end = generateMoves(moves, inCheck);
    int best = NoExit;
    int count = 0;
    if (end == moves) best = inCheck ? -WinScore : 0;
    for (Move* move = moves; move < end; move++) {
        int from = moveFrom(*move), to = moveTo(*move);
        int mover = 0;
        while (squares[mover] != from) mover++;
        int promotion = movePromotion(*move);
        int victim = -1;
        if (moveIsEnPassant(*move)) {
            int victimSquare = to + (side == 0 ? -8 : 8);
            for (int i = 2; i < m.men; i++)
                if (squares[i] == victimSquare) victim = i;
        } else if (moveCaptured(*move)) {
            for (int i = 1; i < m.men; i++)
                if (squares[i] == to && i != mover) victim = i;
        }
        int child[TbMaxMen];
        std::memcpy(child, squares, sizeof child);
        child[mover] = to;
        if (victim >= 0 || promotion) {
            TbPieceList white, black;
            listsFromSlots(m, child, victim, promotion ? mover : -1,
                           promotion ? TbTypeOfCode[promotion] : 0, &white, &black);
            int value = tbGenProbe(&white, &black, side ^ 1, TbNoEnPassant);
            if (value == TbNoValue) {
                w.missingExits++;
                continue;
            }
            int score = backedUp(scoreOfProbeValue(value));
            if (score > best) best = score;
            continue;
        }
        count += tbSymmetryCount(m, child);
    }
    w.exitBest[side][index] = static_cast<int16_t>(best);
    w.count[side][index] = static_cast<uint8_t>(count);
    if (best == NoExit || best == 0) return -1;
    return best > 0 ? WinScore - best : best + WinScore;
}

// True when every table a capture or a promotion of this material leads into is kept.
bool exitTablesKept(const TbMaterial& m) {
    TbMaterial targets[16];
    int n = tbGenExitMaterials(m, targets, 16);
    if (n < 0) return false;
    for (int t = 0; t < n; t++) {
        int counts[10] = {0};
        for (int i = 2; i < targets[t].men; i++)
            counts[(targets[t].colours[i] ? 5 : 0) + targets[t].types[i] - 1]++;
        if (tables.find(targets[t].key) == tables.end() &&
            !(useFiles && ownTableBackend.hasTable(counts, 0) && ownTableBackend.hasTable(counts, 1)))
            return false;
    }
    return true;
}

} // namespace

int tbGenExitMaterials(const TbMaterial& m, TbMaterial* out, int capacity) {
    int counts[10] = {0};
    for (int i = 2; i < m.men; i++) counts[(m.colours[i] ? 5 : 0) + m.types[i] - 1]++;
    int n = 0;
    for (int i = 0; i < 10; i++) {
        if (counts[i] == 0) continue;
        // The man captured, or (a pawn) promoted to a knight, bishop, rook or queen.
        int variants = i % 5 == 0 ? 5 : 1;
        for (int v = 0; v < variants; v++) {
            int child[10];
            std::memcpy(child, counts, sizeof child);
            child[i]--;
            if (v > 0) child[i - (i % 5) + v]++;
            TbMaterial target;
            bool swapped;
            if (!tbMaterialFromCounts(child, &target, &swapped)) return -1;
            if (target.men <= 2) continue;
            bool seen = false;
            for (int k = 0; k < n; k++) seen = seen || out[k].key == target.key;
            if (seen) continue;
            if (n == capacity) return -1;
            out[n++] = target;
        }
    }
    return n;
}

void tbListsFromBoard(TbPieceList* white, TbPieceList* black) {
    *white = TbPieceList{1, {TbKing, 0, 0, 0}, {board.whiteKingSq, 0, 0, 0}};
    *black = TbPieceList{1, {TbKing, 0, 0, 0}, {board.blackKingSq, 0, 0, 0}};
    Bitboard men = (board.bitboards[WhiteMen] | board.bitboards[BlackMen]) &
                   ~(squareBit[board.whiteKingSq] | squareBit[board.blackKingSq]);
    while (men) {
        int square = lowestSquare(men);
        men &= men - 1;
        int code = board.squares[square];
        TbPieceList* list = isWhitePiece(code) ? white : black;
        if (list->count == TbMaxSideMen + 1) continue;
        list->types[list->count] = TbTypeOfCode[code];
        list->squares[list->count] = square;
        list->count++;
    }
}

void tbGenInit() {
    static bool done = false;
    if (done) return;
    done = true;
    initBoardTables();
    initAttackTables();
    clearBoard();
    board.historyIndex = 0;
    // Kings that have moved: no castling in any table position.
    board.moveCounts[E1] = 1;
    board.moveCounts[E8] = 1;
    menOnBoardCount = 0;
}

int tbGenMaterials(int maxMen, int onlyMen, TbMaterial* out, int capacity) {
    int n = 0;
    // Every choice of up to two men a side (types 0 = none, then TbPawn..TbQueen).
    for (int w1 = 0; w1 <= TbQueen; w1++)
        for (int w2 = 0; w2 <= w1; w2++)
            for (int b1 = 0; b1 <= TbQueen; b1++)
                for (int b2 = 0; b2 <= b1; b2++) {
                    if ((w1 == 0 && w2 != 0) || (b1 == 0 && b2 != 0)) continue;
                    int counts[10] = {0};
                    int types[4] = {w1, w2, b1, b2};
                    for (int i = 0; i < 4; i++)
                        if (types[i]) counts[(i < 2 ? 0 : 5) + types[i] - 1]++;
                    TbMaterial m;
                    bool swapped;
                    if (!tbMaterialFromCounts(counts, &m, &swapped) || swapped) continue;
                    if (m.men < 3 || m.men > maxMen) continue;
                    if (onlyMen && (m.men != onlyMen || m.whiteMen != 2 || m.blackMen != 1))
                        continue;
                    bool seen = false;
                    for (int i = 0; i < n; i++) seen = seen || out[i].key == m.key;
                    if (seen || n == capacity) continue;
                    out[n++] = m;
                }
    auto pawns = [](const TbMaterial& m) {
        int p = 0;
        for (int i = 2; i < m.men; i++) p += m.types[i] == TbPawn;
        return p;
    };
    std::stable_sort(out, out + n, [&](const TbMaterial& a, const TbMaterial& b) {
        if (a.men != b.men) return a.men < b.men;
        return pawns(a) < pawns(b);
    });
    return n;
}

const TbGenTable* tbGenerate(const TbMaterial& material, TbGenStats* stats) {
    auto started = std::chrono::steady_clock::now();
    tbGenInit();
    const TbMaterial& m = material;
    if (!exitTablesKept(m)) return nullptr;
    TbGenTable table;
    table.material = m;
    std::vector<int16_t> exitBest[2];
    std::vector<uint8_t> count[2];
    Work w{&table.material, {}, {}, {}, nullptr, 0};
    for (int side = 0; side < 2; side++) {
        table.values[side].assign(m.size, Unknown);
        exitBest[side].assign(m.size, NoExit);
        count[side].assign(m.size, 0);
        w.value[side] = table.values[side].data();
        w.exitBest[side] = exitBest[side].data();
        w.count[side] = count[side].data();
    }
    // Nodes whose exits may settle them, by the exit's distance in plies.
    std::vector<std::vector<uint64_t>> byExit;
    for (int side = 0; side < 2; side++)
        for (uint64_t index = 0; index < m.size; index++) {
            int exitPlies = forwardNode(w, side, index);
            if (exitPlies < 0) continue;
            if (byExit.size() <= static_cast<size_t>(exitPlies)) byExit.resize(exitPlies + 1);
            byExit[exitPlies].push_back(index * 2 + side);
        }
    // A capture or promotion into a table not computed yet: no value here could be trusted.
    if (w.missingExits) return nullptr;

    std::vector<uint64_t> settled, next;
    w.next = &next;
    for (size_t d = 0; d < byExit.size() || !settled.empty(); d++) {
        int16_t code = static_cast<int16_t>(d & 1 ? WinScore - d : -WinScore + d);
        if (d < byExit.size()) {
            for (uint64_t node : byExit[d]) {
                int side = static_cast<int>(node & 1);
                uint64_t index = node >> 1;
                if (w.value[side][index] == Unknown && w.exitBest[side][index] == code &&
                    ((d & 1) || w.count[side][index] == 0)) {
                    w.value[side][index] = code;
                    settled.push_back(node);
                }
            }
            std::vector<uint64_t>().swap(byExit[d]);
        }
        for (uint64_t node : settled) propagate(w, static_cast<int>(node & 1), node >> 1, static_cast<int>(d));
        settled.swap(next);
        next.clear();
    }

    TbGenStats s{};
    s.positions = 2 * m.size;
    for (int side = 0; side < 2; side++) {
        for (int16_t& value : table.values[side]) {
            if (value == Invalid) {
                value = static_cast<int16_t>(TbNoValue);
                continue;
            }
            if (value == Unknown) value = 0;
            if (value > 0) s.longestWin[side] = std::max(s.longestWin[side], (WinScore - value + 1) / 2);
            value = probeValueOf(value);
        }
    }
    s.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    if (stats) *stats = s;
    uint32_t key = m.key;
    tables[key] = std::move(table);
    return &tables[key];
}

void tbGenAdd(TbGenTable&& table) {
    uint32_t key = table.material.key;
    tables[key] = std::move(table);
}

const TbGenTable* tbGenFind(uint32_t key) {
    auto it = tables.find(key);
    return it == tables.end() ? nullptr : &it->second;
}

void tbGenForget(uint32_t key) {
    std::memset(recentTables, 0, sizeof recentTables);
    tables.erase(key);
}

void tbGenUseFiles(bool on) { useFiles = on; }

void tbGenReset() {
    std::memset(recentTables, 0, sizeof recentTables);
    tables.clear();
}

int tbGenProbe(const TbPieceList* white, const TbPieceList* black, int side, int epSquare) {
    TbLocation l;
    if (!tbLocate(white, black, side, epSquare, &l)) return TbNoValue;
    if (l.material.men == 2) return 0;
    const TbGenTable* table = nullptr;
    for (const TbGenTable* t : recentTables)
        if (t != nullptr && t->material.key == l.material.key) table = t;
    if (table == nullptr) {
        table = tbGenFind(l.material.key);
        if (table == nullptr) return useFiles ? ownTableBackend.probe(white, black, side, epSquare) : TbNoValue;
        std::memmove(recentTables + 1, recentTables, sizeof recentTables - sizeof recentTables[0]);
        recentTables[0] = table;
    }
    return table->values[l.side][l.index];
}

uint64_t tbVerify(const TbGenTable& table, int side, uint64_t first, uint64_t last, uint64_t step,
                  TbProbeFunction probe, uint64_t* checked) {
    tbGenInit();
    const TbMaterial& m = table.material;
    uint64_t wrong = 0, looked = 0;
    if (step == 0) step = 1;
    for (uint64_t index = first; index <= last && index < m.size; index += step) {
        int stored = table.values[side][index];
        if (stored == TbNoValue) continue;
        int squares[TbMaxMen];
        int ep;
        tbDecode(m, index, squares, &ep);
        int passed = 0;
        if (ep) tbEnPassantPossible(m, squares, side, ep, &passed);
        placeBoard(m, squares, side, passed);
        looked++;
        // The board as a probe would see it: the position itself must be answered with the
        // stored value too.
        TbPieceList white, black;
        tbListsFromBoard(&white, &black);
        if (probe(&white, &black, side, ep ? passed : TbNoEnPassant) != stored) {
            wrong++;
            continue;
        }
        int inCheck = sideToMoveInCheck();
        Move moves[MaxMoves];
        Move* end = generateMoves(moves, inCheck);
        int expected = end == moves ? (inCheck ? -32766 : 0) : -32768;
        for (Move* move = moves; move < end; move++) {
            makeMove(*move);
            tbListsFromBoard(&white, &black);
            // Bare kings are a draw without a table.
            int child = white.count + black.count == 2
                            ? 0
                            : probe(&white, &black, side ^ 1, board.epSquare ? board.epSquare : TbNoEnPassant);
            unmakeMove(*move);
            if (child == TbNoValue) {
                expected = TbNoValue;
                break;
            }
            expected = std::max(expected, probeBackedUp(child));
        }
        if (expected != stored) wrong++;
    }
    // Moves made on the board may have left men the next placement does not know of.
    for (int square = 0; square < 64; square++) board.squares[square] = Empty;
    menOnBoardCount = 0;
    if (checked) *checked = looked;
    return wrong;
}
