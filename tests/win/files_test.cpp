// Files, folders, disk space, number format and the sleep hook against the real Windows API.
#include <gtest/gtest.h>

#include <algorithm>

#include "platform/base/encoding.h"
#include "platform/win/disk.h"
#include "platform/win/files.h"
#include "platform/win/locale.h"
#include "platform/win/sleep.h"
#include "tests/win/support.h"

namespace vorlane::win {
namespace {

using wintest::ReadBytes;
using wintest::ScratchFolder;
using wintest::WriteBytes;

void SetAttributes(const std::string& path, DWORD a) { ASSERT_TRUE(SetFileAttributesW(WideFromCp1252(path).c_str(), a)); }

TEST(Folders, ForceDirectoriesCreatesEveryMissingParent) {
    ScratchFolder scratch("force");
    const std::string deep = scratch / "Instalação\\Empresa São José\\Dll";
    EXPECT_TRUE(ForceDirectories(deep));
    EXPECT_TRUE(FolderExists(deep));
    EXPECT_TRUE(ForceDirectories(deep)) << "an existing folder";
    EXPECT_TRUE(ForceDirectories(scratch / "Com barra\\") ) << "a final backslash";
    EXPECT_TRUE(FolderExists(scratch / "Com barra"));
}

TEST(Folders, ForceDirectoriesFailsWhereNoFolderCanBe) {
    ScratchFolder scratch("forcefail");
    WriteBytes(scratch / "arquivo", "x");
    EXPECT_FALSE(ForceDirectories(scratch / "arquivo\\abaixo")) << "a file stands where a parent should be";
    EXPECT_FALSE(FolderExists(scratch / "arquivo\\abaixo"));
    EXPECT_FALSE(ForceDirectories(""));
    EXPECT_FALSE(ForceDirectories("   "));
    EXPECT_FALSE(ForceDirectories(scratch / "inválido<>|"));
}

TEST(Folders, ListFolderGivesEveryEntryOfEveryAttributeClass) {
    ScratchFolder scratch("list");
    const StringList files = {"normal.txt", "oculto.dat", "sistema.sys", "somente-leitura.ini", "ação.exe"};
    for (const std::string& f : files) WriteBytes(scratch / f, f);
    SetAttributes(scratch / "oculto.dat", FILE_ATTRIBUTE_HIDDEN);
    SetAttributes(scratch / "sistema.sys", FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_HIDDEN);
    SetAttributes(scratch / "somente-leitura.ini", FILE_ATTRIBUTE_READONLY);
    ASSERT_TRUE(ForceDirectories(scratch / "Dll\\interna"));
    WriteBytes(scratch / "Dll\\interna\\fundo.txt", "not listed: two levels down");

    StringList names = ListFolder(scratch.path());
    StringList expected = files;
    expected.push_back("Dll");
    std::sort(names.begin(), names.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(names, expected);
    EXPECT_EQ(ListFolder(scratch.path() + "\\"), ListFolder(scratch.path())) << "a final backslash";

    SetAttributes(scratch / "somente-leitura.ini", FILE_ATTRIBUTE_NORMAL);
    ASSERT_TRUE(ForceDirectories(scratch / "vazia"));
    EXPECT_TRUE(ListFolder(scratch / "vazia").empty());
    EXPECT_TRUE(ListFolder(scratch / "não existe").empty());
}

TEST(Files, DeleteAndRemoveFollowWindowsRules) {
    ScratchFolder scratch("delete");
    WriteBytes(scratch / "comum.txt", "a");
    WriteBytes(scratch / "protegido.txt", "b");
    SetAttributes(scratch / "protegido.txt", FILE_ATTRIBUTE_READONLY);
    ASSERT_TRUE(ForceDirectories(scratch / "cheia"));
    WriteBytes(scratch / "cheia\\x", "c");

    EXPECT_TRUE(DeleteFile(scratch / "comum.txt"));
    EXPECT_FALSE(FileExists(scratch / "comum.txt"));
    EXPECT_FALSE(DeleteFile(scratch / "comum.txt")) << "already gone";
    EXPECT_FALSE(DeleteFile(scratch / "protegido.txt")) << "Windows refuses to delete a read-only file";
    EXPECT_TRUE(FileExists(scratch / "protegido.txt"));
    EXPECT_FALSE(DeleteFile(scratch / "cheia")) << "a folder is not a file";

    EXPECT_FALSE(RemoveFolder(scratch / "cheia")) << "not empty";
    EXPECT_TRUE(FolderExists(scratch / "cheia"));
    ASSERT_TRUE(DeleteFile(scratch / "cheia\\x"));
    EXPECT_TRUE(RemoveFolder(scratch / "cheia"));
    EXPECT_FALSE(FolderExists(scratch / "cheia"));
    EXPECT_FALSE(RemoveFolder(scratch / "cheia"));
}

TEST(Files, CopyAndReplace) {
    ScratchFolder scratch("copy");
    WriteBytes(scratch / "novo.exe", "nova versão");
    WriteBytes(scratch / "atual.exe", "versão antiga");

    EXPECT_FALSE(CopyFile(scratch / "novo.exe", scratch / "atual.exe", false)) << "no overwrite asked";
    EXPECT_EQ(ReadBytes(scratch / "atual.exe"), "versão antiga");
    EXPECT_TRUE(CopyFile(scratch / "novo.exe", scratch / "atual.exe", true));
    EXPECT_EQ(ReadBytes(scratch / "atual.exe"), "nova versão");
    EXPECT_TRUE(CopyFile(scratch / "novo.exe", scratch / "cópia.exe", false));
    EXPECT_EQ(ReadBytes(scratch / "cópia.exe"), "nova versão");
    EXPECT_FALSE(CopyFile(scratch / "não existe", scratch / "x", true));
    EXPECT_FALSE(FileExists(scratch / "x"));

    WriteBytes(scratch / "Modulo.exe.bkp", "baixado");
    EXPECT_TRUE(ReplaceFile(scratch / "Modulo.exe.bkp", scratch / "atual.exe"));
    EXPECT_EQ(ReadBytes(scratch / "atual.exe"), "baixado");
    EXPECT_FALSE(FileExists(scratch / "Modulo.exe.bkp"));
    EXPECT_TRUE(ReplaceFile(scratch / "cópia.exe", scratch / "ainda não existe.exe")) << "no target yet";
    EXPECT_FALSE(ReplaceFile(scratch / "não existe", scratch / "atual.exe"));
    EXPECT_EQ(ReadBytes(scratch / "atual.exe"), "baixado");
}

void SetLocalModified(const std::string& path, WORD year, WORD month, WORD day, WORD hour, WORD minute, WORD second) {
    SYSTEMTIME local = {year, month, 0, day, hour, minute, second, 0};
    FILETIME localTime, utc;
    ASSERT_TRUE(SystemTimeToFileTime(&local, &localTime));
    ASSERT_TRUE(LocalFileTimeToFileTime(&localTime, &utc));
    HANDLE h = CreateFileW(WideFromCp1252(path).c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(SetFileTime(h, nullptr, nullptr, &utc));
    CloseHandle(h);
}

TEST(Files, FileModifiedIsLocalTimeInTwoSecondSteps) {
    ScratchFolder scratch("modified");
    struct Case {
        WORD year, month, day, hour, minute, second;
        int expectedSecond;
    };
    const Case cases[] = {
        {2021, 3, 4, 10, 20, 30, 30},  // even seconds stay
        {2021, 3, 4, 10, 20, 31, 30},  // odd seconds go down to the even one
        {2024, 2, 29, 23, 59, 59, 58},
        {1999, 12, 31, 0, 0, 1, 0},
        {2023, 7, 15, 12, 0, 0, 0},  // summer in the northern half, where local offsets move
    };
    for (const Case& c : cases) {
        const std::string file = scratch / "Modulo.exe";
        WriteBytes(file, "x");
        SetLocalModified(file, c.year, c.month, c.day, c.hour, c.minute, c.second);
        std::optional<DateTime> modified = FileModified(file);
        ASSERT_TRUE(modified.has_value()) << c.year;
        EXPECT_NEAR(*modified, EncodeDateTime(c.year, c.month, c.day, c.hour, c.minute, c.expectedSecond), 1e-9)
            << c.year << "-" << c.month << "-" << c.day << " " << c.hour << ":" << c.minute << ":" << c.second;
    }
    EXPECT_FALSE(FileModified(scratch / "não existe").has_value());
    EXPECT_FALSE(FileModified(scratch.path()).has_value()) << "a folder has no file date";
}

TEST(Disk, FreeBytesAvailableOnDrives) {
    std::optional<uint64_t> c = FreeBytesAvailable("C:");
    ASSERT_TRUE(c.has_value());
    EXPECT_GT(*c, 0u);
    ULARGE_INTEGER available, total, free;
    ASSERT_TRUE(GetDiskFreeSpaceExW(L"C:\\", &available, &total, &free));
    EXPECT_LE(*c, total.QuadPart);

    DWORD used = GetLogicalDrives();
    char unused = 0;
    for (char letter = 'Z'; letter >= 'D' && !unused; --letter)
        if (!(used & (1u << (letter - 'A')))) unused = letter;
    ASSERT_NE(unused, 0) << "every drive letter is taken";
    EXPECT_FALSE(FreeBytesAvailable(std::string(1, unused) + ":").has_value()) << unused;
    EXPECT_FALSE(FreeBytesAvailable("").has_value());
    EXPECT_FALSE(FreeBytesAvailable("\\\\servidor-que-nao-existe\\pasta").has_value());
}

TEST(Locale, FormatMegabytes) {
    struct Case {
        uint64_t bytes;
        const char* separator;
        const char* text;
    };
    const Case cases[] = {
        {1610612736, ",", "1536,0 MB"},
        {0, ",", "0,0 MB"},
        {52428, ",", "0,0 MB"},              // 0.04999 MB
        {52429, ",", "0,1 MB"},              // 0.05000 MB rounds up
        {1048576 - 52429, ",", "0,9 MB"},    // 0.94999 MB
        {1048576 - 52428, ",", "1,0 MB"},    // 0.95000 MB carries into the integer
        {419430400, ".", "400.0 MB"},
        {uint64_t(12345678) << 20, ",", "12345678,0 MB"},  // no thousands separator
        {~uint64_t(0), ",", "17592186044416,0 MB"},        // no overflow at the top
    };
    for (const Case& c : cases) EXPECT_EQ(FormatMegabytes(c.bytes, c.separator), c.text) << c.bytes;
}

// The user's separator as the regional settings give it, changed the way the control panel does.
class UserDecimalSeparator : public ::testing::Test {
protected:
    void SetUp() override {
        wchar_t old[8] = {};
        ASSERT_GT(GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, LOCALE_SDECIMAL, old, 8), 0);
        saved_ = old;
    }
    void TearDown() override { SetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, saved_.c_str()); }
    std::wstring saved_;
};

TEST_F(UserDecimalSeparator, FollowsTheRegionalSettings) {
    ASSERT_TRUE(SetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, L","));
    EXPECT_EQ(DecimalSeparator(), ",");
    EXPECT_EQ(FormatMegabytes(1610612736), "1536,0 MB");
    ASSERT_TRUE(SetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, L"."));
    EXPECT_EQ(DecimalSeparator(), ".");
    EXPECT_EQ(FormatMegabytes(1610612736), "1536.0 MB");
}

TEST(Sleep, HookRecordsPausesInsteadOfSleeping) {
    std::vector<int> pauses;
    auto previous = SetSleepHook([&](int ms) { pauses.push_back(ms); });
    EXPECT_FALSE(previous);
    DWORD start = GetTickCount();
    SleepMs(60000);
    SleepMs(0);
    SleepMs(500);
    EXPECT_LT(GetTickCount() - start, 30000u) << "the hook must replace the pause";
    EXPECT_EQ(pauses, (std::vector<int>{60000, 0, 500}));
    auto mine = SetSleepHook(nullptr);
    EXPECT_TRUE(mine);
    SleepMs(20);  // the real pause again
    EXPECT_EQ(pauses.size(), 3u);
}

}  // namespace
}  // namespace vorlane::win
