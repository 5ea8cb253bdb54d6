// The module update loop: every module program newer on the server is fetched through a
// backup file and replaces the local one; missing modules are listed and dropped from the
// selection; the last row also fetches libraries, the schema archive, the logo and an image.
#include "dialogs/UMensagem.h"
#include "engine/descompacta.h"
#include "engine/nomes.h"
#include "platform/ui/app.h"
#include "platform/win/files.h"
#include "platform/win/sleep.h"
#include "wizard/untInstalador.h"

using namespace vorlane;

namespace {
// Puts the complete backup in place of the final file in one step. When that fails (the
// program is running, the disk is full) the old file stays as it was and the backup goes.
void SubstituiPeloBackup(const std::string& backup, const std::string& final) {
    if (!win::ReplaceFile(backup, final)) win::DeleteFile(backup);
}

// Copies a complete file over another in one step: a copy that fails halfway never stands in
// place of the old file.
void CopiaCompleta(const std::string& de, const std::string& para) {
    const std::string temporario = para + ".tmp";
    if (win::CopyFile(de, temporario, false)) SubstituiPeloBackup(temporario, para);
    else win::DeleteFile(temporario);
}

// Puts the complete backup in place of the installed program under the server's spelling of
// its name. A local copy spelled otherwise (Bevani.exe for BEVANI.EXE) is replaced where it
// is, in one step, so a program in use refuses it and stays as it was (renaming a running
// program aside would succeed on Windows and replace it after all). Only the new, unused file
// then takes the server's spelling, through a passing name: a rename that changes only the
// letter case keeps the old name on some file systems.
void InstalaPrograma(const std::string& backup, const std::string& pasta, const std::string& nome) {
    std::string local = nome;
    for (const std::string& existente : win::ListFolder(pasta))
        if (existente != nome && EqualsIgnoreAsciiCase(existente, nome)) local = existente;
    if (!win::ReplaceFile(backup, pasta + local)) {
        win::DeleteFile(backup);
        return;
    }
    if (local == nome) return;
    const std::string passagem = pasta + nome + ".tmp";
    if (win::ReplaceFile(pasta + local, passagem) && !win::ReplaceFile(passagem, pasta + nome))
        win::ReplaceFile(passagem, pasta + local);
}
}  // namespace

bool TfrmInstalador::AtualizaModulos(const std::vector<std::string>& Modulos) {
    bool resultado = true;
    if (!ConectaFTP(sCaminhoInstalacao)) return false;
    const std::string& pasta = sCaminhoInstalacao;

    // The up-to-date test and the fetch into the backup file; true when the fetch ran.
    auto baixa = [this](const std::string& servidor, const std::string& comparado, const std::string& backup,
                        const std::string& mostrado) {
        DateTime remoto = DataRemota(FTP.DirectoryListing(), servidor);
        DateTime local = DataLocal(comparado);
        if (local >= remoto && win::FileExists(comparado)) return false;
        FTP.Size(servidor);
        MostraStatus("Fazendo o download do arquivo:\r" + mostrado, 0);
        FTP.Get(servidor, backup);
        return true;
    };
    auto atualiza = [&](const std::string& servidor, const std::string& comparado, const std::string& backup,
                        const std::string& final, const std::string& mostrado) {
        bool baixou = baixa(servidor, comparado, backup, mostrado);
        if (win::FileExists(backup)) SubstituiPeloBackup(backup, final);
        return baixou;
    };

    try {
        FTP.List(nullptr, true);
        FTP.List(slArquivosFTP.get(), false);
        FTP.List(slDetalhesFTP.get(), true);
        const int H = static_cast<int>(Modulos.size()) - 1;
        prbProgresso->SetPosition(0);
        prbProgresso->SetMax(H);
        for (int j = 0; j <= H; ++j) {
            if (bCancelado) return false;
            const std::string& m = Modulos[static_cast<size_t>(j)];
            int i = IndiceNaListagem(FTP.DirectoryListing(), m + ".exe");
            MostraStatus("Verificando a versão dos arquivos.", 100);
            std::string servidor = i >= 0 ? FTP.DirectoryListing().Item(i).fileName : std::string();
            if (i >= 0 && IsPlainFileName(servidor)) {
                const std::string chave = UpperAscii(m);
                if (chave == "DUNMAR_EKT" && !win::FolderExists(pasta + "NFe")) win::ForceDirectories(pasta + "NFe");
                std::string backup = pasta + PrimeiraMaiuscula(m + ".exe.bkp");
                baixa(servidor, pasta + m + ".exe", backup, servidor);
                if (win::FileExists(backup) && chave != "OSTREL") {
                    if (chave == "DUNMAR_EKT") CopiaCompleta(backup, pasta + "NFe\\" + servidor);
                    InstalaPrograma(backup, pasta, servidor);
                }
            } else if (i < 0) {
                std::string chave = UpperAscii(RemoveAcentos(m));
                if (chave == "ULVAR") chave = UpperAscii(RemoveAcentos("Ulvarentivo"));
                sOpcaoAusente = chave;
                for (int r = cdsSelecionados.RecordCount() - 1; r >= 0; --r) {
                    cdsSelecionados.MoveTo(r);
                    if (UpperAscii(RemoveAcentos(cdsSelecionados.Text("opcaoselecionada"))) == sOpcaoAusente)
                        cdsSelecionados.Delete();
                }
                lblModulosNaoEncontrados->SetText(lblModulosNaoEncontrados->Text() + m + "\r");
            }

            if (j == H) {
                bImagemBaixada = false;
                // Taken once: a server may list tens of thousands of names, and each look at a
                // window or the disk per name costs the user seconds of a window that does not
                // answer. The window is let run every so many names.
                const std::string t = edtNumeroEmpresa->Text();
                size_t vistos = 0;
                for (const std::string& n : *slArquivosFTP) {
                    if (++vistos % 1000 == 0) ui::ProcessMessages();
                    // A name from the server becomes a local file name only when it is a plain one.
                    if (!IsPlainFileName(n)) continue;
                    if (TemExtensao(n, "DLL")) {
                        atualiza(n, pasta + n, pasta + n + ".bkp", pasta + n, n);
                        if (win::FolderExists(pasta + "NFe")) {
                            std::string nfe = pasta + "NFe\\" + n;
                            atualiza(n, nfe, nfe + ".bkp", nfe, n);
                        }
                    }
                    if (MesmoTexto(n, "SCHEMAS.ZIP") && win::FolderExists(pasta + "NFe\\SCHEMAS")) {
                        std::string arquivo = pasta + "NFe\\SCHEMAS\\" + n;
                        if (atualiza(n, arquivo, arquivo + ".bkp", arquivo, n)) {
                            MostraStatus("Extraindo SCHEMAS.", 0);
                            Descompacta(pasta + "NFe\\SCHEMAS\\SCHEMAS.zip", pasta + "NFe\\SCHEMAS\\");
                        }
                    }
                    if (MesmoTexto(n, "LOGO" + t + ".JPG") || MesmoTexto(n, "LOGO" + t + ".BMP")) {
                        std::string d = RemoveDigitos(n);
                        if (atualiza(n, pasta + n, pasta + d + ".bkp", pasta + d, d)) bImagemBaixada = true;
                    }
                    if (!bImagemBaixada && (TemExtensao(n, "JPG") || TemExtensao(n, "BMP"))) {
                        if (atualiza(n, pasta + n, pasta + n + ".bkp", pasta + n, n)) bImagemBaixada = true;
                    }
                }
            }
            prbProgresso->SetPosition(j);
            ui::ProcessMessages();
            win::SleepMs(100);
        }
    } catch (const std::exception& e) {
        MostraMensagem({"Erro ao atualizar os arquivos, por favor verifique as permissões da pasta do sistema.",
                        "Caso o problema persistir entre em contato com o suporte da Ravelco Software.", "", "Erro:",
                        e.what()},
                       3, false);
        resultado = false;
    }
    return resultado;
}
