// The run's status line, its FTP connection with the fixed account, the two disconnects and
// the clean-up of a company folder that a failed run leaves behind.
#include "dialogs/UMensagem.h"
#include "platform/base/error.h"
#include "platform/ui/app.h"
#include "platform/win/files.h"
#include "platform/win/sleep.h"
#include "wizard/untInstalador.h"

using namespace vorlane;

void TfrmInstalador::MostraStatus(const std::string& texto, int ms) {
    lblDadosProgresso->SetText(texto);
    UpdateWindow(lblDadosProgresso->Handle());
    ui::ProcessMessages();
    win::SleepMs(ms);  // 0: no pause
}

bool TfrmInstalador::ConectaFTP(const std::string& pasta) {
    ui::ProcessMessages();
    try {
        FTP.SetCredentials("ravelco", "pomelito");
        std::string host;
        int porta = 21;
        if (!ftp::ParseHostPort(edtEnderecoFTP->Text(), host, porta))
            throw Error("Endereço do FTP inválido: \"" + edtEnderecoFTP->Text() + "\".");
        FTP.SetHost(host, porta);
        if (!FTP.Connected()) FTP.Connect();
        return true;
    } catch (const std::exception& e) {
        std::string erro = e.what();
        LimpaInstalacao(pasta);
        MostraMensagem({"Ocorreu um erro ao conectar no servidor FTP.",
                        " - Verifique se todos os equipamentos de rede, como roteador, switch, modem, hub, etc., estão "
                        "ligados corretamente, se necessário reinicie todos.",
                        " - Verifique se o servidor está ligado corretamente, ligando um monitor e verificando se está "
                        "na tela de login do Linux.",
                        " - Verifique se os cabos de rede estão conectados corretamente desde a sua máquina até o servidor.",
                        "",
                        "Caso o problema persistir entre em contato com o suporte da Ravelco Software.",
                        "",
                        "Erro:",
                        erro},
                       3, false);
        MostraPagina(3);
        prbProgresso->SetPosition(0);
        MostraStatus("Erro na instalação.", 0);
        bErroInstalacao = true;
        sMensagemErro = erro;
        return false;
    }
}

void TfrmInstalador::DesconectaFTP() {
    try {
        MostraStatus("Desconectando do FTP.", 500);
    } catch (...) {
    }
    FechaConexaoFTP();
}

void TfrmInstalador::FechaConexaoFTP() {
    try {
        FTP.Disconnect();
    } catch (...) {
    }
}

void TfrmInstalador::LembraInstalacaoAnterior(const std::string& pasta) {
    anterior = InstalacaoAnterior{};
    anterior.pasta = pasta;
    const std::string dll = JoinPath(pasta, "Dll");
    anterior.existia = win::FolderExists(pasta);
    anterior.dllExistia = win::FolderExists(dll);
    if (anterior.existia)
        for (const std::string& nome : win::ListFolder(pasta)) anterior.nomes.insert(UpperAscii(nome));
    if (anterior.dllExistia)
        for (const std::string& nome : win::ListFolder(dll)) anterior.nomesDll.insert(UpperAscii(nome));
}

void TfrmInstalador::LimpaInstalacao(const std::string& pasta) {
    try {
        // Only the entries directly in the folder: a subfolder is never entered, so a folder
        // that holds anything but files stays, with that content. What was there before the
        // run stays too: over an earlier installation a failed run must not take it away.
        const bool conhecida = EqualsIgnoreAsciiCase(anterior.pasta, pasta);
        auto esvazia = [&](const std::string& folder, const std::set<std::string>& antes, bool existia) {
            for (const std::string& nome : win::ListFolder(folder))
                if (!conhecida || !antes.count(UpperAscii(nome))) win::DeleteFile(JoinPath(folder, nome));
            if (!conhecida || !existia) win::RemoveFolder(folder);
        };
        std::string dll = JoinPath(pasta, "Dll");
        if (win::FolderExists(dll)) esvazia(dll, anterior.nomesDll, anterior.dllExistia);
        if (win::FolderExists(pasta)) esvazia(pasta, anterior.nomes, anterior.existia);
    } catch (...) {
    }
}
