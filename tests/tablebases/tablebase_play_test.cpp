// The engine with Debian's tables plays the longest wins of king and queen (mate in 10) and king
// and rook (mate in 16) against king, in both protocols, against a defender that always takes
// the longest defence the test's own solver knows: it must announce the right distance at every
// move and mate in exactly that many moves. King and pawn positions end as the solver says.
#include <gtest/gtest.h>

#include <regex>
#include <string>

#include "support/engine_process.h"
#include "support/uci_session.h"
#include "tablebases/tablebase_support.h"

namespace {

// The game as the solver sees it: White the strong side.
struct Game {
    const RetrogradeSolver* solver;
    RetrogradeSolver::Position at;
};

std::string moveText(const RetrogradeSolver::Position& from, const RetrogradeSolver::Successor& to) {
    if (to.position.whiteKing != from.whiteKing) return squareName(from.whiteKing) + squareName(to.position.whiteKing);
    if (to.position.blackKing != from.blackKing) return squareName(from.blackKing) + squareName(to.position.blackKing);
    std::string text = squareName(from.square) + squareName(to.position.square);
    if (to.promoted != 0) text += static_cast<char>(to.promoted - 'A' + 'a');
    return text;
}

// Plays the strong side's move given as coordinate text; false when it is not a legal move.
bool playStrong(Game& game, const std::string& text) {
    const SolvedEndings& solved = solvedEndings();
    for (const auto& next : game.solver->successors(0, game.at))
        if (moveText(game.at, next) == text) {
            if (next.promoted == 'Q') game.solver = &solved.queen;
            if (next.promoted == 'R') game.solver = &solved.rook;
            if (next.promoted == 'B' || next.promoted == 'N') return false;
            game.at = next.position;
            return true;
        }
    return false;
}

// The bare king's move that puts off the mate longest (or keeps the draw); its text.
std::string playLongestDefence(Game& game) {
    RetrogradeSolver::Successor best{};
    int bestPlies = -100;
    for (const auto& next : game.solver->successors(1, game.at)) {
        int plies = game.solver->successorDistance(1, next);
        int rank = plies == RetrogradeSolver::Draw ? 1000 : plies;
        if (rank > bestPlies) bestPlies = rank, best = next;
    }
    std::string text = moveText(game.at, best);
    game.at = best.position;
    return text;
}

std::string fenOf(const Game& game, char man) {
    char rows[8][9] = {};
    for (auto& row : rows) std::memset(row, '1', 8);
    auto put = [&](int square, char letter) { rows[7 - square / 8][square % 8] = letter; };
    put(game.at.whiteKing, 'K');
    put(game.at.square, man);
    put(game.at.blackKing, 'k');
    std::string fen;
    for (int r = 0; r < 8; r++) {
        int empty = 0;
        for (int f = 0; f < 8; f++) {
            if (rows[r][f] == '1') {
                empty++;
                continue;
            }
            if (empty > 0) fen += std::to_string(empty);
            empty = 0;
            fen += rows[r][f];
        }
        if (empty > 0) fen += std::to_string(empty);
        if (r < 7) fen += '/';
    }
    return fen + " w - - 0 1";
}

// The first position of the solver's longest win, White to move.
Game longestWin(const RetrogradeSolver& solver, int* plies) {
    Game game{&solver, {0, 0, 0}};
    *plies = 0;
    for (int wk = 0; wk < 64; wk++)
        for (int sq = 0; sq < 64; sq++)
            for (int bk = 0; bk < 64; bk++)
                if (solver.distance(0, wk, sq, bk) > *plies) {
                    *plies = solver.distance(0, wk, sq, bk);
                    game.at = {wk, sq, bk};
                }
    return game;
}

std::string tablesConfig() { return std::string("[Preferences]\nTB Path=") + DebianTables + "\n"; }

// xboard: the engine plays White from the position; returns the number of its moves until the
// defender is mated (0 on failure, with the reason in failure).
int playXboard(Game game, char man, int movesToMate, std::string* failure) {
    EngineProcess engine(tablesConfig());
    if (!startXboard(engine)) return *failure = "no start", 0;
    engine.send("force");
    engine.send("setboard " + fenOf(game, man));
    engine.send("post");
    engine.send("sd 6");
    engine.send("go");
    for (int moves = 1; moves <= movesToMate + 2; moves++) {
        std::string text = engine.readUntil("Hint: ", 60000);
        text += engine.readUntil("\n\n", 5000);
        const int expected = movesToMate - moves + 1;
        // The thinking lines carry the mate score, the summary the distance in moves.
        const std::string score = std::to_string(30000 - 2 * expected);
        if (!std::regex_search(text, std::regex("\n *\\d+ +" + score + " ")) ||
            text.find("Found mate in " + std::to_string(expected) + " movements\n") == std::string::npos)
            return *failure = "move " + std::to_string(moves) + " does not announce mate in " +
                              std::to_string(expected) + ":\n" + text,
                   0;
        std::smatch move;
        if (!std::regex_search(text, move, std::regex("\nmove (\\S+)\n")) || !playStrong(game, move[1].str()))
            return *failure = "no legal move:\n" + text, 0;
        if (game.solver->distance(1, game.at.whiteKing, game.at.square, game.at.blackKing) == 0) {
            if (text.find("1-0 {White mates}") == std::string::npos &&
                engine.readUntil("1-0 {White mates}", 5000).empty())
                return *failure = "mate not reported:\n" + text, 0;
            return moves;
        }
        engine.send(playLongestDefence(game));
    }
    return *failure = "no mate", 0;
}

// UCI: the same game through position and go; the last info line of each search must say
// "score mate N".
int playUci(Game game, char man, int movesToMate, std::string* failure) {
    EngineProcess engine;
    if (startUci(engine).empty()) return *failure = "no start", 0;
    engine.send(std::string("setoption name NalimovPath value ") + DebianTables);
    const std::string report = outputBeforeReady(engine);
    if (report.find("(3 pieces endgame tablebases found)") == std::string::npos)
        return *failure = "tables not found: " + report, 0;
    const std::string start = fenOf(game, man);
    std::string moveList;
    for (int moves = 1; moves <= movesToMate + 2; moves++) {
        engine.send("position fen " + start + (moveList.empty() ? "" : " moves" + moveList));
        engine.send("go depth 6");
        std::string text = untilBestmove(engine);
        const std::string mate = "score mate " + std::to_string(movesToMate - moves + 1) + " ";
        size_t last = text.rfind("score ");
        if (last == std::string::npos || text.compare(last, mate.size(), mate) != 0)
            return *failure = "move " + std::to_string(moves) + " lacks " + mate + ":\n" + text, 0;
        const std::string best = bestmoveOf(text);
        if (!playStrong(game, best)) return *failure = "no legal move:\n" + text, 0;
        if (game.solver->distance(1, game.at.whiteKing, game.at.square, game.at.blackKing) == 0) return moves;
        moveList += " " + best + " " + playLongestDefence(game);
    }
    return *failure = "no mate", 0;
}

} // namespace

TEST(TablebasePlay, LongestQueenAndRookWinsInBothProtocols) {
    const SolvedEndings& solved = solvedEndings();
    for (const RetrogradeSolver* solver : {&solved.queen, &solved.rook}) {
        int plies = 0;
        Game start = longestWin(*solver, &plies);
        const int moves = (plies + 1) / 2;
        EXPECT_EQ(moves, solver == &solved.queen ? 10 : 16);
        std::string failure;
        EXPECT_EQ(playXboard(start, solver->man, moves, &failure), moves) << solver->man << ": " << failure;
        failure.clear();
        EXPECT_EQ(playUci(start, solver->man, moves, &failure), moves) << solver->man << ": " << failure;
    }
}

// A won pawn ending is mated in the table's distance (promotion included); a drawn one, defended
// by the solver's drawing moves, is never claimed as a win and never lost.
TEST(TablebasePlay, PawnEndingsWonAndDrawnAsTheTableSays) {
    const RetrogradeSolver& pawn = solvedEndings().pawn;
    // The longest pawn win whose pawn still stands on its own half, so that the game crosses
    // from the pawn table to the queen's.
    Game won{&pawn, {0, 0, 0}};
    int wonPlies = 0;
    for (int wk = 0; wk < 64; wk++)
        for (int sq = 8; sq < 32; sq++)
            for (int bk = 0; bk < 64; bk++)
                if (pawn.distance(0, wk, sq, bk) > wonPlies) {
                    wonPlies = pawn.distance(0, wk, sq, bk);
                    won.at = {wk, sq, bk};
                }
    ASSERT_GT(wonPlies, 20);
    std::string failure;
    EXPECT_EQ(playXboard(won, 'P', (wonPlies + 1) / 2, &failure), (wonPlies + 1) / 2) << failure;

    // A draw with the pawn on the second rank and the bare king in front of it.
    Game drawn{&pawn, {E1, E2, E7}};
    ASSERT_EQ(pawn.distance(0, E1, E2, E7), RetrogradeSolver::Draw);
    EngineProcess engine(tablesConfig());
    ASSERT_TRUE(startXboard(engine));
    engine.send("force");
    engine.send("setboard " + fenOf(drawn, 'P'));
    engine.send("sd 6");
    engine.send("go");
    for (int move = 1; move <= 12; move++) {
        std::string text = engine.readUntil("Hint: ", 60000);
        text += engine.readUntil("\n\n", 5000);
        std::smatch found;
        ASSERT_TRUE(std::regex_search(text, found, std::regex("\nmove (\\S+)\n"))) << text;
        EXPECT_EQ(text.find("Found mate"), std::string::npos) << text;
        // A table draw a pawn up scores +1 at the root (a repetition 0).
        EXPECT_TRUE(std::regex_search(text, std::regex("; score: \\+0\\.0[01];"))) << text;
        ASSERT_TRUE(playStrong(drawn, found[1].str())) << text;
        ASSERT_EQ(drawn.solver->distance(1, drawn.at.whiteKing, drawn.at.square, drawn.at.blackKing),
                  RetrogradeSolver::Draw);
        // The defender keeps the draw (a capture of the pawn ends the game).
        if (drawn.at.square != RetrogradeSolver::NoSquare) engine.send(playLongestDefence(drawn));
        if (drawn.at.square == RetrogradeSolver::NoSquare) break;
    }
}
