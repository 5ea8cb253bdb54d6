// The message and question dialog, shown for real and answered as a user would.
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <future>
#include <thread>

#include "dialogs/UMensagem.h"
#include "tests/wizard/support.h"
#include "tools/driver/driver.h"

using namespace teste;
namespace ids = MensagemIds;

TEST(Mensagem, UmaLinhaMedeTrezentosESessentaPorCentoEQuarentaECinco) {
    Respondedor r(Resposta::Enter);
    MostraMensagem({"É necessário informar o nome da empresa."}, 3, false);
    DialogoVisto v = r.Visto();
    ASSERT_TRUE(v.apareceu);
    EXPECT_EQ(v.titulo, "Informação");
    EXPECT_EQ(v.botoes, std::vector<std::string>{"&Ok"});
    EXPECT_EQ(v.focado, "&Ok");
    EXPECT_EQ(v.largura, 360);
    EXPECT_EQ(v.altura, 145);
    EXPECT_EQ(v.frase, "É necessário informar o nome da empresa.");
}

// Every way of closing a question, with the result it gives.
TEST(Mensagem, PerguntaRespondidaDeCadaJeito) {
    struct Caso {
        const char* nome;
        Resposta modo;
        int botao;
        bool esperado;
    } casos[] = {
        {"Enter", Resposta::Enter, 0, true},
        {"Esc", Resposta::Esc, 0, false},
        {"fechar", Resposta::Fechar, 0, false},
        {"Sim", Resposta::Botao, ids::BtSim, true},
        {"Não", Resposta::Botao, ids::BtNao, false},
    };
    for (const Caso& c : casos) {
        SCOPED_TRACE(c.nome);
        Respondedor r(c.modo, c.botao);
        bool sim = MostraPergunta({"Este diretório já existe.", "", "Deseja sobreescreve-lo?"}, 1, false);
        DialogoVisto v = r.Visto();
        ASSERT_TRUE(v.apareceu);
        EXPECT_EQ(sim, c.esperado);
        EXPECT_EQ(v.titulo, "Informação");
        EXPECT_EQ(v.botoes, (std::vector<std::string>{"&Sim", "&Não"}));
        EXPECT_EQ(v.focado, "&Sim");
        EXPECT_EQ(v.frase, "Este diretório já existe.\r\n\r\nDeseja sobreescreve-lo?");
    }
}

TEST(Mensagem, TituloNoveFocaNaoMasEnterAindaRespondeSim) {
    Respondedor r(Resposta::Enter);
    bool sim = MostraPergunta({"Apagar?"}, 9, false);
    DialogoVisto v = r.Visto();
    EXPECT_EQ(v.titulo, "Atenção");
    EXPECT_EQ(v.focado, "&Não");
    EXPECT_TRUE(sim);
}

TEST(Mensagem, SemPadraoIgnoraEnterEEsc) {
    Respondedor r(Resposta::Botao, ids::BtNao, {VK_RETURN, VK_ESCAPE});
    auto dlg = std::make_unique<TFRMensagem>();
    dlg->SemPadrao = true;
    dlg->Resposta = 7;
    bool sim = dlg->ExecPergunta({"Continuar?"}, 1);
    DialogoVisto v = r.Visto();
    EXPECT_EQ(v.focado, "");
    EXPECT_FALSE(sim);
    EXPECT_EQ(dlg->Resposta, 2) << "only the click on Não closed it";
}

TEST(Mensagem, LinhaLargaQuebraEmQuatrocentosEOitenta) {
    std::string longa;
    for (int i = 0; i < 30; ++i) longa += "palavra" + std::to_string(i) + " ";
    Respondedor r(Resposta::Enter);
    MostraMensagem({longa}, 3, false);
    DialogoVisto v = r.Visto();
    EXPECT_EQ(v.largura, 590);
    EXPECT_GT(v.altura, 145) << "the wrapped text is higher than one line";
}

TEST(Mensagem, TextoAltoCortadoEmTrezentosEModoTextoMostraTudo) {
    std::vector<std::string> linhas;
    for (int i = 1; i <= 40; ++i) linhas.push_back("Linha " + std::to_string(i));
    {
        Respondedor r(Resposta::Enter);
        MostraMensagem(linhas, 3, false);
        DialogoVisto v = r.Visto();
        EXPECT_EQ(v.altura, 300 + 115);
        EXPECT_FALSE(v.memoVisivel);
    }
    std::string esperado;
    for (size_t i = 0; i < linhas.size(); ++i) esperado += (i ? "\r\n" : "") + linhas[i];
    {
        Respondedor r(Resposta::Enter);
        MostraMensagem(linhas, 3, true);
        DialogoVisto v = r.Visto();
        EXPECT_TRUE(v.memoVisivel);
        EXPECT_EQ(v.memo, esperado);
        EXPECT_EQ(v.altura, 300 + 115) << "text mode keeps the size";
    }
}

TEST(Mensagem, AlternarParaTextoPeloMenuDoIcone) {
    auto dlg = std::make_unique<TFRMensagem>();
    // The menu entry arrives as the dialog's menu command, as when the user picks it.
    std::thread usuario([] {
        for (int i = 0; i < 1500; ++i) {
            HWND h = FindWindowW(L"TFRMensagem", nullptr);
            if (h && IsWindowVisible(h)) {
                PostMessageW(h, WM_COMMAND, MAKEWPARAM(ids::SalvarparaArquivo1, 0), 0);
                // The dialog's thread takes the two messages in order; OK follows once the
                // text box shows, as a user would press it.
                HWND memo = vorlane::driver::FindChildById(h, ids::MmFrase);
                vorlane::driver::WaitUntil([&] { return memo && IsWindowVisible(memo); }, 10000);
                PostMessageW(GetDlgItem(GetDlgItem(h, ids::Fundo), ids::BtOk), BM_CLICK, 0, 0);
                return;
            }
            Sleep(10);
        }
    });
    dlg->ExecMensagem({"Erro:", "uma", "duas"}, 3, false);
    usuario.join();
    EXPECT_TRUE(dlg->ModoTextoAtivo());
    EXPECT_EQ(Texto(dlg->MmFrase->Handle()), "Erro:\r\numa\r\nduas");
    EXPECT_EQ(dlg->TextoFrase(), "Erro:\n\ruma\n\rduas") << "lines are joined with LF CR";
}

TEST(Mensagem, PerguntaTodosERetentarDevolvemCodigos) {
    struct Caso {
        int botao;
        int tipo;  // 3 todos, 4 retentar
        int resposta;
        bool confirmou;
    } casos[] = {
        {ids::btNaoTodos, 3, 4, true}, {ids::btSimTodos, 3, 3, true}, {ids::BtNao, 3, 2, false},
        {ids::BtSim, 4, 1, true},      {ids::btSimTodos, 4, 3, true},
    };
    for (const Caso& c : casos) {
        SCOPED_TRACE(c.botao);
        Respondedor r(Resposta::Botao, c.botao);
        auto dlg = std::make_unique<TFRMensagem>();
        int resposta = c.tipo == 3 ? dlg->ExecPerguntaTodos({"Substituir?"}, 1) : dlg->ExecPerguntaRetentar({"Tentar?"}, 1);
        DialogoVisto v = r.Visto();
        EXPECT_EQ(resposta, c.resposta);
        EXPECT_EQ(dlg->Confirmou, c.confirmou);
        EXPECT_EQ(v.largura, 437);
        if (c.tipo == 3)
            EXPECT_EQ(v.botoes, (std::vector<std::string>{"&Sim", "&Não", "Sim para Todos", "Não para Todos"}));
        else
            EXPECT_EQ(v.botoes, (std::vector<std::string>{"&Sim", "&Não", "Sim para Todos"}));
    }
    Respondedor r(Resposta::Fechar);
    auto dlg = std::make_unique<TFRMensagem>();
    EXPECT_EQ(dlg->ExecPerguntaOpc({"Fechar?"}, 1), 0) << "closed by the title bar";
}

namespace {
// Waits for the visible message dialog, runs look(dialog) on this (another) thread, then
// presses the dialog's OK.
std::thread OlhaEConfirma(std::function<void(HWND)> olha) {
    return std::thread([olha] {
        HWND dlg = nullptr;
        vorlane::driver::WaitUntil([&] {
            dlg = FindWindowW(L"TFRMensagem", nullptr);
            return dlg && IsWindowVisible(dlg);
        }, 15000);
        if (!dlg) return;
        olha(dlg);
        PostMessageW(vorlane::driver::FindChildById(dlg, ids::BtOk), BM_CLICK, 0, 0);
    });
}

COLORREF PixelNaTela(HWND janela, POINT cliente) {
    ClientToScreen(janela, &cliente);
    HDC tela = GetDC(nullptr);
    COLORREF cor = GetPixel(tela, cliente.x, cliente.y);
    ReleaseDC(nullptr, tela);
    return cor;
}
}  // namespace

// In text mode the pointer over the text box reaches the box, not the panel behind it (the
// user clicks into it to select and copy the error text), and the box has the panel's colour.
TEST(Mensagem, ModoTextoACaixaFicaSobOPonteiroNaCorDoPainel) {
    HWND sobOPonteiro = nullptr, caixa = nullptr;
    COLORREF corDaCaixa = 0, corDoPainel = 1;
    std::thread usuario = OlhaEConfirma([&](HWND dlg) {
        caixa = vorlane::driver::FindChildById(dlg, ids::MmFrase);
        HWND painel = vorlane::driver::FindChildById(dlg, ids::Painel);
        RECT r;
        GetWindowRect(caixa, &r);
        sobOPonteiro = WindowFromPoint(POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2});
        RedrawWindow(dlg, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
        vorlane::driver::Settle(dlg);
        RECT c;
        GetClientRect(caixa, &c);
        corDaCaixa = PixelNaTela(caixa, POINT{c.right - 3, c.bottom - 3});  // below the text
        corDoPainel = PixelNaTela(painel, POINT{1, 1});                     // the margin around the box
    });
    MostraMensagem({"Erro na instalação:", "uma linha longa de erro"}, 0, true);
    usuario.join();
    ASSERT_NE(caixa, nullptr);
    EXPECT_EQ(sobOPonteiro, caixa) << "the window under the pointer has id " << GetDlgCtrlID(sobOPonteiro);
    EXPECT_EQ(corDaCaixa, corDoPainel);
}

// The user switched to another program while the installer worked: the message still holds
// the wizard, which takes no input until the message is answered.
TEST(Mensagem, OutroProgramaAtivoOAssistenteFicaBloqueado) {
    Assistente a;
    OutroPrograma outro;
    ASSERT_TRUE(outro.EstaAtivo()) << "the other program's window did not become the active one";

    bool assistenteHabilitado = true;
    std::thread usuario = OlhaEConfirma([&](HWND) { assistenteHabilitado = IsWindowEnabled(a.w.Handle()) != 0; });
    MostraMensagem({"É necessário informar o nome da empresa."}, 3, false);
    usuario.join();
    EXPECT_FALSE(assistenteHabilitado) << "the wizard took input while the message was up";
    EXPECT_TRUE(IsWindowEnabled(a.w.Handle())) << "the wizard is usable again once answered";
}
