// End-to-end runs of the shipped InstaladorVorlane.exe: started as its own process in a scratch
// folder, driven through its real controls as a user would, against pyftpdlib on loopback (the
// full installation also against vsftpd, ProFTPD and Pure-FTPd) serving a company tree that
// each test builds; then every file of the company folder, the two INI files byte for byte,
// the desktop shortcut read back through the shell link object, the launcher's start (the
// recorder program stands in for it) and the end page are checked.
//
// Every server file is dated long ago unless a test says otherwise, so any local copy the
// installer makes is newer and a later run leaves it alone.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "dialogs/UMensagem.h"
#include "platform/base/encoding.h"
#include "platform/base/text.h"
#include "platform/ui/form.h"
#include "platform/win/com.h"
#include "platform/win/files.h"
#include "platform/win/shortcut.h"
#include "tests/e2e/e2e_support.h"
#include "tools/driver/driver.h"
#include "tools/driver/real_input.h"
#include "tests/win/support.h"
#include "wizard/control_ids.h"

namespace vorlane::e2e {
namespace {

using namespace InstaladorIds;
using wintest::RegistryValueGuard;
using wintest::ScratchFolder;

const char kShellFolders[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
const char kUserShellFolders[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";

// The module table's fixed rows after the launcher, and the five options (display name,
// install name) in the order the wizard offers and selects them.
const std::vector<std::string> kModulosBase = {"Bevani",     "Crovalia",    "Dunmar_Ekt", "Fesgol",
                                               "Gavrun",     "Hol_Vir",     "Imbra_Tosk", "Tosk_Jelvar",
                                               "ZURN",       "Tosk_Mirela_LX", "NopraFeltis"};
struct Opcao {
    std::string exibida, instalada;
};
const std::vector<Opcao> kOpcoes = {
    {"Ruvão", "Ruvao"}, {"Selta", "Selta"}, {"Travição", "Travicao"}, {"Ulvarentivo", "Ulvar"}, {"VKX", "VKX"}};

// 1 May 2024, 12:00 UTC.
const int64_t kAntigo = 1714564800;
// Ten minutes ahead: newer than every local copy made so far or during the next run, even at
// the minute resolution of a listing, and within the day of slack that a listing's year-less
// date gets for the server's time zone.
int64_t MaisNovo() { return UnixNow() + 600; }

const char kStatusVerificando[] = "Verificando a versão dos arquivos.";
const char kStatusErro[] = "Erro na instalação.";
const char kFimSucesso[] = "O sistema foi instalado com sucesso!";
const char kFimMensagemSucesso[] =
    "O sistema foi instalado com sucesso.\r\nFoi criado o atalho \"Ostrel Vorlane\" na área de trabalho.\r\n\r\n"
    "Clique em \"Concluir\" para encerrar o instalador.";
const char kFimFalha[] = "Instalação mal sucedida.\r\nO sistema não foi instalado corretamente.";
const char kFimMensagemFalha[] =
    "Ocorreu um erro durante o processo de instalação do sistema.\r\nVerifique se os dados informados estão "
    "corretos e tente novamente.\r\n\r\nMensagem de erro:\r\n";
const char kItensTodos[] = "[MODULO]\r\nITENS=Ruvão|Selta|Travição|Ulvarentivo|VKX|\r\n";

std::string Programa(const char* variavel) {
    static std::map<std::string, std::string> lidos;
    std::string& bytes = lidos[variavel];
    if (bytes.empty()) bytes = ReadFileBytes(PathFromEnvironment(variavel));
    EXPECT_NE(bytes, "<missing>") << variavel;
    return bytes;
}
std::string Instalador() { return PathFromEnvironment("VORLANE_INSTALADOR"); }
// The recorder stands in for the launcher and, with a few bytes of its own appended, for every
// module program; the sample library for the company library and the shared ones.
std::string Gravador() { return Programa("VORLANE_RECORDER"); }
std::string ProgramaDoModulo(const std::string& modulo) { return Gravador() + "\r\nmódulo " + modulo + "\r\n"; }
std::string Biblioteca(const std::string& marca) { return Programa("VORLANE_EMPRESA_DLL") + "\r\n" + marca + "\r\n"; }
std::string Modelo(const std::string& nome) { return PathFromEnvironment("VORLANE_E2E_FTP") + "\\modelos\\" + nome; }

std::vector<std::string> TodosOsModulos() {
    std::vector<std::string> modulos = kModulosBase;
    for (const Opcao& o : kOpcoes) modulos.push_back(o.instalada);
    return modulos;
}

// The company tree of company 7 with every module, a shared library, the logos of companies 7
// and 8, two more images, the schema archive and a text file.
void MontaEmpresa(ServerFolder& s) {
    s.Put("Ostrel.exe", Gravador(), kAntigo);
    s.Put("Dll\\Empresa7.dll", Biblioteca("empresa 7"), kAntigo);
    s.Put("Dll\\Empresa8.dll", Biblioteca("empresa 8"), kAntigo);
    for (const std::string& m : TodosOsModulos()) s.Put(m + ".exe", ProgramaDoModulo(m), kAntigo);
    s.Put("X.DLL", Biblioteca("biblioteca compartilhada X"), kAntigo);
    s.Put("LOGO7.JPG", "logotipo da empresa 7", kAntigo);
    s.Put("LOGO8.JPG", "logotipo da empresa 8", kAntigo);
    s.Put("A.JPG", "imagem A", kAntigo);
    s.Put("B.BMP", "imagem B", kAntigo);
    s.Put("SCHEMAS.ZIP", ReadFileBytes(Modelo("SCHEMAS.ZIP")), kAntigo);
    s.Put("LEIAME.TXT", "não é baixado", kAntigo);
}

// The principal server with nothing but the tree of MontaEmpresa.
ServerFolder ServidorDaEmpresa() {
    ServerFolder s("principal");
    s.Clear();
    MontaEmpresa(s);
    return s;
}

std::string ConectIni(const std::string& endereco) { return "[CAMINHO]\r\nCAMINHO=" + endereco + "\r\n"; }

// What a successful run leaves from the tree of MontaEmpresa, the modules fora (not Dunmar_Ekt)
// missing from the server: the settings file, the launcher, the company library, the programs under
// their server names. Dunmar_Ekt makes NFe and lands in it too; the shared library goes to both
// folders; of the images A.JPG comes first, so B.BMP and the other company's logo wait, while
// the company's own logo is stored without its number; SCHEMAS.ZIP has no NFe\SCHEMAS to go to.
Tree Completa(const ServerFolder& s, const std::set<std::string>& fora = {}) {
    Tree t = {{"conect.ini", ConectIni(s.Address())},
              {"Ostrel.exe", s.Bytes("Ostrel.exe")},
              {"Dll\\", ""},
              {"Dll\\Empresa.dll", s.Bytes("Dll\\Empresa7.dll")}};
    for (const std::string& m : TodosOsModulos())
        if (!fora.count(m)) t[m + ".exe"] = s.Bytes(m + ".exe");
    t["NFe\\"] = "";
    t["NFe\\Dunmar_Ekt.exe"] = s.Bytes("Dunmar_Ekt.exe");
    t["X.DLL"] = t["NFe\\X.DLL"] = s.Bytes("X.DLL");
    t["A.JPG"] = s.Bytes("A.JPG");
    t["LOGO.JPG"] = s.Bytes("LOGO7.JPG");
    return t;
}

std::string SemBarraFinal(std::string pasta) {
    while (!pasta.empty() && pasta.back() == '\\') pasta.pop_back();
    return pasta;
}

// "e2e-" and the test's name, fit for a folder name.
std::string NomeDoTeste() {
    std::string nome = std::string("e2e-") + ::testing::UnitTest::GetInstance()->current_test_info()->name();
    for (char& c : nome)
        if (c == '/') c = '-';
    return nome;
}

// The company data typed on page 3.
struct Dados {
    std::string nome, numero, endereco;
};

// Each test gets a scratch folder: the installer's current folder, the destination folder
// "Sistemas" (which does not exist yet, so the folder page asks nothing) and the desktop, to
// which the registry points while the test runs.
class E2e : public ::testing::Test {
protected:
    E2e()
        : scratch_(NomeDoTeste()),
          desktopValue_(HKEY_CURRENT_USER, kShellFolders, "Desktop"),
          userDesktopValue_(HKEY_CURRENT_USER, kUserShellFolders, "Desktop") {}

    void SetUp() override {
        ASSERT_TRUE(com_.ok());
        desktop_ = scratch_ / "Área de Trabalho";
        destino_ = scratch_ / "Sistemas";
        ASSERT_TRUE(win::ForceDirectories(desktop_));
        desktopValue_.Set(desktop_);
        userDesktopValue_.Set(desktop_);
    }

    std::string Pasta(const std::string& empresa) const { return destino_ + "\\" + empresa + "\\"; }
    std::string Atalho() const { return desktop_ + "\\Ostrel Vorlane.lnk"; }

    std::unique_ptr<Installer> Inicia() {
        auto w = std::make_unique<Installer>(Instalador(), scratch_.path());
        EXPECT_TRUE(w->Started());
        return w;
    }

    // From the welcome page to the company page, with the scratch destination folder.
    void VaiAteDados(const Installer& w) {
        ASSERT_TRUE(w.WaitForPage(0));
        w.Press(btnProximo);
        ASSERT_TRUE(w.WaitForPage(2));
        w.Type(edtDiretorio, destino_);
        w.Press(btnProximo);
        ASSERT_TRUE(w.WaitForPage(3));
    }

    // Types the company data and goes on to the summary page, keeping all five options.
    void PreencheAteResumo(const Installer& w, const Dados& d) {
        w.Type(edtNomeEmpresa, d.nome);
        w.Type(edtNumeroEmpresa, d.numero);
        w.Type(edtEnderecoFTP, d.endereco);
        w.Press(btnProximo);
        ASSERT_TRUE(w.WaitForPage(4));
        w.Press(btnProximo);
        ASSERT_TRUE(w.WaitForPage(5));
        EXPECT_EQ(w.Text(lblResumoDiretorioInf), destino_);
        EXPECT_EQ(w.Text(lblResumoNomeEmpresaInf), d.nome);
        EXPECT_EQ(w.Text(lblResumoNumeroEmpresaInf), d.numero);
        EXPECT_EQ(w.Text(lblResumoEnderecoIPInf), d.endereco);
        EXPECT_EQ(w.Text(btnProximo), "&Instalar");
    }

    // Starts the installer and goes to the summary page.
    std::unique_ptr<Installer> AteResumo(const Dados& d) {
        auto w = Inicia();
        if (!w->Started()) return w;
        VaiAteDados(*w);
        if (!HasFatalFailure()) PreencheAteResumo(*w, d);
        return w;
    }

    void EsperaSucesso(const Installer& w, const std::string& ausentes = "") {
        EXPECT_EQ(w.Text(lblFim1), kFimSucesso);
        EXPECT_EQ(w.Text(lblFimMensagem), kFimMensagemSucesso);
        EXPECT_EQ(w.Text(lblModulosNaoEncontrados), ausentes);
        EXPECT_EQ(w.Text(btnProximo), "Concluir");
        EXPECT_TRUE(w.Enabled(btnAnterior));
        EXPECT_FALSE(w.Visible(suiButton2)) << "Cancelar stays hidden";
    }

    void EsperaAtalho(const std::string& pasta) {
        ASSERT_TRUE(FileExists(Atalho())) << "no shortcut on the desktop";
        win::ShellLinkInfo link = win::ReadShellLink(Atalho());
        EXPECT_EQ(link.target, pasta + "Ostrel.exe");
        EXPECT_EQ(link.arguments, "");
        EXPECT_EQ(SemBarraFinal(link.workingFolder), SemBarraFinal(pasta));
    }

    // Nothing but the destination folder and the shortcut appeared in the scratch folder, and
    // the destination folder holds only the company folder.
    void EsperaNadaFora(const std::string& empresa, bool comAtalho = true) {
        const std::string dentro = "Sistemas\\" + empresa + "\\";
        Tree fora;
        for (const auto& [nome, bytes] : ReadTree(scratch_.path()))
            if (nome == dentro || nome.rfind(dentro, 0) != 0) fora[nome] = "";
        Tree esperado = {{"Área de Trabalho\\", ""}, {"Sistemas\\", ""}, {dentro, ""}};
        if (comAtalho) esperado["Área de Trabalho\\Ostrel Vorlane.lnk"] = "";
        EXPECT_TRUE(SameTree(fora, esperado));
    }

    // Concluir with chkOstrel as given: the program ends, and with the box ticked it starts
    // the launcher in the company folder.
    void Conclui(const Installer& w, const std::string& pasta, bool abrirOstrel) {
        if (w.Checked(chkOstrel) != abrirOstrel) w.Press(chkOstrel);
        ASSERT_TRUE(driver::WaitUntil([&] { return w.Checked(chkOstrel) == abrirOstrel; }, 5000)) << "the box did not change";
        w.Press(btnProximo, true);
        std::optional<DWORD> fim = w.WaitForExit(30000);
        ASSERT_TRUE(fim.has_value()) << "the installer did not end on Concluir";
        EXPECT_EQ(*fim, 0u);
        if (abrirOstrel) {
            auto starts = wintest::WaitForRecordedStarts(SemBarraFinal(pasta));
            ASSERT_EQ(starts.size(), 1u) << "the launcher did not start once";
            EXPECT_EQ(starts[0].commandLine, "\"" + pasta + "Ostrel.exe\" -rv");
            EXPECT_EQ(SemBarraFinal(starts[0].currentFolder), SemBarraFinal(pasta));
        } else {
            EXPECT_FALSE(wintest::ProgramWasStarted(pasta + "Ostrel.exe")) << "the launcher started although not asked";
        }
    }

    win::ComInit com_;
    ScratchFolder scratch_;
    RegistryValueGuard desktopValue_, userDesktopValue_;
    std::string desktop_, destino_;
};

// --- the main path -------------------------------------------------------------------------

// The image besides the company's logo that a run fetches, of a server holding MontaEmpresa's
// tree: walking the names in the order the server lists them, the first image not in emDia,
// unless the logo (fetched on every run) comes before it. pyftpdlib and vsftpd list names
// sorted, which makes it A.JPG and then B.BMP; ProFTPD and Pure-FTPd list the folder's order on
// disk, which the file system decides.
std::string ImagemDaVez(const ServerFolder& s, const std::set<std::string>& emDia) {
    for (const std::string& nome : s.ListedNames()) {
        if (nome == "LOGO7.JPG") return "";
        const bool imagem = nome.find(".JPG") != std::string::npos || nome.find(".BMP") != std::string::npos;
        if (imagem && s.Holds(nome) && !emDia.count(nome)) return nome;
    }
    return "";
}

// All five options, then a second run over the installed folder, then Concluir with the
// launcher. ctest runs it against pyftpdlib and again against vsftpd, ProFTPD and Pure-FTPd.
TEST_F(E2e, InstalaTudoAtualizaOQueMudouEAbreOLauncher) {
    ServerFolder s = ServidorDaEmpresa();
    const std::string empresa = "Padaria São José", pasta = Pasta(empresa);
    auto w = AteResumo({empresa, "7", s.Address()});
    ASSERT_FALSE(HasFatalFailure());
    w->Press(btnProximo);
    ASSERT_TRUE(w->WaitForRunEnd(7));
    EsperaSucesso(*w);
    EXPECT_EQ(w->Text(lblDadosProgresso), "Abrindo módulo.");

    Tree esperado = Completa(s);
    esperado.erase("A.JPG");
    const std::string imagem = ImagemDaVez(s, {});
    if (!imagem.empty()) esperado[imagem] = s.Bytes(imagem);
    EXPECT_TRUE(SameTree(ReadTree(pasta), esperado));
    EsperaAtalho(pasta);
    EsperaNadaFora(empresa);
    const auto primeira = WriteTimes(pasta);

    // Back to the summary page and install again: one module is newer on the server now. Its
    // copy here is from two days ago, the server's from yesterday: a date in the past, as on a
    // real server (vsftpd, like ls, lists a file dated in the future with its year, not its
    // time), and recent, so listed with its time and no year.
    const int64_t ontem = UnixNow() - 86400;
    SetWriteTime(pasta + "Gavrun.exe", ontem - 86400);
    s.Put("Gavrun.exe", ProgramaDoModulo("Gavrun") + "versão 2", ontem);
    w->Press(btnAnterior);
    ASSERT_TRUE(w->WaitForPage(6));
    w->Press(btnAnterior);
    ASSERT_TRUE(w->WaitForPage(5));
    EXPECT_EQ(w->Text(btnProximo), "&Instalar");
    w->Press(btnProximo);
    ASSERT_TRUE(w->WaitForRunEnd(7));
    EsperaSucesso(*w);

    esperado["Gavrun.exe"] = s.Bytes("Gavrun.exe");
    // The first run's image is up to date now, so the next one listed comes.
    const std::string proxima = ImagemDaVez(s, {imagem});
    if (!proxima.empty()) esperado[proxima] = s.Bytes(proxima);
    EXPECT_TRUE(SameTree(ReadTree(pasta), esperado));
    EXPECT_FALSE(FileExists(pasta + "Gavrun.exe.bkp"));
    // The driver always fetches the launcher and the company library, and the logo's local
    // name never matches its server name; nothing else up to date is fetched again.
    const std::set<std::string> refeitos = {"Ostrel.exe", "Dll\\Empresa.dll", "Gavrun.exe", "LOGO.JPG"};
    const auto segunda = WriteTimes(pasta);
    for (const auto& [nome, quando] : primeira) {
        if (nome == "conect.ini") continue;
        if (refeitos.count(nome))
            EXPECT_GT(segunda.at(nome), quando) << Utf8FromCp1252(nome) << " was not fetched again";
        else
            EXPECT_EQ(segunda.at(nome), quando) << Utf8FromCp1252(nome) << " was fetched again although up to date";
    }
    EsperaAtalho(pasta);

    ASSERT_NO_FATAL_FAILURE(Conclui(*w, pasta, true));
    EXPECT_EQ(ReadFileBytes(pasta + "config_Ostrel.ini"), kItensTodos);
    esperado["config_Ostrel.ini"] = kItensTodos;
    esperado["recorder-log.txt"] = ReadFileBytes(pasta + "recorder-log.txt");
    EXPECT_TRUE(SameTree(ReadTree(pasta), esperado));
    EsperaNadaFora(empresa);
}

// --- modules the server lacks --------------------------------------------------------------

struct CasoAusentes {
    const char* nome;
    std::set<std::string> ausentes;  // modules whose program the server lacks
    std::string rotulo;              // lblModulosNaoEncontrados: every name followed by CR
    std::string itens;               // ITENS of config_Ostrel.ini
};

class ModulosAusentes : public E2e, public ::testing::WithParamInterface<CasoAusentes> {};

// The end page lists the missing modules in table order; the options among them leave the
// selection, so the launcher's settings name only what was installed. Concluir without the
// launcher then ends the program and starts nothing.
TEST_P(ModulosAusentes, SaoListadosESaemDaSelecao) {
    const CasoAusentes& c = GetParam();
    ServerFolder s = ServidorDaEmpresa();
    for (const std::string& m : c.ausentes) s.Remove(m + ".exe");
    const std::string empresa = "Mercado Central", pasta = Pasta(empresa);
    auto w = AteResumo({empresa, "7", s.Address()});
    ASSERT_FALSE(HasFatalFailure());
    w->Press(btnProximo);
    ASSERT_TRUE(w->WaitForRunEnd(7));
    EsperaSucesso(*w, c.rotulo);

    Tree esperado = Completa(s, c.ausentes);
    EXPECT_TRUE(SameTree(ReadTree(pasta), esperado));
    EsperaAtalho(pasta);

    ASSERT_NO_FATAL_FAILURE(Conclui(*w, pasta, false));
    EXPECT_EQ(ReadFileBytes(pasta + "config_Ostrel.ini"), "[MODULO]\r\nITENS=" + c.itens + "\r\n");
    esperado["config_Ostrel.ini"] = "[MODULO]\r\nITENS=" + c.itens + "\r\n";
    EXPECT_TRUE(SameTree(ReadTree(pasta), esperado));
    EsperaNadaFora(empresa);
}

INSTANTIATE_TEST_SUITE_P(
    E2e, ModulosAusentes,
    ::testing::Values(
        // A base module is only listed; "Ulvar" takes "Ulvarentivo" out, "Ruvao" takes "Ruvão".
        CasoAusentes{"BaseEOpcoes", {"Crovalia", "Ruvao", "Ulvar"}, "Crovalia\rRuvao\rUlvar\r", "Selta|Travição|VKX|"},
        // No option left: the settings hold a lone "|".
        CasoAusentes{"TodasAsOpcoes",
                     {"Tosk_Jelvar", "Ruvao", "Selta", "Travicao", "Ulvar", "VKX"},
                     "Tosk_Jelvar\rRuvao\rSelta\rTravicao\rUlvar\rVKX\r",
                     "|"}),
    [](const ::testing::TestParamInfo<CasoAusentes>& info) { return std::string(info.param.nome); });

// --- a company folder that already holds files --------------------------------------------

const int64_t kVelho = 1577880000;  // 1 January 2020, 12:00 UTC: older than the server's files

// Files put into the company folder while the wizard is on the company page (the folder page
// has already looked for the destination folder) are what the run finds of an earlier
// installation.
//
// An old program that is open without sharing while the run replaces it, and the schema folder
// with an older schema in it. The company number is typed with leading zeros.
TEST_F(E2e, PastaExistenteComProgramaEmUsoESchemas) {
    ServerFolder s = ServidorDaEmpresa();
    s.Remove("A.JPG");
    s.Remove("B.BMP");
    s.Put("LOGO007.JPG", "logotipo da empresa 007", kAntigo);
    const std::string empresa = "Loja Centro", pasta = Pasta(empresa);

    auto w = Inicia();
    ASSERT_TRUE(w->Started());
    VaiAteDados(*w);
    ASSERT_FALSE(HasFatalFailure());
    ASSERT_TRUE(win::ForceDirectories(pasta + "NFe\\SCHEMAS"));
    wintest::WriteBytes(pasta + "Fesgol.exe", "Fesgol antigo, em uso");
    SetWriteTime(pasta + "Fesgol.exe", kVelho);
    wintest::WriteBytes(pasta + "NFe\\SCHEMAS\\c.xsd", "c antigo");
    HANDLE emUso = CreateFileW(WideFromCp1252(pasta + "Fesgol.exe").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(emUso, INVALID_HANDLE_VALUE);
    PreencheAteResumo(*w, {empresa, "007", s.Address()});
    if (!HasFatalFailure()) {
        w->Press(btnProximo);
        EXPECT_TRUE(w->WaitForRunEnd(7));
    }
    CloseHandle(emUso);
    ASSERT_FALSE(HasFatalFailure());
    EsperaSucesso(*w);

    Tree esperado = Completa(s);
    esperado.erase("A.JPG");
    // The program in use could not be replaced: it stays, and its backup is gone.
    esperado["Fesgol.exe"] = "Fesgol antigo, em uso";
    // The logo of the number as typed; it counts as the image, so LOGO7.JPG is not taken.
    esperado["LOGO.JPG"] = s.Bytes("LOGO007.JPG");
    // The archive is fetched beside its schemas and extracted flat: folder entries give no
    // folder, the later of two entries with one name wins, an existing file is overwritten.
    esperado["NFe\\SCHEMAS\\"] = "";
    esperado["NFe\\SCHEMAS\\SCHEMAS.ZIP"] = s.Bytes("SCHEMAS.ZIP");
    const std::vector<std::pair<std::string, std::string>> extraidos = {
        {"a.xsd", "xsd\\a.xsd"}, {"b.xsd", "xsd\\sub\\b.xsd"}, {"c.xsd", "c.xsd"}, {"comum.xsd", "v2\\comum.xsd"}};
    for (const auto& [nome, origem] : extraidos)
        esperado["NFe\\SCHEMAS\\" + nome] = ReadFileBytes(Modelo("schemas\\" + origem));
    EXPECT_TRUE(SameTree(ReadTree(pasta), esperado));
    // Each extracted file carries its entry's date.
    for (const auto& [nome, origem] : extraidos)
        EXPECT_EQ(WriteTime(pasta + "NFe\\SCHEMAS\\" + nome), WriteTime(Modelo("schemas\\" + origem))) << nome;
    EsperaAtalho(pasta);
    EsperaNadaFora(empresa);
}

// A module's program is matched ignoring case and installed under the server's spelling: with
// an older local copy under the usual spelling (which goes), and with none. Under Wine a
// rename that changes only the letter case keeps the old name: this shows the installer does
// not rely on one.
TEST_F(E2e, ProgramaComAGrafiaDoServidor) {
    ServerFolder s = ServidorDaEmpresa();
    s.Remove("Bevani.exe");
    s.Put("BEVANI.EXE", ProgramaDoModulo("BEVANI"), kAntigo);
    s.Remove("Crovalia.exe");
    s.Put("crovalia.EXE", ProgramaDoModulo("crovalia"), kAntigo);
    const std::string empresa = "Loja Grafia", pasta = Pasta(empresa);

    auto w = Inicia();
    ASSERT_TRUE(w->Started());
    VaiAteDados(*w);
    ASSERT_FALSE(HasFatalFailure());
    ASSERT_TRUE(win::ForceDirectories(pasta));
    wintest::WriteBytes(pasta + "Bevani.exe", "Bevani antigo");
    SetWriteTime(pasta + "Bevani.exe", kVelho);
    PreencheAteResumo(*w, {empresa, "7", s.Address()});
    ASSERT_FALSE(HasFatalFailure());
    w->Press(btnProximo);
    ASSERT_TRUE(w->WaitForRunEnd(7));
    EsperaSucesso(*w);

    Tree esperado = Completa(s, {"Bevani", "Crovalia"});
    esperado["BEVANI.EXE"] = s.Bytes("BEVANI.EXE");
    esperado["crovalia.EXE"] = s.Bytes("crovalia.EXE");
    EXPECT_TRUE(SameTree(ReadTree(pasta), esperado));
    EXPECT_FALSE(FileExists(pasta + "Bevani.exe.bkp"));
}

// A module program that is running under another spelling than the server's (Crovalia.exe
// for CROVALIA.EXE, newer on the server). Windows lets a running program be renamed, so moving
// it aside would replace it after all: it is never replaced, and nothing is left beside it.
TEST_F(E2e, ProgramaEmUsoComOutraGrafiaFicaComoEsta) {
    ServerFolder s = ServidorDaEmpresa();
    s.Remove("Crovalia.exe");
    s.Put("CROVALIA.EXE", ProgramaDoModulo("CROVALIA"), kAntigo);
    const std::string empresa = "Loja Em Uso", pasta = Pasta(empresa);

    auto w = Inicia();
    ASSERT_TRUE(w->Started());
    VaiAteDados(*w);
    ASSERT_FALSE(HasFatalFailure());
    ASSERT_TRUE(win::ForceDirectories(pasta));
    const std::string emUso = pasta + "Crovalia.exe";
    wintest::WriteBytes(emUso, Gravador());
    SetWriteTime(emUso, kVelho);
    // The recorder under that name, left running until the run is over.
    const wchar_t kFim[] = L"VorlaneE2eProgramaEmUso";
    HANDLE fim = CreateEventW(nullptr, TRUE, FALSE, kFim);
    ASSERT_NE(fim, nullptr);
    std::wstring linha = L"\"" + WideFromCp1252(emUso) + L"\" --fica " + kFim;
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    ASSERT_TRUE(CreateProcessW(nullptr, linha.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
    const bool rodando = driver::WaitUntil([&] { return FileExists(pasta + "recorder-log.txt"); }, 30000);
    if (rodando) {
        PreencheAteResumo(*w, {empresa, "7", s.Address()});
        if (!HasFatalFailure()) {
            w->Press(btnProximo);
            EXPECT_TRUE(w->WaitForRunEnd(7));
        }
    }
    const bool aindaRodando = WaitForSingleObject(pi.hProcess, 0) == WAIT_TIMEOUT;
    SetEvent(fim);
    EXPECT_EQ(WaitForSingleObject(pi.hProcess, 30000), WAIT_OBJECT_0);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    CloseHandle(fim);
    ASSERT_TRUE(rodando) << "the program in use did not start";
    EXPECT_TRUE(aindaRodando) << "the program in use ended before the run did";
    ASSERT_FALSE(HasFatalFailure());
    EsperaSucesso(*w);

    Tree esperado = Completa(s, {"Crovalia"});
    esperado["Crovalia.exe"] = Gravador();
    esperado["recorder-log.txt"] = ReadFileBytes(pasta + "recorder-log.txt");
    EXPECT_TRUE(SameTree(ReadTree(pasta), esperado));
    EsperaNadaFora(empresa);
}

// --- real pointer and keyboard ----------------------------------------------------------------

// The whole wizard with the real pointer and keyboard, through the X server (its own ctest
// entry starts the input server): every button clicked, every field clicked into and typed,
// the folder-browse dialog opened and closed, the question about an existing folder answered
// Sim, the message about an empty company name answered with Enter, the installation, and
// Concluir with the launcher's box cleared.
TEST_F(E2e, EntradaRealDoInicioAoFim) {
    ASSERT_TRUE(driver::real::Available()) << "the input server is not running (VORLANE_X_INPUT)";
    ServerFolder s = ServidorDaEmpresa();
    const std::string empresa = "Loja Teclado e Mouse", pasta = Pasta(empresa);
    // An earlier installation in the destination folder: the wizard asks before replacing it.
    ASSERT_TRUE(win::ForceDirectories(destino_ + "\\Antiga"));
    wintest::WriteBytes(destino_ + "\\Antiga\\leiame.txt", "instalação anterior");

    auto w = Inicia();
    ASSERT_TRUE(w->Started());
    w->UseRealInput();
    ASSERT_TRUE(w->WaitForPage(0));
    w->Press(btnProximo);
    ASSERT_TRUE(w->WaitForPage(2));

    w->Press(suiButton1);
    std::optional<Dialog> procurar = w->WaitForDialog(15000);
    ASSERT_TRUE(procurar) << "the folder-browse dialog did not open";
    EXPECT_EQ(driver::ClassName(procurar->window), "#32770");
    ASSERT_TRUE(w->Answer(*procurar, IDCANCEL));

    w->Type(edtDiretorio, destino_);
    w->Press(btnProximo);
    std::optional<Dialog> pergunta = w->WaitForDialog(15000);
    ASSERT_TRUE(pergunta) << "no question about the existing folder";
    EXPECT_EQ(pergunta->Text(), "Este diretório já existe.\r\n\r\nDeseja sobreescreve-lo?");
    ASSERT_TRUE(w->Answer(*pergunta, MensagemIds::BtSim));
    ASSERT_TRUE(w->WaitForPage(3));
    EXPECT_FALSE(FileExists(destino_ + "\\Antiga\\leiame.txt"));

    w->Press(btnProximo);
    std::optional<Dialog> mensagem = w->WaitForDialog(15000);
    ASSERT_TRUE(mensagem) << "no message about the empty company name";
    EXPECT_EQ(mensagem->Text(), "É necessário informar o nome da empresa.");
    ASSERT_TRUE(driver::real::Keys(mensagem->window, "Return")) << driver::real::LastError();
    ASSERT_TRUE(driver::WaitUntil([&] { return !IsWindow(mensagem->window) || !IsWindowVisible(mensagem->window); },
                                  15000))
        << "Enter did not answer the message";
    ASSERT_TRUE(w->WaitForPage(3));

    PreencheAteResumo(*w, {empresa, "7", s.Address()});
    ASSERT_FALSE(HasFatalFailure());
    w->Press(btnProximo);
    ASSERT_TRUE(w->WaitForRunEnd(7));
    EsperaSucesso(*w);
    EXPECT_TRUE(SameTree(ReadTree(pasta), Completa(s)));
    EsperaAtalho(pasta);
    Conclui(*w, pasta, false);
}

// --- names of the server ------------------------------------------------------------------

// The server that also lists names only Linux can hold (servidores.sh): a backslash, a drive
// colon, a device name, a trailing dot, the characters < > " | ? * of no Windows name. They are
// skipped, the libraries listed after them are still fetched, and nothing lands outside the
// company folder. Its launcher is dated later than the copy the driver fetches at the start, so the
// update loop fetches it again into the backup beside it and leaves the launcher as it is.
TEST_F(E2e, NomesQueNaoSaoDeArquivoEOstrelMaisNovo) {
    ServerFolder s("nomes");
    MontaEmpresa(s);
    s.SetTime("Ostrel.exe", MaisNovo());
    s.Put("A.DLL.OLD", Biblioteca("biblioteca antiga"), kAntigo);
    const std::string empresa = "Nomes Estranhos", pasta = Pasta(empresa);
    auto w = AteResumo({empresa, "7", s.Address()});
    ASSERT_FALSE(HasFatalFailure());
    w->Press(btnProximo);
    ASSERT_TRUE(w->WaitForRunEnd(7));
    EsperaSucesso(*w);

    Tree esperado = Completa(s);
    esperado["Ostrel.exe.bkp"] = s.Bytes("Ostrel.exe");
    // ".DLL" anywhere in the name makes a library.
    esperado["A.DLL.OLD"] = esperado["NFe\\A.DLL.OLD"] = s.Bytes("A.DLL.OLD");
    // "..\..\fora.JPG" is listed first and skipped, so A.JPG is still the image.
    EXPECT_TRUE(SameTree(ReadTree(pasta), esperado));
    EsperaAtalho(pasta);
    EsperaNadaFora(empresa);
}

// --- failures ------------------------------------------------------------------------------

// A wrong address: the nine-line dialog, the company folder removed, back on the company page;
// the corrected address then installs and the end page tells of success.
TEST_F(E2e, EnderecoErradoDepoisCorrigido) {
    ServerFolder s = ServidorDaEmpresa();
    const std::string empresa = "Açougue Boa Carne", pasta = Pasta(empresa);
    // Nothing listens on port 1 of the loopback.
    auto w = AteResumo({empresa, "7", "127.0.0.1:1"});
    ASSERT_FALSE(HasFatalFailure());
    w->Press(btnProximo);
    std::optional<Dialog> d = w->WaitForRunDialog();
    ASSERT_TRUE(d.has_value());
    EXPECT_EQ(d->title, "Informação");
    const std::vector<std::string> linhas = {
        "Ocorreu um erro ao conectar no servidor FTP.",
        " - Verifique se todos os equipamentos de rede, como roteador, switch, modem, hub, etc., estão ligados "
        "corretamente, se necessário reinicie todos.",
        " - Verifique se o servidor está ligado corretamente, ligando um monitor e verificando se está na tela de "
        "login do Linux.",
        " - Verifique se os cabos de rede estão conectados corretamente desde a sua máquina até o servidor.",
        "",
        "Caso o problema persistir entre em contato com o suporte da Ravelco Software.",
        "",
        "Erro:"};
    ASSERT_EQ(d->lines.size(), 9u) << Utf8FromCp1252(d->Text());
    EXPECT_EQ(std::vector<std::string>(d->lines.begin(), d->lines.begin() + 8), linhas);
    EXPECT_FALSE(d->lines[8].empty()) << "the error's own text ends the dialog";
    ASSERT_TRUE(w->Answer(*d, MensagemIds::BtOk));
    ASSERT_TRUE(w->WaitForRunEnd(3));
    EXPECT_EQ(w->Text(lblDadosProgresso), kStatusErro);
    EXPECT_FALSE(FolderExists(pasta)) << "the company folder and its conect.ini are removed";
    EXPECT_FALSE(FileExists(Atalho()));

    // Correct the address; Enter in the edit goes on like Próximo.
    w->Type(edtEnderecoFTP, s.Address());
    w->PressEnterIn(edtEnderecoFTP);
    ASSERT_TRUE(w->WaitForPage(4));
    w->Press(btnProximo);
    ASSERT_TRUE(w->WaitForPage(5));
    w->Press(btnProximo);
    ASSERT_TRUE(w->WaitForRunEnd(7));
    EsperaSucesso(*w);
    Tree esperado = Completa(s);
    EXPECT_TRUE(SameTree(ReadTree(pasta), esperado));
    EsperaAtalho(pasta);
    EsperaNadaFora(empresa);
}

struct CasoCopia {
    const char* nome;
    std::string faltando;  // the server file removed
};

class FalhaAoCopiar : public E2e, public ::testing::WithParamInterface<CasoCopia> {};

// The launcher or the company library missing: the two-line dialog, the folder cleaned, the
// progress page left with Anterior and Próximo; Próximo shows the failure on the end page, and
// Concluir still writes the module settings into a new company folder.
TEST_P(FalhaAoCopiar, MostraAFalhaNoFim) {
    ServerFolder s = ServidorDaEmpresa();
    s.Remove(GetParam().faltando);
    const std::string empresa = "Loja Sem Arquivos", pasta = Pasta(empresa);
    auto w = AteResumo({empresa, "7", s.Address()});
    ASSERT_FALSE(HasFatalFailure());
    w->Press(btnProximo);
    std::optional<Dialog> d = w->WaitForRunDialog();
    ASSERT_TRUE(d.has_value());
    EXPECT_EQ(d->title, "Informação");
    ASSERT_EQ(d->lines.size(), 2u) << Utf8FromCp1252(d->Text());
    EXPECT_EQ(d->lines[0], "Ocorreu um erro ao copiar os arquivos.");
    ASSERT_EQ(d->lines[1].rfind("Erro: ", 0), 0u) << Utf8FromCp1252(d->lines[1]);
    const std::string erro = d->lines[1].substr(6);
    EXPECT_FALSE(erro.empty());
    ASSERT_TRUE(w->Answer(*d, MensagemIds::BtOk));
    ASSERT_TRUE(w->WaitForRunEnd(6));
    EXPECT_EQ(w->Text(lblDadosProgresso), kStatusErro);
    EXPECT_FALSE(w->Visible(suiButton2));
    EXPECT_FALSE(FolderExists(pasta)) << "the company folder is cleaned";
    EXPECT_FALSE(FileExists(Atalho()));

    w->Press(btnProximo);
    ASSERT_TRUE(w->WaitForPage(7));
    EXPECT_EQ(w->Text(lblFim1), kFimFalha);
    EXPECT_EQ(w->Text(lblFimMensagem), kFimMensagemFalha + erro);
    EXPECT_EQ(w->Text(btnProximo), "Concluir");

    ASSERT_NO_FATAL_FAILURE(Conclui(*w, pasta, false));
    EXPECT_TRUE(SameTree(ReadTree(pasta), {{"config_Ostrel.ini", kItensTodos}}));
    EsperaNadaFora(empresa, false);
}

INSTANTIATE_TEST_SUITE_P(E2e, FalhaAoCopiar,
                         ::testing::Values(CasoCopia{"SemLauncher", "Ostrel.exe"},
                                           CasoCopia{"SemBibliotecaDaEmpresa", "Dll\\Empresa7.dll"}),
                         [](const ::testing::TestParamInfo<CasoCopia>& info) { return std::string(info.param.nome); });

// The desktop folder is gone (a roaming profile that did not load, say): the shortcut cannot
// be made, a dialog says so, and the end page tells of the installation without claiming the
// shortcut.
TEST_F(E2e, AtalhoQueNaoPodeSerCriado) {
    const std::string semDesktop = scratch_ / "Área de Trabalho que não existe";
    desktopValue_.Set(semDesktop);
    userDesktopValue_.Set(semDesktop);
    ServerFolder s = ServidorDaEmpresa();
    const std::string empresa = "Loja Sem Atalho", pasta = Pasta(empresa);
    auto w = AteResumo({empresa, "7", s.Address()});
    ASSERT_FALSE(HasFatalFailure());
    w->Press(btnProximo);
    std::optional<Dialog> d = w->WaitForRunDialog();
    ASSERT_TRUE(d.has_value());
    ASSERT_GE(d->lines.size(), 1u);
    EXPECT_EQ(d->lines[0], "Não foi possível criar o atalho \"Ostrel Vorlane\" na área de trabalho.");
    ASSERT_TRUE(w->Answer(*d, MensagemIds::BtOk));
    ASSERT_TRUE(w->WaitForRunEnd(7));
    EXPECT_EQ(w->Text(lblFim1), kFimSucesso);
    EXPECT_EQ(w->Text(lblFimMensagem),
              "O sistema foi instalado com sucesso.\r\nNão foi possível criar o atalho \"Ostrel Vorlane\" na área de "
              "trabalho.\r\n\r\nClique em \"Concluir\" para encerrar o instalador.");
    EXPECT_TRUE(SameTree(ReadTree(pasta), Completa(s)));
    EXPECT_FALSE(FolderExists(semDesktop)) << "nothing made outside the company folder";
}

// A library that vanishes from the server after the listing: the five-line dialog, the loop
// stops at it, and the run still ends with the shortcut and the end page.
TEST_F(E2e, ArquivoQueSomeDepoisDaListagem) {
    ServerFolder s = ServidorDaEmpresa();
    const std::string empresa = "Loja Que Perde", pasta = Pasta(empresa);
    auto w = AteResumo({empresa, "7", s.Address()});
    ASSERT_FALSE(HasFatalFailure());
    w->Press(btnProximo);
    // The loop reports this status for each row once it has taken the listings; the shared
    // files come with the last row.
    ASSERT_TRUE(w->WaitForText(lblDadosProgresso, kStatusVerificando, 60000));
    s.Remove("X.DLL");
    std::optional<Dialog> d = w->WaitForRunDialog();
    ASSERT_TRUE(d.has_value());
    EXPECT_EQ(d->title, "Informação");
    ASSERT_EQ(d->lines.size(), 5u) << Utf8FromCp1252(d->Text());
    EXPECT_EQ(std::vector<std::string>(d->lines.begin(), d->lines.begin() + 4),
              (std::vector<std::string>{
                  "Erro ao atualizar os arquivos, por favor verifique as permissões da pasta do sistema.",
                  "Caso o problema persistir entre em contato com o suporte da Ravelco Software.", "", "Erro:"}));
    EXPECT_FALSE(d->lines[4].empty());
    ASSERT_TRUE(w->Answer(*d, MensagemIds::BtOk));
    ASSERT_TRUE(w->WaitForRunEnd(7));
    EsperaSucesso(*w);

    // What the pass took before the library stays; the library's backup may stay too.
    Tree esperado = Completa(s);
    esperado.erase("X.DLL");
    esperado.erase("NFe\\X.DLL");
    Tree local = ReadTree(pasta);
    local.erase("X.DLL.bkp");
    EXPECT_TRUE(SameTree(local, esperado));
    EsperaAtalho(pasta);
    EsperaNadaFora(empresa);
}

// --- closing the window during a run --------------------------------------------------------

struct CasoFechar {
    const char* nome;
    int botao;  // the answer to the question
};

class FecharDuranteAInstalacao : public E2e, public ::testing::WithParamInterface<CasoFechar> {};

// The title bar's close button during the update loop asks first. Não: the run goes on to the
// end page. Sim: the program ends in the middle of the run, cleanly.
TEST_P(FecharDuranteAInstalacao, PerguntaAntes) {
    ServerFolder s = ServidorDaEmpresa();
    const std::string empresa = "Loja Indecisa", pasta = Pasta(empresa);
    auto w = AteResumo({empresa, "7", s.Address()});
    ASSERT_FALSE(HasFatalFailure());
    w->Press(btnProximo);
    ASSERT_TRUE(w->WaitForText(lblDadosProgresso, kStatusVerificando, 60000));
    w->Press(ui::kCloseButtonId);
    std::optional<Dialog> d = w->WaitForDialog(15000);
    ASSERT_TRUE(d.has_value()) << "no question on closing";
    EXPECT_EQ(d->title, "Informação");
    EXPECT_EQ(d->lines, std::vector<std::string>{"Deseja cancelar a instalação?"});
    ASSERT_TRUE(w->Answer(*d, GetParam().botao));

    if (GetParam().botao == MensagemIds::BtSim) {
        std::optional<DWORD> fim = w->WaitForExit(30000);
        ASSERT_TRUE(fim.has_value()) << "the installer goes on after Sim";
        EXPECT_EQ(*fim, 0u) << "the installer did not end cleanly";
        return;
    }
    ASSERT_TRUE(w->WaitForRunEnd(7));
    EsperaSucesso(*w);
    EXPECT_TRUE(SameTree(ReadTree(pasta), Completa(s)));
    EsperaAtalho(pasta);
}

INSTANTIATE_TEST_SUITE_P(E2e, FecharDuranteAInstalacao,
                         ::testing::Values(CasoFechar{"Nao", MensagemIds::BtNao}, CasoFechar{"Sim", MensagemIds::BtSim}),
                         [](const ::testing::TestParamInfo<CasoFechar>& info) { return std::string(info.param.nome); });

// --- a machine whose ANSI code page is not 1252 ---------------------------------------------

// ctest runs this suite again under a Russian (1251) and a Japanese (932) locale, and only
// there. The program keeps its texts in Windows-1252 and converts them itself, so the folder
// carries exactly the typed name, the settings file the 1252 bytes, and the shortcut and the
// launcher find the folder.
class OutraPaginaDeCodigo : public E2e {};

TEST_F(OutraPaginaDeCodigo, InstalaComNomeAcentuadoEAbreOLauncher) {
    const char* esperada = std::getenv("VORLANE_EXPECT_ACP");
    ASSERT_NE(esperada, nullptr) << "run this suite through ctest, under a foreign locale";
    ASSERT_EQ(GetACP(), UINT(std::atoi(esperada))) << "the locale of this run did not reach Wine";
    ServerFolder s = ServidorDaEmpresa();
    const std::string empresa = "Açougue São José", pasta = Pasta(empresa);
    auto w = AteResumo({empresa, "7", s.Address()});
    ASSERT_FALSE(HasFatalFailure());
    w->Press(btnProximo);
    ASSERT_TRUE(w->WaitForRunEnd(7));
    EsperaSucesso(*w);
    EXPECT_EQ(win::ListFolder(destino_), StringList{empresa}) << "the company folder's name as listed in UTF-16";
    EXPECT_TRUE(SameTree(ReadTree(pasta), Completa(s)));
    EsperaAtalho(pasta);
    ASSERT_NO_FATAL_FAILURE(Conclui(*w, pasta, true));
    EXPECT_EQ(ReadFileBytes(pasta + "config_Ostrel.ini"), kItensTodos) << "the five names in Windows-1252";
    EsperaNadaFora(empresa);
}

}  // namespace
}  // namespace vorlane::e2e
