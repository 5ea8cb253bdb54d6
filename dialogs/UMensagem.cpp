#include "dialogs/UMensagem.h"

#include "platform/base/encoding.h"
#include "platform/ui/app.h"

using namespace vorlane;
using namespace vorlane::ui;

namespace {
constexpr int kLarguraMaxima = 480, kLarguraMinima = 250, kAlturaMaxima = 300, kAlturaMinima = 30;
constexpr int kTitulo = 32, kFundo = 40, kFaixaIcone = 46;
constexpr int kFraseX = kFaixaIcone + 8, kFraseY = 1 + kTitulo + 14;
// The panel holds the label and the text box, so that they lie above it: a pointer over the
// text box reaches the box. Their places are given in the panel's coordinates.
constexpr int kPainelX = kFaixaIcone + 2, kPainelY = 1 + kTitulo + 2;
constexpr int kMargemTexto = 2;

std::string TrocaLfCrPorCrLf(const std::string& s) {
    std::string r;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\n' && i + 1 < s.size() && s[i + 1] == '\r') {
            r += "\r\n";
            ++i;
        } else {
            r += s[i];
        }
    }
    return r;
}
}  // namespace

TFRMensagem::TFRMensagem() {
    Form::Options o;
    o.className = L"TFRMensagem";
    o.width = 629;
    o.height = 213;
    o.titleHeight = kTitulo;
    o.minimizeButton = false;
    o.controlBox = false;
    o.topMost = true;
    FRMensagem = std::make_unique<Form>(o);
    HWND h = FRMensagem->Handle();
    Painel = std::make_unique<Panel>(h, MensagemIds::Painel, Rect{kPainelX, kPainelY, 629 - kFaixaIcone - 5, 213 - kTitulo - kFundo - 6});
    HWND p = Painel->Handle();
    imgInfo = std::make_unique<Picture>(h, MensagemIds::imgInfo, Rect{8, 1 + kTitulo + 12, 32, 32}, Artwork::InfoIcon);
    imgAtencao = std::make_unique<Picture>(h, MensagemIds::imgAtencao, Rect{8, 1 + kTitulo + 12, 32, 32}, Artwork::AttentionIcon);
    Frase = std::make_unique<Label>(p, MensagemIds::Frase, Rect{kFraseX - kPainelX, kFraseY - kPainelY, 250, 30}, "");
    MmFrase = std::make_unique<Memo>(p, MensagemIds::MmFrase, Rect{kMargemTexto, kMargemTexto, 500, 100});
    MmFrase->SetFont(BoldFont());
    MmFrase->UseFaceColour();
    MmFrase->SetVisible(false);
    Fundo = std::make_unique<Panel>(h, MensagemIds::Fundo, Rect{1, 213 - 1 - kFundo, 627, kFundo}, true);
    HWND f = Fundo->Handle();
    BtOk = std::make_unique<SkinButton>(f, MensagemIds::BtOk, Rect{0, 5, 77, 30}, "&Ok");
    BtSim = std::make_unique<SkinButton>(f, MensagemIds::BtSim, Rect{0, 5, 77, 30}, "&Sim");
    BtNao = std::make_unique<SkinButton>(f, MensagemIds::BtNao, Rect{0, 5, 77, 30}, "&Não");
    btSimTodos = std::make_unique<SkinButton>(f, MensagemIds::btSimTodos, Rect{0, 5, 113, 30}, "Sim para Todos");
    btNaoTodos = std::make_unique<SkinButton>(f, MensagemIds::btNaoTodos, Rect{0, 5, 113, 30}, "Não para Todos");
    BtOk->onClick = [this] { Responde(&TFRMensagem::BtOKClick); };
    BtSim->onClick = [this] { Responde(&TFRMensagem::BTSimClick); };
    BtNao->onClick = [this] { Responde(&TFRMensagem::BtNaoClick); };
    btSimTodos->onClick = [this] { Responde(&TFRMensagem::btSimTodosClick); };
    btNaoTodos->onClick = [this] { Responde(&TFRMensagem::btNaoTodosClick); };
    BtOk->SetGlyph(ButtonGlyph::Check);
    BtSim->SetGlyph(ButtonGlyph::Check);
    BtNao->SetGlyph(ButtonGlyph::Cross);
    btSimTodos->SetGlyph(ButtonGlyph::DoubleCheck);
    btNaoTodos->SetGlyph(ButtonGlyph::DoubleCross);
    for (SkinButton* b : {BtOk.get(), BtSim.get(), BtNao.get(), btSimTodos.get(), btNaoTodos.get()}) {
        // Unlike the wizard's buttons these take the focus: the dialog starts with one of them focused.
        SetWindowLongW(b->Handle(), GWL_STYLE, GetWindowLongW(b->Handle(), GWL_STYLE) | WS_TABSTOP);
    }
    FRMensagem->onShow = [this] { FormShow(); };
    FRMensagem->onKeyPreview = [this](MSG& msg) {
        if (msg.message != WM_KEYDOWN) return false;
        if (msg.wParam == VK_RETURN) { ac_enterExecute(); return true; }
        if (msg.wParam == VK_ESCAPE) { ac_sairExecute(); return true; }
        return false;
    };
    FRMensagem->onContextMenu = [this](HWND child, POINT pt) {
        if (child != imgInfo->Handle() && child != imgAtencao->Handle()) return;
        HMENU PpSave = CreatePopupMenu();
        AppendMenuW(PpSave, MF_STRING, MensagemIds::SalvarparaArquivo1, WideFromCp1252("&Alternar para Texto").c_str());
        TrackPopupMenu(PpSave, TPM_RIGHTBUTTON, pt.x, pt.y, 0, FRMensagem->Handle(), nullptr);
        DestroyMenu(PpSave);
    };
    FRMensagem->onMenuCommand = [this](int id) {
        if (id == MensagemIds::SalvarparaArquivo1) SalvarparaArquivo1Click();
    };
    FormCreate();
}

TFRMensagem::~TFRMensagem() = default;

void TFRMensagem::FormCreate() {
    Titulos = {"Atenção", "Informação", "Informação", "Informação", "Informação",
               "Acesso não Permitido", "Atenção", "Mensagem", "Mensagem", "Atenção"};
}

void TFRMensagem::DefineTexto(const std::vector<std::string>& Linhas, int indice, int tipo) {
    sFrase.clear();
    for (size_t i = 0; i < Linhas.size(); ++i) {
        if (i > 0) sFrase += "\n\r";
        sFrase += Linhas[i];
    }
    // The label shows each LF CR pair as one line break.
    Frase->SetText(TrocaLfCrPorCrLf(sFrase));
    MedeFrase(false, 0);
    IndiceTitulo = indice;
    Tipo = tipo;
}

void TFRMensagem::MedeFrase(bool quebra, int largura) {
    std::wstring texto = WideFromCp1252(TrocaLfCrPorCrLf(sFrase));
    HDC dc = GetDC(Frase->Handle());
    HGDIOBJ old = SelectObject(dc, DefaultFont());
    RECT r{0, 0, quebra ? Scale(largura) : 0, 0};
    UINT formato = DT_CALCRECT | DT_NOPREFIX | DT_EXPANDTABS | (quebra ? DT_WORDBREAK : 0);
    if (texto.empty()) {
        TEXTMETRICW tm;
        GetTextMetricsW(dc, &tm);
        r.bottom = tm.tmHeight;
    } else {
        DrawTextW(dc, texto.c_str(), static_cast<int>(texto.size()), &r, formato);
    }
    SelectObject(dc, old);
    ReleaseDC(Frase->Handle(), dc);
    iLarguraFrase = quebra ? largura : Unscale(r.right);
    iAlturaFrase = Unscale(r.bottom);
}

void TFRMensagem::Executa() {
    // The active window belongs to another program when the user switched away while the
    // installer worked: the dialog then still holds the program's own window.
    HWND dono = GetActiveWindow();
    if (!dono || dono == FRMensagem->Handle()) dono = TopWindowOfThread(FRMensagem->Handle());
    FRMensagem->ShowModal(dono);
    FormClose();
}

void TFRMensagem::ExecMensagem(const std::vector<std::string>& Linhas, int indice, bool ModoTexto) {
    Confirmou = false;
    DefineTexto(Linhas, indice, 1);
    if (ModoTexto) SalvarparaArquivo1Click();
    Executa();
}

bool TFRMensagem::ExecPergunta(const std::vector<std::string>& Linhas, int indice) {
    Confirmou = false;
    DefineTexto(Linhas, indice, 2);
    Executa();
    return Confirmou;
}

int TFRMensagem::ExecPerguntaOpc(const std::vector<std::string>& Linhas, int indice) {
    Resposta = 0;
    DefineTexto(Linhas, indice, 2);
    Executa();
    return Resposta;
}

int TFRMensagem::ExecPerguntaTodos(const std::vector<std::string>& Linhas, int indice) {
    Resposta = 0;
    DefineTexto(Linhas, indice, 3);
    Executa();
    return Resposta;
}

int TFRMensagem::ExecPerguntaRetentar(const std::vector<std::string>& Linhas, int indice) {
    Resposta = 0;
    DefineTexto(Linhas, indice, 4);
    Executa();
    return Resposta;
}

void TFRMensagem::FormShow() {
    // 1-3: the label's size, kept within its limits.
    if (iLarguraFrase > kLarguraMaxima) MedeFrase(true, kLarguraMaxima);
    if (iLarguraFrase < kLarguraMinima) iLarguraFrase = kLarguraMinima;
    if (iAlturaFrase > kAlturaMaxima) iAlturaFrase = kAlturaMaxima;
    if (iAlturaFrase < kAlturaMinima) iAlturaFrase = kAlturaMinima;
    // 4: the dialog around it.
    int altura = iAlturaFrase + 115, largura = iLarguraFrase + 110;
    FRMensagem->SetSize(largura, altura);
    // 5-7: the buttons, centred on c.
    int c = (FRMensagem->ClientWidth() - 80) / 2;
    auto coloca = [](SkinButton& b, int x) {
        Rect r = b.Bounds();
        b.SetBounds({x, 5, r.w, r.h});
    };
    coloca(*BtSim, c - 45);
    coloca(*BtOk, c);
    coloca(*BtNao, c + 45);
    if (Tipo == 3 || Tipo == 4) {
        coloca(*BtSim, c - 135);
        coloca(*BtNao, c - 45);
        coloca(*btSimTodos, c + 45);
        coloca(*btNaoTodos, c + 170);
        largura = 437;
        FRMensagem->SetSize(largura, altura);
    }
    Painel->SetBounds({kPainelX, kPainelY, largura - kFaixaIcone - 5, altura - kTitulo - kFundo - 6});
    Frase->SetBounds({kFraseX - kPainelX, kFraseY - kPainelY, iLarguraFrase, iAlturaFrase});
    MmFrase->SetBounds({kMargemTexto, kMargemTexto, largura - kFaixaIcone - 9, altura - kTitulo - kFundo - 10});
    Fundo->SetBounds({1, altura - 1 - kFundo, largura - 2, kFundo});
    // 8: the buttons of this kind and the initial focus.
    auto mostra = [](SkinButton& b, bool visivel) {
        b.SetVisible(visivel);
        b.SetEnabled(visivel);
    };
    mostra(*BtOk, Tipo == 1);
    mostra(*BtSim, Tipo >= 2);
    mostra(*BtNao, Tipo >= 2);
    mostra(*btSimTodos, Tipo == 3 || Tipo == 4);
    mostra(*btNaoTodos, Tipo == 3);
    // 9-10: the title and the front.
    if (IndiceTitulo >= 0 && IndiceTitulo < 10) FRMensagem->SetCaption(Titulos[static_cast<size_t>(IndiceTitulo)]);
    FormActivate();
    FRMensagem->ShowCentered();
    // The initial focus, once the dialog can take it.
    if (Tipo == 1) {
        BtOk->Focus();
    } else if ((Tipo == 2 || Tipo == 3) && !SemPadrao) {
        (IndiceTitulo == 9 ? BtNao : BtSim)->Focus();
    } else {
        SetFocus(FRMensagem->Handle());
    }
}

void TFRMensagem::SalvarparaArquivo1Click() {
    MmFrase->SetText(TrocaLfCrPorCrLf(sFrase));
    Frase->SetVisible(false);
    MmFrase->SetVisible(true);
    bModoTexto = true;
}

void TFRMensagem::Responde(void (TFRMensagem::*efeito)()) {
    FRMensagem->SetVisible(false);
    ProcessMessages();
    (this->*efeito)();
    FRMensagem->Close();
}

void TFRMensagem::BtOKClick() { Confirmou = true; }

void TFRMensagem::BTSimClick() {
    Confirmou = true;
    Resposta = 1;
}

void TFRMensagem::BtNaoClick() {
    Confirmou = false;
    Resposta = 2;
}

void TFRMensagem::btSimTodosClick() {
    Confirmou = true;
    Resposta = 3;
}

void TFRMensagem::btNaoTodosClick() {
    Confirmou = true;
    Resposta = 4;
}

void TFRMensagem::ac_enterExecute() {
    if (!SemPadrao) Responde(&TFRMensagem::BTSimClick);
}

void TFRMensagem::ac_sairExecute() {
    if (!SemPadrao) Responde(&TFRMensagem::BtNaoClick);
}

void TFRMensagem::FormClose() {
    // The object is released by its caller right after the result has been read.
}

void TFRMensagem::FormActivate() {
    SetWindowPos(FRMensagem->Handle(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

void MostraMensagem(const std::vector<std::string>& Linhas, int IndiceTitulo, bool ModoTexto) {
    auto dlg = std::make_unique<TFRMensagem>();
    dlg->SemPadrao = false;
    dlg->imgAtencao->SetVisible(true);
    dlg->imgInfo->SetVisible(false);
    dlg->ExecMensagem(Linhas, IndiceTitulo, ModoTexto);
}

bool MostraPergunta(const std::vector<std::string>& Linhas, int IndiceTitulo, bool SemPadrao) {
    auto dlg = std::make_unique<TFRMensagem>();
    dlg->imgInfo->SetVisible(true);
    dlg->imgAtencao->SetVisible(false);
    dlg->SemPadrao = SemPadrao;
    return dlg->ExecPergunta(Linhas, IndiceTitulo);
}
