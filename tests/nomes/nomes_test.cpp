// The name, listing and date routines of the installation run.
#include <gtest/gtest.h>

#include <cmath>
#include <ctime>
#include <map>

#include "engine/nomes.h"
#include "platform/base/date_format.h"
#include "platform/base/error.h"
#include "platform/base/text.h"
#include "tests/zip/zip_fixture.h"

#ifdef _WIN32
#include <windows.h>

#include "platform/base/encoding.h"
#else
#include <sys/time.h>
#endif

using vorlane::EncodeDate;
using vorlane::EncodeDateTime;
using vorlane::ftp::Listing;
using vorlane::ftp::ListingItem;

namespace {

std::string Byte(int b) { return std::string(1, static_cast<char>(b)); }

TEST(RemoveAcentos, ReplacesExactlyTheTableBytes) {
    // The 22 replacements; every other byte of the code page is copied as it is.
    const std::map<int, char> table = {
        {0x27, '\xB4'}, {0x5C, '/'}, {0xC1, 'A'}, {0xC3, 'A'}, {0xC7, 'C'}, {0xC9, 'E'}, {0xCA, 'E'}, {0xCD, 'I'},
        {0xCE, 'I'},    {0xD3, 'O'}, {0xD4, 'O'}, {0xD5, 'O'}, {0xDA, 'U'}, {0xE1, 'a'}, {0xE3, 'a'}, {0xE7, 'c'},
        {0xE9, 'e'},    {0xEA, 'e'}, {0xED, 'i'}, {0xEE, 'i'}, {0xF4, 'o'}, {0xF5, 'o'},
    };
    for (int b = 0; b < 256; ++b) {
        auto it = table.find(b);
        EXPECT_EQ(RemoveAcentos(Byte(b)), it == table.end() ? Byte(b) : std::string(1, it->second)) << "byte " << b;
    }
}

TEST(RemoveAcentos, NamesOfTheModules) {
    struct Case {
        std::string in, out;
    } cases[] = {
        {"Travição", "Travicao"},
        {"Ruvão", "Ruvao"},
        {"d'água", "d\xB4" "agua"},
        {"NFe\\SCHEMAS", "NFe/SCHEMAS"},
        {"óú", "óú"},
        {"ÓÚ", "OU"},
        {"ÀÂàâÜüñ", "ÀÂàâÜüñ"},
        {"", ""},
        {std::string("a\0b", 3), std::string("a\0b", 3)},
    };
    for (const auto& c : cases) EXPECT_EQ(RemoveAcentos(c.in), c.out) << c.in;
    EXPECT_EQ(vorlane::UpperAscii(RemoveAcentos("Travição")), "TRAVICAO");
    EXPECT_EQ(vorlane::UpperAscii(RemoveAcentos("Ruvão")), "RUVAO");
}

TEST(IndiceNaListagem, FirstMatchIgnoringCase) {
    Listing listing({{"leiame.txt"}, {"bevani.exe"}, {"BEVANI.EXE"}, {"Ostrel.exe"}});
    struct Case {
        const char* name;
        int index;
    } cases[] = {
        {"Bevani.exe", 1}, {"BEVANI.EXE", 1}, {"ostrel.EXE", 3}, {"leiame.txt", 0},
        {"bevani", -1},    {"bevani.exe ", -1}, {"", -1},
    };
    for (const auto& c : cases) EXPECT_EQ(IndiceNaListagem(listing, c.name), c.index) << c.name;
    EXPECT_EQ(IndiceNaListagem(Listing(), "Bevani.exe"), -1);
    EXPECT_EQ(IndiceNaListagem(Listing(), ""), -1);
}

TEST(DataRemota, ListedDateOrTheFirstOf2000) {
    const vorlane::DateTime listed = EncodeDateTime(2024, 5, 17, 14, 30, 0);
    Listing listing({{"Selta.exe", listed}});
    for (const char* pattern : {"dd/MM/yyyy", "d/M/yyyy", "M/d/yyyy", "MM/dd/yy"}) {
        SCOPED_TRACE(pattern);
        EXPECT_EQ(DataRemota(listing, "SELTA.EXE", pattern), listed);
        EXPECT_EQ(DataRemota(listing, "Ausente.exe", pattern), EncodeDate(2000, 1, 1));
    }
    // A pattern that cannot read the text raises the conversion error; a listed name does
    // not need the conversion.
    for (const char* pattern : {"yyyy-MM-dd", "yyyy/MM/dd", "dd.MM.yyyy", "dd-MM-yyyy"}) {
        SCOPED_TRACE(pattern);
        try {
            DataRemota(listing, "Ausente.exe", pattern);
            ADD_FAILURE() << "no error";
        } catch (const vorlane::Error& e) {
            EXPECT_STREQ(e.what(), "'01/01/2000' is not a valid date");
        }
        EXPECT_EQ(DataRemota(listing, "selta.exe", pattern), listed);
    }
}

TEST(DataRemota, UsesTheUserShortDatePattern) {
    const std::string pattern = vorlane::UserShortDateFormat();
    ASSERT_FALSE(pattern.empty());
    // The Windows tier runs in the users' locale, pt_BR; the host has no locale to read.
    EXPECT_EQ(pattern, "dd/MM/yyyy");
    Listing listing;
    const bool readable = pattern.find('/') != std::string::npos && pattern.find('y') > pattern.find('/');
    if (readable) {
        EXPECT_EQ(DataRemota(listing, "x.exe"), EncodeDate(2000, 1, 1)) << pattern;
    } else {
        EXPECT_THROW(DataRemota(listing, "x.exe"), vorlane::Error) << pattern;
    }
}

TEST(StrToDate, ReadsWithThePatternsOrderAndSeparator) {
    std::time_t now = std::time(nullptr);
    const int year = std::localtime(&now)->tm_year + 1900;
    struct Case {
        const char* text;
        const char* pattern;
        vorlane::DateTime date;
    } cases[] = {
        {"31/12/1999", "dd/MM/yyyy", EncodeDate(1999, 12, 31)},
        {"2/29/2024", "M/d/yyyy", EncodeDate(2024, 2, 29)},
        {"2000-01-31", "yyyy-MM-dd", EncodeDate(2000, 1, 31)},
        {"31.01.2000", "dd.MM.yyyy", EncodeDate(2000, 1, 31)},
        {"1/2/03", "d/M/yy", EncodeDate(2003, 2, 1)},
        {" 1/ 2/2003 ", "d/M/yyyy", EncodeDate(2003, 2, 1)},
        {"15/06", "dd/MM/yyyy", EncodeDate(year, 6, 15)},
        {"06/15", "MM/dd/yyyy", EncodeDate(year, 6, 15)},
        {"1. 2. 2003", "d. M. yyyy", EncodeDate(2003, 2, 1)},
    };
    for (const auto& c : cases) EXPECT_EQ(vorlane::StrToDate(c.text, c.pattern), c.date) << c.text << " " << c.pattern;

    struct Bad {
        const char* text;
        const char* pattern;
    } bad[] = {
        {"29/02/2023", "dd/MM/yyyy"}, {"32/01/2000", "dd/MM/yyyy"}, {"01/13/2000", "dd/MM/yyyy"},
        {"", "dd/MM/yyyy"},           {"01/01/2000x", "dd/MM/yyyy"}, {"01-01-2000", "dd/MM/yyyy"},
        {"01/01/2000", "yyyyMMdd"},   {"1/1/1/1", "d/M/yyyy"},       {"01", "dd/MM/yyyy"},
    };
    for (const auto& b : bad) {
        try {
            vorlane::StrToDate(b.text, b.pattern);
            ADD_FAILURE() << b.text << " read under " << b.pattern;
        } catch (const vorlane::Error& e) {
            EXPECT_EQ(e.what(), "'" + std::string(b.text) + "' is not a valid date");
        }
    }
}

class DataLocalTest : public ::testing::Test {
protected:
    ziptest::WorkFolder work;
};

TEST_F(DataLocalTest, MissingFileIsAYearBeforeToday) {
    std::time_t now = std::time(nullptr);
    std::tm today = *std::localtime(&now);
    vorlane::DateTime expected = EncodeDate(today.tm_year + 1900, today.tm_mon + 1, today.tm_mday) - 365;
    vorlane::DateTime got = DataLocal(work.Path("nao-existe.exe"));
    EXPECT_TRUE(got == expected || got == expected + 1) << got;  // midnight may pass in between
    EXPECT_EQ(got, std::floor(got));
    // A folder is no file.
    EXPECT_EQ(DataLocal(work.Root()), got);
}

TEST_F(DataLocalTest, FileTimeInLocalTimeAtTwoSecondResolution) {
    const std::string path = work.Path("Selta.exe");
    ziptest::WriteBytes(path, "MZ");
#ifdef _WIN32
    SYSTEMTIME local{2022, 5, 0, 6, 7, 8, 9, 500};
    FILETIME lft, ft;
    ASSERT_TRUE(SystemTimeToFileTime(&local, &lft) && LocalFileTimeToFileTime(&lft, &ft));
    HANDLE h = CreateFileW(vorlane::WideFromCp1252(path).c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    ASSERT_TRUE(SetFileTime(h, nullptr, nullptr, &ft));
    CloseHandle(h);
#else
    std::tm t{};
    t.tm_year = 2022 - 1900;
    t.tm_mon = 4;
    t.tm_mday = 6;
    t.tm_hour = 7;
    t.tm_min = 8;
    t.tm_sec = 9;
    t.tm_isdst = -1;
    struct timeval times[2] = {{mktime(&t), 500000}, {mktime(&t), 500000}};
    ASSERT_EQ(utimes(path.c_str(), times), 0);
#endif
    EXPECT_DOUBLE_EQ(DataLocal(path), EncodeDateTime(2022, 5, 6, 7, 8, 8));
}

TEST(PrimeiraMaiuscula, FirstUpperRestLower) {
    struct Case {
        std::string in, out;
    } cases[] = {
        {"Dunmar_Ekt.exe.bkp", "Dunmar_ekt.exe.bkp"},
        {"OSTREL", "Ostrel"},
        {"bevani", "Bevani"},
        {"çÃO", "çÃo"},
        {"ção", "ção"},
        {"x", "X"},
        {"", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(PrimeiraMaiuscula(c.in), c.out) << c.in;
}

TEST(TemExtensao, DotAndExtensionAnywhereInTheUpperCaseName) {
    struct Case {
        const char* name;
        const char* ext;
        bool has;
    } cases[] = {
        {"ARQ.DLL.OLD", "DLL", true}, {"arq.dll", "DLL", true},   {"ARQDLL", "DLL", false},
        {"X.DLL", "dll", false},      {"X.DLL", "", false},       {"LOGO.JPG", "JPG", true},
        {"foto.jpg", "BMP", false},   {"a.bmp.bkp", "BMP", true}, {"", "DLL", false},
    };
    for (const auto& c : cases) EXPECT_EQ(TemExtensao(c.name, c.ext), c.has) << c.name << " " << c.ext;
}

TEST(RemoveDigitos, DropsEveryDigit) {
    struct Case {
        const char* in;
        const char* out;
    } cases[] = {
        {"LOGO12.JPG", "LOGO.JPG"}, {"A1B2", "AB"}, {"LOGO012.BMP", "LOGO.BMP"}, {"123", ""}, {"", ""}, {"sem", "sem"},
    };
    for (const auto& c : cases) EXPECT_EQ(RemoveDigitos(c.in), c.out) << c.in;
}

TEST(MesmoTexto, EqualInAsciiUpperCase) {
    struct Case {
        const char* a;
        const char* b;
        bool same;
    } cases[] = {
        {"schemas.zip", "SCHEMAS.ZIP", true}, {"LOGO012.JPG", "logo012.jpg", true}, {"Ç", "ç", false},
        {"a", "b", false},                    {"", "", true},                       {"abc", "ab", false},
    };
    for (const auto& c : cases) EXPECT_EQ(MesmoTexto(c.a, c.b), c.same) << c.a << " " << c.b;
}

}  // namespace

// What the update loop and the unzipper accept as a file name from the server or an archive.
TEST(IsPlainFileName, OnlyNamesWindowsCanHoldInTheFolder) {
    struct Case {
        const char* name;
        bool plain;
    } cases[] = {
        {"Ostrel.exe", true},   {"LOGO7.JPG", true},  {"a b.dll", true},   {"Açougue.txt", true},
        {".oculto", true},      {"", false},          {".", false},        {"..", false},
        {"..\\evil.DLL", false}, {"a/b.DLL", false},  {"C:evil.DLL", false}, {"a:stream", false},
        {"a?.jpg", false},      {"b*.dll", false},    {"x|y.dll", false},  {"r<s>.dll", false},
        {"aspas\".dll", false}, {"Y.DLL.", false},    {"fim ", false},     {"NUL.DLL", false},
        {"com1", false},        {"CONIN$", false},    {"conout$.txt", false}, {"COM0.txt", true},
        {"tab\there", false},
    };
    for (const Case& c : cases) EXPECT_EQ(vorlane::IsPlainFileName(c.name), c.plain) << c.name;
}
