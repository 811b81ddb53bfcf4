// Every "info" line the engine prints in UCI mode parses the way interfaces read it, and every
// move it names (currmove, pv, bestmove, ponder) is legal in sequence from the position. The
// moves are checked with the engine's own coordinate parser on a board of this process.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/uci_session.h"

namespace {

struct UciPosition {
    const char* command; // the position line sent to the engine
    const char* fen;     // the same position for this process ("" for the initial position)
    const char* moves;   // the move list after it
    const char* go;
};

const UciPosition Positions[] = {
    {"position startpos moves e2e4 e7e5 g1f3", "", "e2e4 e7e5 g1f3", "go depth 7"},
    {"position fen r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
     "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1", "", "go movetime 1500"},
    {"position fen 8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1 moves e2e4",
     "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1", "e2e4", "go movetime 1500"},
    {"position fen r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1",
     "r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1", "", "go depth 7"},
    {"position fen 6k1/5ppp/8/8/8/8/5PPP/R5K1 w - - 0 1", "6k1/5ppp/8/8/8/8/5PPP/R5K1 w - - 0 1", "",
     "go wtime 20000 btime 20000"},
    {"position fen 7k/8/8/8/8/8/6q1/7K w - - 0 1", "7k/8/8/8/8/8/6q1/7K w - - 0 1", "",
     "go wtime 20000 btime 20000"},
};

// The moves legal in sequence from the position.
size_t legalPrefix(const UciPosition& position, const std::vector<std::string>& moves) {
    return ::legalPrefix(position.fen, position.moves, moves);
}

TEST(UciInfoLines, ParseAndNameLegalMoves) {
    EngineProcess engine;
    ASSERT_FALSE(startUci(engine).empty());
    engine.send("setoption name Ponder value true");
    int infoLines = 0, pvLines = 0;
    bool mateOneSeen = false;
    for (const UciPosition& position : Positions) {
        engine.send(position.command);
        engine.send(position.go);
        std::string text = untilBestmove(engine, 30000);
        ASSERT_FALSE(text.empty()) << position.command;
        for (const std::string& line : linesOf(text)) {
            if (line.rfind("info", 0) != 0) continue;
            infoLines++;
            UciInfo info = parseUciInfo(line);
            ASSERT_TRUE(info.valid) << line << ": " << info.error;
            if (info.hasScore && info.isMate && info.score == 1) mateOneSeen = true;
            if (!info.pv.empty()) {
                pvLines++;
                EXPECT_EQ(legalPrefix(position, info.pv), info.pv.size()) << position.command << "\n" << line;
            }
            size_t currmove = line.find(" currmove ");
            if (currmove != std::string::npos) {
                size_t end = line.find(' ', currmove + 10);
                std::vector<std::string> one{line.substr(currmove + 10, end - currmove - 10)};
                EXPECT_EQ(legalPrefix(position, one), 1u) << line;
            }
        }
        // bestmove and its ponder move, in sequence.
        std::string last = text.substr(text.rfind("bestmove"));
        std::vector<std::string> sequence{bestmoveOf(text)};
        size_t ponder = last.find(" ponder ");
        if (ponder != std::string::npos)
            sequence.push_back(last.substr(ponder + 8, last.find('\n', ponder) - ponder - 8));
        EXPECT_EQ(legalPrefix(position, sequence), sequence.size()) << last;
    }
    EXPECT_GT(infoLines, 10);
    EXPECT_GT(pvLines, 5);
    EXPECT_TRUE(mateOneSeen) << "the back-rank mate in one was never shown as mate 1";
}

} // namespace
