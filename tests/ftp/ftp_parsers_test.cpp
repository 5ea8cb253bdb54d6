// The pure parts of the FTP client: listing lines, control-connection replies and server
// addresses, as tables of real server output.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/base/error.h"
#include "platform/ftp/ftp_client.h"
#include "platform/ftp/listing_parser.h"
#include "platform/ftp/reply.h"

namespace vorlane::ftp {
namespace {

// --- listing lines -----------------------------------------------------------------------

struct LineCase {
    const char* line;
    bool parsed;
    const char* name = "";
    int year = 0, month = 0, day = 0, hour = 0, minute = 0;
    bool folder = false;
    int64_t size = -1;
};

void ExpectLine(const LineCase& c, DateTime now) {
    SCOPED_TRACE(c.line);
    ListingItem item;
    ASSERT_EQ(ParseListingLine(c.line, now, item), c.parsed);
    if (!c.parsed) return;
    EXPECT_EQ(item.fileName, c.name);
    EXPECT_DOUBLE_EQ(item.modified, EncodeDateTime(c.year, c.month, c.day, c.hour, c.minute, 0));
    EXPECT_EQ(item.isFolder, c.folder);
    EXPECT_EQ(item.size, c.size);
}

// A function, not a constant: the date routines must not run during static initialisation.
DateTime June15() { return EncodeDateTime(2024, 6, 15, 12, 0, 0); }

TEST(ListingLine, UnixLayoutsOfRealServers) {
    const LineCase cases[] = {
        // vsftpd: numeric owner and group, recent and old dates
        {"-rw-r--r--    1 0        0          307217 Jun 10 08:05 Ostrel.exe", true, "Ostrel.exe", 2024, 6, 10, 8, 5, false, 307217},
        {"-rw-r--r--    1 0        0               3 Mar 15  2019 a.txt", true, "a.txt", 2019, 3, 15, 0, 0, false, 3},
        {"drwxr-xr-x    2 0        0            4096 Dec 09  2023 Dll", true, "Dll", 2023, 12, 9, 0, 0, true, -1},
        // proftpd: space-padded day, a name with a space
        {"-rw-r--r--   1 ftp      ftp          1234 Jan  5 10:22 Leia me.txt", true, "Leia me.txt", 2024, 1, 5, 10, 22, false, 1234},
        // pure-ftpd: wide columns; inner double spaces of the name kept
        {"-rw-r--r--    1 1000       1000             3 Mar 15  2019 dois  espaços.txt", true, "dois  espaços.txt", 2019, 3, 15, 0, 0, false, 3},
        // pyftpdlib: zero-padded day
        {"-rw-r--r--   1 root     root       300000 Jun 05 10:22 Bevani.exe", true, "Bevani.exe", 2024, 6, 5, 10, 22, false, 300000},
        // no group column
        {"-rw-r--r--   1 owner     4096 Jun 14 23:59 semgrupo.dat", true, "semgrupo.dat", 2024, 6, 14, 23, 59, false, 4096},
        // a link is listed under its own name
        {"lrwxrwxrwx    1 0        0              10 Jun 01 09:00 atalho -> Ostrel.exe", true, "atalho", 2024, 6, 1, 9, 0, false, 10},
        // ACL mark after the mode, lower-case month
        {"-rw-r--r--+   1 u g 5 jun 01 09:00 acl.txt", true, "acl.txt", 2024, 6, 1, 9, 0, false, 5},
        // an owner named like a month, and a name that looks like a date
        {"-rw-r--r-- 1 jan staff 3 Jun 01 09:00 x", true, "x", 2024, 6, 1, 9, 0, false, 3},
        {"-rw-r--r-- 1 0 0 3 Jun 01 09:00 Mar 15  2019 relatorio.txt", true, "Mar 15  2019 relatorio.txt", 2024, 6, 1, 9, 0, false, 3},
        {"-rw-r--r-- 1 0 0 3 Jun 01 09:00 Ostrel.exe\r", true, "Ostrel.exe", 2024, 6, 1, 9, 0, false, 3},
        // ls --time-style long-iso, full-iso (seconds, fraction, zone) and iso
        {"-rw-r--r-- 1 ftp ftp 307217 2024-01-05 10:22 Ostrel.exe", true, "Ostrel.exe", 2024, 1, 5, 10, 22, false, 307217},
        {"-rw-r--r-- 1 ftp ftp 12 2023-11-30 23:59:58.123456789 +0000 Leia me.txt", true, "Leia me.txt", 2023, 11, 30, 23, 59, false, 12},
        {"-rw-r--r-- 1 ftp ftp 12 2023-11-30 23:59:58 -0300 b.dll", true, "b.dll", 2023, 11, 30, 23, 59, false, 12},
        {"-rw-r--r-- 1 ftp ftp 5 06-10 08:05 recente.exe", true, "recente.exe", 2024, 6, 10, 8, 5, false, 5},
        {"drwxr-xr-x 2 ftp ftp 4096 2019-03-15 Dll", true, "Dll", 2019, 3, 15, 0, 0, true, -1},
        {"-rw-r--r-- 1 ftp ftp 5 2024-13-05 10:22 mes.exe", false},
        {"-rw-r--r-- 1 ftp ftp 5 0000-01-05 10:22 ano.exe", false},
        // ls in the server's own language: Portuguese, Spanish, German (day first), French
        {"-rw-r--r-- 1 0 0 300000 fev 29 10:22 Bevani.exe", true, "Bevani.exe", 2024, 2, 29, 10, 22, false, 300000},
        {"-rw-r--r-- 1 0 0 3 dez 9  2023 Logo.jpg", true, "Logo.jpg", 2023, 12, 9, 0, 0, false, 3},
        {"-rw-r--r-- 1 0 0 3  5 out 10:22 dia-antes.txt", true, "dia-antes.txt", 2023, 10, 5, 10, 22, false, 3},
        {"-rw-r--r-- 1 0 0 3 ene 05 10:22 enero.txt", true, "enero.txt", 2024, 1, 5, 10, 22, false, 3},
        {"-rw-r--r-- 1 0 0 3 5. Mär 10:22 maerz.txt", true, "maerz.txt", 2024, 3, 5, 10, 22, false, 3},
        {"-rw-r--r-- 1 0 0 3 févr. 5 10:22 fevrier.txt", true, "fevrier.txt", 2024, 2, 5, 10, 22, false, 3},
        {"-rw-r--r-- 1 0 0 3 déc. 5  2022 decembre.txt", true, "decembre.txt", 2022, 12, 5, 0, 0, false, 3},
        {"-rw-r--r-- 1 0 0 3 d\xc3\xa9" "c. 5  2022 utf8.txt", true, "utf8.txt", 2022, 12, 5, 0, 0, false, 3},
        {"-rw-r--r-- 1 0 0 3 \xe9 5 10:22 nada.txt", false},
        // not items
        {"total 123", false},
        {"", false},
        {"   ", false},
        {"drwxr-xr-x    2 0 0 4096 Jun 01 09:00 .", false},
        {"drwxr-xr-x    2 0 0 4096 Jun 01 09:00 ..", false},
        {"-rw-r--r--    1 0 0 3 Jun 01 09:00", false},
        {"-rw-r--r--    1 0 0 3 Xyz 01 09:00 mes.txt", false},
        {"-rw-r--r--    1 0 0 3 Feb 30  2019 dia.txt", false},
        {"-rw-r--r--    1 0 0 3 Jun 01 25:00 hora.txt", false},
        {"Servidor pronto para listar", false},
        {"+i8388621.29609,m824255902,/,\tdev", false},
    };
    for (const LineCase& c : cases) ExpectLine(c, June15());
}

TEST(ListingLine, YearOfRecentDatesIsInferredFromNow) {
    struct Case {
        DateTime now;
        LineCase c;
    };
    const Case cases[] = {
        // up to one day ahead of now counts as this year (server in another time zone)
        {June15(), {"-rw-r--r-- 1 0 0 1 Jun 16 11:00 a", true, "a", 2024, 6, 16, 11, 0, false, 1}},
        {June15(), {"-rw-r--r-- 1 0 0 1 Jun 16 13:00 a", true, "a", 2023, 6, 16, 13, 0, false, 1}},
        {June15(), {"-rw-r--r-- 1 0 0 1 Dec 31 23:59 a", true, "a", 2023, 12, 31, 23, 59, false, 1}},
        {June15(), {"-rw-r--r-- 1 0 0 1 Jan 01 00:00 a", true, "a", 2024, 1, 1, 0, 0, false, 1}},
        // New Year's Day: December is last year
        {EncodeDateTime(2025, 1, 1, 0, 30, 0), {"-rw-r--r-- 1 0 0 1 Dec 31 23:50 a", true, "a", 2024, 12, 31, 23, 50, false, 1}},
        // 29 February in a year without it belongs to the year before
        {EncodeDateTime(2025, 1, 10, 8, 0, 0), {"-rw-r--r-- 1 0 0 1 Feb 29 10:00 a", true, "a", 2024, 2, 29, 10, 0, false, 1}},
        {EncodeDateTime(2024, 3, 1, 8, 0, 0), {"-rw-r--r-- 1 0 0 1 Feb 29 10:00 a", true, "a", 2024, 2, 29, 10, 0, false, 1}},
    };
    for (const Case& c : cases) ExpectLine(c.c, c.now);
}

TEST(ListingLine, MsDosLayoutOfIis) {
    const LineCase cases[] = {
        {"01-05-24  10:22AM       <DIR>          Dll", true, "Dll", 2024, 1, 5, 10, 22, true, -1},
        {"03-15-19  12:00PM               300000 Ostrel.exe", true, "Ostrel.exe", 2019, 3, 15, 12, 0, false, 300000},
        {"03-15-19  12:30AM                 1234 meia-noite.txt", true, "meia-noite.txt", 2019, 3, 15, 0, 30, false, 1234},
        {"03-15-19  01:05PM                    0 vazio.txt", true, "vazio.txt", 2019, 3, 15, 13, 5, false, 0},
        {"11-30-69  01:00PM                    5 x.txt", true, "x.txt", 2069, 11, 30, 13, 0, false, 5},
        {"11-30-70  01:00PM                    5 y.txt", true, "y.txt", 1970, 11, 30, 13, 0, false, 5},
        {"02-29-24  11:59PM                    7 Leia me.txt", true, "Leia me.txt", 2024, 2, 29, 23, 59, false, 7},
        {"06-01-2024  21:00                   10 quatro.txt", true, "quatro.txt", 2024, 6, 1, 21, 0, false, 10},
        {"13-01-24  10:00AM                    5 mes.txt", false},
        {"02-30-24  10:00AM                    5 dia.txt", false},
        {"01-05-24  13:00PM                    5 hora.txt", false},
        {"01-05-24  00:10AM                    5 hora.txt", false},
        {"01-05-24  10:22AM                  abc tamanho.txt", false},
        {"01-05-24  10:22AM       <DIR>", false},
    };
    for (const LineCase& c : cases) ExpectLine(c, June15());
}

TEST(Listing, DetailedKeepsItemsInServerOrderAndSkipsTheRest) {
    const StringList lines = {"total 12", "", "-rw-r--r-- 1 0 0 3 Jun 01 09:00 b.exe", "lixo",
                              "drwxr-xr-x 2 0 0 4096 Jun 01 09:00 Dll", "-rw-r--r-- 1 0 0 3 Jun 01 09:00 a.exe"};
    Listing listing = ParseListing(lines, true, June15());
    ASSERT_EQ(listing.Count(), 3);
    EXPECT_EQ(listing.Item(0).fileName, "b.exe");
    EXPECT_EQ(listing.Item(1).fileName, "Dll");
    EXPECT_EQ(listing.Item(2).fileName, "a.exe");
}

TEST(Listing, NamesOnlyGiveNamesWithDateZero) {
    const StringList lines = {"Ostrel.exe", "", "  ", "Leia me.txt\r", "-rw-r--r-- 1 0 0 3 Jun 01 09:00 x"};
    Listing listing = ParseListing(lines, false, June15());
    ASSERT_EQ(listing.Count(), 3);
    EXPECT_EQ(listing.Item(0).fileName, "Ostrel.exe");
    EXPECT_EQ(listing.Item(1).fileName, "Leia me.txt");
    // a names-only line is a name, whatever it looks like
    EXPECT_EQ(listing.Item(2).fileName, "-rw-r--r-- 1 0 0 3 Jun 01 09:00 x");
    for (int i = 0; i < listing.Count(); ++i) EXPECT_EQ(listing.Item(i).modified, 0);
}

TEST(Listing, NamesOnlyLeaveOutTheFolderAndItsParent) {
    // pure-ftpd's NLST as it came (vsftpd and proftpd answer NLST -a alike).
    const StringList lines = {"atalho\r", "Leia me agora.txt\r", ".\r", "Dll\r", "..\r", "Bevani.exe\r", ".oculto\r"};
    Listing listing = ParseListing(lines, false, June15());
    std::vector<std::string> names;
    for (int i = 0; i < listing.Count(); ++i) names.push_back(listing.Item(i).fileName);
    EXPECT_EQ(names, (std::vector<std::string>{"atalho", "Leia me agora.txt", "Dll", "Bevani.exe", ".oculto"}));
}

// --- replies -------------------------------------------------------------------------------

struct ReplyCase {
    const char* name;
    std::string stream;
    std::vector<std::pair<int, size_t>> replies;  // code and number of lines of each reply
    const char* error;                            // the message starts with this
};

// Feeds the stream in pieces of the given size and collects the replies, and the message of
// the error that stopped the reading, if any.
std::vector<Reply> ReadAllReplies(const std::string& stream, size_t piece, std::string* error = nullptr) {
    ReplyReader reader;
    std::vector<Reply> replies;
    try {
        for (size_t at = 0; at < stream.size(); at += piece) {
            reader.Feed(stream.data() + at, std::min(piece, stream.size() - at));
            Reply r;
            while (reader.Next(r)) replies.push_back(r);
        }
    } catch (const Error& e) {
        if (!error) throw;
        *error = e.what();
    }
    return replies;
}

TEST(ReplyReader, SplitsRepliesWhateverTheReadSizes) {
    std::string bigButAllowed = "211-Recursos:\r\n";
    while (bigButAllowed.size() < ReplyReader::kMaxReplyBytes - 2000) bigButAllowed += " " + std::string(98, 'f') + "\r\n";
    bigButAllowed += "211 Fim\r\n";
    std::string endless = "220-Bem-vindo\r\n";
    while (endless.size() < 70000) endless += "220-" + std::string(996, 'x') + "\r\n";
    const ReplyCase cases[] = {
        {"single", "220 Pronto.\r\n", {{220, 1}}, nullptr},
        {"preliminary then multi-line with look-alike inner lines",
         "120 Aguarde.\r\n220-a\r\nlinha\r\n 220 recuada\r\n123 outro\r\n220-mais\r\n220 fim\r\n", {{120, 1}, {220, 6}}, nullptr},
        {"bare line feeds", "230 ok\n331 senha\n", {{230, 1}, {331, 1}}, nullptr},
        {"several in one read", "213 1234\r\n150 abrindo\r\n226 ok\r\n", {{213, 1}, {150, 1}, {226, 1}}, nullptr},
        {"code alone", "200\r\n", {{200, 1}}, nullptr},
        {"code alone ends a multi-line reply", "211-a\r\n211\r\n", {{211, 2}}, nullptr},
        {"long but within the cap", bigButAllowed, {{211, 0}}, nullptr},
        {"no code", "SSH-2.0-OpenSSH\r\n", {}, "Resposta inválida do servidor FTP: \"SSH-2.0-OpenSSH\"."},
        {"four digits", "2200 x\r\n", {}, "Resposta inválida do servidor FTP: \"2200 x\"."},
        {"first digit beyond 5", "600 x\r\n", {}, "Resposta inválida do servidor FTP: \"600 x\"."},
        {"garbage after a good reply", "220 ok\r\n\x01\x02\r\n", {{220, 1}}, "Resposta inválida do servidor FTP: \"  \"."},
        {"endless multi-line", endless, {}, "Resposta do servidor FTP longa demais (mais de 64 KiB)."},
        {"endless line", "220 " + std::string(70000, 'y'), {}, "Resposta do servidor FTP longa demais (mais de 64 KiB)."},
    };
    for (const ReplyCase& c : cases) {
        for (size_t piece : {c.stream.size(), size_t(1), size_t(7), size_t(4096)}) {
            SCOPED_TRACE(std::string(c.name) + ", pieces of " + std::to_string(piece));
            std::string error;
            std::vector<Reply> got = ReadAllReplies(c.stream, piece, &error);
            EXPECT_EQ(error, c.error ? c.error : "");
            ASSERT_EQ(got.size(), c.replies.size());
            for (size_t i = 0; i < got.size(); ++i) {
                EXPECT_EQ(got[i].code, c.replies[i].first);
                if (c.replies[i].second) {
                    EXPECT_EQ(got[i].lines.size(), c.replies[i].second);
                }
            }
        }
    }
}

TEST(ReplyReader, DescribeMakesOneLineOfTheServerText) {
    const struct {
        std::string stream;
        const char* described;
        const char* last;
    } cases[] = {
        {"550 No such file or directory.\r\n", "550 No such file or directory.", "No such file or directory."},
        {"550-Arquivo\r\n550 não encontrado.\r\n", "550 Arquivo não encontrado.", "não encontrado."},
        {"530-Falha\r\n  linha solta \r\n530 fim\r\n", "530 Falha linha solta fim", "fim"},
        {"500 a\tb\r\n", "500 a b", "a\tb"},
        {"421\r\n", "421", ""},
        {"213 1234\r\n", "213 1234", "1234"},
        // UTF-8 text read as Windows-1252: "Á" is C3 81, and 81 is one of the five bytes that
        // Windows-1252 leaves undefined, which Windows shows as C1 control characters
        {"550 NOME INV\xc3\x81LIDO: \x8d\x8f\x90\x9d.\r\n", "550 NOME INV\xc3 LIDO:     .", "NOME INV\xc3\x81LIDO: \x8d\x8f\x90\x9d."},
    };
    for (const auto& c : cases) {
        std::vector<Reply> replies = ReadAllReplies(c.stream, c.stream.size());
        ASSERT_EQ(replies.size(), 1u) << c.stream;
        EXPECT_EQ(replies[0].Describe(), c.described);
        EXPECT_EQ(replies[0].LastText(), c.last);
    }
    Reply longText;
    longText.code = 550;
    longText.lines = {"550 " + std::string(1000, 'z')};
    EXPECT_EQ(longText.Describe(), "550 " + std::string(300, 'z') + "...");
}

// --- server addresses ----------------------------------------------------------------------

TEST(ParseHostPort, AddressesAsTyped) {
    const struct {
        const char* address;
        bool ok;
        const char* host = "";
        int port = 0;
    } cases[] = {
        {"servidor", true, "servidor", 21},
        {"servidor:2121", true, "servidor", 2121},
        {" 192.168.0.10:21 ", true, "192.168.0.10", 21},
        {"servidor:65535", true, "servidor", 65535},
        {"[::1]:2121", true, "::1", 2121},
        {"[::1]", true, "::1", 21},
        {"fe80::1", true, "fe80::1", 21},
        {"servidor:", false},
        {"servidor:0", false},
        {"servidor:65536", false},
        {"servidor:12a", false},
        {"servidor:-21", false},
        {":21", false},
        {"", false},
        {"   ", false},
        {"[::1", false},
        {"[::1]x", false},
        {"[]:21", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.address);
        std::string host = "antes";
        int port = -7;
        ASSERT_EQ(ParseHostPort(c.address, host, port), c.ok);
        if (c.ok) {
            EXPECT_EQ(host, c.host);
            EXPECT_EQ(port, c.port);
        } else {
            EXPECT_EQ(host, "antes");
            EXPECT_EQ(port, -7);
        }
    }
}

}  // namespace
}  // namespace vorlane::ftp
