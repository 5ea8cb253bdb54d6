// The message dialog over the wizard under real pointer and keyboard input: the X server's
// pointer and keys, sent by the test's input server (tools/entrada), so the system's
// hit-testing, z-order, focus and modality decide where they go, as for a user. The dialog
// runs in the test's thread; the user acts from a thread of its own.
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <future>
#include <string>
#include <thread>

#include "dialogs/UMensagem.h"
#include "platform/base/encoding.h"
#include "tests/wizard/support.h"
#include "tools/driver/driver.h"
#include "tools/driver/real_input.h"
#include "wizard/control_ids.h"

using namespace teste;
namespace ids = MensagemIds;
namespace real = vorlane::driver::real;
using vorlane::driver::FindChildById;
using vorlane::driver::WaitUntil;

namespace {

// What the user saw and did, read back in the test's thread.
struct Usuario {
    std::string falha;  // the first step that did not happen
    bool Passo(bool ok, const std::string& oque) {
        if (!ok && falha.empty()) falha = oque + (real::LastError().empty() ? "" : " (" + real::LastError() + ")");
        return ok;
    }
};

// Runs act(dialog) on a thread of its own once the message dialog shows.
std::thread QuandoODialogoAparecer(std::function<void(HWND)> act) {
    return std::thread([act] {
        HWND dlg = nullptr;
        WaitUntil([&] {
            dlg = FindWindowW(L"TFRMensagem", nullptr);
            return dlg && IsWindowVisible(dlg);
        }, 15000);
        if (dlg) act(dlg);
    });
}

std::string TextoDaAreaDeTransferencia() {
    std::string texto;
    if (!OpenClipboard(nullptr)) return texto;
    if (HANDLE h = GetClipboardData(CF_UNICODETEXT)) {
        if (auto* p = static_cast<const wchar_t*>(GlobalLock(h))) {
            texto = vorlane::Cp1252FromWide(p);
            GlobalUnlock(h);
        }
    }
    CloseClipboard();
    return texto;
}

void EsvaziaAreaDeTransferencia() {
    if (OpenClipboard(nullptr)) {
        EmptyClipboard();
        CloseClipboard();
    }
}

// Picks "&Alternar para Texto" from the menu of the dialog's icon, as a user does: the right
// button on the icon, then the left one on the menu's only item.
bool AlternaParaTexto(Usuario& u, HWND dlg) {
    HWND icone = FindChildById(dlg, ids::imgAtencao);
    if (!icone || !IsWindowVisible(icone)) icone = FindChildById(dlg, ids::imgInfo);
    if (!u.Passo(icone != nullptr, "o ícone do diálogo")) return false;
    if (!u.Passo(real::Click(icone, 3), "botão direito no ícone")) return false;
    vorlane::driver::WindowQuery menuDoIcone;
    menuDoIcone.className = "#32768";
    HWND menu = vorlane::driver::WaitForWindow(menuDoIcone, 10000);
    if (!u.Passo(menu != nullptr, "o menu do ícone")) return false;
    if (!u.Passo(real::ClickAt(real::PointIn(menu, 24, 10)), "clique no item do menu")) return false;
    HWND caixa = FindChildById(dlg, ids::MmFrase);
    return u.Passo(WaitUntil([&] { return IsWindowVisible(caixa) != 0; }, 10000), "a caixa de texto aparece");
}

}  // namespace

TEST(EntradaReal, ModoTextoClicaSelecionaCopiaERolaEEnterResponde) {
    ASSERT_TRUE(real::Available()) << "the input server is not running (VORLANE_X_INPUT)";
    std::vector<std::string> linhas = {"Ocorreu um erro ao copiar os arquivos.", "Erro:"};
    for (int i = 1; i <= 40; ++i) linhas.push_back("linha " + std::to_string(i) + " da mensagem do servidor");
    std::string esperado;
    for (const auto& l : linhas) esperado += (esperado.empty() ? "" : "\r\n") + l;
    EsvaziaAreaDeTransferencia();

    Usuario u;
    HWND sobOPonteiro = nullptr, caixa = nullptr;
    int primeiraAntes = -1, primeiraDepois = -1;
    std::string copiado;
    auto dlg = std::make_unique<TFRMensagem>();
    std::thread usuario = QuandoODialogoAparecer([&](HWND h) {
        if (!AlternaParaTexto(u, h)) return;
        caixa = FindChildById(h, ids::MmFrase);
        sobOPonteiro = WindowFromPoint(real::CentreOf(caixa));
        // Into the box, all of it selected and copied.
        u.Passo(real::Click(caixa), "clique na caixa") &&
            u.Passo(WaitUntil([&] { return vorlane::driver::FocusedWindow(h) == caixa; }, 10000), "a caixa tem o foco") &&
            u.Passo(real::Keys(caixa, "ctrl+a"), "ctrl+a") &&
            u.Passo(WaitUntil([&] {
                DWORD de = 0, ate = 0;
                SendMessageW(caixa, EM_GETSEL, reinterpret_cast<WPARAM>(&de), reinterpret_cast<LPARAM>(&ate));
                return de == 0 && ate == static_cast<DWORD>(GetWindowTextLengthW(caixa));
            }, 10000), "todo o texto selecionado") &&
            u.Passo(real::Keys(caixa, "ctrl+c"), "ctrl+c") &&
            u.Passo(WaitUntil([&] { return !(copiado = TextoDaAreaDeTransferencia()).empty(); }, 10000),
                    "o texto na área de transferência");
        // The selection left the end of the text in view; the wheel scrolls back up.
        primeiraAntes = static_cast<int>(SendMessageW(caixa, EM_GETFIRSTVISIBLELINE, 0, 0));
        u.Passo(real::ClickAt(real::CentreOf(caixa), 4, 3), "a roda do mouse") &&
            u.Passo(WaitUntil([&] {
                primeiraDepois = static_cast<int>(SendMessageW(caixa, EM_GETFIRSTVISIBLELINE, 0, 0));
                return primeiraDepois < primeiraAntes;
            }, 10000), "o texto rolou");
        // Enter answers OK, also with the focus in the box.
        if (!u.Passo(real::Keys(h, "Return"), "Enter")) PostMessageW(FindChildById(h, ids::BtOk), BM_CLICK, 0, 0);
    });
    dlg->ExecMensagem(linhas, 3, false);
    usuario.join();
    EXPECT_EQ(u.falha, "");
    EXPECT_EQ(sobOPonteiro, caixa) << "the window under the pointer has id " << GetDlgCtrlID(sobOPonteiro);
    EXPECT_EQ(copiado, esperado);
    EXPECT_GT(primeiraAntes, 0) << "the long text did not need scrolling";
    EXPECT_LT(primeiraDepois, primeiraAntes);
    EXPECT_TRUE(dlg->Confirmou);
}

// While a question is up, the wizard takes no click; also when another program's window was
// the active one as the question came up. Esc then answers no.
TEST(EntradaReal, ComODialogoAbertoCliquesNoAssistenteNaoFazemNadaEEscRespondeNao) {
    ASSERT_TRUE(real::Available()) << "the input server is not running (VORLANE_X_INPUT)";
    for (bool outroAtivo : {false, true}) {
        SCOPED_TRACE(outroAtivo ? "another program active" : "the wizard active");
        Assistente a;
        std::unique_ptr<OutroPrograma> outro;
        if (outroAtivo) {
            outro = std::make_unique<OutroPrograma>();
            ASSERT_TRUE(outro->EstaAtivo()) << "the other program's window did not become the active one";
        }
        Usuario u;
        const int paginaAntes = a.Pagina();
        POINT alvo = real::CentreOf(a.w.btnProximo->Handle());
        bool resposta = true;
        std::thread usuario = QuandoODialogoAparecer([&](HWND h) {
            RECT d{};
            GetWindowRect(h, &d);
            // The click on the wizard's Próximo, where the dialog does not cover it, comes
            // before the Esc: the wizard's thread meets them in that order.
            u.Passo(!PtInRect(&d, alvo), "o botão Próximo fica fora do diálogo") &&
                u.Passo(real::ClickAt(alvo), "clique em Próximo");
            if (!u.Passo(real::Keys(h, "Escape"), "Esc")) PostMessageW(FindChildById(h, ids::BtNao), BM_CLICK, 0, 0);
        });
        resposta = MostraPergunta({"Deseja continuar?"}, 3, false);
        usuario.join();
        const int paginaDepois = a.Pagina();
        outro.reset();
        EXPECT_EQ(u.falha, "");
        EXPECT_EQ(paginaDepois, paginaAntes) << "a click reached the wizard behind the question";
        EXPECT_FALSE(resposta) << "Esc answers no";
        // The same click with no dialog up does reach the wizard.
        std::thread depois([&] { real::ClickAt(alvo); });
        EXPECT_TRUE(WaitUntil([&] {
            Processa();
            return a.Pagina() != paginaAntes;
        }, 15000)) << "the click on Próximo did not reach the wizard";
        depois.join();
        EXPECT_TRUE(IsWindowEnabled(a.w.Handle()));
    }
}
