// The company page: the key filter of the company name, typed for real into the real edit,
// and the checks that keep the name a plain folder name and the number a 32-bit integer.
#include <gtest/gtest.h>

#include <set>

#include "platform/base/encoding.h"
#include "tests/wizard/support.h"
#include "wizard/untInstalador.h"

using namespace teste;

namespace {
struct PaginaDados {
    TfrmInstalador w;
    PaginaDados() {
        w.Show();
        w.ntbInstalador->SetPageIndex(3);
        w.edtNomeEmpresa->Focus();
        Processa();
    }
};

// The 25 codes that the company name refuses, written out from the list users are shown.
const std::set<int> kRecusados = {'!', '"', '#', '$', '%', '&', '(', ')', '*', '+', '/', ':', '<',
                                  '=', '>', '?', '@', '[', '\\', ']', '^', '{', '|', '}', 0xA8};
}  // namespace

TEST(Empresa, FiltroDeTeclasParaOsDuzentosECinquentaESeisCodigos) {
    PaginaDados p;
    HWND edt = p.w.edtNomeEmpresa->Handle();
    ASSERT_EQ(kRecusados.size(), 25u);
    for (int c = 1; c < 256; ++c) {
        SCOPED_TRACE(c);
        char key = static_cast<char>(c);
        p.w.edtNomeEmpresaKeyPress(key);
        EXPECT_EQ(key == 0, kRecusados.count(c) == 1) << "the handler's verdict";
        // Printable codes go through the real edit as typed characters.
        if (c < 32 || c == 127) continue;
        p.w.edtNomeEmpresa->SetText("");
        Digita(edt, std::string(1, static_cast<char>(c)));
        std::string texto = p.w.edtNomeEmpresa->Text();
        if (kRecusados.count(c)) EXPECT_EQ(texto, "");
        else EXPECT_EQ(texto, std::string(1, static_cast<char>(c)));
    }
    p.w.edtNomeEmpresa->SetText("");
    Digita(edt, "Loja/Centro");
    EXPECT_EQ(p.w.edtNomeEmpresa->Text(), "LojaCentro");
    for (const char* nome : {"Padaria D'Ouro", "Açougue São José"}) {
        p.w.edtNomeEmpresa->SetText("");
        Digita(edt, nome);
        EXPECT_EQ(p.w.edtNomeEmpresa->Text(), nome);
    }
    // Backspace, a control character, passes the filter and edits as usual.
    Digita(edt, "\b\b");
    EXPECT_EQ(p.w.edtNomeEmpresa->Text(), "Açougue São Jo");
}

TEST(Empresa, TextoColadoPassaPeloFiltroEPaginaRecusa) {
    PaginaDados p;
    HWND edt = p.w.edtNomeEmpresa->Handle();
    std::wstring colado = L"Loja\\Centro";
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    HGLOBAL mem = GlobalAlloc(GMEM_MOVEABLE, (colado.size() + 1) * sizeof(wchar_t));
    memcpy(GlobalLock(mem), colado.c_str(), (colado.size() + 1) * sizeof(wchar_t));
    GlobalUnlock(mem);
    SetClipboardData(CF_UNICODETEXT, mem);
    CloseClipboard();
    SendMessageW(edt, WM_PASTE, 0, 0);
    EXPECT_EQ(p.w.edtNomeEmpresa->Text(), "Loja\\Centro") << "pasting is not filtered";
    p.w.edtNumeroEmpresa->SetText("1");
    p.w.edtEnderecoFTP->SetText("127.0.0.1");
    Respondedor r(Resposta::Enter);
    PressionaEnter(p.w.edtEnderecoFTP->Handle());
    DialogoVisto v = r.Visto();
    EXPECT_NE(v.frase.find("não pode conter os caracteres"), std::string::npos) << v.frase;
    EXPECT_EQ(p.w.ntbInstalador->PageIndex(), 3);
    EXPECT_EQ(GetFocus(), edt);
}

TEST(Empresa, NomesENumerosRecusadosOuAceitos) {
    struct Caso {
        const char* nome;
        const char* numero;
        const char* mensagem;  // start of the message; nullptr when the page goes on
        bool focoNoNome;
    } casos[] = {
        {"..", "1", "O nome da empresa não pode ser formado apenas por pontos e espaços.", true},
        {" . . ", "1", "O nome da empresa não pode ser formado apenas por pontos e espaços.", true},
        {"Loja\\Centro", "1", "O nome da empresa não pode conter", true},
        {"Lo:ja", "1", "O nome da empresa não pode conter", true},
        {"Loja\tCentro", "1", "O nome da empresa não pode conter", true},
        {"NUL", "1", "O nome da empresa \"NUL\" é um nome reservado", true},
        {"com1", "1", "O nome da empresa \"com1\" é um nome reservado", true},
        {"Lpt9.log", "1", "O nome da empresa \"Lpt9.log\" é um nome reservado", true},
        {"Loja.", "1", "O nome da empresa não pode terminar com ponto ou espaço.", true},
        {"Loja ", "1", "O nome da empresa não pode terminar com ponto ou espaço.", true},
        {"Loja", "abc", "O número da empresa deve ser um número inteiro", false},
        {"Loja", "99999999999", "O número da empresa deve ser um número inteiro", false},
        {"Loja", "2147483648", "O número da empresa deve ser um número inteiro", false},
        {"Loja", "4 2", "O número da empresa deve ser um número inteiro", false},
        {"Loja", "-5", nullptr, false},
        {"Loja", "0042", nullptr, false},
        {"Loja", "-2147483648", nullptr, false},
        {"Padaria D'Ouro", "7", nullptr, false},
        {"Açougue São José", "7", nullptr, false},
        {"Console", "7", nullptr, false},
        {"COM0", "7", nullptr, false},
        {".Loja", "7", nullptr, false},
    };
    for (const Caso& c : casos) {
        SCOPED_TRACE(std::string(c.nome) + " / " + c.numero);
        PaginaDados p;
        p.w.edtNomeEmpresa->SetText(c.nome);
        p.w.edtNumeroEmpresa->SetText(c.numero);
        p.w.edtEnderecoFTP->SetText("servidor");
        if (c.mensagem) {
            Respondedor r(Resposta::Enter);
            Clica(p.w.btnProximo->Handle());
            DialogoVisto v = r.Visto();
            EXPECT_EQ(v.frase.rfind(c.mensagem, 0), 0u) << v.frase;
            EXPECT_EQ(p.w.ntbInstalador->PageIndex(), 3);
            EXPECT_EQ(GetFocus(), (c.focoNoNome ? p.w.edtNomeEmpresa : p.w.edtNumeroEmpresa)->Handle());
        } else {
            Clica(p.w.btnProximo->Handle());
            EXPECT_EQ(p.w.ntbInstalador->PageIndex(), 4);
        }
    }
}
