// Settings files, the desktop shortcut, the launcher start and Concluir.
#include "dialogs/UMensagem.h"
#include "platform/base/error.h"
#include "platform/ui/app.h"
#include "platform/win/files.h"
#include "platform/win/process.h"
#include "platform/win/profile.h"
#include "platform/win/shortcut.h"
#include "wizard/untInstalador.h"

using namespace vorlane;

void TfrmInstalador::GravaIni(const std::string& Pasta, const std::string& Secao, const std::string& Chave,
                              const std::string& Valor, const std::string& Arquivo) {
    std::string arquivo = JoinPath(Pasta, Arquivo);
    if (IsBlank(Chave)) return;
    win::WriteIniString(arquivo, UpperAscii(Secao), UpperAscii(Chave), Valor);
}

void TfrmInstalador::pCriaConfigOstrel() {
    std::string lista;
    cdsSelecionados.DisableControls();
    cdsSelecionados.First();
    while (!cdsSelecionados.Eof()) {
        if (IsBlank(lista)) lista = cdsSelecionados.Text("opcaoselecionada");
        else lista += "|" + cdsSelecionados.Text("opcaoselecionada");
        cdsSelecionados.Next();
    }
    cdsSelecionados.First();
    cdsSelecionados.EnableControls();
    lista += "|";
    std::string pasta = WithBackslash(edtDiretorio->Text()) + edtNomeEmpresa->Text();
    if (!win::FolderExists(pasta)) win::ForceDirectories(pasta);
    GravaIni(pasta, "MODULO", "ITENS", lista, "config_Ostrel.ini");
}

void TfrmInstalador::CriaAtalho(const std::string& Destino, const std::string& Argumentos,
                                const std::string& PastaTrabalho, const std::string& Nome) {
    const std::string atalho = win::DesktopFolder() + "\\" + Nome + ".lnk";
    if (!win::CreateShellLink(Destino, Argumentos, PastaTrabalho, atalho))
        throw vorlane::Error("O Windows não gravou o atalho " + atalho + ".");
}

void TfrmInstalador::AbreOstrel() {
    // The path goes in quotes, so a folder with spaces can never start another program.
    win::StartProgram(sCaminhoInstalacao + "Ostrel.exe", "-rv", sCaminhoInstalacao, SW_SHOWNORMAL);
}

void TfrmInstalador::Conclui() {
    try {
        pCriaConfigOstrel();
    } catch (const std::exception& e) {
        std::string arquivo = JoinPath(WithBackslash(edtDiretorio->Text()) + edtNomeEmpresa->Text(), "config_Ostrel.ini");
        MostraMensagem({"Não foi possível gravar o arquivo de configuração:", arquivo, "", "Erro:", e.what()}, 3, false);
        return;
    }
    if (chkOstrel->Checked()) AbreOstrel();
    ui::Terminate();
}
