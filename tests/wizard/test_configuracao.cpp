// Settings files written by the wizard, read back byte for byte; Concluir with its launcher
// start, checked with a real program that records how it was started; the folder browse.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>
#include <shlobj.h>

#include <cstdlib>

#include "platform/base/encoding.h"
#include "platform/ui/app.h"
#include "tests/win/support.h"
#include "tools/driver/driver.h"
#include "tests/wizard/support.h"
#include "wizard/untInstalador.h"

using namespace teste;

namespace {
std::string PastaDoBuild() { return PastaUnix("VORLANE_BUILD"); }

void Copia(const std::string& de, const std::string& para) {
    ASSERT_TRUE(CopyFileW(vorlane::WideFromCp1252(de).c_str(), vorlane::WideFromCp1252(para).c_str(), FALSE)) << de;
}

BOOL CALLBACK TemTitulo(HWND h, LPARAM lp) {
    wchar_t t[256] = {};
    GetWindowTextW(h, t, 256);
    if (std::wstring(t) == vorlane::WideFromCp1252("Selecione o diretório")) *reinterpret_cast<bool*>(lp) = true;
    return TRUE;
}

}  // namespace

TEST(Configuracao, ArquivoDeModulosEmWindows1252) {
    struct Caso {
        const char* nome;
        std::vector<std::string> selecao;  // empty: all five as at start
        bool voltarTodos;
        const char* itens;
    } casos[] = {
        {"todos", {}, false, "Ruv\xE3o|Selta|Travi\xE7\xE3o|Ulvarentivo|VKX|"},
        {"VKX e Ruvão", {"VKX", "Ruvão"}, true, "VKX|Ruv\xE3o|"},
        {"nenhum", {}, true, "|"},
    };
    for (const Caso& c : casos) {
        SCOPED_TRACE(c.nome);
        Assistente a;
        std::string destino = PastaTemporaria("config");
        a.w.edtDiretorio->SetText(destino);
        a.w.edtNomeEmpresa->SetText("Loja Centro");
        a.w.ntbInstalador->SetPageIndex(4);
        if (c.voltarTodos) a.w.actVoltarTodosExecute();
        for (const std::string& opcao : c.selecao) {
            ASSERT_TRUE(a.w.cdsDisponiveis.Locate("opcao", opcao));
            a.w.grdOpcoesDisponiveis->Focus();
            a.w.actSelecionarExecute();
        }
        // The company folder is created again when it is missing.
        a.w.pCriaConfigOstrel();
        EXPECT_EQ(LeArquivo(destino + "Loja Centro\\config_Ostrel.ini"), std::string("[MODULO]\r\nITENS=") + c.itens + "\r\n");
    }
}

TEST(Configuracao, GravaIniJuntaPastaMaiusculasEChaveEmBranco) {
    Assistente a;
    std::string pasta = PastaTemporaria("gravaini");
    a.w.GravaIni(pasta, "caminho", "caminho", "Servidor:21", "conect.ini");
    a.w.GravaIni(pasta.substr(0, pasta.size() - 1), "modulo", "itens", "a|", "conect.ini");
    a.w.GravaIni(pasta, "CAMINHO", "CAMINHO", "192.168.0.9", "conect.ini");
    a.w.GravaIni(pasta, "CAMINHO", "  ", "nada", "conect.ini");
    a.w.GravaIni(pasta, "X", "  ", "nada", "outro.ini");
    EXPECT_EQ(LeArquivo(pasta + "conect.ini"), "[CAMINHO]\r\nCAMINHO=192.168.0.9\r\n[MODULO]\r\nITENS=a|\r\n");
    EXPECT_FALSE(Existe(pasta + "outro.ini")) << "a blank key writes nothing";
}

TEST(Configuracao, ConcluirQueNaoGravaMostraOArquivoEContinua) {
    Assistente a;
    std::string destino = PastaTemporaria("concluir-falha");
    // A file where the company folder should be: the folder cannot be made, the file not written.
    GravaArquivo(destino + "Loja", "ocupado");
    a.w.edtDiretorio->SetText(destino);
    a.w.edtNomeEmpresa->SetText("Loja");
    a.w.ntbInstalador->SetPageIndex(7);
    Respondedor r(Resposta::Enter);
    a.w.actProximoExecute();
    DialogoVisto v = r.Visto();
    EXPECT_NE(v.frase.find(destino + "Loja\\config_Ostrel.ini"), std::string::npos) << v.frase;
    EXPECT_NE(v.frase.find("Unable to write to"), std::string::npos) << v.frase;
    EXPECT_FALSE(vorlane::ui::Terminated()) << "the wizard stays usable";
    EXPECT_EQ(a.w.ntbInstalador->PageIndex(), 7);
}

TEST(Configuracao, ConcluirIniciaOLancadorEntreAspas) {
    std::string raiz = PastaTemporaria("lancador");
    std::string empresa = raiz + "Ravelco Software\\Loja Centro\\";
    CreateDirectoryW(vorlane::WideFromCp1252(raiz + "Ravelco Software").c_str(), nullptr);
    CreateDirectoryW(vorlane::WideFromCp1252(empresa).c_str(), nullptr);
    std::string recorder = PastaDoBuild() + "tools\\recorder\\recorder.exe";
    Copia(recorder, empresa + "Ostrel.exe");
    // Unquoted, this command line would start this program instead.
    Copia(recorder, raiz + "Ravelco.exe");
    for (bool abrir : {false, true}) {
        SCOPED_TRACE(abrir);
        Assistente a;
        a.w.edtDiretorio->SetText(raiz + "Ravelco Software");
        a.w.edtNomeEmpresa->SetText("Loja Centro");
        a.w.sCaminhoInstalacao = empresa;
        a.w.chkOstrel->SetChecked(abrir);
        a.w.ntbInstalador->SetPageIndex(7);
        a.w.actProximoExecute();
        EXPECT_TRUE(vorlane::ui::Terminated());
        EXPECT_TRUE(Existe(empresa + "config_Ostrel.ini"));
        if (!abrir) {
            EXPECT_FALSE(vorlane::wintest::ProgramWasStarted(empresa + "Ostrel.exe"));
            continue;
        }
        // The launcher notes its start once it runs, which on a busy machine takes a while.
        const std::string semBarra = empresa.substr(0, empresa.size() - 1);
        auto inicios = vorlane::wintest::WaitForRecordedStarts(semBarra);
        ASSERT_EQ(inicios.size(), 1u) << "the launcher did not start once";
        EXPECT_EQ(inicios[0].commandLine, "\"" + empresa + "Ostrel.exe\" -rv");
        std::string pastaAtual = inicios[0].currentFolder;
        while (!pastaAtual.empty() && pastaAtual.back() == '\\') pastaAtual.pop_back();
        EXPECT_EQ(pastaAtual, semBarra);
        EXPECT_FALSE(vorlane::wintest::ProgramWasStarted(raiz + "Ravelco.exe")) << "C:\\...\\Ravelco.exe was never started";
    }
}

TEST(Configuracao, ProcurarDiretorioAbreODialogoDoWindows) {
    Assistente a;
    std::string pasta = PastaTemporaria("procurar");
    struct Caso {
        bool escolhe;
        std::string esperado;
    } casos[] = {{false, "C:\\Ravelco Software\\"}, {true, pasta + "Ravelco Software\\"}};
    for (const Caso& c : casos) {
        SCOPED_TRACE(c.escolhe);
        a.w.edtDiretorio->SetText("C:\\Ravelco Software\\");
        bool desabilitado = false;
        bool comTitulo = false;
        std::wstring caminho = vorlane::WideFromCp1252(pasta.substr(0, pasta.size() - 1));
        std::thread usuario([&] {
            HWND dlg = nullptr;
            for (int i = 0; i < 1500 && !dlg; ++i) {
                HWND h = FindWindowW(L"#32770", nullptr);
                if (h && IsWindowVisible(h) && GetWindow(h, GW_OWNER) == a.w.Handle()) dlg = h;
                else Sleep(10);
            }
            if (!dlg) return;
            // The folder tree fills after the dialog appears; a selection made before that
            // would be lost.
            HWND arvore = FindWindowExW(dlg, nullptr, L"SysTreeView32", nullptr);
            vorlane::driver::WaitUntil([&] { return arvore && SendMessageW(arvore, TVM_GETCOUNT, 0, 0) > 0; }, 15000);
            desabilitado = !IsWindowEnabled(a.w.Handle());
            EnumChildWindows(dlg, TemTitulo, reinterpret_cast<LPARAM>(&comTitulo));
            if (c.escolhe) {
                SendMessageW(dlg, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(caminho.c_str()));
                vorlane::driver::WaitUntil(
                    [&] { return SendMessageW(arvore, TVM_GETNEXTITEM, TVGN_CARET, 0) != 0; }, 15000);
                PostMessageW(dlg, WM_COMMAND, IDOK, 0);
            } else {
                PostMessageW(dlg, WM_COMMAND, IDCANCEL, 0);
            }
        });
        a.w.actProcurarDiretorioExecute();
        usuario.join();
        EXPECT_TRUE(desabilitado) << "the wizard is disabled while the dialog is open";
        EXPECT_TRUE(comTitulo) << "the dialog shows its title";
        std::string texto = a.w.edtDiretorio->Text();
        if (!c.escolhe) {
            EXPECT_EQ(texto, c.esperado) << "a cancelled browse changes nothing";
        } else {
            // Whatever folder the dialog ended on, the maker's folder goes below it.
            const std::string sufixo = "\\Ravelco Software\\";
            ASSERT_GT(texto.size(), sufixo.size());
            EXPECT_EQ(texto.substr(texto.size() - sufixo.size()), sufixo) << texto;
            EXPECT_TRUE(Existe(texto.substr(0, texto.size() - sufixo.size() + 1))) << texto;
        }
        EXPECT_TRUE(IsWindowEnabled(a.w.Handle()));
    }
}
