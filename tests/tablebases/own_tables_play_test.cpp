// The engine with its own tables in "TB Path", as an interface meets it: start-up reports the
// four-men set, the longest bishop-and-knight mate is announced and delivered against the
// longest defence, and king and queen beat king and rook from their longest position, in both
// protocols. The defence is chosen by the test from the same tables.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "board/makemove.h"
#include "board/movegen.h"
#include "board/notation.h"
#include "own_tables_support.h"
#include "support/engine_process.h"
#include "support/uci_session.h"
#include "tablebases/own_tables.h"
#include "tablebases/tb_file.h"

namespace {

std::string configuration() {
    return "[Preferences]\nTB Path=" + generatedSetDirectory() + "\nTB Cache=16\n";
}

// The engine reports the set at start-up: the reader serves the engine's own files beside the
// other kinds.
bool engineSeesTheSet(std::string* startUp) {
    EngineProcess engine(configuration());
    *startUp = startToPrompt(engine);
    return startUp->find("(4 pieces endgame tablebases found)") != std::string::npos;
}

// FEN of a White-to-move table position (slot squares as stored).
std::string fenOf(const TbMaterial& m, const int squares[TbMaxMen], int side) {
    const char letters[7] = {'?', 'p', 'n', 'b', 'r', 'q', 'k'};
    char cells[64] = {};
    for (int i = 0; i < m.men; i++) {
        char letter = letters[m.types[i]];
        cells[squares[i]] = m.colours[i] == 0 ? static_cast<char>(letter - 'a' + 'A') : letter;
    }
    std::string fen;
    for (int rank = 7; rank >= 0; rank--) {
        int empty = 0;
        for (int file = 0; file < 8; file++) {
            char c = cells[rank * 8 + file];
            if (c == 0) {
                empty++;
                continue;
            }
            if (empty) fen += std::to_string(empty);
            empty = 0;
            fen += c;
        }
        if (empty) fen += std::to_string(empty);
        if (rank) fen += '/';
    }
    return fen + (side == 0 ? " w - - 0 1" : " b - - 0 1");
}

// A position of the longest mate of a table, White to move.
std::string longestPosition(const char* name, int moves) {
    TbMaterial m = materialNamed(name);
    std::vector<int16_t> values(m.size);
    char file[64];
    tbFileName(m, 0, file, sizeof file);
    EXPECT_TRUE(tbLoadFile((generatedSetDirectory() + "/" + file).c_str(), m, 0, values.data()));
    uint64_t index = 0;
    while (index < m.size && values[index] != 32767 - moves) index++;
    EXPECT_LT(index, m.size) << name;
    int squares[TbMaxMen];
    int ep;
    tbDecode(m, index, squares, &ep);
    return fenOf(m, squares, 0);
}

// Sets the test's own board to fen and the moves played so far.
void replay(const std::string& fen, const std::vector<std::string>& moves) {
    legalPrefix(fen, "", moves);
}

// Black's longest defence on the test's board (Black to move), in coordinates; "" when Black
// has no move.
std::string longestDefence() {
    Move list[MaxMoves];
    Move* end = generateMoves(list, sideToMoveInCheck());
    std::string best;
    int bestValue = 0;
    for (Move* m = list; m < end; m++) {
        makeMove(*m);
        TbPieceList white, black;
        tbListsFromBoard(&white, &black);
        int value = white.count + black.count == 2
                        ? 0
                        : ownTableBackend.probe(&white, &black, 0, board.epSquare ? board.epSquare : TbNoEnPassant);
        unmakeMove(*m);
        // White to move: the smaller its value, the longer White needs (a draw beats all).
        int rank = value == 0 ? 100000 : value < 0 ? 200000 : 32767 - value;
        if (best.empty() || rank > bestValue) {
            char text[8];
            moveToCoordinate(*m, text);
            best = text;
            bestValue = rank;
        }
    }
    return best;
}

bool mated() {
    Move list[MaxMoves];
    return sideToMoveInCheck() && generateMoves(list, 1) == list;
}

class OwnTablesPlay : public ::testing::Test {
protected:
    void SetUp() override {
        ownTableBackend.reset();
        ASSERT_GE(ownTableBackend.addDirectory(generatedSetDirectory().c_str()), 4)
            << "make tablebases";
        std::string startUp;
        ASSERT_TRUE(engineSeesTheSet(&startUp)) << startUp;
    }
    void TearDown() override { ownTableBackend.reset(); }

    // Plays White's moves by the engine (UCI or xboard) against the longest defence from fen;
    // returns the number of White moves until mate (0: no mate within limit), and the mate
    // announced by the first search.
    int playUci(const std::string& fen, int limit, int* announced) {
        EngineProcess engine(configuration());
        if (startUci(engine).empty()) return 0;
        engine.send("ucinewgame");
        std::vector<std::string> moves;
        for (int move = 1; move <= limit; move++) {
            std::string list;
            for (const std::string& m : moves) list += " " + m;
            engine.send("position fen " + fen + (list.empty() ? "" : " moves" + list));
            engine.send("go movetime 400");
            std::string text = untilBestmove(engine);
            if (move == 1) {
                size_t at = text.rfind("score mate ");
                *announced = at == std::string::npos ? 0 : std::atoi(text.c_str() + at + 11);
            }
            moves.push_back(bestmoveOf(text));
            replay(fen, moves);
            if (mated()) return move;
            moves.push_back(longestDefence());
            if (moves.back().empty()) return 0; // stalemate
            replay(fen, moves);
        }
        return 0;
    }
    int playXboard(const std::string& fen, int limit, int* announced) {
        EngineProcess engine(configuration());
        if (!startXboard(engine)) return 0;
        engine.send("new");
        engine.send("force");
        engine.send("setboard " + fen);
        engine.send("post");
        engine.send("st 1");
        engine.send("go");
        std::vector<std::string> moves;
        for (int move = 1; move <= limit; move++) {
            std::string text = engine.readUntil("move ", 30000);
            text += engine.readUntil("\n", 5000);
            if (move == 1) *announced = xboardMate(text);
            size_t at = text.rfind("move ");
            if (at == std::string::npos) return 0;
            std::string played = text.substr(at + 5);
            played = played.substr(0, played.find_first_of(" \n"));
            moves.push_back(played);
            replay(fen, moves);
            if (mated()) return move;
            std::string reply = longestDefence();
            if (reply.empty()) return 0;
            moves.push_back(reply);
            replay(fen, moves);
            engine.send(reply);
        }
        return 0;
    }
    // The mate in moves of the last thinking line's score (columns: depth score time nodes pv).
    static int xboardMate(const std::string& text) {
        int mate = 0;
        for (const std::string& line : linesOf(text)) {
            int depth, score;
            if (std::sscanf(line.c_str(), "%d %d", &depth, &score) == 2 && score >= 29800)
                mate = (30001 - score) / 2;
        }
        return mate;
    }
};

TEST_F(OwnTablesPlay, StartUpReportsFourMen) {
    std::string startUp;
    EXPECT_TRUE(engineSeesTheSet(&startUp)) << startUp;
}

TEST_F(OwnTablesPlay, BishopAndKnightMateInThirtyThreeInBothProtocols) {
    std::string fen = longestPosition("kbnk", 33);
    int announced = 0;
    EXPECT_EQ(playUci(fen, 40, &announced), 33) << fen;
    EXPECT_EQ(announced, 33) << fen;
    announced = 0;
    EXPECT_EQ(playXboard(fen, 40, &announced), 33) << fen;
    EXPECT_EQ(announced, 33) << fen;
}

TEST_F(OwnTablesPlay, QueenBeatsRookFromItsLongestPositionInBothProtocols) {
    std::string fen = longestPosition("kqkr", 35);
    int announced = 0;
    int uci = playUci(fen, 45, &announced);
    EXPECT_GT(uci, 0) << fen;
    EXPECT_LE(uci, 35) << fen;
    EXPECT_EQ(announced, 35) << fen;
    int xboard = playXboard(fen, 45, &announced);
    EXPECT_GT(xboard, 0) << fen;
    EXPECT_LE(xboard, 35) << fen;
}

} // namespace
