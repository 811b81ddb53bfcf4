// Distance to mate of every position of king and one man (queen, rook or pawn) against the bare
// king, solved backwards ply by ply with move rules of its own: it shares nothing with the engine
// or its tablebase reader, so that the two can be checked against each other.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <vector>

class RetrogradeSolver {
public:
    static constexpr int Illegal = -2;
    static constexpr int Draw = -1;
    static constexpr int NoSquare = 64;

    // piece 'Q', 'R' or 'P'; a pawn's promotions look up the queen and rook solvers.
    RetrogradeSolver(char piece, const RetrogradeSolver* queen = nullptr, const RetrogradeSolver* rook = nullptr)
        : man(piece), queenTable(queen), rookTable(rook) {
        for (int side = 0; side < 2; side++) plies[side].assign(64 * 64 * 64, Illegal);
        solve();
    }

    // Plies to mate with the strong side (White here) owning the man; side 0 when it is to move.
    // Odd when the strong side is to move and wins, even when the bare king is to move and is
    // mated; Draw, or Illegal for no position.
    int distance(int side, int whiteKing, int square, int blackKing) const {
        return plies[side][key(whiteKing, square, blackKing)];
    }

    struct Position {
        int whiteKing, square, blackKing;
    };
    // The positions one move away (the man's square NoSquare once the bare king took it; a
    // promotion is reported with the promoted piece in promoted).
    struct Successor {
        Position position;
        char promoted;
    };
    std::vector<Successor> successors(int side, Position p) const {
        std::vector<Successor> out;
        if (side == 0) {
            for (int to = 0; to < 64; to++)
                if (adjacent(p.whiteKing, to) && to != p.square && !adjacent(to, p.blackKing))
                    out.push_back({{to, p.square, p.blackKing}, 0});
            manMoves(p, out);
        } else {
            for (int to = 0; to < 64; to++) {
                if (!adjacent(p.blackKing, to) || adjacent(to, p.whiteKing)) continue;
                if (to == p.square) {
                    out.push_back({{p.whiteKing, NoSquare, to}, 0});
                    continue;
                }
                if (!attackedByMan(p.square, p.whiteKing, to)) out.push_back({{p.whiteKing, p.square, to}, 0});
            }
        }
        return out;
    }

    // Distance of a successor position, the other side to move (promotions in their tables).
    int successorDistance(int side, const Successor& s) const {
        if (s.position.square == NoSquare || s.promoted == 'B' || s.promoted == 'N') return Draw;
        const RetrogradeSolver* table = s.promoted == 'Q' ? queenTable : s.promoted == 'R' ? rookTable : this;
        return table->distance(1 - side, s.position.whiteKing, s.position.square, s.position.blackKing);
    }

    char man;

private:
    static int key(int whiteKing, int square, int blackKing) { return (whiteKing * 64 + square) * 64 + blackKing; }
    static int file(int s) { return s % 8; }
    static int rank(int s) { return s / 8; }
    static bool adjacent(int a, int b) {
        return a != b && std::abs(file(a) - file(b)) <= 1 && std::abs(rank(a) - rank(b)) <= 1;
    }

    // Squares a slider on from reaches along (df, dr), stopping before the blocker and the edge.
    template <typename Visit>
    static void slide(int from, int df, int dr, int blocker, Visit visit) {
        int f = file(from) + df, r = rank(from) + dr;
        while (f >= 0 && f < 8 && r >= 0 && r < 8 && r * 8 + f != blocker) {
            if (!visit(r * 8 + f)) return;
            f += df;
            r += dr;
        }
    }

    int directions(int d[8][2]) const {
        static const int all[8][2] = {{1, 0}, {-1, 0}, {0, 1}, {0, -1}, {1, 1}, {1, -1}, {-1, 1}, {-1, -1}};
        int count = man == 'Q' ? 8 : 4;
        for (int i = 0; i < count; i++) d[i][0] = all[i][0], d[i][1] = all[i][1];
        return count;
    }

    // Whether the man on square attacks target, the White king the only possible blocker (the
    // bare king never shields a square behind it from a slider).
    bool attackedByMan(int square, int whiteKing, int target) const {
        if (man == 'P') {
            return rank(target) == rank(square) + 1 && std::abs(file(target) - file(square)) == 1;
        }
        int d[8][2];
        int count = directions(d);
        bool hit = false;
        for (int i = 0; i < count && !hit; i++)
            slide(square, d[i][0], d[i][1], whiteKing, [&](int s) {
                hit = s == target;
                return !hit;
            });
        return hit;
    }

    void manMoves(Position p, std::vector<Successor>& out) const {
        if (man == 'P') {
            int ahead = p.square + 8;
            if (ahead == p.whiteKing || ahead == p.blackKing) return;
            if (rank(ahead) == 7) {
                for (char promoted : {'Q', 'R', 'B', 'N'}) out.push_back({{p.whiteKing, ahead, p.blackKing}, promoted});
                return;
            }
            out.push_back({{p.whiteKing, ahead, p.blackKing}, 0});
            int twice = ahead + 8;
            if (rank(p.square) == 1 && twice != p.whiteKing && twice != p.blackKing)
                out.push_back({{p.whiteKing, twice, p.blackKing}, 0});
            return;
        }
        int d[8][2];
        int count = directions(d);
        for (int i = 0; i < count; i++) {
            int stop = p.blackKing;
            slide(p.square, d[i][0], d[i][1], p.whiteKing, [&](int s) {
                if (s == stop) return false;
                out.push_back({{p.whiteKing, s, p.blackKing}, 0});
                return true;
            });
        }
    }

    bool legal(int side, int whiteKing, int square, int blackKing) const {
        if (whiteKing == square || square == blackKing || whiteKing == blackKing || adjacent(whiteKing, blackKing))
            return false;
        if (man == 'P' && (rank(square) == 0 || rank(square) == 7)) return false;
        // With the strong side to move the bare king must not stand in check.
        return side == 1 || !attackedByMan(square, whiteKing, blackKing);
    }

    void solve() {
        for (int wk = 0; wk < 64; wk++)
            for (int sq = 0; sq < 64; sq++)
                for (int bk = 0; bk < 64; bk++)
                    for (int side = 0; side < 2; side++)
                        if (legal(side, wk, sq, bk)) plies[side][key(wk, sq, bk)] = Draw;
        // Mated: the bare king to move, in check, without a move.
        for (int wk = 0; wk < 64; wk++)
            for (int sq = 0; sq < 64; sq++)
                for (int bk = 0; bk < 64; bk++)
                    if (plies[1][key(wk, sq, bk)] == Draw && attackedByMan(sq, wk, bk) &&
                        successors(1, {wk, sq, bk}).empty())
                        plies[1][key(wk, sq, bk)] = 0;
        int quiet = 0;
        // Beyond the longest mate of the promoted pieces a quiet pair of plies ends the search.
        for (int d = 1; quiet < 2 || d <= 44; d++) {
            int side = d % 2 == 1 ? 0 : 1;
            std::vector<int> found;
            for (int wk = 0; wk < 64; wk++)
                for (int sq = 0; sq < 64; sq++)
                    for (int bk = 0; bk < 64; bk++) {
                        if (plies[side][key(wk, sq, bk)] != Draw) continue;
                        std::vector<Successor> next = successors(side, {wk, sq, bk});
                        if (next.empty()) continue; // stalemate: a draw
                        bool resolved = side == 1;
                        for (const Successor& s : next) {
                            int v = successorDistance(side, s);
                            if (side == 0 && v == d - 1) resolved = true;
                            if (side == 1 && v < 0) resolved = false;
                        }
                        if (resolved) found.push_back(key(wk, sq, bk));
                    }
            for (int k : found) plies[side][k] = d;
            quiet = found.empty() ? quiet + 1 : 0;
        }
    }

    const RetrogradeSolver* queenTable;
    const RetrogradeSolver* rookTable;
    std::vector<int16_t> plies[2];
};
