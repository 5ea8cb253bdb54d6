// vorlane-driver: the UI driver for shell scripts. It finds a top-level window and acts on it
// or on one of its controls, then exits with 0 when that worked and 1 when it did not.
//
//   vorlane-driver [options] <command> <window> [arguments]
//
// <window> is the window's whole title; "" or * matches any title (use --has-text for dialogs
// without a caption). Controls are named by their control id.
#include <windows.h>
#include <shellapi.h>

#include <fcntl.h>
#include <io.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/base/encoding.h"
#include "tools/driver/driver.h"

using namespace vorlane;
using namespace vorlane::driver;

namespace {
const char kUsage[] =
    "uso: vorlane-driver [opções] <comando> <janela> [argumentos]\n"
    "opções: --timeout MS (espera pela janela, 10000), --class CLASSE, --pid N, --has-text TEXTO\n"
    "comandos:\n"
    "  wait-window <janela>              espera a janela aparecer\n"
    "  wait-gone <janela>                espera a janela sumir\n"
    "  text <janela> [id]                escreve o texto da janela ou do controle\n"
    "  wait-text <janela> <id> <texto>   espera o controle mostrar o texto\n"
    "  enabled|visible <janela> <id>     0 quando o controle está habilitado / visível\n"
    "  focus <janela>                    escreve o id do controle com o foco\n"
    "  type <janela> <id> <texto>        digita o texto no controle\n"
    "  click|dblclick <janela> <id>      clica / clica duas vezes no centro do controle\n"
    "  press <janela> <id>               BM_CLICK no botão\n"
    "  click-text <janela> <texto>       clica no botão que mostra o texto\n"
    "  enter|esc <janela> [id]           tecla Enter / Esc no controle com o foco (ou no id)\n"
    "  shot <janela> <arquivo.bmp>       grava a área da janela na tela\n"
    "  menu <janela> <id>                escolhe o item id de um menu da janela (WM_COMMAND)\n";

int Fail(const std::string& message) {
    std::fprintf(stderr, "vorlane-driver: %s\n", Utf8FromCp1252(message).c_str());
    return 1;
}

bool ParseNumber(const std::string& text, long& value) {
    if (text.empty()) return false;
    char* end = nullptr;
    value = std::strtol(text.c_str(), &end, 10);
    return *end == '\0';
}

struct Command {
    WindowQuery query;
    int timeoutMs = 10000;
    std::string name;
    std::vector<std::string> args;  // after the window
};

int Run(Command& c) {
    const std::string& verb = c.name;
    static const char* const kVerbs[] = {"wait-window", "wait-gone", "text",  "wait-text", "enabled",    "visible",
                                         "focus",       "type",      "click", "dblclick",  "press",      "click-text",
                                         "enter",       "esc",       "shot",  "menu"};
    if (std::find(std::begin(kVerbs), std::end(kVerbs), verb) == std::end(kVerbs))
        return Fail("comando desconhecido: " + verb + "\n" + kUsage);
    auto need = [&](size_t n) { return c.args.size() >= n; };
    if (verb == "wait-gone")
        return WaitForNoWindow(c.query, c.timeoutMs) ? 0 : Fail("a janela continua aberta");

    HWND window = WaitForWindow(c.query, c.timeoutMs);
    if (!window) return Fail("janela não encontrada: " + c.query.title);
    auto control = [&](size_t index) -> HWND {
        long id = 0;
        if (!need(index + 1) || !ParseNumber(c.args[index], id)) return nullptr;
        return FindChildById(window, int(id));
    };

    if (verb == "wait-window") return 0;
    if (verb == "text") {
        HWND target = c.args.empty() ? window : control(0);
        if (!target) return Fail("controle não encontrado");
        std::printf("%s\n", Utf8FromCp1252(WindowText(target)).c_str());
        return 0;
    }
    if (verb == "focus") {
        HWND focus = FocusedWindow(window);
        if (!focus) return Fail("nenhum controle tem o foco");
        std::printf("%d\n", GetDlgCtrlID(focus));
        return 0;
    }
    if (verb == "shot") {
        if (!need(1)) return Fail("falta o arquivo");
        return CaptureWindow(window, c.args[0]) ? 0 : Fail("não foi possível gravar " + c.args[0]);
    }
    if (verb == "menu") {
        long id = 0;
        if (!need(1) || !ParseNumber(c.args[0], id)) return Fail("falta o id do item");
        return PostMessageW(window, WM_COMMAND, MAKEWPARAM(id, 0), 0) && Settle(window) ? 0
                                                                                    : Fail("o programa não respondeu");
    }
    if (verb == "click-text") {
        if (!need(1)) return Fail("falta o texto do botão");
        HWND button = FindChild(window, "", c.args[0]);
        if (!button) return Fail("botão não encontrado: " + c.args[0]);
        return Click(button) ? 0 : Fail("o programa não respondeu");
    }
    if (verb == "enter" || verb == "esc") {
        HWND target = nullptr;
        if (!c.args.empty() && !(target = control(0))) return Fail("controle não encontrado");
        return PressKey(window, verb == "enter" ? VK_RETURN : VK_ESCAPE, target) ? 0 : Fail("o programa não respondeu");
    }

    HWND target = control(0);
    if (!target) return Fail("controle não encontrado");
    if (verb == "enabled") return IsEnabled(target) ? 0 : 1;
    if (verb == "visible") return IsVisible(target) ? 0 : 1;
    if (verb == "click") return Click(target) ? 0 : Fail("o programa não respondeu");
    if (verb == "dblclick") return DoubleClick(target) ? 0 : Fail("o programa não respondeu");
    if (verb == "press") return PressButton(target) ? 0 : Fail("o programa não respondeu");
    if (verb == "type") {
        if (!need(2)) return Fail("falta o texto");
        return TypeText(target, c.args[1]) ? 0 : Fail("o programa não respondeu");
    }
    if (verb == "wait-text") {
        if (!need(2)) return Fail("falta o texto");
        return WaitForText(target, c.args[1], c.timeoutMs) ? 0 : Fail("texto: " + WindowText(target));
    }
    return Fail("comando desconhecido: " + verb + "\n" + kUsage);
}
}  // namespace

int wmain(int argc, wchar_t** argv) {
    // Scripts on the Unix side read the output: plain \n line ends.
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) args.push_back(Cp1252FromWide(argv[i]));
    Command c;
    size_t i = 0;
    for (; i + 1 < args.size() && args[i].rfind("--", 0) == 0; i += 2) {
        const std::string& option = args[i];
        const std::string& value = args[i + 1];
        long number = 0;
        if (option == "--timeout" && ParseNumber(value, number) && number >= 0)
            c.timeoutMs = int(number);
        else if (option == "--class")
            c.query.className = value;
        else if (option == "--pid" && ParseNumber(value, number) && number > 0)
            c.query.processId = DWORD(number);
        else if (option == "--has-text")
            c.query.childText = value;
        else
            return Fail("opção inválida: " + option + "\n" + kUsage);
    }
    if (args.size() < i + 2) return Fail(kUsage);
    c.name = args[i];
    c.query.title = args[i + 1] == "*" ? std::string() : args[i + 1];
    c.args.assign(args.begin() + long(i) + 2, args.end());
    return Run(c);
}
