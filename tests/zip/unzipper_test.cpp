// The unzipper against archives made by Info-ZIP zip, 7z and Python's zipfile
// (make-fixtures.sh), and against copies of them damaged in one place.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <optional>

#include "engine/descompacta.h"
#include "engine/nomes.h"
#include "platform/base/date_format.h"
#include "platform/base/error.h"
#include "platform/base/file_io.h"
#include "platform/zip/entry_name.h"
#include "platform/zip/unzipper.h"
#include "tests/zip/zip_fixture.h"

#ifdef _WIN32
#include <windows.h>

#include "platform/base/encoding.h"
#else
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#endif

using vorlane::zip::Outcome;
using vorlane::zip::Unzipper;
using namespace ziptest;

namespace vorlane::zip {
void PrintTo(Outcome o, std::ostream* os) { *os << OutcomeName(o); }
}  // namespace vorlane::zip

namespace {

using Outcomes = std::map<std::string, Outcome>;

const std::string kA = FixtureText("a", 8);
const std::string kB = FixtureText("b", 4);

class UnzipTest : public ::testing::Test {
protected:
    void SetUp() override {
        MakeFolder(target);
        MakeFolder(archives);
    }

    // A copy of a fixture in the work folder, optionally damaged, so the test can see that
    // extraction leaves it as it was.
    std::string Archive(const std::string& fixture, const std::string& bytes = {}) {
        std::string path = Join(archives, fixture);
        WriteBytes(path, bytes.empty() ? ReadBytes(Fixture(fixture)) : bytes);
        return path;
    }

    Outcomes Extract(const std::string& archive) {
        Unzipper u;
        u.SetBaseDirectory(target);
        u.Open(archive);
        u.ExtractAll();
        Outcomes r;
        for (const auto& e : u.Results()) r[e.name] = e.outcome;
        return r;
    }

    std::string OpenError(const std::string& archive, const std::string& folder) {
        Unzipper u;
        u.SetBaseDirectory(folder);
        try {
            u.Open(archive);
        } catch (const vorlane::Error& e) {
            EXPECT_FALSE(u.IsOpen());
            return e.what();
        }
        return "(opened)";
    }

    std::string In(const std::string& name) const { return Join(target, name); }

    // Nothing beside the target and the archives' folder, and the archives unchanged.
    void ExpectNothingElseWritten() {
        EXPECT_EQ(Names(work.Root()), (std::set<std::string>{"alvo", "arquivos"}));
        for (const auto& name : Names(archives)) {
            if (Exists(Fixture(name))) {
                EXPECT_EQ(ReadBytes(Join(archives, name)), ReadBytes(Fixture(name))) << name << " was changed";
            }
        }
    }

    WorkFolder work;
    std::string target = work.Path("alvo");
    std::string archives = work.Path("arquivos");
};

TEST_F(UnzipTest, ExtractsFlatWithoutFolders) {
    Outcomes r = Extract(Archive("flat.zip"));
    EXPECT_EQ(r["xsd/"], Outcome::SkippedFolder);
    EXPECT_EQ(r["xsd/a.xsd"], Outcome::Extracted);
    EXPECT_EQ(r["b.xsd"], Outcome::Extracted);
    EXPECT_EQ(Names(target), (std::set<std::string>{"a.xsd", "b.xsd"}));
    EXPECT_EQ(ReadBytes(In("a.xsd")), kA);
    EXPECT_EQ(ReadBytes(In("b.xsd")), kB);
    ExpectNothingElseWritten();
}

// The same two files through each way a real tool lays out an archive.
TEST_F(UnzipTest, ReadsEveryLayoutOfTheSameFiles) {
    const char* layouts[] = {"flat.zip", "stored.zip", "zip64.zip", "sfx.zip"};
    for (const char* layout : layouts) {
        SCOPED_TRACE(layout);
        Outcomes r = Extract(Archive(layout));
        EXPECT_EQ(r["b.xsd"], Outcome::Extracted);
        EXPECT_EQ(ReadBytes(In("a.xsd")), kA);
        EXPECT_EQ(ReadBytes(In("b.xsd")), kB);
        EXPECT_EQ(Names(target), (std::set<std::string>{"a.xsd", "b.xsd"}));
    }
    ExpectNothingElseWritten();
}

TEST_F(UnzipTest, ReadsDataDescriptorsCommentsAndAccentedNames) {
    struct Case {
        const char* archive;
        const char* file;
        std::string content;
    } cases[] = {
        {"descriptor.zip", "-", FixtureText("pipe", 5)},
        {"pydescriptor.zip", "fluxo1.txt", [] { std::string s; for (int i = 0; i < 3000; ++i) s += "fluxo um\n"; return s; }()},
        {"pydescriptor.zip", "fluxo2.txt", [] { std::string s; for (int i = 0; i < 3000; ++i) s += "fluxo dois\n"; return s; }()},
        {"comment.zip", "comentado.txt", [] { std::string s; for (int i = 0; i < 50; ++i) s += "arquivo com comentario\n"; return s; }()},
        {"accents.zip", "ação.txt", "utf-8 marcado\n"},
        {"accents.zip", "reunião.txt", "utf-8 cru\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.archive) + " " + c.file);
        Outcomes r = Extract(Archive(c.archive));
        EXPECT_EQ(r[c.file], Outcome::Extracted);
        ASSERT_TRUE(Exists(In(c.file)));
        EXPECT_EQ(ReadBytes(In(c.file)), c.content);
    }
    ExpectNothingElseWritten();
}

TEST_F(UnzipTest, LaterDuplicateWinsAndExistingFilesAreOverwritten) {
    WriteBytes(In("x.txt"), std::string(10000, 'v'));
    Outcomes r = Extract(Archive("dup.zip"));
    EXPECT_EQ(r["um/x.txt"], Outcome::Extracted);
    EXPECT_EQ(r["dois/x.txt"], Outcome::Extracted);
    EXPECT_EQ(ReadBytes(In("x.txt")), "segundo\n");
    EXPECT_EQ(Names(target), (std::set<std::string>{"x.txt"}));
}

TEST_F(UnzipTest, ReadOnlyExistingFileIsSkipped) {
    WriteBytes(In("b.xsd"), "antigo\n");
    SetReadOnly(In("b.xsd"), true);
    Outcomes r = Extract(Archive("flat.zip"));
    EXPECT_EQ(r["b.xsd"], Outcome::SkippedReadOnly);
    EXPECT_EQ(r["xsd/a.xsd"], Outcome::Extracted);
    EXPECT_EQ(ReadBytes(In("b.xsd")), "antigo\n");
    EXPECT_EQ(ReadBytes(In("a.xsd")), kA);
}

TEST_F(UnzipTest, SetsTimesAndAttributesFromTheEntries) {
    using vorlane::EncodeDateTime;
    struct Case {
        const char* archive;
        const char* file;
        std::optional<vorlane::DateTime> when;  // none: the date-time is invalid, no time is set
        bool readOnly;
        bool hidden;
    } cases[] = {
        {"attrs.zip", "leitura.txt", EncodeDateTime(2021, 3, 4, 5, 6, 8), true, false},
        {"attrs.zip", "oculto.txt", EncodeDateTime(2022, 12, 31, 23, 58, 30), false, true},
        {"attrs.zip", "normal.txt", EncodeDateTime(1980, 1, 1, 0, 0, 0), false, false},
        {"attrs.zip", "datainvalida.txt", std::nullopt, false, false},
        {"attrs.zip", "horainvalida.txt", std::nullopt, false, false},
        {"readonly.zip", "somente.txt", EncodeDateTime(2018, 1, 2, 3, 4, 6), true, false},
        {"readonly.zip", "b.xsd", EncodeDateTime(2020, 2, 29, 23, 59, 58), false, false},
        {"flat.zip", "a.xsd", EncodeDateTime(2019, 7, 8, 9, 10, 12), false, false},
    };
    for (const char* archive : {"attrs.zip", "readonly.zip"}) Extract(Archive(archive));
    Extract(Archive("flat.zip"));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        ASSERT_TRUE(Exists(In(c.file)));
        if (c.when) {
            EXPECT_DOUBLE_EQ(DataLocal(In(c.file)), *c.when);
        } else {
            EXPECT_GE(DataLocal(In(c.file)), vorlane::Today());  // written now, no time from the entry
        }
        EXPECT_EQ(IsReadOnly(In(c.file)), c.readOnly);
#ifdef _WIN32
        DWORD a = GetFileAttributesW(vorlane::WideFromCp1252(In(c.file)).c_str());
        EXPECT_EQ((a & FILE_ATTRIBUTE_HIDDEN) != 0, c.hidden);
#endif
    }
#ifndef _WIN32
    // The Unix file's time as the system keeps it: the very second Info-ZIP read from it.
    struct stat st;
    ASSERT_EQ(stat(In("somente.txt").c_str(), &st), 0);
    std::ifstream epoch(Fixture("somente.epoch"));
    long long seconds = 0;
    epoch >> seconds;
    EXPECT_EQ(static_cast<long long>(st.st_mtime), seconds);
#endif
}

// The archives of each method hold the same three files (make-fixtures.sh).
// An entry declared smaller than its data: where the data itself says where it ends
// (deflate, bzip2, LZMA with its end marker) the output past the declared size is seen;
// LZMA without the marker finds data where the end should be; PPMd stops at the declared
// size and its CRC-32 tells.
struct MethodArchive {
    const char* archive;
    uint16_t method;
    Outcome declaredSmaller;
};
const MethodArchive kMethodArchives[] = {
    {"metodo-deflate64.zip", 9, Outcome::Oversized},   {"metodo-bzip2.zip", 12, Outcome::Oversized},
    {"metodo-zip-bzip2.zip", 12, Outcome::Oversized},  {"metodo-lzma.zip", 14, Outcome::Oversized},
    {"metodo-lzma-eos-off.zip", 14, Outcome::Corrupt}, {"metodo-ppmd.zip", 98, Outcome::CrcMismatch},
};
const char* const kMethodFiles[] = {"texto.xsd", "repetido.bin", "leitura.txt"};
std::string Original(const std::string& name) { return ReadBytes(Fixture(Join("originais", name))); }

TEST_F(UnzipTest, EachMethodExtractsWithItsBytesTimeAndAttributes) {
    for (const auto& m : kMethodArchives) {
        SCOPED_TRACE(m.archive);
        const std::string archive = Archive(m.archive);
        {
            // The fixture really holds the method it is named after.
            Unzipper u;
            u.SetBaseDirectory(target);
            u.Open(archive);
            for (const auto& e : u.Entries()) EXPECT_EQ(e.method, m.method) << e.name;
        }
        Outcomes r = Extract(archive);
        for (const char* name : kMethodFiles) {
            EXPECT_EQ(r[name], Outcome::Extracted) << name;
            EXPECT_EQ(ReadBytes(In(name)), Original(name)) << name;
        }
        EXPECT_DOUBLE_EQ(DataLocal(In("texto.xsd")), vorlane::EncodeDateTime(2021, 6, 15, 10, 20, 30));
        EXPECT_DOUBLE_EQ(DataLocal(In("leitura.txt")), vorlane::EncodeDateTime(2017, 5, 6, 7, 8, 10));
        EXPECT_TRUE(IsReadOnly(In("leitura.txt")));
        EXPECT_FALSE(IsReadOnly(In("texto.xsd")));
        EXPECT_EQ(Names(target), (std::set<std::string>{"texto.xsd", "repetido.bin", "leitura.txt"}));
        EmptyFolder(target);
    }
    ExpectNothingElseWritten();
}

TEST_F(UnzipTest, EveryMethodInOneArchiveAndOnlyTheEncryptedEntryFails) {
    Outcomes r = Extract(Archive("mixed.zip"));
    EXPECT_EQ(r, (Outcomes{
                     {"ok1.txt", Outcome::Extracted},
                     {"d64.txt", Outcome::Extracted},
                     {"bz.txt", Outcome::Extracted},
                     {"lz.txt", Outcome::Extracted},
                     {"ppmd.txt", Outcome::Extracted},
                     {"enc.txt", Outcome::Encrypted},
                     {"ok2.txt", Outcome::Extracted},
                     {"ok3.txt", Outcome::Extracted},
                     {"vazio.txt", Outcome::Extracted},
                 }));
    EXPECT_EQ(Names(target), (std::set<std::string>{"ok1.txt", "d64.txt", "bz.txt", "lz.txt", "ppmd.txt", "ok2.txt",
                                                    "ok3.txt", "vazio.txt"}));
    for (const char* seed : {"ok1", "d64", "bz", "lz", "ppmd", "ok2", "ok3"}) {
        EXPECT_EQ(ReadBytes(In(std::string(seed) + ".txt")), FixtureText(seed, 6)) << seed;
    }
    EXPECT_EQ(ReadBytes(In("vazio.txt")), "");
    ExpectNothingElseWritten();
}

// texto.xsd's data of each method cut short, overwritten in its middle, or declared smaller
// than it is: that entry fails on its own, leaves no file of its own, a good texto.xsd
// already in place stays, and the other files are extracted.
TEST_F(UnzipTest, DamagedEntryOfEachMethodFailsAlone) {
    enum Damage { kCut, kOverwritten, kDeclaredSmaller };
    for (const auto& m : kMethodArchives) {
        for (Damage damage : {kCut, kOverwritten, kDeclaredSmaller}) {
            for (bool goodFileThere : {true, false}) {
                SCOPED_TRACE(std::string(m.archive) + " damage " + std::to_string(damage) +
                             (goodFileThere ? " over a good file" : " into an empty folder"));
                std::string bytes = ReadBytes(Fixture(m.archive));
                const ArchiveMap map = MapArchive(bytes);
                const size_t i = map.Index("texto.xsd");
                const uint32_t packed = Get32(bytes, map.central[i] + 20);
                std::set<Outcome> allowed;
                switch (damage) {
                    case kCut:
                        Put32(bytes, map.central[i] + 20, packed / 2);
                        allowed = {Outcome::Corrupt};
                        break;
                    case kOverwritten:
                        for (size_t k = 0; k < 16; ++k) bytes[map.data[i] + packed / 2 + k] ^= char(0x5A);
                        allowed = {Outcome::Corrupt, Outcome::CrcMismatch};
                        break;
                    case kDeclaredSmaller:
                        Put32(bytes, map.central[i] + 24, 1000);
                        allowed = {m.declaredSmaller};
                        break;
                }
                const std::string good = "<bom/>\n";
                if (goodFileThere) WriteBytes(In("texto.xsd"), good);
                Outcomes r = Extract(Archive("danificado.zip", bytes));
                EXPECT_TRUE(allowed.count(r["texto.xsd"])) << OutcomeName(r["texto.xsd"]);
                EXPECT_EQ(r["repetido.bin"], Outcome::Extracted);
                EXPECT_EQ(ReadBytes(In("repetido.bin")), Original("repetido.bin"));
                std::set<std::string> expected = {"repetido.bin", "leitura.txt"};
                if (goodFileThere) {
                    expected.insert("texto.xsd");
                    EXPECT_EQ(ReadBytes(In("texto.xsd")), good);
                }
                EXPECT_EQ(Names(target), expected);
                EmptyFolder(target);
            }
        }
    }
}

// One field of b.xsd's central header changed: that entry fails on its own, a good b.xsd
// already in the folder stays as it was, a.xsd is extracted, and no temporary file is left.
TEST_F(UnzipTest, DamagedEntryFailsAloneAndKeepsTheGoodFile) {
    struct Case {
        const char* what;
        const char* fixture;
        void (*damage)(std::string& bytes, const ArchiveMap& m, size_t i);
        Outcome outcome;
    } cases[] = {
        {"version needed 6.4", "flat.zip", [](std::string& b, const ArchiveMap& m, size_t i) { Put16(b, m.central[i] + 6, 64); }, Outcome::UnsupportedVersion},
        {"method 1", "flat.zip", [](std::string& b, const ArchiveMap& m, size_t i) { Put16(b, m.central[i] + 10, 1); }, Outcome::UnsupportedMethod},
        {"encryption flag", "flat.zip", [](std::string& b, const ArchiveMap& m, size_t i) { Put16(b, m.central[i] + 8, 1); }, Outcome::Encrypted},
        {"CRC-32", "flat.zip", [](std::string& b, const ArchiveMap& m, size_t i) { Put32(b, m.central[i] + 16, Get32(b, m.central[i] + 16) ^ 1); }, Outcome::CrcMismatch},
        {"declared size too small", "flat.zip", [](std::string& b, const ArchiveMap& m, size_t i) { Put32(b, m.central[i] + 24, 1000); }, Outcome::Oversized},
        {"declared size too large", "flat.zip", [](std::string& b, const ArchiveMap& m, size_t i) { Put32(b, m.central[i] + 24, 5000); }, Outcome::Corrupt},
        {"stored size too small", "stored.zip", [](std::string& b, const ArchiveMap& m, size_t i) { Put32(b, m.central[i] + 24, 1000); }, Outcome::Oversized},
        {"local header moved", "flat.zip", [](std::string& b, const ArchiveMap& m, size_t i) { Put32(b, m.central[i] + 42, Get32(b, m.central[i] + 42) + 3); }, Outcome::Corrupt},
        {"data past the end", "flat.zip", [](std::string& b, const ArchiveMap& m, size_t i) { Put32(b, m.central[i] + 20, 0x7FFFFFFF); }, Outcome::Corrupt},
        {"stored data flipped", "stored.zip", [](std::string& b, const ArchiveMap& m, size_t i) { b[m.data[i] + 100] ^= 0x20; }, Outcome::CrcMismatch},
        {"deflate stream cut", "flat.zip", [](std::string& b, const ArchiveMap& m, size_t i) { Put32(b, m.central[i] + 20, Get32(b, m.central[i] + 20) / 2); }, Outcome::Corrupt},
        {"deflate stream broken", "flat.zip", [](std::string& b, const ArchiveMap& m, size_t i) { for (int k = 0; k < 8; ++k) b[m.data[i] + k] = char(0xFF); }, Outcome::Corrupt},
    };
    const std::string good = "<bom/>\n";
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        WriteBytes(In("b.xsd"), good);
        std::string bytes = ReadBytes(Fixture(c.fixture));
        ArchiveMap m = MapArchive(bytes);
        c.damage(bytes, m, m.Index("b.xsd"));
        Outcomes r = Extract(Archive(std::string("damaged-") + c.fixture, bytes));
        EXPECT_EQ(r["b.xsd"], c.outcome);
        EXPECT_EQ(r["xsd/a.xsd"], Outcome::Extracted);
        EXPECT_EQ(ReadBytes(In("b.xsd")), good);
        EXPECT_EQ(ReadBytes(In("a.xsd")), kA);
        EXPECT_EQ(Names(target), (std::set<std::string>{"a.xsd", "b.xsd"}));
    }
}

TEST_F(UnzipTest, CorruptEntryLeavesNoFileWhenNoneWasThere) {
    std::string bytes = ReadBytes(Fixture("stored.zip"));
    ArchiveMap m = MapArchive(bytes);
    bytes[m.data[m.Index("b.xsd")] + 5] ^= 0x01;
    Outcomes r = Extract(Archive("crc.zip", bytes));
    EXPECT_EQ(r["b.xsd"], Outcome::CrcMismatch);
    EXPECT_EQ(Names(target), (std::set<std::string>{"a.xsd"}));
}

TEST_F(UnzipTest, OpeningErrorsHaveTheirTexts) {
    const std::string flat = ReadBytes(Fixture("flat.zip"));
    const ArchiveMap m = MapArchive(flat);
    auto changed = [&](void (*f)(std::string&, const ArchiveMap&)) {
        std::string b = flat;
        f(b, m);
        return b;
    };
    WriteBytes(Join(archives, "vazio.zip"), "");
    WriteBytes(Join(archives, "texto.zip"), "isto nao e um arquivo zip\r\n");
    WriteBytes(Join(archives, "assinatura.zip"), changed([](std::string& b, const ArchiveMap& m) { b[m.directory + 2] = 'X'; }));
    WriteBytes(Join(archives, "segunda.zip"), changed([](std::string& b, const ArchiveMap& m) { b[m.central[1] + 3] = 'X'; }));
    WriteBytes(Join(archives, "alem.zip"), changed([](std::string& b, const ArchiveMap& m) { Put32(b, m.end + 16, 0x00FFFFFF); }));
    WriteBytes(Join(archives, "contagem.zip"), changed([](std::string& b, const ArchiveMap& m) { Put16(b, m.end + 8, 4); Put16(b, m.end + 10, 4); }));
    WriteBytes(Join(archives, "nome.zip"), changed([](std::string& b, const ArchiveMap& m) { Put16(b, m.central[2] + 28, 0x4000); }));
    WriteBytes(Join(archives, "disco.zip"), changed([](std::string& b, const ArchiveMap& m) { Put16(b, m.end + 4, 1); Put16(b, m.end + 6, 1); }));
    struct Case {
        const char* archive;
        std::string folder;
        const char* text;
    } cases[] = {
        {"nao-existe.zip", target, "File not found"},
        {"vazio.zip", target, "Invalid Stream"},
        {"texto.zip", target, "Unhandled Archive Type"},
        {"disco.zip", target, "Unhandled Archive Type"},
        {"assinatura.zip", target, "Invalid file - not a PKZip file"},
        {"segunda.zip", target, "Invalid file - not a PKZip file"},
        {"alem.zip", target, "Stream read error"},
        {"contagem.zip", target, "Stream read error"},
        {"nome.zip", target, "Stream read error"},
        {"flat.zip", work.Path("nao-existe"), "Directory does not exist"},
    };
    WriteBytes(Join(archives, "flat.zip"), flat);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.archive);
        EXPECT_EQ(OpenError(Join(archives, c.archive), c.folder), c.text);
    }
    EXPECT_TRUE(Names(target).empty());
}

TEST_F(UnzipTest, ArchiveHeldByAnotherProgram) {
    std::string archive = Archive("flat.zip");
#ifdef _WIN32
    std::wstring wide = vorlane::WideFromCp1252(archive);
    {
        // Another writer that lets others read and write: the archive still opens.
        HANDLE writer = CreateFileW(wide.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(writer, INVALID_HANDLE_VALUE);
        Outcomes r = Extract(archive);
        CloseHandle(writer);
        EXPECT_EQ(r["b.xsd"], Outcome::Extracted);
    }
    // A program that shares it with nobody: the platform's own text for that.
    HANDLE locker = CreateFileW(wide.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(locker, INVALID_HANDLE_VALUE);
    std::string text = OpenError(archive, target);
    CloseHandle(locker);
    SetLastError(ERROR_SHARING_VIOLATION);
    EXPECT_EQ(text, vorlane::LastFileErrorText());
    EXPECT_FALSE(text.empty());
#else
    if (geteuid() == 0) GTEST_SKIP() << "root opens a file without read permission";
    chmod(archive.c_str(), 0);
    std::string text = OpenError(archive, target);
    chmod(archive.c_str(), 0644);
    errno = EACCES;
    EXPECT_EQ(text, vorlane::LastFileErrorText());
#endif
}

// An archive cut at any length, with a piece cut out or a piece overwritten, never crashes,
// never writes outside the folder and never leaves a file whose data is wrong.
TEST_F(UnzipTest, TruncatedArchivesFailCleanly) {
    const std::string flat = ReadBytes(Fixture("flat.zip"));
    const std::set<std::string> openTexts = {"Invalid Stream", "Unhandled Archive Type",
                                             "Invalid file - not a PKZip file", "Stream read error"};
    std::vector<std::string> variants;
    for (size_t cut = 0; cut < flat.size(); cut += (cut > flat.size() - 30 ? 1 : 7)) variants.push_back(flat.substr(0, cut));
    for (size_t from = 40; from + 40 < flat.size(); from += 53) {
        variants.push_back(flat.substr(0, from) + flat.substr(from + 40));
        variants.push_back(flat.substr(0, from) + std::string(16, '\0') + flat.substr(from + 16));
    }
    for (const auto& bytes : variants) {
        SCOPED_TRACE("length " + std::to_string(bytes.size()));
        std::string archive = Join(archives, "cortado.zip");
        WriteBytes(archive, bytes);
        Unzipper u;
        u.SetBaseDirectory(target);
        try {
            u.Open(archive);
        } catch (const vorlane::Error& e) {
            EXPECT_TRUE(openTexts.count(e.what())) << e.what();
            continue;
        }
        u.ExtractAll();
        for (const auto& name : Names(target)) {
            EXPECT_TRUE(name == "a.xsd" || name == "b.xsd") << name;
            EXPECT_EQ(ReadBytes(In(name)), name == "a.xsd" ? kA : kB);
        }
    }
    EXPECT_EQ(Names(work.Root()), (std::set<std::string>{"alvo", "arquivos"}));
}

// 50 MB of zeros in archives of a few kilobytes. Declared as they are, the entry passes the
// archive's output limit before anything is written; declared as 1,000 bytes, no more than
// that is ever written and the entry fails.
TEST_F(UnzipTest, BombOfEachMethodStopsAtTheLimits) {
    struct Case {
        const char* archive;
        Outcome declaredSmaller;
    } cases[] = {{"bomb.zip", Outcome::Oversized},       {"bomb-deflate64.zip", Outcome::Oversized},
                 {"bomb-bzip2.zip", Outcome::Oversized}, {"bomb-lzma.zip", Outcome::Oversized},
                 {"bomb-ppmd.zip", Outcome::CrcMismatch}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.archive);
        std::string archive = Archive(c.archive);
        Unzipper u;
        u.SetBaseDirectory(target);
        u.Open(archive);
        EXPECT_EQ(u.OutputLimit(), 200 * ReadBytes(archive).size());
        u.ExtractAll();
        Outcomes r;
        for (const auto& e : u.Results()) r[e.name] = e.outcome;
        // The entries after the bomb are not written either; 7z puts them in name order.
        const bool infoZip = std::string(c.archive) == "bomb.zip";
        EXPECT_EQ(r, (Outcomes{{"pequeno.txt", Outcome::Extracted},
                               {"zeros.bin", Outcome::LimitReached},
                               {"depois.txt", infoZip ? Outcome::LimitReached : Outcome::Extracted}}));
        EXPECT_FALSE(Exists(In("zeros.bin")));

        std::string bytes = ReadBytes(Fixture(c.archive));
        const ArchiveMap map = MapArchive(bytes);
        Put32(bytes, map.central[map.Index("zeros.bin")] + 24, 1000);
        r = Extract(Archive("mentira.zip", bytes));
        EXPECT_EQ(r["zeros.bin"], c.declaredSmaller);
        EXPECT_EQ(r["depois.txt"], Outcome::Extracted);
        EXPECT_EQ(Names(target), (std::set<std::string>{"pequeno.txt", "depois.txt"}));
        EmptyFolder(target);
    }
}

TEST_F(UnzipTest, UnsafeNamesAndLinksAreSkipped) {
    Outcomes r = Extract(Archive("names.zip"));
    const Outcomes expected = {
        {"../../fora.txt", Outcome::Extracted},
        {"/absoluto/abs.txt", Outcome::Extracted},
        {"C:\\Windows\\win.txt", Outcome::Extracted},
        {"..\\..\\barra.txt", Outcome::Extracted},
        {"pasta/..", Outcome::SkippedName},
        {"pasta/.", Outcome::SkippedName},
        {"C:unidade.txt", Outcome::SkippedName},
        {"fluxo.txt:oculto", Outcome::SkippedName},
        {"CON", Outcome::SkippedName},
        {"pasta/aux.txt", Outcome::SkippedName},
        {"nul", Outcome::SkippedName},
        {"COM1.log", Outcome::SkippedName},
        {"LPT9", Outcome::SkippedName},
        {"Con.txt", Outcome::SkippedName},
        {"ponto.", Outcome::SkippedName},
        {"espaco ", Outcome::SkippedName},
        {"ctl\x01.txt", Outcome::SkippedName},
        {"pergunta?.txt", Outcome::SkippedName},
        {"estrela*.txt", Outcome::SkippedName},
        {"CONIN$", Outcome::SkippedName},
        {"menor<.txt", Outcome::SkippedName},
        {"pasta/", Outcome::SkippedFolder},
        {"ok.txt", Outcome::Extracted},
        {"ligacao.txt", Outcome::SkippedLink},
        {"depois.txt", Outcome::Extracted},
    };
    EXPECT_EQ(r, expected);
    EXPECT_EQ(Names(target), (std::set<std::string>{"fora.txt", "abs.txt", "win.txt", "barra.txt", "ok.txt", "depois.txt"}));
    EXPECT_EQ(ReadBytes(In("fora.txt")), "conteudo de ../../fora.txt\n");
    EXPECT_FALSE(Exists(Join(BuildPath("zip-work"), "fora.txt")));
    ExpectNothingElseWritten();

    // A link stored by Info-ZIP from a real symbolic link.
    Outcomes links = Extract(Archive("links.zip"));
    EXPECT_EQ(links, (Outcomes{{"atalho", Outcome::SkippedLink}, {"b.xsd", Outcome::Extracted}}));
    EXPECT_FALSE(Exists(In("atalho")));
}

TEST(EntryName, DecodesEachStoredForm) {
    struct Case {
        std::string raw;
        bool utf8;
        int host;
        std::string unicodePath;
        std::string name;
    } cases[] = {
        {"a\xC3\xA7\xC3\xA3o.txt", true, 0, "", "ação.txt"},
        {"a\xC3\xA7\xC3\xA3o.txt", false, 3, "", "ação.txt"},           // Unix host, UTF-8 unmarked
        {"a\x87\xC6o.txt", false, 0, "", "ação.txt"},                   // DOS host, code page 850
        {"a\x87\xC6o.txt", false, 3, "", "ação.txt"},                   // Unix host, not UTF-8
        {"a\x87\xC6o.txt", true, 0, "", "ação.txt"},                    // marked UTF-8 but is not
        {"\xE0\xA2\x90.txt", false, 11, "", "ÓóÉ.txt"},                // NTFS host, code page 850
        {"x.txt", false, 0, "n\xC3\xA3o.txt", "não.txt"},               // Info-ZIP Unicode path
        {"\xE6\x97\xA5.txt", true, 3, "", "?.txt"},                     // no such letter in 1252
        {"\xE2\x82\xAC.txt", true, 3, "", "\x80.txt"},                  // the euro sign is 0x80
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.raw);
        EXPECT_EQ(vorlane::zip::DecodeEntryName(c.raw, c.utf8, c.host, c.unicodePath), c.name);
    }
}

class DescompactaTest : public UnzipTest {};

TEST_F(DescompactaTest, RaisesOpeningErrorsOnly) {
    try {
        Descompacta(Join(archives, "SCHEMAS.zip"), target);
        FAIL() << "no error";
    } catch (const vorlane::Error& e) {
        EXPECT_STREQ(e.what(), "File not found");
    }
    // Entries that fail do not reach the caller.
    EXPECT_NO_THROW(Descompacta(Archive("mixed.zip"), target));
    EXPECT_EQ(ReadBytes(In("ok2.txt")), FixtureText("ok2", 6));
}

TEST_F(DescompactaTest, TargetFolderMayEndWithASeparator) {
#ifdef _WIN32
    const std::string folder = target + "\\";
#else
    const std::string folder = target + "/";
#endif
    Descompacta(Archive("flat.zip"), folder);
    EXPECT_EQ(Names(target), (std::set<std::string>{"a.xsd", "b.xsd"}));
}

}  // namespace
