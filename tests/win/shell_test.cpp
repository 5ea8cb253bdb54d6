// Shell delete, protected folders, the folder-browse dialog and shell open, for real.
#include <gtest/gtest.h>

#include <windows.h>
#include <knownfolders.h>

#include <atomic>
#include <thread>

#include "platform/base/encoding.h"
#include "platform/win/browse.h"
#include "platform/win/com.h"
#include "platform/win/files.h"
#include "platform/win/shell.h"
#include "tests/win/support.h"
#include "tools/driver/driver.h"

namespace vorlane::win {
namespace {

using wintest::ReadBytes;
using wintest::ScratchFolder;
using wintest::WriteBytes;

void MakeTree(const std::string& root) {
    ASSERT_TRUE(ForceDirectories(root + "\\Dll\\Interna"));
    ASSERT_TRUE(ForceDirectories(root + "\\NFe\\SCHEMAS"));
    WriteBytes(root + "\\conect.ini", "[CAMINHO]\r\n");
    WriteBytes(root + "\\Ostrel.exe", "MZ");
    WriteBytes(root + "\\Dll\\Empresa1.dll", "dll");
    WriteBytes(root + "\\Dll\\Interna\\fundo.bin", "deep");
    WriteBytes(root + "\\NFe\\SCHEMAS\\nfe_v4.00.xsd", "<xs/>");
    WriteBytes(root + "\\somente-leitura.txt", "ro");
    ASSERT_TRUE(SetFileAttributesW(WideFromCp1252(root + "\\somente-leitura.txt").c_str(), FILE_ATTRIBUTE_READONLY));
    ASSERT_TRUE(SetFileAttributesW(WideFromCp1252(root + "\\NFe\\SCHEMAS\\nfe_v4.00.xsd").c_str(),
                                   FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY));
}

TEST(ShellDelete, RemovesAWholeTreeWithoutAsking) {
    ScratchFolder scratch("shelldelete");
    const std::string root = scratch / "Ravelco Software\\Padaria São José";
    MakeTree(root);
    WriteBytes(scratch / "vizinho.txt", "stays");
    EXPECT_TRUE(ShellDelete(nullptr, root));
    EXPECT_FALSE(FolderExists(root));
    EXPECT_TRUE(FolderExists(scratch / "Ravelco Software")) << "only the named folder goes";
    EXPECT_EQ(ReadBytes(scratch / "vizinho.txt"), "stays");
}

TEST(ShellDelete, MissingFolderFails) {
    ScratchFolder scratch("shelldelete-missing");
    EXPECT_FALSE(ShellDelete(nullptr, scratch / "não existe"));
}

// The original fixed 256-byte buffer held 254 characters; the path is now passed whole.
TEST(ShellDelete, PathsLongerThanTheOldBufferAreNotCut) {
    ScratchFolder scratch("shelldelete-long");
    for (size_t wanted : {255u, 259u}) {
        std::string path = scratch.path();
        std::string parent;
        // Folders of up to 60 characters until the whole path has the wanted length.
        while (path.size() < wanted) {
            parent = path;
            size_t room = wanted - path.size() - 1;
            path += "\\" + std::string(room > 60 ? 60 : room, 'p');
            if (room == 0) path.pop_back();
        }
        ASSERT_EQ(path.size(), wanted);
        ASSERT_TRUE(ForceDirectories(path)) << path;
        // A sibling whose name the truncated path would also name.
        const std::string cut = path.substr(0, 254);
        const bool cutIsSibling = cut.size() > parent.size() + 1;
        if (cutIsSibling) {
            ASSERT_TRUE(ForceDirectories(cut));
        }
        EXPECT_TRUE(ShellDelete(nullptr, path)) << wanted;
        EXPECT_FALSE(FolderExists(path)) << wanted;
        if (cutIsSibling) {
            EXPECT_TRUE(FolderExists(cut)) << "the first 254 characters name another folder";
        }
        EXPECT_TRUE(FolderExists(parent));
    }
}

// Wine's shell, asked to delete a tree with names beyond MAX_PATH, deletes the entries of the
// current folder instead; such a tree must be deleted without it, and nothing else touched.
TEST(ShellDelete, TreeBeyondMaxPathGoesAndNothingElse) {
    ScratchFolder scratch("shelldelete-deep");
    ScratchFolder bystander("shelldelete-cwd");
    WriteBytes(bystander / "marcador.txt", "must stay");
    std::string path = scratch.path();
    while (path.size() < 300) path += "\\" + std::string(50, 'd');
    if (!ForceDirectories(path)) GTEST_SKIP() << "this system does not create paths of " << path.size() << " characters";
    WriteBytes(path + "\\arquivo.txt", "x");
    WriteBytes(path + "\\protegido.txt", "ro");
    ASSERT_TRUE(SetFileAttributesW((L"\\\\?\\" + WideFromCp1252(path + "\\protegido.txt")).c_str(), FILE_ATTRIBUTE_READONLY));
    const std::string top = scratch / std::string(50, 'd');

    bool deleted;
    {
        wintest::CurrentFolderGuard inside(bystander.path());
        deleted = ShellDelete(nullptr, top);
    }

    EXPECT_TRUE(deleted);
    EXPECT_FALSE(FolderExists(top));
    EXPECT_TRUE(FolderExists(scratch.path()));
    EXPECT_EQ(ReadBytes(bystander / "marcador.txt"), "must stay") << "the current folder was touched";
}

TEST(ShellDelete, RelativePathIsTakenFromTheCurrentFolder) {
    ScratchFolder scratch("shelldelete-relative");
    MakeTree(scratch / "Empresa");
    bool deleted;
    {
        wintest::CurrentFolderGuard inside(scratch.path());
        deleted = ShellDelete(nullptr, "Empresa");
    }
    EXPECT_TRUE(deleted);
    EXPECT_FALSE(FolderExists(scratch / "Empresa"));
    EXPECT_TRUE(FolderExists(scratch.path()));
}

std::string Known(REFKNOWNFOLDERID id) {
    std::optional<std::string> path = KnownFolderPath(id);
    EXPECT_TRUE(path.has_value());
    return path.value_or("?");
}

TEST(ProtectedFolder, SystemAndUserFolders) {
    wchar_t windowsW[MAX_PATH];
    GetWindowsDirectoryW(windowsW, MAX_PATH);
    const std::string windows = Cp1252FromWide(windowsW);
    const std::string profile = Known(FOLDERID_Profile);
    const std::string drive = windows.substr(0, 2);
    ScratchFolder scratch("protected");

    struct Case {
        std::string path;
        bool isProtected;
    };
    const Case cases[] = {
        {drive, true},
        {drive + "\\", true},
        {drive + "\\\\\\", true},
        {UpperAscii(windows), true},
        {LowerAscii(windows) + "\\", true},
        {windows + "\\System32", true},
        {Known(FOLDERID_ProgramFiles), true},
        {Known(FOLDERID_ProgramFilesX86), true},
        {Known(FOLDERID_ProgramData), true},
        {Known(FOLDERID_UserProfiles), true},
        {profile, true},
        {profile + "\\", true},
        {Known(FOLDERID_Desktop), true},
        {Known(FOLDERID_Documents), true},
        {Known(FOLDERID_Downloads), true},
        {Known(FOLDERID_Pictures), true},
        {Known(FOLDERID_Music), true},
        {Known(FOLDERID_Videos), true},
        {Known(FOLDERID_RoamingAppData), true},
        {Known(FOLDERID_LocalAppData), true},
        {profile + "\\AppData", true},  // holds Roaming and Local
        {Known(FOLDERID_Documents) + "\\..\\Documents", true},
        {"", true},
        {drive + "\\Ravelco Software", false},
        {drive + "\\Ravelco Software\\Padaria", false},
        {Known(FOLDERID_ProgramFiles) + "\\Ravelco Software", false},
        {Known(FOLDERID_Documents) + "\\Sistemas", false},
        {profile + "\\Pasta Qualquer", false},
        {scratch.path(), false},
        {"D:\\Programas\\Ravelco Software\\", false},
    };
    for (const Case& c : cases) EXPECT_EQ(IsProtectedFolder(c.path), c.isProtected) << "\"" << c.path << "\"";
}

TEST(FolderText, FromBrowseAnswer) {
    struct Case {
        std::optional<std::string> answer;
        std::optional<std::string> text;
    };
    const Case cases[] = {
        {"D:\\Programas", "D:\\Programas\\Ravelco Software\\"},
        {"D:\\Programas\\", "D:\\Programas\\Ravelco Software\\"},
        {"D:\\", "D:\\Ravelco Software\\"},
        {"D:\\Ravelco", "D:\\Ravelco\\"},
        {"d:\\ravelco", "d:\\ravelco\\"},
        {"C:\\Sistemas\\RaVeLcO Software\\", "C:\\Sistemas\\RaVeLcO Software\\"},
        {"C:\\Ravelcos", "C:\\Ravelcos\\"},  // contains the word anywhere
        {"C:\\Instalação", "C:\\Instalação\\Ravelco Software\\"},
        {std::nullopt, std::nullopt},  // cancelled
        {"", std::nullopt},
        {"  \t ", std::nullopt},
    };
    for (const Case& c : cases) EXPECT_EQ(FolderTextFromBrowse(c.answer), c.text) << c.answer.value_or("<nothing>");
}

LRESULT CALLBACK PlainWindow(HWND w, UINT m, WPARAM wp, LPARAM lp) { return DefWindowProcW(w, m, wp, lp); }

HWND MakeOwner(const wchar_t* title) {
    WNDCLASSW wc = {};
    wc.lpfnWndProc = PlainWindow;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"VorlaneBrowseOwner";
    RegisterClassW(&wc);
    return CreateWindowExW(0, wc.lpszClassName, title, WS_OVERLAPPEDWINDOW | WS_VISIBLE, 50, 50, 400, 300, nullptr,
                           nullptr, wc.hInstance, nullptr);
}

// The real dialog, answered from another thread as a user would: it appears with its title,
// the owner is disabled while it is open, Cancelar closes it with nothing chosen.
TEST(BrowseDialog, OpensOwnedAndModalAndCancels) {
    ComInit com;
    ASSERT_TRUE(com.ok());
    HWND owner = MakeOwner(L"Instalador de teste");
    ASSERT_TRUE(owner);
    std::atomic<bool> sawDialog{false}, ownerDisabled{false}, ownedByOwner{false}, captionSet{false};
    std::thread user([&] {
        driver::WindowQuery query;
        query.className = "#32770";
        query.processId = GetCurrentProcessId();
        HWND dialog = driver::WaitForWindow(query, 20000);
        if (!dialog) return;
        sawDialog = true;
        captionSet = driver::WindowText(dialog) == "Selecione o diretório";
        ownedByOwner = GetWindow(dialog, GW_OWNER) == owner;
        ownerDisabled = !IsWindowEnabled(owner);
        HWND cancel = GetDlgItem(dialog, IDCANCEL);
        if (cancel)
            driver::PressButton(cancel);
        else
            PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    });
    std::optional<std::string> chosen = BrowseForFolder(owner, "Selecione o diretório");
    user.join();
    EXPECT_TRUE(sawDialog);
    EXPECT_TRUE(captionSet);
    EXPECT_TRUE(ownedByOwner);
    EXPECT_TRUE(ownerDisabled) << "the dialog must disable its owner while it is open";
    EXPECT_FALSE(chosen.has_value());
    EXPECT_TRUE(IsWindowEnabled(owner)) << "enabled again after the dialog";
    DestroyWindow(owner);
}

TEST(OpenUrl, OpensWithTheOpenVerbAndNoParameters) {
    ScratchFolder scratch("openurl");
    const std::string exe = scratch / "Programa de Teste.exe";
    ASSERT_TRUE(CopyFile(wintest::ExeFolder() + "\\recorder.exe", exe, false));
    ComInit com;
    ASSERT_TRUE(OpenUrl(exe));
    std::vector<wintest::RecordedStart> starts = wintest::WaitForRecordedStarts(scratch.path());
    ASSERT_EQ(starts.size(), 1u);
    EXPECT_EQ(starts[0].argv.size(), 1u) << "no parameters: " << starts[0].commandLine;
    EXPECT_FALSE(OpenUrl(scratch / "não existe.txt"));
}

}  // namespace
}  // namespace vorlane::win
