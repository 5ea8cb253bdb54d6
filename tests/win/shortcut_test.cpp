// Registry reads, the desktop folder and shell links read back through the link object.
#include <gtest/gtest.h>

#include <windows.h>
#include <knownfolders.h>

#include <thread>

#include "platform/base/error.h"
#include "platform/win/com.h"
#include "platform/win/files.h"
#include "platform/win/registry.h"
#include "platform/win/shell.h"
#include "platform/win/shortcut.h"
#include "tests/win/support.h"

namespace vorlane::win {
namespace {

using wintest::RegistryValueGuard;
using wintest::ScratchFolder;
using wintest::WriteBytes;

const char kShellFolders[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
const char kUserShellFolders[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
const char kTestKey[] = "Software\\Vorlane Testes";

class Registry : public ::testing::Test {
protected:
    void TearDown() override { RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Vorlane Testes"); }
};

TEST_F(Registry, ReadsStringValuesOnly) {
    RegistryValueGuard text(HKEY_CURRENT_USER, kTestKey, "Texto");
    RegistryValueGuard expand(HKEY_CURRENT_USER, kTestKey, "Expandir");
    RegistryValueGuard binary(HKEY_CURRENT_USER, kTestKey, "Binário");
    RegistryValueGuard empty(HKEY_CURRENT_USER, kTestKey, "Vazio");
    RegistryValueGuard longer(HKEY_CURRENT_USER, kTestKey, "Longo");
    text.Set("C:\\Usuários\\João\\Área de Trabalho");
    expand.Set("%USERPROFILE%\\Desktop", REG_EXPAND_SZ);
    binary.Set("C:\\x", REG_BINARY);
    empty.Set("");
    const std::string big(3000, 'x');
    longer.Set(big);

    EXPECT_EQ(ReadRegistryString(HKEY_CURRENT_USER, kTestKey, "Texto"), "C:\\Usuários\\João\\Área de Trabalho");
    EXPECT_EQ(ReadRegistryString(HKEY_CURRENT_USER, kTestKey, "texto"), "C:\\Usuários\\João\\Área de Trabalho")
        << "value names ignore case";
    EXPECT_EQ(ReadRegistryString(HKEY_CURRENT_USER, kTestKey, "Expandir"), "%USERPROFILE%\\Desktop")
        << "left unexpanded";
    EXPECT_EQ(ReadRegistryString(HKEY_CURRENT_USER, kTestKey, "Vazio"), "");
    EXPECT_EQ(ReadRegistryString(HKEY_CURRENT_USER, kTestKey, "Longo"), big);
    EXPECT_FALSE(ReadRegistryString(HKEY_CURRENT_USER, kTestKey, "Binário").has_value());
    EXPECT_FALSE(ReadRegistryString(HKEY_CURRENT_USER, kTestKey, "Não existe").has_value());
    EXPECT_FALSE(ReadRegistryString(HKEY_CURRENT_USER, "Software\\Chave Que Não Existe", "x").has_value());
}

TEST_F(Registry, ShellFoldersOfThePrefix) {
    std::optional<std::string> desktop = ReadRegistryString(HKEY_CURRENT_USER, kShellFolders, "Desktop");
    ASSERT_TRUE(desktop.has_value());
    EXPECT_EQ(*desktop, KnownFolderPath(FOLDERID_Desktop).value_or("?"));
}

// The desktop is redirected into a scratch folder for every shortcut test, so no test writes
// to the real desktop of the prefix (in Wine a link to the Unix home folder).
class Shortcut : public ::testing::Test {
protected:
    Shortcut()
        : scratch_("shortcut"),
          desktopValue_(HKEY_CURRENT_USER, kShellFolders, "Desktop"),
          knownDesktop_(HKEY_CURRENT_USER, kUserShellFolders, "Desktop") {}
    void SetUp() override {
        ASSERT_TRUE(com_.ok());
        desktop_ = scratch_ / "Área de Trabalho";
        known_ = scratch_ / "Desktop conhecido";
        ASSERT_TRUE(ForceDirectories(desktop_));
        ASSERT_TRUE(ForceDirectories(known_));
        desktopValue_.Set(desktop_);
        knownDesktop_.Set(known_);
        company_ = scratch_ / "Ravelco Software\\Padaria São José\\";
        ASSERT_TRUE(ForceDirectories(company_));
        WriteBytes(company_ + "Ostrel.exe", "MZ");
    }

    ComInit com_;
    ScratchFolder scratch_;
    RegistryValueGuard desktopValue_, knownDesktop_;
    std::string desktop_, known_, company_;
};

TEST_F(Shortcut, DesktopFolderComesFromTheRegistryValue) { EXPECT_EQ(DesktopFolder(), desktop_); }

TEST_F(Shortcut, DesktopFolderFallsBackToTheKnownFolder) {
    desktopValue_.Delete();
    EXPECT_EQ(DesktopFolder(), known_) << "value missing";
    desktopValue_.Set("");
    EXPECT_EQ(DesktopFolder(), known_) << "value empty";
}

TEST_F(Shortcut, LinkIsReadBackThroughTheLinkObject) {
    struct Case {
        std::string name, target, arguments, folder;
    };
    const Case cases[] = {
        {"Ostrel Vorlane", company_ + "Ostrel.exe", "", company_},
        {"Com argumentos", company_ + "Ostrel.exe", "-rv", company_},
        {"Argumentos com espaços", company_ + "Ostrel.exe", "-rv \"São José\" /x", scratch_.path()},
        {"Alvo ainda ausente", company_ + "Ruvao.exe", "", company_},
    };
    for (const Case& c : cases) {
        const std::string link = DesktopFolder() + "\\" + c.name + ".lnk";
        EXPECT_TRUE(CreateShellLink(c.target, c.arguments, c.folder, link)) << c.name;
        ASSERT_TRUE(FileExists(link)) << link;
        ShellLinkInfo info = ReadShellLink(link);
        EXPECT_TRUE(EqualsIgnoreAsciiCase(info.target, c.target)) << c.name << ": " << info.target;
        EXPECT_EQ(info.arguments, c.arguments) << c.name;
        EXPECT_EQ(info.workingFolder, c.folder) << c.name;
    }
}

TEST_F(Shortcut, LinkLandsInTheFallbackDesktop) {
    desktopValue_.Delete();
    const std::string link = DesktopFolder() + "\\Ostrel Vorlane.lnk";
    EXPECT_TRUE(CreateShellLink(company_ + "Ostrel.exe", "", company_, link));
    EXPECT_TRUE(FileExists(known_ + "\\Ostrel Vorlane.lnk"));
    EXPECT_FALSE(FileExists(desktop_ + "\\Ostrel Vorlane.lnk"));
}

TEST_F(Shortcut, SaveIntoAMissingFolderFails) {
    EXPECT_FALSE(CreateShellLink(company_ + "Ostrel.exe", "", company_, scratch_ / "não existe\\x.lnk"));
    EXPECT_FALSE(FolderExists(scratch_ / "não existe"));
}

TEST_F(Shortcut, ReadingSomethingThatIsNoLinkRaises) {
    WriteBytes(scratch_ / "falso.lnk", "isto não é um atalho");
    for (const std::string& path : {scratch_ / "falso.lnk", scratch_ / "não existe.lnk"})
        EXPECT_THROW(ReadShellLink(path), Error) << path;
}

// Without COM on the thread the link object cannot be made: an Error, not a crash.
TEST(ShortcutWithoutCom, RaisesError) {
    std::string message;
    std::thread bare([&] {
        try {
            CreateShellLink("C:\\x.exe", "", "C:\\", "C:\\nunca.lnk");
        } catch (const Error& e) {
            message = e.what();
        }
    });
    bare.join();
    EXPECT_EQ(message.rfind("Não foi possível criar o objeto de atalho do Windows", 0), 0u) << message;
    EXPECT_FALSE(FileExists("C:\\nunca.lnk"));
}

}  // namespace
}  // namespace vorlane::win
