#include "tests/wizard/support.h"

#include <shellapi.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <future>
#include <thread>

#include "platform/base/encoding.h"
#include "platform/base/file_io.h"
#include "platform/ui/app.h"
#include "platform/ui/form.h"
#include "platform/win/shell.h"
#include "tools/driver/driver.h"

using namespace std::chrono_literals;

namespace teste {

namespace {
HWND EsperaDialogo(std::chrono::milliseconds limite) {
    auto fim = std::chrono::steady_clock::now() + limite;
    while (std::chrono::steady_clock::now() < fim) {
        HWND h = FindWindowW(L"TFRMensagem", nullptr);
        while (h) {
            if (IsWindowVisible(h)) {
                DWORD_PTR r;
                // Returns once the dialog's thread runs its modal loop.
                if (SendMessageTimeoutW(h, WM_NULL, 0, 0, SMTO_BLOCK, 2000, &r)) return h;
            }
            h = FindWindowExW(nullptr, h, L"TFRMensagem", nullptr);
        }
        std::this_thread::sleep_for(10ms);
    }
    return nullptr;
}

DialogoVisto Observa(HWND dlg) {
    DialogoVisto v;
    v.apareceu = true;
    v.titulo = Texto(dlg);
    HWND painel = GetDlgItem(dlg, MensagemIds::Painel);
    HWND frase = GetDlgItem(painel, MensagemIds::Frase);
    v.frase = Texto(frase);
    HWND memo = GetDlgItem(painel, MensagemIds::MmFrase);
    v.memo = Texto(memo);
    v.memoVisivel = IsWindowVisible(memo) != 0;
    RECT r;
    GetWindowRect(dlg, &r);
    v.largura = r.right - r.left;
    v.altura = r.bottom - r.top;
    HWND fundo = GetDlgItem(dlg, MensagemIds::Fundo);
    std::vector<std::pair<LONG, std::string>> botoes;
    for (int id : {MensagemIds::BtOk, MensagemIds::BtSim, MensagemIds::BtNao, MensagemIds::btSimTodos, MensagemIds::btNaoTodos}) {
        HWND b = GetDlgItem(fundo, id);
        if (b && IsWindowVisible(b)) {
            RECT br;
            GetWindowRect(b, &br);
            botoes.emplace_back(br.left, Texto(b));
        }
    }
    std::sort(botoes.begin(), botoes.end());
    for (auto& b : botoes) v.botoes.push_back(b.second);
    GUITHREADINFO gti{sizeof(gti)};
    if (GetGUIThreadInfo(GetWindowThreadProcessId(dlg, nullptr), &gti) && gti.hwndFocus && GetParent(gti.hwndFocus) == fundo)
        v.focado = Texto(gti.hwndFocus);
    return v;
}

HWND Focado(HWND janela) {
    GUITHREADINFO gti{sizeof(gti)};
    if (GetGUIThreadInfo(GetWindowThreadProcessId(janela, nullptr), &gti) && gti.hwndFocus) return gti.hwndFocus;
    return janela;
}

void PostaTecla(HWND alvo, WPARAM vk) {
    PostMessageW(alvo, WM_KEYDOWN, vk, 1);
    PostMessageW(alvo, WM_KEYUP, vk, 0xC0000001);
}

void Responde(HWND dlg, Resposta modo, int botao) {
    switch (modo) {
    case Resposta::Botao:
        PostMessageW(GetDlgItem(GetDlgItem(dlg, MensagemIds::Fundo), botao), BM_CLICK, 0, 0);
        break;
    case Resposta::Enter:
        PostaTecla(Focado(dlg), VK_RETURN);
        break;
    case Resposta::Esc:
        PostaTecla(Focado(dlg), VK_ESCAPE);
        break;
    case Resposta::Fechar:
        PostMessageW(GetDlgItem(dlg, vorlane::ui::kCloseButtonId), BM_CLICK, 0, 0);
        break;
    case Resposta::Nenhuma:
        break;
    }
}
}  // namespace

Respondedor::Respondedor(Resposta modo, int botao, std::vector<WPARAM> teclasAntes) {
    visto_ = std::async(std::launch::async, [=] {
        HWND dlg = EsperaDialogo(15s);
        if (!dlg) return DialogoVisto{};
        DialogoVisto v = Observa(dlg);
        for (WPARAM t : teclasAntes) {
            PostaTecla(Focado(dlg), t);
            DWORD_PTR r;
            SendMessageTimeoutW(dlg, WM_NULL, 0, 0, SMTO_BLOCK, 2000, &r);
            std::this_thread::sleep_for(50ms);
        }
        if (IsWindowVisible(dlg)) Responde(dlg, modo, botao);
        return v;
    });
}

Respondedor::~Respondedor() {
    if (visto_.valid()) visto_.wait();
}

DialogoVisto Respondedor::Visto() { return visto_.get(); }

RespondeTodos::RespondeTodos(int botao) {
    thread_ = std::thread([this, botao] {
        while (!parar_) {
            HWND dlg = EsperaDialogo(100ms);
            if (!dlg) continue;
            DialogoVisto v = Observa(dlg);
            {
                std::lock_guard<std::mutex> lock(mutex_);
                vistos_.push_back(v);
            }
            HWND fundo = GetDlgItem(dlg, MensagemIds::Fundo);
            int id = IsWindowVisible(GetDlgItem(fundo, botao)) ? botao : MensagemIds::BtOk;
            PostMessageW(GetDlgItem(fundo, id), BM_CLICK, 0, 0);
            for (int i = 0; i < 200 && IsWindow(dlg) && IsWindowVisible(dlg); ++i) std::this_thread::sleep_for(10ms);
        }
    });
}

RespondeTodos::~RespondeTodos() {
    parar_ = true;
    if (thread_.joinable()) thread_.join();
}

std::vector<DialogoVisto> RespondeTodos::Parar() {
    parar_ = true;
    if (thread_.joinable()) thread_.join();
    return vistos_;
}

void Processa() {
    for (int i = 0; i < 3; ++i) vorlane::ui::ProcessMessages();
}

void Digita(HWND controle, const std::string& texto) {
    std::wstring w = vorlane::WideFromCp1252(texto);
    for (wchar_t c : w) PostMessageW(controle, WM_CHAR, c, 1);
    Processa();
}

void PressionaEnter(HWND controle) {
    PostaTecla(controle, VK_RETURN);
    Processa();
}

void ClicaEm(HWND controle, int x, int y) {
    PostMessageW(controle, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
    PostMessageW(controle, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
    Processa();
}

void Clica(HWND controle) {
    RECT r;
    GetClientRect(controle, &r);
    ClicaEm(controle, r.right / 2, r.bottom / 2);
}

void DuploCliqueEm(HWND controle, int x, int y) {
    ClicaEm(controle, x, y);
    PostMessageW(controle, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(x, y));
    PostMessageW(controle, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
    Processa();
}

std::string Texto(HWND janela) {
    int n = GetWindowTextLengthW(janela);
    std::wstring w(static_cast<size_t>(n) + 1, L'\0');
    n = GetWindowTextW(janela, w.data(), n + 1);
    w.resize(static_cast<size_t>(n));
    return vorlane::Cp1252FromWide(w);
}

std::string Utf8(const std::string& cp1252) { return vorlane::Utf8FromCp1252(cp1252); }

std::string PastaTemporaria(const std::string& nome) {
    wchar_t tmp[MAX_PATH];
    GetTempPathW(MAX_PATH, tmp);
    std::string pasta = vorlane::Cp1252FromWide(tmp) + "vorlane-testes\\" + nome + "-" + std::to_string(GetCurrentProcessId());
    vorlane::win::ShellDelete(nullptr, pasta);
    std::string parcial;
    for (size_t i = 0; i <= pasta.size(); ++i) {
        if (i == pasta.size() || pasta[i] == '\\') CreateDirectoryW(vorlane::WideFromCp1252(pasta.substr(0, i)).c_str(), nullptr);
    }
    return pasta + "\\";
}

void GravaArquivo(const std::string& caminho, const std::string& conteudo) {
    std::FILE* f = vorlane::OpenFile(caminho, "wb");
    if (!f) return;
    std::fwrite(conteudo.data(), 1, conteudo.size(), f);
    std::fclose(f);
}

std::string LeArquivo(const std::string& caminho) {
    std::FILE* f = vorlane::OpenFile(caminho, "rb");
    if (!f) return "<ausente>";
    std::string s;
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) s.append(buf, n);
    std::fclose(f);
    return s;
}

std::string PastaUnix(const char* variavel) {
    const char* v = std::getenv(variavel);
    std::string s = v ? v : "";
    for (char& c : s)
        if (c == '/') c = '\\';
    return "Z:" + s + "\\";
}

std::string EnderecoDoServidor(const char* variavel) {
    std::string porta = LeArquivo(PastaUnix(variavel) + "porta");
    return "127.0.0.1:" + porta;
}

bool Existe(const std::string& caminho) {
    return GetFileAttributesW(vorlane::WideFromCp1252(caminho).c_str()) != INVALID_FILE_ATTRIBUTES;
}


OutroPrograma::OutroPrograma() {
    std::promise<HWND> criada;
    thread_ = std::thread([this, &criada] {
        HWND w = CreateWindowExW(0, L"STATIC", L"Outro programa", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 760, 60, 260, 160,
                                 nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
        SetForegroundWindow(w);
        SetActiveWindow(w);
        criada.set_value(w);
        MSG msg;
        while (!fim_) {
            while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
        }
        DestroyWindow(w);
    });
    janela_ = criada.get_future().get();
}

OutroPrograma::~OutroPrograma() {
    fim_ = true;
    thread_.join();
}

bool OutroPrograma::EstaAtivo() {
    return vorlane::driver::WaitUntil([&] {
        Processa();
        return GetForegroundWindow() == janela_ && GetActiveWindow() == nullptr;
    }, 10000);
}

}  // namespace teste
