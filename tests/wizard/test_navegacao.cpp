// Page navigation of the real wizard window: page tests, messages, the existing-folder
// question and the folders that are never removed.
#include <gtest/gtest.h>

#include <shlobj.h>

#include <regex>

#include "platform/base/encoding.h"
#include "platform/ui/app.h"
#include "tests/wizard/support.h"
#include "wizard/untInstalador.h"

using namespace teste;

namespace {
struct Navegador : Assistente {
    std::string Proximo() { return w.btnProximo->Text(); }
    HWND Focado() { return GetFocus(); }
    // Próximo by its button; a message it shows is answered with Ok and returned.
    DialogoVisto ProximoComMensagem() {
        Respondedor r(Resposta::Enter);
        Clica(w.btnProximo->Handle());
        return r.Visto();
    }
    void Proximo1() { Clica(w.btnProximo->Handle()); }
    void Anterior() { Clica(w.btnAnterior->Handle()); }
};

}  // namespace

TEST(Navegacao, EstadoInicial) {
    Navegador a;
    EXPECT_EQ(a.Pagina(), 0);
    EXPECT_FALSE(a.w.btnAnterior->Enabled());
    EXPECT_TRUE(a.w.btnProximo->Enabled());
    EXPECT_TRUE(a.w.suiButton2->Visible());
    EXPECT_EQ(a.Proximo(), "&Próximo");
    EXPECT_EQ(a.w.edtDiretorio->Text(), "C:\\Ravelco Software\\");
    std::string espaco = a.w.lblEspacoDisponivel->Text();
    // The Windows tier runs in the users' locale, pt_BR: a decimal comma.
    EXPECT_TRUE(std::regex_match(espaco, std::regex("Espaço disponível: [0-9]+,[0-9] MB"))) << espaco;
    EXPECT_EQ(a.w.grdOpcoesSelecionadas->Rows(), (std::vector<std::string>{"Ruvão", "Selta", "Travição", "Ulvarentivo", "VKX"}));
    EXPECT_TRUE(a.w.grdOpcoesDisponiveis->Rows().empty());
    EXPECT_FALSE(a.w.bErroInstalacao);
    EXPECT_EQ(a.w.sMensagemErro, "");
    EXPECT_EQ(Texto(a.w.Handle()), "Instalação Vorlane");
}

TEST(Navegacao, IdaEVoltaComTestesDeCadaPagina) {
    Navegador a;
    std::string destino = PastaTemporaria("navegacao") + "Nova";
    a.Proximo1();
    EXPECT_EQ(a.Pagina(), 2);
    EXPECT_TRUE(a.w.btnAnterior->Enabled());
    a.Anterior();
    EXPECT_EQ(a.Pagina(), 0);
    EXPECT_FALSE(a.w.btnAnterior->Enabled());
    a.Proximo1();

    // page 2: a blank folder text, then a folder that does not exist yet
    a.w.edtDiretorio->SetText("   ");
    DialogoVisto v = a.ProximoComMensagem();
    EXPECT_EQ(v.frase, "É necessário selecionar o diretório para instalação.");
    EXPECT_EQ(v.titulo, "Informação");
    EXPECT_EQ(v.botoes, std::vector<std::string>{"&Ok"});
    EXPECT_EQ(a.Pagina(), 2);
    EXPECT_EQ(a.Focado(), a.w.edtDiretorio->Handle());
    a.w.edtDiretorio->SetText(destino);
    PressionaEnter(a.w.edtDiretorio->Handle());
    EXPECT_EQ(a.Pagina(), 3);
    EXPECT_EQ(a.Focado(), a.w.edtNomeEmpresa->Handle());

    // page 3: one message at a time, in order, Enter in any edit acting as Próximo
    struct Passo {
        vorlane::ui::Edit* preencher;  // typed before Enter, or null
        const char* texto;
        const char* mensagem;
        vorlane::ui::Edit* foco;
    } passos[] = {
        {nullptr, "", "É necessário informar o nome da empresa.", a.w.edtNomeEmpresa.get()},
        {a.w.edtNomeEmpresa.get(), "Loja Centro", "É necessário informar o número da empresa.", a.w.edtNumeroEmpresa.get()},
        {a.w.edtNumeroEmpresa.get(), "0042", "É necessário informar o endereço do FTP.", a.w.edtEnderecoFTP.get()},
    };
    for (const Passo& p : passos) {
        SCOPED_TRACE(p.mensagem);
        if (p.preencher) Digita(p.preencher->Handle(), p.texto);
        Respondedor r(Resposta::Enter);
        PressionaEnter(a.Focado());
        DialogoVisto visto = r.Visto();
        EXPECT_EQ(visto.frase, p.mensagem);
        EXPECT_EQ(a.Pagina(), 3);
        EXPECT_EQ(a.Focado(), p.foco->Handle());
    }
    Digita(a.w.edtEnderecoFTP->Handle(), "127.0.0.1");
    PressionaEnter(a.w.edtEnderecoFTP->Handle());
    EXPECT_EQ(a.Pagina(), 4);
    EXPECT_EQ(a.Proximo(), "&Próximo");
    EXPECT_EQ(a.w.lblResumoDiretorioInf->Text(), destino);
    EXPECT_EQ(a.w.lblResumoNomeEmpresaInf->Text(), "Loja Centro");
    EXPECT_EQ(a.w.lblResumoNumeroEmpresaInf->Text(), "0042");
    EXPECT_EQ(a.w.lblResumoEnderecoIPInf->Text(), "127.0.0.1");

    // page 4 -> 5 and back again to the welcome page
    a.Proximo1();
    EXPECT_EQ(a.Pagina(), 5);
    EXPECT_EQ(a.Proximo(), "&Instalar");
    EXPECT_EQ(a.w.DBGrid1->Rows().size(), 5u);
    int esperadas[] = {4, 3, 2, 0};
    const char* legendas[] = {"&Próximo", "&Próximo", "&Próximo", "&Próximo"};
    for (int i = 0; i < 4; ++i) {
        a.Anterior();
        EXPECT_EQ(a.Pagina(), esperadas[i]);
        EXPECT_EQ(a.Proximo(), legendas[i]);
    }
    EXPECT_FALSE(a.w.btnAnterior->Enabled());
    EXPECT_FALSE(Existe(destino)) << "navigation alone creates no folder";
}

TEST(Navegacao, PaginaDeModulosSemSelecao) {
    Navegador a;
    a.w.ntbInstalador->SetPageIndex(4);
    a.w.actVoltarTodosExecute();
    DialogoVisto v = a.ProximoComMensagem();
    EXPECT_EQ(v.frase, "É necessário selecionar ao menos um módulo para instalação.");
    EXPECT_EQ(a.Pagina(), 4);
}

TEST(Navegacao, PastaExistenteNaoESim) {
    Navegador a;
    std::string pasta = PastaTemporaria("existente");
    CreateDirectoryW(vorlane::WideFromCp1252(pasta + "sub").c_str(), nullptr);
    GravaArquivo(pasta + "sub\\dados.txt", "x");
    GravaArquivo(pasta + "leia.txt", "y");
    a.w.ntbInstalador->SetPageIndex(2);
    a.w.edtDiretorio->SetText(pasta);
    {
        Respondedor r(Resposta::Botao, MensagemIds::BtNao);
        a.Proximo1();
        DialogoVisto v = r.Visto();
        EXPECT_EQ(v.frase, "Este diretório já existe.\r\n\r\nDeseja sobreescreve-lo?");
        EXPECT_EQ(v.botoes, (std::vector<std::string>{"&Sim", "&Não"}));
    }
    EXPECT_EQ(a.Pagina(), 2);
    EXPECT_EQ(a.Focado(), a.w.edtDiretorio->Handle());
    EXPECT_EQ(LeArquivo(pasta + "sub\\dados.txt"), "x");
    {
        Respondedor r(Resposta::Enter);
        a.Proximo1();
        r.Visto();
    }
    EXPECT_EQ(a.Pagina(), 3);
    EXPECT_FALSE(Existe(pasta));
}

TEST(Navegacao, PastasDoWindowsEDoUsuarioNuncaSaoRemovidas) {
    Navegador a;
    wchar_t windows[MAX_PATH];
    GetWindowsDirectoryW(windows, MAX_PATH);
    wchar_t perfil[MAX_PATH];
    SHGetFolderPathW(nullptr, CSIDL_PROFILE, nullptr, 0, perfil);
    wchar_t documentos[MAX_PATH];
    SHGetFolderPathW(nullptr, CSIDL_PERSONAL, nullptr, 0, documentos);
    for (std::wstring w : {std::wstring(windows), std::wstring(perfil) + L"\\", std::wstring(documentos), std::wstring(L"C:\\")}) {
        std::string pasta = vorlane::Cp1252FromWide(w);
        SCOPED_TRACE(pasta);
        a.w.ntbInstalador->SetPageIndex(2);
        a.w.edtDiretorio->SetText(pasta);
        RespondeTodos todos(MensagemIds::BtSim);
        a.Proximo1();
        std::vector<DialogoVisto> vistos = todos.Parar();
        ASSERT_EQ(vistos.size(), 2u);
        EXPECT_EQ(vistos[1].frase.rfind("Esta pasta não pode ser sobrescrita", 0), 0u) << vistos[1].frase;
        EXPECT_EQ(a.Pagina(), 2);
        EXPECT_TRUE(Existe(pasta));
        EXPECT_FALSE(a.w.DelTree(a.w.Handle(), pasta)) << "the routine itself refuses too";
    }
    EXPECT_TRUE(Existe(vorlane::Cp1252FromWide(windows) + "\\system32"));
}

TEST(Navegacao, DelTree) {
    Navegador a;
    std::string pasta = PastaTemporaria("deltree");
    CreateDirectoryW(vorlane::WideFromCp1252(pasta + "a").c_str(), nullptr);
    GravaArquivo(pasta + "a\\b.txt", "b");
    SetFileAttributesW(vorlane::WideFromCp1252(pasta + "a\\b.txt").c_str(), FILE_ATTRIBUTE_READONLY);
    EXPECT_TRUE(a.w.DelTree(a.w.Handle(), "  " + pasta + "  "));
    EXPECT_FALSE(Existe(pasta));
    EXPECT_FALSE(a.w.DelTree(a.w.Handle(), pasta)) << "a folder that does not exist";

    // A path longer than the original 254-character buffer is removed exactly, not a shorter one.
    std::string base = PastaTemporaria("deltree-longo");
    std::string longa = base;
    while (longa.size() < 300) {
        longa += std::string(40, 'x') + "\\";
        CreateDirectoryW(vorlane::WideFromCp1252(longa).c_str(), nullptr);
    }
    GravaArquivo(longa + "f.txt", "f");
    std::string irma = longa.substr(0, longa.size() - 1);
    std::string alvo = irma.substr(0, irma.rfind('\\') + 1);  // the parent of the deepest folder
    GravaArquivo(alvo + "fica.txt", "fica");
    EXPECT_TRUE(a.w.DelTree(a.w.Handle(), longa));
    EXPECT_FALSE(Existe(longa));
    EXPECT_EQ(LeArquivo(alvo + "fica.txt"), "fica");
}

TEST(Navegacao, CancelarRespondidoNaoContinua) {
    Navegador a;
    Respondedor r(Resposta::Botao, MensagemIds::BtNao);
    Clica(a.w.suiButton2->Handle());
    DialogoVisto v = r.Visto();
    EXPECT_EQ(v.frase, "Deseja cancelar a instalação?");
    EXPECT_FALSE(vorlane::ui::Terminated());
    EXPECT_TRUE(IsWindowVisible(a.w.Handle()));
}
