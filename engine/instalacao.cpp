// The installation run behind the progress page.
#include "dialogs/UMensagem.h"
#include "engine/nomes.h"
#include "platform/base/error.h"
#include "platform/ui/app.h"
#include "platform/win/files.h"
#include "wizard/untInstalador.h"

using namespace vorlane;

namespace {
const char* const kModulosBase[12] = {"Ostrel", "Bevani",     "Crovalia",    "Dunmar_Ekt", "Fesgol",         "Gavrun",
                                      "Hol_Vir", "Imbra_Tosk", "Tosk_Jelvar", "ZURN",       "Tosk_Mirela_LX", "NopraFeltis"};

// The install name of an option, by the upper case of its display name without accents.
std::string NomeDeInstalacao(const std::string& opcao) {
    std::string chave = UpperAscii(RemoveAcentos(opcao));
    if (chave == "RUVAO") return "Ruvao";
    if (chave == "SELTA") return "Selta";
    if (chave == "TRAVICAO") return "Travicao";
    if (chave == "ULVARENTIVO") return "Ulvar";
    if (chave == "VKX") return "VKX";
    return {};
}

// Clears the run's flag while it lasts; closing the window meanwhile asks first.
struct EmExecucao {
    bool& flag;
    explicit EmExecucao(bool& f) : flag(f) { flag = true; }
    ~EmExecucao() { flag = false; }
};
}  // namespace

void TfrmInstalador::ExecutaInstalacao() {
    EmExecucao emExecucao(bExecutando);
    bCancelado = false;
    // A new run starts from a clean slate, so the end page tells about this run only.
    bErroInstalacao = false;
    bAtalhoFalhou = false;
    sMensagemErro.clear();
    lblFim1->SetText(kFimSucessoTitulo);
    lblFimMensagem->SetText(kFimSucessoMensagem);
    lblModulosNaoEncontrados->SetText("");

    auto cancelou = [this] {
        if (!bCancelado) return false;
        FechaConexaoFTP();
        ui::Terminate();
        return true;
    };

    prbProgresso->SetMax(9);
    MostraStatus("Iniciando instalação.", 1000);
    if (cancelou()) return;
    MostraStatus("Criando diretórios.", 1000);
    if (cancelou()) return;

    int numero = 0;
    if (!ParseInt32(Trim(edtNumeroEmpresa->Text()), numero)) {
        MostraMensagem({"O número da empresa deve ser um número inteiro entre -2147483648 e 2147483647."}, 3, false);
        MostraPagina(3);
        edtNumeroEmpresa->Focus();
        return;
    }
    sCaminhoInstalacao = WithBackslash(WithBackslash(edtDiretorio->Text()) + edtNomeEmpresa->Text());
    LembraInstalacaoAnterior(sCaminhoInstalacao);
    if (!win::FolderExists(sCaminhoInstalacao)) win::ForceDirectories(sCaminhoInstalacao);
    if (!win::FolderExists(sCaminhoInstalacao + "Dll")) win::ForceDirectories(sCaminhoInstalacao + "Dll");
    try {
        GravaIni(sCaminhoInstalacao, "CAMINHO", "CAMINHO", edtEnderecoFTP->Text(), "conect.ini");
    } catch (const std::exception& e) {
        std::string erro = e.what();
        MostraMensagem({"Não foi possível criar a pasta de instalação:", sCaminhoInstalacao, "", "Erro:", erro}, 3, false);
        bErroInstalacao = true;
        sMensagemErro = erro;
        MostraStatus("Erro na instalação.", 0);
        return;
    }

    MostraStatus("Conectando ao FTP.", 500);
    if (cancelou()) return;
    if (!ConectaFTP(sCaminhoInstalacao)) return;
    MostraStatus("Preparando para copiar os arquivos do FTP.", 500);
    if (cancelou()) return;

    const std::string biblioteca = "Empresa" + std::to_string(numero) + ".dll";
    try {
        MostraStatus("Copiando arquivo Ostrel.exe.", 500);
        if (cancelou()) return;
        FTP.Size("Ostrel.exe");
        FTP.Get("Ostrel.exe", sCaminhoInstalacao + "Ostrel.exe");
        FTP.List(nullptr, true);
        FTP.List(slArquivosFTP.get(), false);
        MostraStatus("Copiando arquivo Empresa.dll.", 500);
        if (cancelou()) return;
        FTP.ChangeDir("Dll");
        FTP.Size(biblioteca);
        FTP.Get(biblioteca, sCaminhoInstalacao + "Dll\\Empresa.dll");
        // Back to the top folder for the update loop. A failure here is a copy failure like
        // the ones above: the loop would otherwise look for the modules in "Dll".
        FTP.ChangeDirUp();
    } catch (const std::exception& e) {
        std::string erro = e.what();
        LimpaInstalacao(sCaminhoInstalacao);
        MostraMensagem({"Ocorreu um erro ao copiar os arquivos.", "Erro: " + erro}, 3, false);
        bErroInstalacao = true;
        sMensagemErro = erro;
        prbProgresso->SetPosition(0);
        DesconectaFTP();
        MostraStatus("Erro na instalação.", 0);
        actAnterior->SetEnabled(true);
        return;
    }

    aModulos.assign(static_cast<size_t>(cdsSelecionados.RecordCount()) + 12, std::string());
    for (int i = 0; i < 12; ++i) aModulos[static_cast<size_t>(i)] = kModulosBase[i];
    iUltimoModulo = 11;
    cdsSelecionados.First();
    while (!cdsSelecionados.Eof()) {
        ++iUltimoModulo;
        aModulos[static_cast<size_t>(iUltimoModulo)] = NomeDeInstalacao(cdsSelecionados.Text("opcaoselecionada"));
        cdsSelecionados.Next();
    }

    bool ok = false;
    try {
        ok = AtualizaModulos(aModulos);
    } catch (const std::exception& e) {
        MostraMensagem({"Erro ao atualizar os arquivos, por favor verifique as permissões da pasta do sistema.",
                        "Caso o problema persistir entre em contato com o suporte da Ravelco Software.", "", "Erro:",
                        e.what()},
                       3, false);
    }
    if (cancelou()) return;
    // A connection lost during the update whose reconnection failed has already sent the
    // wizard back to the company page: the run ends there, without shortcut or end page.
    if (bErroInstalacao) return;
    if (ok) FechaConexaoFTP();
    prbProgresso->SetPosition(prbProgresso->Position() + 1);
    MostraStatus("Criando atalho na área de trabalho.", 500);
    if (cancelou()) return;
    try {
        CriaAtalho(sCaminhoInstalacao + "Ostrel.exe", "", sCaminhoInstalacao, "Ostrel Vorlane");
    } catch (const std::exception& e) {
        bAtalhoFalhou = true;
        MostraMensagem({"Não foi possível criar o atalho \"Ostrel Vorlane\" na área de trabalho.", "", "Erro:", e.what()}, 3,
                       false);
    }
    prbProgresso->SetPosition(prbProgresso->Position() + 1);
    MostraStatus("Instalação completa.", 0);
    MostraStatus("Abrindo módulo.", 100);
    if (cancelou()) return;
    actProximo->SetEnabled(true);
    actProximo->Execute();
}
