// The file reader of the engine's own tables: files written from the three-men set, read back
// through the backend, and damaged in every way a disk or a copy can damage them.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "own_tables_support.h"
#include "support/temp_directory.h"
#include "tablebases/own_tables.h"
#include "tablebases/tb_file.h"

namespace {

class OwnTableFiles : public ::testing::Test {
protected:
    void SetUp() override {
        computeThreeMenTables();
        ownTableBackend.reset();
        ownTableBackend.setCache(nullptr, 0);
        TbMaterial materials[16];
        int n = tbGenMaterials(3, 0, materials, 16);
        for (int i = 0; i < n; i++)
            for (int side = 0; side < 2; side++) {
                const TbGenTable* table = tbGenFind(materials[i].key);
                ASSERT_GT(tbWriteFile(path(materials[i].name, side).c_str(), materials[i], side,
                                      table->values[side].data(), 3), 0);
            }
    }
    void TearDown() override { ownTableBackend.reset(); }

    std::string path(const char* name, int side) {
        char file[64];
        tbFileName(materialNamed(name), side, file, sizeof file);
        return directory.path + "/" + file;
    }
    std::vector<char> read(const std::string& file) {
        std::ifstream in(file, std::ios::binary);
        return std::vector<char>(std::istreambuf_iterator<char>(in), {});
    }
    void write(const std::string& file, const std::vector<char>& bytes) {
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }
    // Every position of a table side asked of the backend; the count that differ from the
    // computed values.
    long differences(const char* name, int side) {
        const TbGenTable* table = tbGenFind(materialNamed(name).key);
        long wrong = 0;
        for (uint64_t index = 0; index < table->material.size; index++) {
            int stored = table->values[side][index];
            if (stored == TbNoValue) continue;
            int squares[TbMaxMen];
            int ep;
            tbDecode(table->material, index, squares, &ep);
            TbPieceList white, black;
            listsOfSlots(table->material, squares, &white, &black);
            wrong += ownTableBackend.probe(&white, &black, side, TbNoEnPassant) != stored;
        }
        return wrong;
    }
    int kqkValue() {
        TbPieceList white{2, {TbKing, TbQueen}, {4, 3}};
        TbPieceList black{1, {TbKing}, {60}};
        return ownTableBackend.probe(&white, &black, 0, TbNoEnPassant);
    }

    TempDirectory directory;
};

TEST_F(OwnTableFiles, EveryPositionReadsBackAsComputed) {
    EXPECT_EQ(ownTableBackend.addDirectory(directory.path.c_str()), 3);
    EXPECT_EQ(ownTablesRegistered(), 10);
    for (const char* name : {"kqk", "krk", "kbk", "knk", "kpk"})
        for (int side = 0; side < 2; side++) EXPECT_EQ(differences(name, side), 0) << name;
    // Black with the queen: the same table, colours exchanged.
    TbPieceList white{1, {TbKing}, {0}};
    TbPieceList black{2, {TbKing, TbQueen}, {18, 50}};
    for (int side = 0; side < 2; side++)
        EXPECT_EQ(ownTableBackend.probe(&white, &black, side, TbNoEnPassant),
                  tbGenProbe(&white, &black, side, TbNoEnPassant));
    EXPECT_GT(ownTableBackend.probe(&white, &black, 1, TbNoEnPassant), 0);
    EXPECT_LT(ownTableBackend.probe(&white, &black, 0, TbNoEnPassant), 0);
    // A second directory with the same tables adds nothing.
    EXPECT_EQ(ownTableBackend.addDirectory(directory.path.c_str()), 0);
    EXPECT_EQ(ownTablesRegistered(), 10);
}

TEST_F(OwnTableFiles, TablesAreFoundForBothColourOrientations) {
    ownTableBackend.addDirectory(directory.path.c_str());
    int whiteRook[10] = {0, 0, 0, 1, 0, 0, 0, 0, 0, 0};
    int blackRook[10] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 0};
    int queenAgainstRook[10] = {0, 0, 0, 0, 1, 0, 0, 0, 1, 0};
    EXPECT_TRUE(ownTableBackend.hasTable(whiteRook, 0));
    EXPECT_TRUE(ownTableBackend.hasTable(blackRook, 1));
    EXPECT_FALSE(ownTableBackend.hasTable(queenAgainstRook, 0));
    TbPieceList white{2, {TbKing, TbQueen}, {4, 3}};
    TbPieceList black{2, {TbKing, TbRook}, {60, 0}};
    EXPECT_EQ(ownTableBackend.probe(&white, &black, 0, TbNoEnPassant), TbNoValue);
    // Malformed lists are refused, not read.
    TbPieceList noKing{1, {TbQueen}, {4}};
    TbPieceList offBoard{2, {TbKing, TbQueen}, {4, 64}};
    EXPECT_EQ(ownTableBackend.probe(&noKing, &black, 0, TbNoEnPassant), TbNoValue);
    EXPECT_EQ(ownTableBackend.probe(&offBoard, &black, 0, TbNoEnPassant), TbNoValue);
}

TEST_F(OwnTableFiles, SmallAndHandedCachesGiveTheSameValues) {
    ownTableBackend.addDirectory(directory.path.c_str());
    // One slot only: every block read evicts the last.
    std::vector<int16_t> one(TbEntriesPerBlock);
    ownTableBackend.setCache(one.data(), static_cast<long>(one.size() * sizeof(int16_t)));
    EXPECT_EQ(differences("kpk", 0), 0);
    EXPECT_EQ(differences("krk", 1), 0);
    std::vector<int16_t> large(TbEntriesPerBlock * 64);
    ownTableBackend.setCache(large.data(), static_cast<long>(large.size() * sizeof(int16_t)));
    EXPECT_EQ(differences("kpk", 1), 0);
    ownTableBackend.setCache(nullptr, 0);
    EXPECT_EQ(differences("kqk", 0), 0);
    EXPECT_GT(ownTableBackend.bytesUsed(), 0);
}

// Each damaged kqk file: registered or not, and what a probe then answers.
TEST_F(OwnTableFiles, DamagedFilesAreNeverTrusted) {
    std::string file = path("kqk", 0);
    const std::vector<char> good = read(file);
    ASSERT_GT(good.size(), static_cast<size_t>(TbHeaderBytes));
    struct Damage {
        const char* what;
        std::vector<char> bytes;
    };
    std::vector<Damage> refused;
    refused.push_back({"cut short by one byte", {good.begin(), good.end() - 1}});
    refused.push_back({"cut to half", {good.begin(), good.begin() + static_cast<long>(good.size() / 2)}});
    refused.push_back({"cut inside the header", {good.begin(), good.begin() + 20}});
    refused.push_back({"empty", {}});
    std::vector<char> longer = good;
    longer.push_back(0);
    refused.push_back({"one byte too many", longer});
    std::vector<char> version = good;
    version[8] = static_cast<char>(TbFileVersion + 1);
    refused.push_back({"a later format version", version});
    // The first format numbered en-passant entries otherwise: its files must not be read, even
    // with a header checksum that fits.
    version[8] = 1;
    uint64_t sum = tbChecksum(version.data(), 56, 0);
    uint32_t blocks;
    std::memcpy(&blocks, version.data() + 48, 4);
    sum = tbChecksum(version.data() + TbHeaderBytes, static_cast<size_t>(blocks) * TbBlockEntryBytes, sum);
    std::memcpy(version.data() + 56, &sum, 8);
    refused.push_back({"the first format version", version});
    std::vector<char> magic = good;
    magic[0] = 'X';
    refused.push_back({"another magic word", magic});
    std::vector<char> table = good;
    table[TbHeaderBytes + 9] ^= 1; // a block size in the block table
    refused.push_back({"a changed block table", table});
    std::vector<char> checksum = good;
    checksum[60] ^= 0x40;
    refused.push_back({"a changed checksum", checksum});
    for (const Damage& damage : refused) {
        write(file, damage.bytes);
        ownTableBackend.reset();
        ownTableBackend.addDirectory(directory.path.c_str());
        EXPECT_EQ(ownTablesRegistered(), 9) << damage.what;
        EXPECT_EQ(kqkValue(), TbNoValue) << damage.what;
    }
    // A file of another table under this name.
    write(file, read(path("krk", 0)));
    ownTableBackend.reset();
    ownTableBackend.addDirectory(directory.path.c_str());
    EXPECT_EQ(ownTablesRegistered(), 9);
    EXPECT_EQ(kqkValue(), TbNoValue);
}

TEST_F(OwnTableFiles, ADamagedBlockSilencesTheWholeTable) {
    std::string file = path("kqk", 0);
    std::vector<char> bytes = read(file);
    // The last byte of the file belongs to the last block.
    bytes.back() ^= 0x20;
    write(file, bytes);
    ownTableBackend.addDirectory(directory.path.c_str());
    ASSERT_EQ(ownTablesRegistered(), 10); // the header and the block table are sound
    EXPECT_NE(kqkValue(), TbNoValue);     // a block that is not damaged answers
    TbMaterial m = materialNamed("kqk");
    int squares[TbMaxMen];
    int ep;
    tbDecode(m, m.size - 1, squares, &ep); // in the last block
    TbPieceList white, black;
    listsOfSlots(m, squares, &white, &black);
    EXPECT_EQ(ownTableBackend.probe(&white, &black, 0, TbNoEnPassant), TbNoValue);
    EXPECT_EQ(ownTablesDamaged(), 1);
    // From then on nothing of that table is trusted, even blocks already cached.
    EXPECT_EQ(kqkValue(), TbNoValue);
    int whiteQueen[10] = {0, 0, 0, 0, 1, 0, 0, 0, 0, 0};
    EXPECT_FALSE(ownTableBackend.hasTable(whiteQueen, 0));
    EXPECT_TRUE(ownTableBackend.hasTable(whiteQueen, 1));
}

TEST_F(OwnTableFiles, OtherFilesInTheDirectoryAreLeftAlone) {
    write(directory.path + "/kqk.gtb.cp4", read(path("kqk", 0)));
    write(directory.path + "/kqk-x.mvtb", read(path("kqk", 0)));
    write(directory.path + "/kqkq-w.mvtb", {'M'});
    std::remove(path("kqk", 0).c_str());
    ownTableBackend.addDirectory(directory.path.c_str());
    EXPECT_EQ(ownTablesRegistered(), 9);
    EXPECT_EQ(ownTableBackend.addDirectory((directory.path + "/missing").c_str()), 0);
}

// The generator as make runs it: the three-men set into a new directory, then read back.
TEST(OwnTableGenerator, TheProgramWritesASetTheReaderTakes) {
    TempDirectory directory;
    std::string program = std::string(MORVANE_BINARY);
    program = program.substr(0, program.rfind('/')) + "/morvane-tbgen";
    std::string command = program + " --men 3 " + directory.path + "/set/three > out.txt 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0);
    std::ifstream out("out.txt");
    std::string text((std::istreambuf_iterator<char>(out)), {});
    // Not a terminal: one line per table, then the summary.
    EXPECT_NE(text.find("  5/5 kpk "), std::string::npos) << text;
    EXPECT_NE(text.find("5 tables, "), std::string::npos) << text;
    ownTableBackend.reset();
    EXPECT_EQ(ownTableBackend.addDirectory((directory.path + "/set/three").c_str()), 3);
    EXPECT_EQ(ownTablesRegistered(), 10);
    TbPieceList white{2, {TbKing, TbRook}, {0, 7}};
    TbPieceList black{1, {TbKing}, {18}};
    computeThreeMenTables();
    EXPECT_EQ(ownTableBackend.probe(&white, &black, 0, TbNoEnPassant),
              tbGenProbe(&white, &black, 0, TbNoEnPassant));
    ownTableBackend.reset();
    // Wrong arguments: the usage and status 2, nothing written.
    EXPECT_EQ(WEXITSTATUS(std::system((program + " --men 7 x > /dev/null 2>&1").c_str())), 2);
    EXPECT_EQ(WEXITSTATUS(std::system((program + " > /dev/null 2>&1").c_str())), 2);
}

std::string fileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// Runs the generator program; its output lands in text, its exit status is returned.
int runGenerator(const std::string& arguments, std::string* text) {
    std::string program = std::string(MORVANE_BINARY);
    program = program.substr(0, program.rfind('/')) + "/morvane-tbgen";
    int status = std::system((program + " " + arguments + " > out.txt 2>&1").c_str());
    std::ifstream out("out.txt");
    text->assign((std::istreambuf_iterator<char>(out)), {});
    return WEXITSTATUS(status);
}

// The program's verification of written tables: a sound set passes, a table written with one
// wrong value (sound checksums, so the reader takes it) fails.
TEST(OwnTableGenerator, VerifyFindsAWrongValueInAWrittenTable) {
    TempDirectory directory;
    std::string text;
    ASSERT_EQ(runGenerator("--men 3 " + directory.path, &text), 0) << text;
    EXPECT_EQ(runGenerator("--verify krk " + directory.path, &text), 0) << text;
    EXPECT_NE(text.find("krk: 0 values differ"), std::string::npos) << text;
    EXPECT_NE(text.find("krk Black to move: "), std::string::npos) << text;

    TbMaterial m = materialNamed("krk");
    char file[64];
    tbFileName(m, 0, file, sizeof file);
    std::string path = directory.path + "/" + file;
    std::vector<int16_t> values(m.size);
    ASSERT_TRUE(tbLoadFile(path.c_str(), m, 0, values.data()));
    uint64_t index = 0;
    while (values[index] != 32767 - 16) index++; // a longest win
    values[index] = 32767 - 15;
    ASSERT_GT(tbWriteFile(path.c_str(), m, 0, values.data(), 3), 0);
    EXPECT_EQ(runGenerator("--verify krk " + directory.path, &text), 1) << text;
    EXPECT_EQ(text.find("krk: 0 values differ"), std::string::npos) << text;
    // Wrong arguments, a table not there: no verification claimed.
    EXPECT_EQ(runGenerator("--verify kxk " + directory.path, &text), 2) << text;
    EXPECT_EQ(runGenerator("--verify krk --step 0 " + directory.path, &text), 2) << text;
    EXPECT_EQ(runGenerator("--verify kqkr " + directory.path, &text), 1) << text;
}

// Tables computed in jobs at once are the tables computed one after another: the pawn ending
// waits for the four tables its promotions lead into (started early it could not be computed and
// the run would fail), and a run in jobs into a directory with a stale table computes it again.
TEST(OwnTableGenerator, JobsWriteTheSameTablesAsOneAfterAnother) {
    TempDirectory directory;
    std::string text;
    std::string alone = directory.path + "/alone", jobs = directory.path + "/jobs";
    ASSERT_EQ(runGenerator("--men 3 " + alone, &text), 0) << text;
    ASSERT_EQ(runGenerator("--men 3 --jobs 3 " + jobs, &text), 0) << text;
    EXPECT_NE(text.find("  5/5 kpk "), std::string::npos) << text;
    EXPECT_NE(text.find("5 tables, "), std::string::npos) << text;
    EXPECT_NE(text.find(" in 3 jobs)"), std::string::npos) << text;
    TbMaterial materials[8];
    int n = tbGenMaterials(3, 0, materials, 8);
    ASSERT_EQ(n, 5);
    char kqk[64];
    tbFileName(materialNamed("kqk"), 0, kqk, sizeof kqk);
    std::vector<int16_t> draws(materialNamed("kqk").size, 0);
    ASSERT_GT(tbWriteFile((jobs + "/" + kqk).c_str(), materialNamed("kqk"), 0, draws.data(), 1), 0);
    ASSERT_EQ(runGenerator("--men 3 --jobs 2 " + jobs, &text), 0) << text;
    for (int i = 0; i < n; i++)
        for (int side = 0; side < 2; side++) {
            char file[64];
            tbFileName(materials[i], side, file, sizeof file);
            EXPECT_EQ(fileBytes(jobs + "/" + file), fileBytes(alone + "/" + file)) << file;
        }
    EXPECT_EQ(runGenerator("--men 3 --jobs 0 " + jobs, &text), 2) << text;
    EXPECT_EQ(runGenerator("--verify krk --jobs 2 " + jobs, &text), 2) << text;
}

// A five-men run cut short goes on where it stopped: a table already written whole is kept, not
// computed again (here a table of the right shape holding only draws stands for it).
// Links the generated 3- and 4-men set into a directory.
void linkFourMenSet(const std::string& directory) {
    TbMaterial materials[64];
    int n = tbGenMaterials(4, 0, materials, 64);
    for (int i = 0; i < n; i++)
        for (int side = 0; side < 2; side++) {
            char file[64];
            tbFileName(materials[i], side, file, sizeof file);
            ASSERT_EQ(symlink((generatedSetDirectory() + "/" + file).c_str(),
                              (directory + "/" + file).c_str()), 0);
        }
}

TEST(OwnTableGenerator, AFiveMenTableAlreadyWrittenIsKept) {
    TempDirectory directory;
    linkFourMenSet(directory.path);
    TbMaterial m = materialNamed("knnkn");
    std::vector<int16_t> draws(m.size, 0);
    std::string written[2];
    for (int side = 0; side < 2; side++) {
        char file[64];
        tbFileName(m, side, file, sizeof file);
        std::string path = directory.path + "/" + file;
        ASSERT_GT(tbWriteFile(path.c_str(), m, side, draws.data(), 1), 0);
        written[side] = fileBytes(path);
    }
    std::string text;
    EXPECT_EQ(runGenerator("--only knnkn " + directory.path, &text), 0) << text;
    EXPECT_NE(text.find("knnkn    kept"), std::string::npos) << text;
    for (int side = 0; side < 2; side++) {
        char file[64];
        tbFileName(m, side, file, sizeof file);
        EXPECT_EQ(fileBytes(directory.path + "/" + file), written[side]) << "the table was written again";
    }
}

// A table whose promotions lead into five-men tables not written is never started in a job:
// the run says so and fails, and writes nothing for it.
TEST(OwnTableGenerator, JobsNeverStartATableWhoseExitsAreMissing) {
    TempDirectory directory;
    linkFourMenSet(directory.path);
    std::string text;
    EXPECT_EQ(runGenerator("--only kqpkq --jobs 2 " + directory.path, &text), 1) << text;
    EXPECT_NE(text.find("kqpkq cannot be computed (a smaller table is missing)"), std::string::npos)
        << text;
    EXPECT_NE(text.find("0 tables, 0 positions"), std::string::npos) << text;
    char file[64];
    tbFileName(materialNamed("kqpkq"), 0, file, sizeof file);
    EXPECT_TRUE(fileBytes(directory.path + "/" + file).empty());
}

} // namespace
