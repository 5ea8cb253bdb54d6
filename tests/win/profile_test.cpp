// Profile (INI) writes read back byte for byte. The same executable runs under a 1252 machine
// and, with VORLANE_EXPECT_ACP set, under a foreign ANSI code page (Wine takes it from the
// Unix locale), where the profile API alone would not write Windows-1252.
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>

#include "platform/base/encoding.h"
#include "platform/base/error.h"
#include "platform/win/files.h"
#include "platform/win/profile.h"
#include "tests/win/support.h"

namespace vorlane::win {
namespace {

using wintest::ReadBytes;
using wintest::ScratchFolder;
using wintest::WriteBytes;

const char kModulos[] = "Ruvão|Selta|Travição|Ulvarentivo|VKX|";

UINT ExpectedAcp() {
    const char* value = std::getenv("VORLANE_EXPECT_ACP");
    return value ? UINT(std::atoi(value)) : 1252;
}

TEST(ProfileMachine, RunsUnderTheExpectedAnsiCodePage) {
    EXPECT_EQ(GetACP(), ExpectedAcp()) << "the locale of this run did not reach Wine";
}

// Both writers: what the program uses on this machine, and the byte editor on its own.
using Writer = std::function<void(const std::string&, const std::string&, const std::string&, const std::string&)>;
struct NamedWriter {
    const char* name;
    Writer write;
};
const NamedWriter kWriters[] = {{"WriteIniString", WriteIniString}, {"WriteIniBytes", detail::WriteIniBytes}};

class ProfileWrite : public ::testing::TestWithParam<NamedWriter> {
protected:
    void Write(const std::string& file, const std::string& section, const std::string& key, const std::string& value) {
        GetParam().write(file, section, key, value);
    }
};

INSTANTIATE_TEST_SUITE_P(Writers, ProfileWrite, ::testing::ValuesIn(kWriters),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_P(ProfileWrite, NewFileHoldsTheSectionAndTheKey) {
    ScratchFolder scratch("ini-new");
    Write(scratch / "conect.ini", "CAMINHO", "CAMINHO", "192.168.0.10");
    EXPECT_EQ(ReadBytes(scratch / "conect.ini"), "[CAMINHO]\r\nCAMINHO=192.168.0.10\r\n");
}

TEST_P(ProfileWrite, AccentedValueIsWrittenInWindows1252) {
    ScratchFolder scratch("ini-accents");
    Write(scratch / "config_Ostrel.ini", "MODULO", "ITENS", kModulos);
    const std::string bytes = ReadBytes(scratch / "config_Ostrel.ini");
    EXPECT_EQ(bytes, std::string("[MODULO]\r\nITENS=") + kModulos + "\r\n");
    // The same text spelled as bytes, so a wrong source or execution charset cannot hide.
    EXPECT_NE(bytes.find("Ruv\xE3o|Selta|Travi\xE7\xE3o|Ulvarentivo|VKX|"), std::string::npos);
}

TEST_P(ProfileWrite, OtherSectionsAndKeysAreKeptAndAnExistingKeyReplaced) {
    ScratchFolder scratch("ini-keep");
    const std::string file = scratch / "config_Ostrel.ini";
    WriteBytes(file, "[GERAL]\r\nNOME=Padaria São José\r\n[MODULO]\r\nANTES=1\r\nITENS=velho\r\nDEPOIS=2\r\n[FIM]\r\nX=y\r\n");
    Write(file, "MODULO", "ITENS", "VKX|Ruvão|");
    EXPECT_EQ(ReadBytes(file),
              "[GERAL]\r\nNOME=Padaria São José\r\n[MODULO]\r\nANTES=1\r\nITENS=VKX|Ruvão|\r\nDEPOIS=2\r\n[FIM]\r\nX=y\r\n");
    Write(file, "MODULO", "ITENS", "|");
    EXPECT_EQ(ReadBytes(file),
              "[GERAL]\r\nNOME=Padaria São José\r\n[MODULO]\r\nANTES=1\r\nITENS=|\r\nDEPOIS=2\r\n[FIM]\r\nX=y\r\n");
}

TEST_P(ProfileWrite, NewKeyGoesToTheEndOfItsSection) {
    ScratchFolder scratch("ini-newkey");
    const std::string file = scratch / "conect.ini";
    WriteBytes(file, "[CAMINHO]\r\nOUTRO=1\r\n[DEPOIS]\r\nY=2\r\n");
    Write(file, "CAMINHO", "CAMINHO", "servidor");
    EXPECT_EQ(ReadBytes(file), "[CAMINHO]\r\nOUTRO=1\r\nCAMINHO=servidor\r\n[DEPOIS]\r\nY=2\r\n");
}

TEST_P(ProfileWrite, NewSectionIsAddedAfterTheOthers) {
    ScratchFolder scratch("ini-newsection");
    const std::string file = scratch / "conect.ini";
    Write(file, "CAMINHO", "CAMINHO", "10.0.0.1");
    Write(file, "MODULO", "ITENS", "Selta|");
    const std::string bytes = ReadBytes(file);
    EXPECT_EQ(bytes.rfind("[CAMINHO]\r\nCAMINHO=10.0.0.1\r\n", 0), 0u) << bytes;
    EXPECT_NE(bytes.find("[MODULO]\r\nITENS=Selta|\r\n"), std::string::npos) << bytes;
    EXPECT_EQ(bytes.find("CAMINHO=10.0.0.1"), bytes.rfind("CAMINHO=10.0.0.1")) << "written once";
}

TEST_P(ProfileWrite, NamesAreWrittenAsGivenAndMatchedIgnoringCase) {
    ScratchFolder scratch("ini-case");
    const std::string file = scratch / "config_Ostrel.ini";
    Write(file, "modulo", "itens", "a|");
    EXPECT_EQ(ReadBytes(file), "[modulo]\r\nitens=a|\r\n") << "upper-casing is the caller's";
    Write(file, "MODULO", "ITENS", "b|");
    const std::string bytes = ReadBytes(file);
    EXPECT_NE(bytes.find("=b|\r\n"), std::string::npos) << bytes;
    EXPECT_EQ(bytes.find("a|"), std::string::npos) << "the key was matched and replaced: " << bytes;
    EXPECT_EQ(bytes.find('['), bytes.rfind('[')) << "one section: " << bytes;
}

TEST_P(ProfileWrite, RefusedWriteRaisesUnableToWrite) {
    ScratchFolder scratch("ini-refused");
    ASSERT_TRUE(ForceDirectories(scratch / "uma pasta.ini"));
    const std::string refused[] = {scratch / "não existe\\conect.ini", scratch / "uma pasta.ini"};
    for (const std::string& file : refused) {
        try {
            Write(file, "CAMINHO", "CAMINHO", "x");
            ADD_FAILURE() << "no error for " << file;
        } catch (const Error& e) {
            EXPECT_EQ(std::string(e.what()), "Unable to write to " + file);
        }
    }
    EXPECT_FALSE(FolderExists(scratch / "não existe"));
}

TEST_P(ProfileWrite, RelativeNameStaysInTheCurrentFolder) {
    ScratchFolder scratch("ini-relative");
    {
        wintest::CurrentFolderGuard inside(scratch.path());
        Write("vorlane-relativo.ini", "CAMINHO", "CAMINHO", "x");
    }
    EXPECT_EQ(ReadBytes(scratch / "vorlane-relativo.ini"), "[CAMINHO]\r\nCAMINHO=x\r\n");
    wchar_t windows[MAX_PATH];
    GetWindowsDirectoryW(windows, MAX_PATH);
    EXPECT_FALSE(FileExists(Cp1252FromWide(windows) + "\\vorlane-relativo.ini"));
}

// The byte editor keeps what it does not touch, also bytes no code page could read back.
TEST(ProfileBytes, UntouchedBytesStayAsTheyWere) {
    ScratchFolder scratch("ini-raw");
    const std::string file = scratch / "x.ini";
    const std::string other = "; coment\xE1rio\n[OUTRA]\nNOME = Jo\xE3o \x81\x8D\n\n";
    WriteBytes(file, other + "[MODULO]\nITENS=velho\n");
    detail::WriteIniBytes(file, "MODULO", "ITENS", kModulos);
    EXPECT_EQ(ReadBytes(file), other + "[MODULO]\n" + "ITENS=" + kModulos + "\n");

    WriteBytes(file, "[MODULO]\r\nSEM=fim de linha");
    detail::WriteIniBytes(file, "MODULO", "ITENS", "x");
    EXPECT_EQ(ReadBytes(file), "[MODULO]\r\nSEM=fim de linha\r\nITENS=x\r\n");
    WriteBytes(file, "[  Modulo  ]\r\n  Itens  = velho\r\n");
    detail::WriteIniBytes(file, "MODULO", "ITENS", "novo");
    EXPECT_EQ(ReadBytes(file), "[  Modulo  ]\r\nITENS=novo\r\n");
}

// Why the byte editor exists: under a foreign code page the profile API cannot keep 1252.
TEST(ProfileMachine, ApiAloneLosesWindows1252UnderAForeignCodePage) {
    if (GetACP() == 1252) GTEST_SKIP() << "a 1252 machine: the API is exact here";
    ScratchFolder scratch("ini-api");
    const std::string file = scratch / "api.ini";
    ASSERT_TRUE(WritePrivateProfileStringW(L"MODULO", L"ITENS", WideFromCp1252(kModulos).c_str(),
                                           WideFromCp1252(file).c_str()));
    EXPECT_EQ(ReadBytes(file).find(kModulos), std::string::npos) << ReadBytes(file);
}

}  // namespace
}  // namespace vorlane::win
