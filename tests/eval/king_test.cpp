// King terms and endgame knowledge: shelter and danger, the opposition, the rule of the square and
// the material verdict.
#include <gtest/gtest.h>

#include "support/eval_support.h"

using evaltest::evaluateFen;

namespace {

struct KingResult {
    int score;   // White's view
    int danger;
};

// The king terms of one side for a position, with the state the pipeline would give them.
template <int Us>
KingResult kingOf(const char* fen) {
    EvalState state = evaltest::stateBeforeKings(fen);
    kingTerms<Us>(state);
    return {state.score, state.kingDanger[Us]};
}

const char* const StartFen = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";

} // namespace

TEST(KingShelter, InitialPosition) {
    // e1: -10 on the table, danger 1 to start, +1 each for the d2 and f2 shelter pawns.
    const KingResult white = kingOf<White>(StartFen);
    EXPECT_EQ(white.score, -10);
    EXPECT_EQ(white.danger, 3);
    const KingResult black = kingOf<Black>(StartFen);
    EXPECT_EQ(black.score, 10);
    EXPECT_EQ(black.danger, 3);
}

TEST(KingShelter, CastledKingOnG1) {
    const char* const castled = "rn1q2k1/5ppp/8/8/8/8/5PPP/RN1Q2K1 w - - 0 1";
    // h2 one step away adds no danger while Black's king is on the same wing.
    EXPECT_EQ(kingOf<White>(castled).score, 10);
    EXPECT_EQ(kingOf<White>(castled).danger, 0);
    EXPECT_EQ(kingOf<Black>(castled).score, -10);
    EXPECT_EQ(kingOf<Black>(castled).danger, 0);
    // With the other king across the board the exception no longer holds.
    EXPECT_EQ(kingOf<White>("rk1q4/5ppp/8/8/8/8/5PPP/RN1Q2K1 w - - 0 1").danger, 1);
    // Without the h-pawn: 15 and one more danger for the missing right-hand shelter.
    const KingResult noH = kingOf<White>("rn1q2k1/5ppp/8/8/8/8/5PP1/RN1Q2K1 w - - 0 1");
    EXPECT_EQ(noH.score, 10 - 15);
    EXPECT_EQ(noH.danger, 1);
}

TEST(KingShelter, NoPawnInFrontOfTheKing) {
    // g-pawn gone, Black's g7 still there: 25 and one danger; the shelter is not examined.
    const KingResult white = kingOf<White>("rn1q2k1/5ppp/8/8/8/8/5P1P/RN1Q2K1 w - - 0 1");
    EXPECT_EQ(white.score, 10 - 25);
    EXPECT_EQ(white.danger, 1);
    // No pawn on f, g or h and no man beside the king: 50 + 150, danger 4.
    const KingResult bare = kingOf<White>("rn1q2k1/5ppp/8/8/8/8/PPP5/RN1Q2K1 w - - 0 1");
    EXPECT_EQ(bare.score, 10 - 50 - 150);
    EXPECT_EQ(bare.danger, 4);
}

TEST(KingEndgame, OppositionGoesToTheSideNotToMove) {
    evaltest::prepare();
    evaltest::setPosition("8/7p/4k3/8/4K3/8/P7/8 b - - 0 1");
    EXPECT_EQ(hasOpposition(White), 1);
    EXPECT_EQ(hasOpposition(Black), 0);
    evaltest::setPosition("8/7p/4k3/8/4K3/8/P7/8 w - - 0 1");
    EXPECT_EQ(hasOpposition(White), 0);
    EXPECT_EQ(hasOpposition(Black), 1);
    // Adjacent kings (odd distance) and kings off a common line have no opposition.
    evaltest::setPosition("8/8/8/4k3/4K3/8/8/8 b - - 0 1");
    EXPECT_EQ(hasOpposition(White), 0);
    evaltest::setPosition("8/8/3k4/8/4K3/8/8/8 b - - 0 1");
    EXPECT_EQ(hasOpposition(White), 0);

    // e4: 25 x 3 and the opposition 25; e6: 15 x 3. White to move gives the 25 to Black.
    EXPECT_EQ(evaluateFen("8/7p/4k3/8/4K3/8/P7/8 b - - 0 1"), -55);
    EXPECT_EQ(evaluateFen("8/7p/4k3/8/4K3/8/P7/8 w - - 0 1"), 5);
}

TEST(KingEndgame, RuleOfTheSquare) {
    // Black's a2 pawn: its square is a1-b2. From c3 the bare king is outside: 7 x 50. Pawn terms
    // 95 for Black; kings 15 x 3 and -50 x 3.
    EXPECT_EQ(evaluateFen("8/8/8/8/8/2K5/p7/7k w - - 0 1"), -100 + 45 - 350 + 150 - 95);
    EXPECT_EQ(evaluateFen("8/8/8/8/8/8/pK6/7k w - - 0 1"), -100 + 15 + 150 - 95);
    // White's a2 pawn counts as if on a3: ranks 3-8 of files a-f. g3 is outside (2 x 50).
    EXPECT_EQ(evaluateFen("8/8/8/8/8/6k1/P7/K7 w - - 0 1"), 100 - 150 - 15 + 100);
    EXPECT_EQ(evaluateFen("8/8/8/8/8/5k2/P7/K7 w - - 0 1"), 100 - 150 - 45);
    // With a piece besides the king the race costs only 10 per rank.
    EXPECT_EQ(kingOf<White>("8/8/8/8/8/2K5/p7/N6k w - - 0 1").score, 15 * 3 - 70);
}

TEST(KingEndgame, BlockadingKingCollectsThePassersBonus) {
    // Black's passer on d4 (50 from Black's side) stopped by White's king on d3.
    const KingResult r = kingOf<White>("7k/8/8/8/3p4/3K4/8/8 w - - 0 1");
    EXPECT_EQ(r.score, 15 * 3 + 50);
    EXPECT_EQ(r.danger, 0);
}

TEST(KingEndgame, WingRuleInPurePawnEndings) {
    // Weak pawns f2, h2 against f7, h7, all on the king's wing. White's king on d7 is two steps
    // from its nearer target f7, Black's on e5 three from f2 or h2: Black's king loses the race.
    const char* const race = "8/3K1p1p/8/4k3/8/8/5P1P/8 w - - 0 1";
    EXPECT_EQ(kingOf<White>(race).score, 5 * 3);
    EXPECT_EQ(kingOf<Black>(race).score, -(25 * 3 - 200));
    // White's king on e4 (three from f7 and h7) against Black's on d2 (two from f2).
    const char* const lost = "8/5p1p/8/8/4K3/8/3k1P1P/8 w - - 0 1";
    EXPECT_EQ(kingOf<White>(lost).score, 25 * 3 - 200);
    EXPECT_EQ(kingOf<Black>(lost).score, -(5 * 3));
    // With a White pawn on the queen's wing as well the rule does not apply.
    EXPECT_EQ(kingOf<White>("8/5p1p/8/8/4K3/P7/3k1P1P/8 w - - 0 1").score, 25 * 3);
}

TEST(MaterialVerdict, RecognisedBalances) {
    struct Case {
        const char* fen;
        int verdict;
    };
    const Case cases[] = {
        {"8/8/3k4/8/8/8/3NK3/8 w - - 0 1", WinnableNone},      // knight alone
        {"8/8/3k4/8/8/8/3BK3/8 w - - 0 1", WinnableNone},      // bishop alone
        {"8/8/4k3/8/3r4/8/4P3/2B1K3 w - - 0 1", WinnableWhite}, // bishop and pawn v rook
        {"8/8/4k3/8/3r4/8/4B3/4K3 w - - 0 1", WinnableNone},    // bishop v rook
        {"8/8/4k3/8/3b4/8/4R3/4K3 w - - 0 1", WinnableNone},    // rook v bishop
        {"8/p7/8/8/3KR3/8/8/k6r w - - 0 1", WinnableBlack},      // rook v rook and pawn
        {"8/8/8/8/3KR3/8/P7/k6r w - - 0 1", WinnableWhite},     // rook and pawn v rook
        {"k7/8/8/8/3K4/8/8/R3N3 w - - 0 1", WinnableBoth},      // rook and knight v bare king
        // Rook and knight against a rook: the extra minor wins only against an edge king.
        {"3k4/8/8/8/3K4/8/8/R3N2r w - - 0 1", WinnableWhite},
        {"8/8/3k4/8/3K4/8/8/R3N2r w - - 0 1", WinnableNone},
        {"8/8/3k4/8/8/8/8/R3N1Kr w - - 0 1", WinnableBlack},
        {"3k4/8/8/8/8/8/8/R3N1Kr w - - 0 1", WinnableBoth},
        // The mirror: Black's extra minor piece.
        {"r3n2R/8/8/3k4/8/8/8/3K4 w - - 0 1", WinnableBlack},
    };
    for (const Case& c : cases) {
        evaltest::prepare();
        evaltest::setPosition(c.fen);
        EXPECT_EQ(materialVerdict(), c.verdict) << c.fen;
    }
}
