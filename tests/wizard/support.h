#pragma once
// In-process test support for the wizard and its dialog: the real windows on the test's
// display, typed into and clicked through window messages, and modal dialogs answered from
// another thread by finding the dialog window and pressing its button, as a user would.
#include <windows.h>

#include <atomic>
#include <functional>
#include <future>
#include <string>
#include <mutex>
#include <thread>
#include <vector>

#include "dialogs/UMensagem.h"
#include "platform/ui/app.h"
#include "wizard/untInstalador.h"

namespace teste {

void Processa();

// The real wizard window, shown. A terminate request it makes (Concluir, Cancelar) is
// forgotten when it goes, so the next test starts afresh.
struct Assistente {
    TfrmInstalador w;
    Assistente() {
        w.Show();
        Processa();
    }
    ~Assistente() { vorlane::ui::CancelTerminate(); }
    int Pagina() { return w.ntbInstalador->PageIndex(); }
};

// Another program's window, on a thread (and so an input queue) of its own, made the active
// one: the user switched away from the installer. It goes with the object.
class OutroPrograma {
public:
    OutroPrograma();
    ~OutroPrograma();
    OutroPrograma(const OutroPrograma&) = delete;
    OutroPrograma& operator=(const OutroPrograma&) = delete;
    // True once the window is the foreground one and this thread has no active window.
    bool EstaAtivo();

private:
    std::atomic<bool> fim_{false};
    HWND janela_ = nullptr;
    std::thread thread_;
};

// What a dialog showed when it was answered.
struct DialogoVisto {
    bool apareceu = false;
    std::string titulo;   // title bar caption
    std::string frase;    // the label's text
    std::string memo;     // the text box's text when in text mode
    bool memoVisivel = false;
    std::vector<std::string> botoes;  // captions of the visible buttons, left to right
    std::string focado;               // caption of the button with the focus, if any
    int largura = 0, altura = 0;
};

enum class Resposta { Botao, Enter, Esc, Fechar, Nenhuma };

// Waits (on another thread) for the next message dialog, records it, and answers it with the
// button of the given id, Enter, Esc or its title bar's close button. With extraKeys the
// keys are pressed first, and the answer follows only when the dialog is still open.
class Respondedor {
public:
    Respondedor(Resposta modo, int botao = 0, std::vector<WPARAM> teclasAntes = {});
    ~Respondedor();
    DialogoVisto Visto();  // waits for the answering thread

private:
    std::future<DialogoVisto> visto_;
};

// Answers every dialog that appears with the given button, recording them, until stopped.
class RespondeTodos {
public:
    explicit RespondeTodos(int botao);
    ~RespondeTodos();
    std::vector<DialogoVisto> Parar();

private:
    std::atomic<bool> parar_{false};
    std::thread thread_;
    std::mutex mutex_;
    std::vector<DialogoVisto> vistos_;
};

// Lets queued messages of this thread run.
void Processa();
// Types text into a control as WM_CHAR messages (Windows-1252 codes) and lets them run.
void Digita(HWND controle, const std::string& texto);
void PressionaEnter(HWND controle);
// A left click at the centre of a control (or at a point of its client area).
void Clica(HWND controle);
void ClicaEm(HWND controle, int x, int y);
void DuploCliqueEm(HWND controle, int x, int y);
std::string Texto(HWND janela);
std::string Utf8(const std::string& cp1252);
// A fresh folder under the prefix's temporary folder.
std::string PastaTemporaria(const std::string& nome);
void GravaArquivo(const std::string& caminho, const std::string& conteudo);
std::string LeArquivo(const std::string& caminho);
// A folder of the Linux side named by an environment variable, as Wine shows it (Z:\...\).
std::string PastaUnix(const char* variavel);
// The address of a test FTP server: "127.0.0.1:<port>" from the port file in its folder.
std::string EnderecoDoServidor(const char* variavel);
bool Existe(const std::string& caminho);

}  // namespace teste
