#pragma once
// The installation wizard: one window with eight pages on a notebook, the button bar, the
// actions, the FTP client, the two selection tables and the state that the installation run
// shares with the wizard. Its handlers and routines live in the wizard/ and engine/ sources.
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/base/text.h"
#include "platform/data/table.h"
#include "platform/ftp/ftp_client.h"
#include "platform/ui/action.h"
#include "platform/ui/button.h"
#include "platform/ui/controls.h"
#include "platform/ui/form.h"
#include "platform/ui/grid.h"
#include "wizard/control_ids.h"

class TfrmInstalador {
public:
    TfrmInstalador();  // builds the window and runs FormCreate
    ~TfrmInstalador();
    TfrmInstalador(const TfrmInstalador&) = delete;
    TfrmInstalador& operator=(const TfrmInstalador&) = delete;

    void Show();  // first showing: centred, runs FormShow

    // --- start-up and free space
    void FormCreate();
    void FormShow();
    void AtualizaEspacoDisponivel();

    // --- navigation
    void actProximoExecute();
    void actAnteriorExecute();
    void actCancelarExecute();
    void chkAceiteContratoClick();
    void lblSiteClick();
    bool DelTree(HWND hwnd, const std::string& Pasta);

    // --- module choice
    void CarregaOpcoes();
    void PreparaOpcoes();
    void actSelecionarExecute();
    void actVoltarExecute();
    void actSelecionarTodosExecute();
    void actVoltarTodosExecute();
    void grdOpcoesDisponiveisDblClick();
    void grdOpcoesSelecionadasDblClick();

    // --- folder browse and company data
    void actProcurarDiretorioExecute();
    void edtNomeEmpresaKeyPress(char& Key);
    // The company page's checks beyond the blank tests; false after a message.
    bool ValidaDadosEmpresa();

    // --- settings files, shortcut and launcher
    void GravaIni(const std::string& Pasta, const std::string& Secao, const std::string& Chave,
                  const std::string& Valor, const std::string& Arquivo);
    void pCriaConfigOstrel();
    void CriaAtalho(const std::string& Destino, const std::string& Argumentos, const std::string& PastaTrabalho,
                    const std::string& Nome);
    void AbreOstrel();
    // Concluir: the settings file, the launcher when asked, the end of the program.
    void Conclui();

    // --- the installation run
    void ExecutaInstalacao();
    bool AtualizaModulos(const std::vector<std::string>& Modulos);
    void MostraStatus(const std::string& texto, int ms);
    bool ConectaFTP(const std::string& pasta);
    void DesconectaFTP();
    void FechaConexaoFTP();
    void LimpaInstalacao(const std::string& pasta);
    // Notes what the company folder and its Dll folder hold before a run writes into them, so
    // that LimpaInstalacao removes only what the failed run added: an earlier installation
    // and the user's own files stay.
    void LembraInstalacaoAnterior(const std::string& pasta);

    // --- state shared by the wizard and the run
    bool bErroInstalacao = false;
    // The desktop shortcut of this run could not be made: the end page must not claim it.
    bool bAtalhoFalhou = false;
    std::string sMensagemErro;
    std::string sCaminhoInstalacao;
    struct InstalacaoAnterior {
        std::string pasta;                  // the company folder it was taken of
        bool existia = false, dllExistia = false;
        std::set<std::string> nomes, nomesDll;  // names in upper case
    } anterior;
    std::vector<std::string> aModulos;
    int iUltimoModulo = 0;
    std::unique_ptr<vorlane::StringList> slArquivosFTP, slDetalhesFTP;
    std::string sOpcaoAusente;
    bool bImagemBaixada = false;
    // A run is in progress; closing the window then asks first and stops the run.
    bool bExecutando = false;
    bool bCancelado = false;

    // --- components
    vorlane::ftp::FtpClient FTP;
    vorlane::data::Table cdsDisponiveis, cdsSelecionados;

    // --- window and controls
    std::unique_ptr<vorlane::ui::Form> frmInstalador;
    std::unique_ptr<vorlane::ui::Notebook> ntbInstalador;
    std::unique_ptr<vorlane::ui::Panel> pnlBotoesInicio;
    std::unique_ptr<vorlane::ui::Label> bevSeparador, lblSite;
    std::unique_ptr<vorlane::ui::SkinButton> btnAnterior, btnProximo, suiButton2;
    std::unique_ptr<vorlane::ui::Action> actAnterior, actProximo, actCancelar, actProcurarDiretorio, actSelecionar,
        actVoltar, actSelecionarTodos, actVoltarTodos;
    // page 0
    std::unique_ptr<vorlane::ui::Picture> imgInicio;
    std::unique_ptr<vorlane::ui::Label> lblInicioBemVindo, lblInicioInformacoes;
    // page 1
    std::unique_ptr<vorlane::ui::Label> Label1;
    std::unique_ptr<vorlane::ui::Memo> memContrato;
    std::unique_ptr<vorlane::ui::CheckBox> chkAceiteContrato;
    // page 2
    std::unique_ptr<vorlane::ui::Picture> imgDiretorio;
    std::unique_ptr<vorlane::ui::Label> lblDiretorioLocal1, lblDescricaoDiretorio, lblEspacoNecessario, lblEspacoDisponivel;
    std::unique_ptr<vorlane::ui::GroupBox> grbPastaDestino;
    std::unique_ptr<vorlane::ui::Edit> edtDiretorio;
    std::unique_ptr<vorlane::ui::SkinButton> suiButton1;
    // page 3
    std::unique_ptr<vorlane::ui::Picture> imgDados;
    std::unique_ptr<vorlane::ui::Label> lblDados1, lblNomeEmpresa, lblNumeroEmpresa, lblEnderecoFTP;
    std::unique_ptr<vorlane::ui::Edit> edtNomeEmpresa, edtNumeroEmpresa, edtEnderecoFTP;
    // page 4
    std::unique_ptr<vorlane::ui::Picture> Image1;
    std::unique_ptr<vorlane::ui::Label> Label2, lblOpcoesDisponiveis, lblOpcoesSelecionadas;
    std::unique_ptr<vorlane::ui::Grid> grdOpcoesDisponiveis, grdOpcoesSelecionadas;
    std::unique_ptr<vorlane::ui::SkinButton> btnSelecionar, btnVoltar, btnSelecionarTodos, btnVoltarTodos;
    // page 5
    std::unique_ptr<vorlane::ui::Picture> imgResumo;
    std::unique_ptr<vorlane::ui::Label> lblResumo1, lblResumoDiretorio, lblResumoDiretorioInf, lblResumoNomeEmpresa,
        lblResumoNomeEmpresaInf, lblResumoNumeroEmpresa, lblResumoNumeroEmpresaInf, lblResumoEnderecoIP,
        lblResumoEnderecoIPInf, Label3;
    std::unique_ptr<vorlane::ui::Grid> DBGrid1;
    // page 6
    std::unique_ptr<vorlane::ui::Picture> imgProgresso;
    std::unique_ptr<vorlane::ui::Label> lblProgresso1, lblDadosProgresso;
    std::unique_ptr<vorlane::ui::GroupBox> grbProgresso;
    std::unique_ptr<vorlane::ui::ProgressBar> prbProgresso;
    // page 7
    std::unique_ptr<vorlane::ui::Picture> imgFim;
    std::unique_ptr<vorlane::ui::Label> lblFim1, lblFimMensagem, Label4, lblModulosNaoEncontrados;
    std::unique_ptr<vorlane::ui::CheckBox> chkOstrel;

    HWND Handle() const { return frmInstalador->Handle(); }

private:
    void CriaControles();
    void CriaBarraDeBotoes();
    void CriaPaginas();
    void MostraPagina(int indice) { ntbInstalador->SetPageIndex(indice); }
    int Pagina() const { return ntbInstalador->PageIndex(); }
};

// Texts of the window that more than one routine shows.
extern const char* const kFimSucessoTitulo;
extern const char* const kFimSucessoMensagem;
extern const char* const kFimSucessoSemAtalhoMensagem;
