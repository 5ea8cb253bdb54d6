// Page navigation: Próximo and Anterior by the page showing, the page tests and their messages,
// Cancelar, the contract box, the web site link and the removal of an existing folder.
#include "dialogs/UMensagem.h"
#include "platform/ui/app.h"
#include "platform/win/files.h"
#include "platform/win/shell.h"
#include "wizard/untInstalador.h"

#ifndef VORLANE_SITE
#define VORLANE_SITE "www.ravelco.com.br"
#endif

using namespace vorlane;

namespace {
void Mensagem(const std::string& texto) { MostraMensagem({texto}, 3, false); }
}  // namespace

void TfrmInstalador::actProximoExecute() {
    switch (Pagina()) {
    case 0:
        MostraPagina(2);
        actAnterior->SetEnabled(true);
        actProximo->SetEnabled(true);
        break;
    case 1:
        MostraPagina(2);
        edtDiretorio->Focus();
        AtualizaEspacoDisponivel();
        break;
    case 2: {
        std::string pasta = edtDiretorio->Text();
        if (IsBlank(pasta)) {
            Mensagem("É necessário selecionar o diretório para instalação.");
            edtDiretorio->Focus();
            return;
        }
        if (win::FolderExists(pasta)) {
            if (!MostraPergunta({"Este diretório já existe.", "", "Deseja sobreescreve-lo?"}, 1, false)) {
                edtDiretorio->Focus();
                return;
            }
            if (win::IsProtectedFolder(Trim(pasta))) {
                // Removing this folder would wreck Windows or the user's own files.
                MostraMensagem({"Esta pasta não pode ser sobrescrita, pois é uma pasta do Windows ou do usuário:",
                                Trim(pasta), "", "Escolha outra pasta para a instalação."},
                               3, false);
                edtDiretorio->Focus();
                return;
            }
            DelTree(Handle(), pasta);
        }
        MostraPagina(3);
        edtNomeEmpresa->Focus();
        break;
    }
    case 3:
        if (IsBlank(edtNomeEmpresa->Text())) {
            Mensagem("É necessário informar o nome da empresa.");
            edtNomeEmpresa->Focus();
            return;
        }
        if (IsBlank(edtNumeroEmpresa->Text())) {
            Mensagem("É necessário informar o número da empresa.");
            edtNumeroEmpresa->Focus();
            return;
        }
        if (IsBlank(edtEnderecoFTP->Text())) {
            Mensagem("É necessário informar o endereço do FTP.");
            edtEnderecoFTP->Focus();
            return;
        }
        if (!ValidaDadosEmpresa()) return;
        lblResumoDiretorioInf->SetText(edtDiretorio->Text());
        lblResumoNomeEmpresaInf->SetText(edtNomeEmpresa->Text());
        lblResumoNumeroEmpresaInf->SetText(edtNumeroEmpresa->Text());
        lblResumoEnderecoIPInf->SetText(edtEnderecoFTP->Text());
        MostraPagina(4);
        btnProximo->SetText("&Próximo");
        break;
    case 4:
        if (cdsSelecionados.IsEmpty()) {
            Mensagem("É necessário selecionar ao menos um módulo para instalação.");
            return;
        }
        MostraPagina(5);
        btnProximo->SetText("&Instalar");
        actProximo->SetEnabled(true);
        break;
    case 5:
        MostraPagina(6);
        actAnterior->SetEnabled(false);
        actProximo->SetEnabled(false);
        btnProximo->SetText("&Próximo");
        actCancelar->SetVisible(false);
        ExecutaInstalacao();
        if (ui::Terminated()) return;
        actAnterior->SetEnabled(true);
        actProximo->SetEnabled(true);
        break;
    case 6:
        MostraPagina(7);
        btnProximo->SetText("Concluir");
        if (bErroInstalacao) {
            lblFim1->SetText("Instalação mal sucedida.\r\nO sistema não foi instalado corretamente.");
            lblFimMensagem->SetText(
                "Ocorreu um erro durante o processo de instalação do sistema.\r\nVerifique se os dados informados "
                "estão corretos e tente novamente.\r\n\r\nMensagem de erro:\r\n" +
                sMensagemErro);
        } else {
            lblFim1->SetText(kFimSucessoTitulo);
            lblFimMensagem->SetText(bAtalhoFalhou ? kFimSucessoSemAtalhoMensagem : kFimSucessoMensagem);
            actAnterior->SetEnabled(false);
        }
        break;
    case 7:
        Conclui();
        break;
    }
}

void TfrmInstalador::actAnteriorExecute() {
    switch (Pagina()) {
    case 0:
        break;
    case 1:
        MostraPagina(0);
        chkAceiteContrato->SetChecked(false);
        actAnterior->SetEnabled(false);
        actProximo->SetEnabled(true);
        break;
    case 2:
        MostraPagina(0);
        actAnterior->SetEnabled(false);
        actProximo->SetEnabled(true);
        break;
    case 3:
        MostraPagina(2);
        break;
    case 4:
        MostraPagina(3);
        btnProximo->SetText("&Próximo");
        break;
    case 5:
        MostraPagina(4);
        btnProximo->SetText("&Próximo");
        break;
    case 6:
        MostraPagina(5);
        btnProximo->SetText("&Instalar");
        break;
    case 7:
        MostraPagina(6);
        btnProximo->SetText("&Próximo");
        break;
    }
}

void TfrmInstalador::actCancelarExecute() {
    if (MostraPergunta({"Deseja cancelar a instalação?"}, 1, false)) frmInstalador->Close();
}

void TfrmInstalador::chkAceiteContratoClick() { actProximo->SetEnabled(chkAceiteContrato->Checked()); }

void TfrmInstalador::lblSiteClick() { win::OpenUrl(VORLANE_SITE); }

bool TfrmInstalador::DelTree(HWND hwnd, const std::string& Pasta) {
    std::string pasta = Trim(Pasta);
    if (!win::FolderExists(pasta)) return false;
    if (win::IsProtectedFolder(pasta)) return false;
    if (!pasta.empty() && pasta.back() == '\\') pasta.pop_back();
    return win::ShellDelete(hwnd, pasta);
}
