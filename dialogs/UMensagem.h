#pragma once
// The modal message and question dialog that every message and question of the installer
// goes through. A new dialog object is made for each call and released when it closes.
#include <array>
#include <memory>
#include <string>
#include <vector>

#include "platform/ui/controls.h"
#include "platform/ui/form.h"

// Control ids of the dialog, for screen readers and black-box tests.
namespace MensagemIds {
constexpr int Frase = 301, MmFrase = 302, imgInfo = 303, imgAtencao = 304, Fundo = 305, Painel = 306;
constexpr int BtOk = 311, BtSim = 312, BtNao = 313, btSimTodos = 314, btNaoTodos = 315;
constexpr int SalvarparaArquivo1 = 321;
}  // namespace MensagemIds

class TFRMensagem {
public:
    TFRMensagem();
    ~TFRMensagem();

    void FormShow();
    void BtNaoClick();
    void BtOKClick();
    void FormCreate();
    void ExecMensagem(const std::vector<std::string>& Linhas, int IndiceTitulo, bool ModoTexto);
    bool ExecPergunta(const std::vector<std::string>& Linhas, int IndiceTitulo);
    int ExecPerguntaOpc(const std::vector<std::string>& Linhas, int IndiceTitulo);
    int ExecPerguntaTodos(const std::vector<std::string>& Linhas, int IndiceTitulo);
    int ExecPerguntaRetentar(const std::vector<std::string>& Linhas, int IndiceTitulo);
    void SalvarparaArquivo1Click();
    void BTSimClick();
    void ac_enterExecute();
    void ac_sairExecute();
    void FormClose();
    void btSimTodosClick();
    void btNaoTodosClick();
    void FormActivate();

    std::array<std::string, 10> Titulos;
    int IndiceTitulo = 0;
    int Tipo = 1;
    bool SemPadrao = false;
    bool Confirmou = false;
    int Resposta = 0;

    // The window and its controls.
    std::unique_ptr<vorlane::ui::Form> FRMensagem;
    std::unique_ptr<vorlane::ui::Panel> Painel, Fundo;
    std::unique_ptr<vorlane::ui::Picture> imgInfo, imgAtencao;
    std::unique_ptr<vorlane::ui::Label> Frase;
    std::unique_ptr<vorlane::ui::Memo> MmFrase;
    std::unique_ptr<vorlane::ui::SkinButton> BtOk, BtSim, BtNao, btSimTodos, btNaoTodos;

    // The joined text as the dialog keeps it (lines separated by LF CR).
    const std::string& TextoFrase() const { return sFrase; }
    bool ModoTextoAtivo() const { return bModoTexto; }

private:
    void DefineTexto(const std::vector<std::string>& Linhas, int indice, int tipo);
    void Executa();
    void Responde(void (TFRMensagem::*efeito)());
    void MedeFrase(bool quebra, int largura);

    std::string sFrase;
    bool bModoTexto = false;
    int iLarguraFrase = 0, iAlturaFrase = 0;
};

void MostraMensagem(const std::vector<std::string>& Linhas, int IndiceTitulo, bool ModoTexto);
bool MostraPergunta(const std::vector<std::string>& Linhas, int IndiceTitulo, bool SemPadrao);
