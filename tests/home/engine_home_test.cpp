// The engine's directory build/home as a user meets it: its configuration, its opening books,
// and the pictures that the game logs name, checked file by file and in a real browser.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <regex>
#include <set>

#include "board/board.h"
#include "board/makemove.h"
#include "book/book_choice.h"
#include "book/book_db.h"
#include "home/home_support.h"
#include "platform/platform.h"
#include "support/board_setup.h"

namespace {

const std::string Home = MORVANE_HOME_DIR;

// The book moves of the position for the book file, with their scores (probing never writes).
std::map<std::string, uint32_t> bookMoves(const std::string& book) {
    std::map<std::string, uint32_t> moves;
    DB* db = openBookDatabase(book.c_str(), BookForProbing);
    EXPECT_NE(db, nullptr) << book;
    if (!db) return moves;
    for (Move m : legalMoves()) {
        makeMove(m);
        uint32_t score = 0;
        if (bookGet(db, static_cast<uint32_t>(board.hashKey >> 32), &score) == 1 &&
            score >= MinimumBookScore) {
            char text[8];
            moveToCoordinate(m, text);
            moves[text] = score;
        }
        unmakeMove(m);
    }
    closeBookDatabase(db);
    return moves;
}

// How many of the moves the default Tournament mode can choose.
int tournamentChoices(const std::map<std::string, uint32_t>& moves) {
    std::vector<uint32_t> scores;
    for (const auto& entry : moves) scores.push_back(entry.second);
    std::vector<float> cumulative(scores.size());
    bookProbabilities(scores.data(), static_cast<int>(scores.size()), 1, cumulative.data());
    return static_cast<int>(std::count_if(cumulative.begin(), cumulative.end(),
                                          [](float p) { return p > 0; }));
}

TEST(EngineHome, ConfigurationNamesTheTablesAndKeepsLogs) {
    const std::string config = Home + "/Morvane.cfg";
    ASSERT_TRUE(fs::exists(config));
    char path[256];
    iniReadString(config.c_str(), "Preferences", "TB Path", "missing", path, sizeof path);
    EXPECT_STREQ(path, "/usr/share/gaviotatb/gtb4;tablebases");
    EXPECT_EQ(iniReadInt(config.c_str(), "Preferences", "Log File", 0), 1);
    EXPECT_TRUE(fs::is_directory(Home + "/tablebases"));
}

// New games vary: White's book keeps at least two first moves in Tournament mode, and Black's
// book answers the usual first moves.
TEST(EngineHome, BooksOfferVariedOpenings) {
    const std::string white = Home + "/blancas.obk", black = Home + "/negras.obk";
    ASSERT_TRUE(fs::exists(white));
    ASSERT_TRUE(fs::exists(black));
    startPosition();
    auto first = bookMoves(white);
    EXPECT_GE(tournamentChoices(first), 2) << first.size() << " first moves in the book";
    EXPECT_TRUE(first.count("e2e4") && first.count("d2d4"));
    for (const char* opening : {"e2e4", "d2d4"}) {
        startPosition();
        Move m = 0;
        ASSERT_TRUE(findCoordinateMove(opening, &m));
        makeMove(m);
        EXPECT_GE(tournamentChoices(bookMoves(black)), 1) << "no reply to " << opening;
    }
    // Only the book's own colour is stored: Black's book has no first move for White.
    startPosition();
    EXPECT_TRUE(bookMoves(black).empty());
}

// A short game with logging on, in a copy of build/home.
class LoggedGame : public ::testing::Test {
protected:
    // The engine's directory below the scratch folder ("" for the scratch folder itself).
    virtual std::string folder() const { return ""; }

    void SetUp() override {
        scratch = engine.directory;
        if (!folder().empty()) {
            engine.directory = scratch + "/" + folder();
            fs::create_directories(engine.directory);
        }
        copyEngineHome(engine.directory);
        ASSERT_TRUE(engine.start());
        transcript = playAgainstItself(engine, 8);
        engine.send("quit");
        ASSERT_EQ(engine.waitExit(20000), 0);
        log = engine.readFile("Logs/Log001.htm");
        ASSERT_NE(log.find("Position after"), std::string::npos) << "the log has no diagram";
    }

    // Runs the probe page (the log with tests/home/log_probe.js) in headless Chromium; the
    // line it wrote, or the browser's whole output when there is none.
    std::string probeInBrowser() {
        // Beside the engine's directory: the log's base address finds the pictures from anywhere.
        const std::string page = scratch + "/probe.htm";
        std::ofstream(page, std::ios::binary)
            << log << "<script>\n"
            << readWholeFile(std::string(MORVANE_SOURCE_DIR) + "/tests/home/log_probe.js")
            << "</script>\n";
        std::string command = "timeout -k 5 120 chromium --headless --no-sandbox --disable-gpu "
                              "--disable-background-networking --disable-component-update "
                              "--disable-sync --no-first-run --allow-file-access-from-files "
                              "--user-data-dir=" +
                              scratch + "/browser --dump-dom file://" + page;
        std::string output = runCommand(command);
        std::smatch found;
        if (std::regex_search(output, found, std::regex("PROBE images=[0-9]+ [^\n]* END")))
            return found.str();
        return output;
    }

    void TearDown() override { engine.directory = scratch; } // removed whole with the engine

    static int field(const std::string& probe, const std::string& name) {
        std::smatch found;
        if (!std::regex_search(probe, found, std::regex(name + "=([0-9]+)"))) return -1;
        return std::stoi(found[1]);
    }

    EngineProcess engine;
    std::string scratch;
    std::string transcript;
    std::string log;
};

TEST_F(LoggedGame, EveryImageTheLogNamesIsAPngOfItsCellSize) {
    EXPECT_NE(transcript.find("(book)"), std::string::npos) << "the game did not start from the books";
    // The base address is the engine's directory, so the pictures are looked up in it.
    fs::path directory = fs::canonical(engine.directory);
    EXPECT_NE(log.find("<base href = \"" + directory.string() + "/\">"), std::string::npos);
    auto images = imagesNamedByLog(log);
    ASSERT_GE(images.size(), 8u * 72u) << "eight diagrams of 72 images each";
    std::set<std::string> seen;
    for (const auto& image : images) {
        ASSERT_EQ(image.name.rfind("diagram/", 0), 0u) << image.name;
        if (!seen.insert(image.name).second) continue;
        PngCheck png = checkPng((directory / image.name).string());
        EXPECT_EQ(png.problem, "") << image.name;
        EXPECT_EQ(png.width, image.width) << image.name;
        EXPECT_EQ(png.height, image.height) << image.name;
    }
    // Both sides were to move, and the last moves were marked.
    EXPECT_TRUE(seen.count("diagram/5w.png") && seen.count("diagram/5b.png"));
    EXPECT_TRUE(seen.count("diagram/ese.png"));
}

// Every picture any log can name: the 13 contents of a square, plain and marked, and the frame.
TEST_F(LoggedGame, EveryPossibleImageIsThereAndMarkedDiffersFromPlain) {
    const fs::path pictures = fs::path(engine.directory) / "diagram";
    const char* const contents[] = {"es", "wp", "bp", "wn", "bn", "wk", "bk",
                                    "wr", "br", "wq", "bq", "wb", "bb"};
    std::set<std::string> distinct;
    for (const char* content : contents) {
        for (const std::string suffix : {"", "e"}) {
            const std::string name = std::string(content) + suffix + ".png";
            PngCheck png = checkPng((pictures / name).string());
            EXPECT_EQ(png.problem, "") << name;
            EXPECT_EQ(png.width, 34) << name;
            EXPECT_EQ(png.height, 35) << name;
            distinct.insert(readWholeFile((pictures / name).string()));
        }
    }
    EXPECT_EQ(distinct.size(), 26u) << "two square pictures are the same";
    // The frame, at the sizes the diagram's cells declare.
    const std::map<std::string, std::pair<int, int>> frame = {
        {"1", {34, 35}},  {"2", {272, 35}},  {"3", {34, 35}},  {"4", {34, 280}}, {"5w", {34, 280}},
        {"5b", {34, 280}}, {"6", {34, 35}}, {"7", {272, 35}}, {"8", {34, 35}}};
    for (const auto& [name, size] : frame) {
        PngCheck png = checkPng((pictures / (name + ".png")).string());
        EXPECT_EQ(png.problem, "") << name;
        EXPECT_EQ(png.width, size.first) << name;
        EXPECT_EQ(png.height, size.second) << name;
    }
}

// The page as a browser shows it: no broken image, men of the right colour, the last move's
// squares highlighted, file letters, rank numbers and the side to move in the frame. The same
// check is then shown to fail on a missing picture and on a marked square that is not marked.
TEST_F(LoggedGame, BrowserShowsTheDiagramsWithoutBrokenImages) {
    std::string probe = probeInBrowser();
    ASSERT_GT(field(probe, "images"), 0) << probe;
    EXPECT_EQ(field(probe, "broken"), 0) << probe;
    EXPECT_NE(probe.find("problems=none"), std::string::npos) << probe;

    // A man's marked square that this log shows gets its plain picture; a frame corner goes.
    std::smatch marked;
    ASSERT_TRUE(std::regex_search(log, marked, std::regex("diagram/([wb][pnbrqk])e\\.png")));
    const fs::path pictures = fs::path(engine.directory) / "diagram";
    fs::copy_file(pictures / (marked[1].str() + ".png"), pictures / (marked[1].str() + "e.png"),
                  fs::copy_options::overwrite_existing);
    fs::remove(pictures / "1.png");
    probe = probeInBrowser();
    EXPECT_GT(field(probe, "broken"), 0) << probe;
    EXPECT_NE(probe.find(marked[1].str() + "e.png is not highlighted"), std::string::npos) << probe;
}

// A folder name with the characters that mean something in an address, a blank and a quote.
class LoggedGameInAnOddFolder : public LoggedGame {
protected:
    std::string folder() const override { return "My #2 ?50% \"games\""; }
};

TEST_F(LoggedGameInAnOddFolder, BrowserStillFindsThePictures) {
    EXPECT_NE(log.find("<base href = \"" + scratch + "/My%20%232%20%3F50%25%20%22games%22/\">"),
              std::string::npos)
        << log.substr(0, 200);
    std::string probe = probeInBrowser();
    ASSERT_GT(field(probe, "images"), 0) << probe;
    EXPECT_EQ(field(probe, "broken"), 0) << probe;
}

} // namespace
