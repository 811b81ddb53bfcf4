// The generator and the index scheme of the engine's own tables, on the three-men set computed
// in the test process: symmetry, the one-move consistency of every value, the published longest
// mates, and agreement with Debian's Gaviota tables on every position.
#include <gtest/gtest.h>
#include <gtb-probe.h>

#include <random>
#include <string>

#include "board/types.h"
#include "own_tables_support.h"

namespace {

// A random position of a material as the reader's lists, in the real (not the table's)
// orientation; squares distinct, pawns off the first and last ranks.
void randomPosition(std::mt19937& random, const TbMaterial& m, int squares[TbMaxMen]) {
    for (;;) {
        bool ok = true;
        for (int i = 0; i < m.men && ok; i++) {
            squares[i] = static_cast<int>(random() % 64);
            if (m.types[i] == TbPawn && (squares[i] < 8 || squares[i] >= 56)) ok = false;
            for (int j = 0; j < i; j++) ok = ok && squares[j] != squares[i];
        }
        if (ok) return;
    }
}

TbLocation locate(const TbMaterial& m, const int squares[TbMaxMen], int side, bool exchange) {
    int copy[TbMaxMen];
    for (int i = 0; i < m.men; i++) copy[i] = exchange ? squares[i] ^ 56 : squares[i];
    TbPieceList white, black;
    listsOfSlots(m, copy, &white, &black);
    TbLocation l{};
    EXPECT_TRUE(exchange ? tbLocate(&black, &white, side ^ 1, TbNoEnPassant, &l)
                         : tbLocate(&white, &black, side, TbNoEnPassant, &l));
    return l;
}

TEST(OwnTablesIndex, EverySymmetricImageAndTheColourExchangeShareOneEntry) {
    std::mt19937 random(15);
    for (const char* name : {"kbnk", "kqkr", "kbbk", "krpk", "kpkp", "kqk"}) {
        TbMaterial m = materialNamed(name);
        for (int trial = 0; trial < 2000; trial++) {
            int squares[TbMaxMen];
            randomPosition(random, m, squares);
            int side = trial & 1;
            TbLocation base = locate(m, squares, side, false);
            ASSERT_EQ(base.material.key, m.key) << name;
            ASSERT_LT(base.index, m.size);
            int images = m.scheme == TbSchemeTriangle ? 8 : 2;
            for (int g = 0; g < images; g++) {
                int image[TbMaxMen];
                for (int i = 0; i < m.men; i++) {
                    int s = squares[i];
                    if (g & 1) s ^= 7;
                    if (g & 2) s ^= 56;
                    if (g & 4) s = ((s & 7) << 3) | (s >> 3);
                    image[i] = s;
                }
                TbLocation other = locate(m, image, side, false);
                EXPECT_EQ(other.index, base.index) << name << " image " << g;
            }
            // The same position with the colours exchanged and seen from the other side (where
            // both sides have the same men that is another entry of the same value).
            if (m.whiteMen == m.blackMen) continue;
            TbLocation exchanged = locate(m, squares, side, true);
            EXPECT_EQ(exchanged.index, base.index) << name;
            EXPECT_EQ(exchanged.side, base.side) << name;
            // Decoding an index gives back the canonical squares.
            int decoded[TbMaxMen];
            int ep;
            tbDecode(m, base.index, decoded, &ep);
            EXPECT_FALSE(ep);
            for (int i = 0; i < m.men; i++) EXPECT_EQ(decoded[i], base.squares[i]) << name;
        }
    }
}

// Two pawns of one side that could both just have come two squares are two different positions:
// each has a region of its own, found from the en-passant square, in either colour orientation.
TEST(OwnTablesIndex, EnPassantRegionsTellTwoPawnsOfOneSideApart) {
    TbMaterial m = materialNamed("kppkp");
    EXPECT_EQ(m.epRegions, 3);
    EXPECT_EQ(m.size, m.baseSize + 3 * m.baseSize / 8); // only the moved pawn's file is numbered
    EXPECT_EQ(materialNamed("kpkp").epRegions, 2);
    EXPECT_EQ(materialNamed("krpkp").epRegions, 2);
    EXPECT_EQ(materialNamed("kppk").epRegions, 0);

    // White: king b1, pawns c4 and e4; Black: king h8, pawn d4; Black to move.
    TbPieceList white{3, {TbKing, TbPawn, TbPawn, 0}, {B1, C4, E4, 0}};
    TbPieceList black{2, {TbKing, TbPawn, 0, 0}, {H8, D4, 0, 0}};
    TbLocation plain{}, fromC{}, fromE{}, nobody{};
    ASSERT_TRUE(tbLocate(&white, &black, 1, TbNoEnPassant, &plain));
    ASSERT_TRUE(tbLocate(&white, &black, 1, C3, &fromC));
    ASSERT_TRUE(tbLocate(&white, &black, 1, E3, &fromE));
    ASSERT_TRUE(tbLocate(&white, &black, 1, D3, &nobody)); // no pawn passed d3
    EXPECT_EQ(plain.ep, 0);
    EXPECT_EQ(nobody.index, plain.index);
    ASSERT_NE(fromC.ep, 0);
    ASSERT_NE(fromE.ep, 0);
    EXPECT_NE(fromC.ep, fromE.ep);
    EXPECT_GE(fromC.index, m.baseSize);
    EXPECT_LT(fromC.index, m.size);
    EXPECT_GE(fromE.index, m.baseSize);
    EXPECT_LT(fromE.index, m.size);
    // Each entry decodes to the same men, to its pawn, and the square it passed over is the one
    // asked with.
    int plainSquares[TbMaxMen], plainEp;
    tbDecode(m, plain.index, plainSquares, &plainEp);
    EXPECT_EQ(plainEp, 0);
    for (const TbLocation* l : {&fromC, &fromE}) {
        int squares[TbMaxMen], ep, passed = -1;
        tbDecode(m, l->index, squares, &ep);
        EXPECT_EQ(ep, l->ep);
        for (int i = 0; i < m.men; i++) EXPECT_EQ(squares[i], plainSquares[i]);
        EXPECT_EQ(tbIndexOfCanonical(m, squares, ep), l->index);
        ASSERT_TRUE(tbEnPassantPossible(m, squares, 1, ep, &passed));
        EXPECT_EQ(passed, l == &fromC ? C3 : E3);
        EXPECT_EQ(squares[tbEnPassantSlot(m, ep)], l == &fromC ? C4 : E4);
    }
    // A pawn that could not have come two squares has no entry: the square it came from is taken.
    TbPieceList blocked{3, {TbKing, TbPawn, TbPawn, 0}, {C2, C4, E4, 0}};
    TbLocation none{};
    ASSERT_TRUE(tbLocate(&blocked, &black, 1, C3, &none));
    EXPECT_EQ(none.ep, 0);

    // The same position with the colours exchanged is the same entry of the same table.
    TbPieceList whiteSwapped{2, {TbKing, TbPawn, 0, 0}, {H1, D5, 0, 0}};
    TbPieceList blackSwapped{3, {TbKing, TbPawn, TbPawn, 0}, {B8, E5, C5, 0}};
    TbLocation swapped{};
    ASSERT_TRUE(tbLocate(&whiteSwapped, &blackSwapped, 0, C6, &swapped));
    EXPECT_EQ(swapped.material.key, m.key);
    EXPECT_EQ(swapped.side, 1);
    EXPECT_NE(swapped.ep, 0);
    // The pawns listed the other way round swap the slots, not the pawn that moved.
    int squares[TbMaxMen], ep;
    tbDecode(m, swapped.index, squares, &ep);
    EXPECT_EQ(squares[tbEnPassantSlot(m, ep)], C4);
}

// A pawn that could not have come two squares because the position before would have left the
// other king attacked gives no en-passant entry: not through the diagonal its capture opens
// (taking it would bare the capturer's own king), nor when the pawn back home attacks that king.
// Such positions never arise; counted as entries, their captures led into no table at all.
TEST(OwnTablesIndex, NoEnPassantEntryWhenTheStepCameFromAnIllegalPosition) {
    // White: king a1, bishop g5, pawn f4; Black: king c1, pawn g4; Black to move, f3 passed.
    TbPieceList black{2, {TbKing, TbPawn, 0, 0}, {C1, G4, 0, 0}};
    TbPieceList pinning{3, {TbKing, TbBishop, TbPawn, 0}, {A1, G5, F4, 0}};
    TbPieceList aside{3, {TbKing, TbBishop, TbPawn, 0}, {A1, H5, F4, 0}};
    TbLocation none{}, entry{};
    ASSERT_TRUE(tbLocate(&pinning, &black, 1, F3, &none));
    ASSERT_TRUE(tbLocate(&aside, &black, 1, F3, &entry));
    EXPECT_EQ(none.ep, 0);
    EXPECT_NE(entry.ep, 0);
    // The same with a queen, and with the colours exchanged.
    TbPieceList queen{3, {TbKing, TbQueen, TbPawn, 0}, {A1, G5, F4, 0}};
    ASSERT_TRUE(tbLocate(&queen, &black, 1, F3, &none));
    EXPECT_EQ(none.ep, 0);
    TbPieceList whiteSwapped{2, {TbKing, TbPawn, 0, 0}, {C8, G5, 0, 0}};
    TbPieceList blackPinning{3, {TbKing, TbBishop, TbPawn, 0}, {A8, G4, F5, 0}};
    ASSERT_TRUE(tbLocate(&whiteSwapped, &blackPinning, 0, F6, &none));
    EXPECT_EQ(none.ep, 0);

    // King and pawn each: the black king on g3 was in check from the pawn still on f2.
    TbPieceList white{2, {TbKing, TbPawn, 0, 0}, {A1, F4, 0, 0}};
    TbPieceList checked{2, {TbKing, TbPawn, 0, 0}, {G3, E4, 0, 0}};
    TbPieceList clear{2, {TbKing, TbPawn, 0, 0}, {H3, E4, 0, 0}};
    ASSERT_TRUE(tbLocate(&white, &checked, 1, F3, &none));
    ASSERT_TRUE(tbLocate(&white, &clear, 1, F3, &entry));
    EXPECT_EQ(none.ep, 0);
    EXPECT_NE(entry.ep, 0);
    // A check the double step gives itself is no obstacle: king e5 attacked by the pawn on f4.
    TbPieceList checkedByStep{2, {TbKing, TbPawn, 0, 0}, {E5, E4, 0, 0}};
    ASSERT_TRUE(tbLocate(&white, &checkedByStep, 1, F3, &entry));
    EXPECT_NE(entry.ep, 0);
}

TEST(OwnTablesIndex, NamesAndMaterialsRoundTrip) {
    TbMaterial materials[64];
    int n = tbGenMaterials(4, 0, materials, 64);
    EXPECT_EQ(n, 35); // 5 three-men and 30 four-men endings
    for (int i = 0; i < n; i++) {
        TbMaterial parsed{};
        ASSERT_TRUE(tbMaterialFromName(materials[i].name, &parsed)) << materials[i].name;
        EXPECT_EQ(parsed.key, materials[i].key);
    }
    TbMaterial m{};
    EXPECT_FALSE(tbMaterialFromName("krkq", &m)); // the stored orientation is "kqkr"
    EXPECT_FALSE(tbMaterialFromName("kqrbk", &m)); // four men a side
    EXPECT_FALSE(tbMaterialFromName("kxk", &m));
    int tooMany[10] = {0, 0, 0, 0, 3, 0, 0, 0, 0, 0};
    bool swapped;
    EXPECT_FALSE(tbMaterialFromCounts(tooMany, &m, &swapped));
}

// Probes of many materials in turn, with lists no table can hold among them (three men a side),
// each find their own table: what is remembered of one probe's material never answers another.
TEST(OwnTablesIndex, ProbesOfManyMaterialsInTurnEachFindTheirTable) {
    TbMaterial materials[128];
    int n = tbGenMaterials(5, 0, materials, 128);
    std::mt19937 random(77);
    int refused = 0;
    for (int trial = 0; trial < 20000; trial++) {
        if (trial % 3 == 0) {
            // Two men besides the king on each side: six men, which no table holds.
            TbPieceList white{3, {TbKing, 0, 0, 0}, {0, 9, 10, 0}};
            TbPieceList black{3, {TbKing, 0, 0, 0}, {63, 54, 53, 0}};
            for (int i = 1; i < 3; i++) {
                white.types[i] = TbPawn + static_cast<int>(random() % 5);
                black.types[i] = TbPawn + static_cast<int>(random() % 5);
            }
            TbLocation l{};
            ASSERT_FALSE(tbLocate(&white, &black, 0, TbNoEnPassant, &l));
            refused++;
            continue;
        }
        const TbMaterial& m = materials[random() % n];
        int squares[TbMaxMen];
        randomPosition(random, m, squares);
        bool exchange = random() & 1;
        TbLocation l = locate(m, squares, trial & 1, exchange);
        ASSERT_EQ(l.material.key, m.key) << m.name;
        ASSERT_STREQ(l.material.name, m.name);
        ASSERT_EQ(l.material.size, m.size) << m.name;
        // The table's side to move, whichever colours hold it; a material the same on both
        // sides ("kbkb") takes the exchanged lists as they are, with the other side to move.
        std::string name = m.name;
        size_t second = name.find('k', 1);
        bool even = name.substr(0, second) == name.substr(second);
        ASSERT_EQ(l.side, exchange && even ? (trial & 1) ^ 1 : trial & 1) << m.name;
    }
    EXPECT_GT(refused, 6000);
}

TEST(OwnTablesGeneration, ThreeMenLongestMatesAreThePublishedOnes) {
    TbMaterial materials[16];
    int n = tbGenMaterials(3, 0, materials, 16);
    ASSERT_EQ(n, 5);
    struct Expected {
        const char* name;
        int longest;
    } expected[] = {{"kqk", 10}, {"krk", 16}, {"kpk", 28}, {"kbk", 0}, {"knk", 0}};
    // In the generator's order: the pawn's promotions need the other four.
    tbGenReset();
    for (int i = 0; i < n; i++) {
        TbGenStats stats{};
        ASSERT_NE(tbGenerate(materials[i], &stats), nullptr) << materials[i].name;
        int found = 0;
        for (const Expected& e : expected) {
            if (std::string(e.name) != materials[i].name) continue;
            found++;
            EXPECT_EQ(stats.longestWin[0], e.longest) << e.name;
            EXPECT_EQ(stats.longestWin[1], 0) << e.name; // the lone king never mates
        }
        EXPECT_EQ(found, 1) << materials[i].name;
    }
}

TEST(OwnTablesGeneration, AMissingSmallerTableStopsTheGeneration) {
    tbGenReset();
    EXPECT_EQ(tbGenerate(materialNamed("kqkr"), nullptr), nullptr);
    computeThreeMenTables();
}

TEST(OwnTablesGeneration, EveryThreeMenValueFollowsFromItsSuccessors) {
    tbGenReset();
    TbMaterial materials[16];
    int n = tbGenMaterials(3, 0, materials, 16);
    for (int i = 0; i < n; i++) tbGenerate(materials[i], nullptr);
    for (int i = 0; i < n; i++) {
        const TbGenTable* table = tbGenFind(materials[i].key);
        ASSERT_NE(table, nullptr);
        for (int side = 0; side < 2; side++) {
            uint64_t checked = 0;
            EXPECT_EQ(tbVerify(*table, side, 0, table->material.size - 1, 1, tbGenProbe, &checked), 0u)
                << materials[i].name << " side " << side;
            EXPECT_GT(checked, 1000u);
        }
    }
}

// Gaviota's answer in the probe scale: plies to mate become moves.
int gaviotaValue(int side, unsigned info, unsigned plies) {
    if (info == tb_DRAW) return 0;
    bool moverWins = (info == tb_WMATE && side == 0) || (info == tb_BMATE && side == 1);
    if (moverWins) return 32767 - static_cast<int>((plies + 1) / 2);
    return -32766 + static_cast<int>(plies / 2);
}

TEST(OwnTablesGeneration, ThreeMenAgreeWithGaviotaOnEveryPosition) {
    computeThreeMenTables();
    const char** paths = tbpaths_init();
    paths = tbpaths_add(paths, "/usr/share/gaviotatb/gtb4");
    tb_init(0, tb_CP4, paths);
    tbcache_init(32 * 1024 * 1024, 0);
    ASSERT_NE(tb_availability() & 1u, 0u) << "Debian's gaviotatb package is needed";
    const int gaviotaType[7] = {tb_NOPIECE, tb_PAWN, tb_KNIGHT, tb_BISHOP, tb_ROOK, tb_QUEEN, tb_KING};
    long compared = 0, differing = 0;
    for (const char* name : {"kqk", "krk", "kbk", "knk", "kpk"}) {
        TbMaterial m = materialNamed(name);
        int squares[3];
        for (squares[0] = 0; squares[0] < 64; squares[0]++)
            for (squares[1] = 0; squares[1] < 64; squares[1]++)
                for (squares[2] = 0; squares[2] < 64; squares[2]++)
                    for (int side = 0; side < 2; side++) {
                        TbPieceList white, black;
                        listsOfSlots(m, squares, &white, &black);
                        int ours = tbGenProbe(&white, &black, side, TbNoEnPassant);
                        if (ours == TbNoValue) continue; // not a legal position
                        unsigned wSq[3] = {static_cast<unsigned>(squares[0]),
                                           static_cast<unsigned>(squares[2]), tb_NOSQUARE};
                        unsigned bSq[2] = {static_cast<unsigned>(squares[1]), tb_NOSQUARE};
                        unsigned char wPc[3] = {tb_KING, static_cast<unsigned char>(gaviotaType[m.types[2]]),
                                                tb_NOPIECE};
                        unsigned char bPc[2] = {tb_KING, tb_NOPIECE};
                        unsigned info = 0, plies = 0;
                        bool ok = tb_probe_hard(static_cast<unsigned>(side), tb_NOSQUARE, tb_NOCASTLE,
                                                wSq, bSq, wPc, bPc, &info, &plies);
                        compared++;
                        if (!ok || ours != gaviotaValue(side, info, plies)) {
                            if (differing++ < 5)
                                ADD_FAILURE() << name << " squares " << squares[0] << ","
                                              << squares[1] << "," << squares[2] << " side " << side
                                              << ": ours " << ours << ", Gaviota "
                                              << (ok ? gaviotaValue(side, info, plies) : -1);
                        }
                    }
    }
    tbcache_done();
    tb_done();
    tbpaths_done(paths);
    EXPECT_EQ(differing, 0);
    // Every legal three-men position: kings apart, the side not to move not in check.
    EXPECT_GT(compared, 1000000);
}

} // namespace
