// `make install` as a package build and a user meet it: the tree staged under a temporary
// DESTDIR, the launcher run by a new user through pipes, uninstall, and xboard finding the engine
// through its installed engine-list entry.
#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <regex>

#include "home/home_support.h"

namespace {

const std::string Source = MORVANE_SOURCE_DIR;
const std::string Build = fs::path(MORVANE_BINARY).parent_path().string();

// A fresh folder removed afterwards.
struct Scratch {
    Scratch() {
        char pattern[] = "/tmp/morvane_test_XXXXXX";
        if (mkdtemp(pattern)) path = pattern;
    }
    ~Scratch() {
        std::error_code ignored;
        if (!path.empty()) fs::remove_all(path, ignored);
    }
    std::string path;
};

int installer(const std::string& action, const std::string& destdir,
              const std::string& build = Build, std::string* output = nullptr) {
    int status = -1;
    std::string text = runCommand(Source + "/scripts/install.sh " + action + " " + build +
                                      " /usr/local " + destdir,
                                  &status);
    if (output) *output = text;
    return status;
}

// Every path below root with its kind and, for files, content.
std::map<std::string, std::string> snapshot(const std::string& root) {
    std::map<std::string, std::string> entries;
    std::error_code error;
    for (auto it = fs::recursive_directory_iterator(root, error);
         it != fs::recursive_directory_iterator(); it.increment(error)) {
        const std::string relative = fs::relative(it->path(), root).string();
        if (it->is_symlink()) entries[relative] = "link " + fs::read_symlink(it->path()).string();
        else if (it->is_directory()) entries[relative] = "folder";
        else entries[relative] = readWholeFile(it->path().string());
    }
    return entries;
}

std::vector<std::string> files(const std::string& root) {
    std::vector<std::string> found;
    for (const auto& [path, kind] : snapshot(root))
        if (kind != "folder") found.push_back(path);
    return found;
}

// Sets an environment variable (or removes it, for nullptr) for the life of the object.
struct Environment {
    Environment(const char* variable, const char* value) : name(variable) {
        const char* old = getenv(name);
        had = old != nullptr;
        if (had) previous = old;
        if (value) setenv(name, value, 1);
        else unsetenv(name);
    }
    ~Environment() {
        if (had) setenv(name, previous.c_str(), 1);
        else unsetenv(name);
    }
    const char* name;
    bool had = false;
    std::string previous;
};

TEST(Install, LauncherGivesANewUserTheirOwnDirectory) {
    Scratch scratch;
    const std::string stage = scratch.path + "/stage", home = scratch.path + "/home";
    fs::create_directories(home);
    std::string output;
    ASSERT_EQ(installer("install", stage, Build, &output), 0) << output;
    const std::string prefix = stage + "/usr/local";
    for (const char* file : {"bin/morvane", "lib/morvane/morvane", "share/morvane/blancas.obk",
                             "share/morvane/negras.obk", "share/morvane/Morvane.cfg",
                             "share/morvane/diagram/wke.png", "share/games/plugins/logos/morvane.png"})
        EXPECT_TRUE(fs::exists(prefix + "/" + file)) << file;
    // The entry begins with the header line xboard requires of every engine list file.
    EXPECT_EQ(readWholeFile(prefix + "/share/games/plugins/xboard/morvane.eng"),
              "plugin spec 0.0\n/usr/local/bin/morvane\nchess\n");
    EXPECT_EQ(checkPng(prefix + "/share/games/plugins/logos/morvane.png").problem, "");
    const auto installed = snapshot(stage);

    {
        Environment user("HOME", home.c_str());
        Environment noXdg("XDG_DATA_HOME", nullptr);
        EngineProcess engine;
        ASSERT_TRUE(engine.start(prefix + "/bin/morvane"));
        engine.send("xboard");
        engine.send("new");
        engine.send("sd 2");
        engine.send("e2e4");
        std::string reply = engine.readUntil("\nmove ", 30000);
        EXPECT_NE(reply.find("Found Morvane.cfg!"), std::string::npos) << reply;
        EXPECT_NE(reply.find("1...") , std::string::npos) << reply;
        EXPECT_NE(reply.find("(book)"), std::string::npos) << "no book reply to 1.e4:\n" << reply;
        engine.send("quit");
        EXPECT_EQ(engine.waitExit(20000), 0);
    }

    const std::string mine = home + "/.local/share/morvane";
    EXPECT_NE(readWholeFile(mine + "/Morvane.cfg")
                  .find("TB Path=/usr/share/gaviotatb/gtb4;/usr/local/share/morvane/tablebases\n"),
              std::string::npos);
    EXPECT_EQ(fs::canonical(mine + "/diagram"), fs::canonical(prefix + "/share/morvane/diagram"));
    const std::string log = readWholeFile(mine + "/Logs/Log001.htm");
    ASSERT_NE(log.find("Position after 1..."), std::string::npos) << log.substr(0, 400);
    for (const auto& image : imagesNamedByLog(log)) {
        PngCheck png = checkPng(mine + "/" + image.name);
        EXPECT_EQ(png.problem, "") << image.name;
        EXPECT_EQ(png.width, image.width) << image.name;
    }
    EXPECT_TRUE(fs::exists(mine + "/process.out"));
    EXPECT_EQ(snapshot(stage), installed) << "the engine wrote into the installed tree";

    // The user's own settings survive the next start; XDG_DATA_HOME moves the directory.
    std::ofstream(mine + "/Morvane.cfg") << "[Preferences]\nHash Size=16\nLog File=0\n";
    for (const std::string& data : {std::string(), scratch.path + "/data"}) {
        Environment user("HOME", home.c_str());
        Environment xdg("XDG_DATA_HOME", data.empty() ? nullptr : data.c_str());
        EngineProcess engine;
        ASSERT_TRUE(engine.start(prefix + "/bin/morvane"));
        std::string banner = engine.readUntil("pieces endgame tablebases found", 20000);
        engine.send("quit");
        EXPECT_EQ(engine.waitExit(20000), 0);
        if (data.empty()) EXPECT_NE(banner.find("Hash table memory = 16 Mb"), std::string::npos) << banner;
        else EXPECT_TRUE(fs::exists(data + "/morvane/negras.obk"));
    }
    EXPECT_EQ(snapshot(stage), installed);
}

// Two engines at once (an engine-against-itself match) each get a directory of their own, so
// their logs and book learning never mix; a directory is free again once its engine has ended.
TEST(Install, EnginesRunningAtOnceGetDirectoriesOfTheirOwn) {
    Scratch scratch;
    const std::string stage = scratch.path + "/stage", home = scratch.path + "/home";
    fs::create_directories(home);
    ASSERT_EQ(installer("install", stage), 0);
    const std::string launcher = stage + "/usr/local/bin/morvane";
    Environment user("HOME", home.c_str());
    Environment noXdg("XDG_DATA_HOME", nullptr);
    {
        EngineProcess first, second;
        for (EngineProcess* engine : {&first, &second}) {
            ASSERT_TRUE(engine->start(launcher));
            ASSERT_NE(engine->readUntil("tablebases found", 20000), "") << engine->pending;
        }
        for (EngineProcess* engine : {&first, &second}) {
            engine->send("xboard");
            engine->send("new");
            engine->send("sd 2");
            engine->send("go");
            EXPECT_NE(engine->readUntil("\nmove ", 30000), "") << engine->pending;
            engine->send("quit");
            EXPECT_EQ(engine->waitExit(20000), 0);
        }
    }
    const std::string data = home + "/.local/share/";
    for (const char* directory : {"morvane", "morvane-2"}) {
        const std::string log = readWholeFile(data + directory + "/Logs/Log001.htm");
        EXPECT_NE(log.find("Position after 1."), std::string::npos) << directory;
        EXPECT_EQ(log.find("</html>"), log.size() - 8) << directory << ": not one whole log";
    }
    EngineProcess later;
    ASSERT_TRUE(later.start(launcher));
    later.send("quit");
    EXPECT_EQ(later.waitExit(20000), 0);
    EXPECT_FALSE(fs::exists(data + "morvane-3"));
    EXPECT_TRUE(fs::exists(data + "morvane/Logs/Log002.htm"));
}

// Uninstall takes away what install put there and nothing else, also after a reinstall from a
// build that no longer has a table; with nothing installed it fails.
TEST(Install, UninstallRemovesExactlyWhatWasInstalled) {
    Scratch scratch;
    const std::string stage = scratch.path + "/stage";

    // A build folder with one generated table more than the real one.
    const std::string other = scratch.path + "/build";
    fs::create_directories(other + "/home/tablebases");
    fs::create_symlink(Build + "/morvane", other + "/morvane");
    fs::create_symlink(Build + "/morvane.png", other + "/morvane.png");
    for (const char* name : {"blancas.obk", "negras.obk", "Morvane.cfg", "diagram"})
        fs::create_symlink(Build + "/home/" + name, other + "/home/" + name);
    std::ofstream(other + "/home/tablebases/krk.table") << "table";

    ASSERT_EQ(installer("install", stage, other), 0);
    EXPECT_TRUE(fs::exists(stage + "/usr/local/share/morvane/tablebases/krk.table"));
    ASSERT_EQ(installer("install", stage), 0);
    EXPECT_FALSE(fs::exists(stage + "/usr/local/share/morvane/tablebases/krk.table"))
        << "a reinstall keeps a table the build no longer has";

    // Files of other packages in the shared folders stay.
    std::ofstream(stage + "/usr/local/bin/other") << "x";
    std::ofstream(stage + "/usr/local/share/games/plugins/xboard/other.eng") << "x";
    ASSERT_EQ(installer("uninstall", stage), 0);
    EXPECT_EQ(files(stage), (std::vector<std::string>{"usr/local/bin/other",
                                                      "usr/local/share/games/plugins/xboard/other.eng"}));
    fs::remove(stage + "/usr/local/bin/other");
    fs::remove(stage + "/usr/local/share/games/plugins/xboard/other.eng");

    ASSERT_EQ(installer("install", stage), 0);
    ASSERT_EQ(installer("uninstall", stage), 0);
    EXPECT_TRUE(!fs::exists(stage) || fs::is_empty(stage)) << "left: " << snapshot(stage).size();
    std::string output;
    EXPECT_NE(installer("uninstall", stage, Build, &output), 0);
    EXPECT_NE(output.find("nothing installed"), std::string::npos) << output;
}

// xboard finds engines by the entries in its plugin folders under /usr/local and /usr, which a
// test may not write. In a private mount namespace the staged tree is laid over /usr/local, so
// xboard sees exactly what `make install` would leave there. Its first start registers the
// engine (and is over at once, from a mated position); the second names it only by its entry
// ("-fe morvane") and plays a game that must end by the rules.
TEST(XboardMatch, InstalledEngineListEntryPicksTheEngine) {
    if (std::system("unshare -m sh -c 'mount --bind /tmp /tmp' 2>/dev/null") != 0)
        GTEST_SKIP() << "no private mount namespace here: cannot lay the staged tree over /usr/local";
    Scratch scratch;
    const std::string stage = scratch.path + "/stage", run = scratch.path + "/xboard";
    fs::create_directories(scratch.path + "/home");
    fs::create_directories(run);
    ASSERT_EQ(installer("install", stage), 0);
    std::ofstream(run + "/mated.fen") << "rnb1kbnr/pppp1ppp/8/4p3/6Pq/5P2/PPPPP2P/RNBQKBNR w KQkq - 1 3\n";
    std::ofstream(run + "/run.sh")
        << "set -e\n"
           "mount --bind '" << stage << "/usr/local' /usr/local\n"
           "export HOME='" << scratch.path << "/home' PATH=\"$PATH:/usr/games\"\n"
           "unset XDG_DATA_HOME\n"
           "cd '" << run << "'\n"
           "settings=\"-settingsFile " << run << "/xboardrc -saveSettingsFile " << run << "/xboardrc\"\n"
           "timeout -k 5 60 xvfb-run -a xboard -noGUI -mg 1 -lpf mated.fen -fcp fairymax "
           "-scp fairymax -popupExitMessage false -soundProgram true $settings >first.out 2>&1\n"
           "timeout -k 5 600 xvfb-run -a xboard -fe morvane -scp fairymax -secondComputerString '' "
           "-mg 1 -depth 3 -mps 40 -tc 0:30 -sgf games.pgn -autoCallFlag true "
           "-popupExitMessage false -soundProgram true -debug $settings >second.out 2>&1\n";
    int status = -1;
    std::string output = runCommand("unshare -m sh " + run + "/run.sh", &status);
    EXPECT_EQ(status, 0) << output << readWholeFile(run + "/second.out");

    EXPECT_NE(readWholeFile(run + "/xboardrc").find("\n/usr/local/bin/morvane"), std::string::npos)
        << "xboard did not list the installed engine";
    const std::string debug = readWholeFile(run + "/xboard.debug");
    EXPECT_NE(debug.find("StartChildProcess (dir=\".\") /usr/local/bin/morvane"), std::string::npos);
    const std::string games = readWholeFile(run + "/games.pgn");
    EXPECT_NE(games.find("[White \"Morvane"), std::string::npos) << games;
    std::smatch end;
    ASSERT_TRUE(std::regex_search(games, end, std::regex("\\{([^}]*)\\} *(1-0|0-1|1/2-1/2)\\s*$")))
        << games;
    EXPECT_TRUE(std::regex_search(end[1].str(),
                                  std::regex("mate|stalemate|repetition|fifty|50.move|insufficient|"
                                             "material|resign|agree",
                                             std::regex::icase)))
        << end[1];
    EXPECT_FALSE(std::regex_search(end[1].str(), std::regex("illegal|time|forfeit|false|crash|"
                                                            "disconnect|abort",
                                                            std::regex::icase)))
        << end[1];
    EXPECT_TRUE(fs::exists(scratch.path + "/home/.local/share/morvane/Logs/Log001.htm"));
}

} // namespace
