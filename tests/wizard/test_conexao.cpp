// The run's connection, status and clean-up routines and the run's order of steps, on the real
// wizard window against a real FTP server on loopback (pyftpdlib, started by ctest).
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "platform/base/encoding.h"
#include "platform/win/registry.h"
#include "platform/win/sleep.h"
#include "tests/wizard/support.h"
#include "wizard/untInstalador.h"

using namespace teste;

namespace {
// Records every pause the run asks for, with the status text showing at that moment.
struct Pausas {
    std::vector<std::pair<std::string, int>> pedidas;
    std::function<void(int)> anterior;
    explicit Pausas(TfrmInstalador& w) {
        anterior = vorlane::win::SetSleepHook([this, &w](int ms) { pedidas.emplace_back(w.lblDadosProgresso->Text(), ms); });
    }
    ~Pausas() { vorlane::win::SetSleepHook(anterior); }
};

// A company folder as a failed run leaves it, plus what the user keeps there.
std::string PastaDeEmpresa(const std::string& nome) {
    std::string pasta = PastaTemporaria(nome);
    CreateDirectoryW(vorlane::WideFromCp1252(pasta + "Dll").c_str(), nullptr);
    GravaArquivo(pasta + "conect.ini", "[CAMINHO]\r\nCAMINHO=x\r\n");
    GravaArquivo(pasta + "Ostrel.exe", "MZ");
    GravaArquivo(pasta + "Dll\\Empresa.dll", "MZ");
    return pasta;
}

const std::vector<std::string> kLinhasDeConexao = {
    "Ocorreu um erro ao conectar no servidor FTP.",
    " - Verifique se todos os equipamentos de rede, como roteador, switch, modem, hub, etc., estão ligados "
    "corretamente, se necessário reinicie todos.",
    " - Verifique se o servidor está ligado corretamente, ligando um monitor e verificando se está na tela de login do "
    "Linux.",
    " - Verifique se os cabos de rede estão conectados corretamente desde a sua máquina até o servidor.",
    "",
    "Caso o problema persistir entre em contato com o suporte da Ravelco Software.",
    "",
    "Erro:",
};

std::string Junta(const std::vector<std::string>& linhas) {
    std::string r;
    for (size_t i = 0; i < linhas.size(); ++i) r += (i ? "\r\n" : "") + linhas[i];
    return r;
}
}  // namespace

TEST(Conexao, ConectaUmaVezSoENaoReconectaQuandoJaConectado) {
    Assistente a;
    a.w.edtEnderecoFTP->SetText(EnderecoDoServidor("VORLANE_FTP"));
    std::string pasta = PastaTemporaria("conecta");
    ASSERT_TRUE(a.w.ConectaFTP(pasta));
    EXPECT_TRUE(a.w.FTP.Connected());
    // A second call only sets the account and the host: with a wrong address it still
    // succeeds, as no new connection is made.
    a.w.edtEnderecoFTP->SetText("127.0.0.1:1");
    EXPECT_TRUE(a.w.ConectaFTP(pasta));
    EXPECT_TRUE(a.w.FTP.Connected());
    EXPECT_FALSE(a.w.bErroInstalacao);
    a.w.FechaConexaoFTP();
    EXPECT_FALSE(a.w.FTP.Connected());
    a.w.FechaConexaoFTP();  // errors of a second disconnect are ignored
}

TEST(Conexao, EnderecoErradoMostraNoveLinhasLimpaEVoltaParaDados) {
    struct Caso {
        const char* endereco;
        const char* trecho;  // part of the error's own text
    } casos[] = {{"127.0.0.1:1", "recusada"}, {"servidor-inexistente.invalid", "servidor-inexistente.invalid"}};
    for (const Caso& c : casos) {
        SCOPED_TRACE(c.endereco);
        Assistente a;
        a.w.ntbInstalador->SetPageIndex(6);
        a.w.prbProgresso->SetMax(9);
        a.w.prbProgresso->SetPosition(4);
        a.w.edtEnderecoFTP->SetText(c.endereco);
        std::string pasta = PastaDeEmpresa("endereco-errado");
        Respondedor r(Resposta::Enter);
        EXPECT_FALSE(a.w.ConectaFTP(pasta));
        DialogoVisto v = r.Visto();
        EXPECT_EQ(v.titulo, "Informação");
        ASSERT_EQ(v.frase.rfind(Junta(kLinhasDeConexao) + "\r\n", 0), 0u) << v.frase;
        std::string erro = v.frase.substr(Junta(kLinhasDeConexao).size() + 2);
        EXPECT_NE(erro.find(c.trecho), std::string::npos) << erro;
        EXPECT_EQ(erro.find("\r\n"), std::string::npos) << "the error is the ninth and last line";
        EXPECT_EQ(a.w.ntbInstalador->PageIndex(), 3);
        EXPECT_EQ(a.w.prbProgresso->Position(), 0);
        EXPECT_EQ(a.w.lblDadosProgresso->Text(), "Erro na instalação.");
        EXPECT_TRUE(a.w.bErroInstalacao);
        EXPECT_EQ(a.w.sMensagemErro, erro);
        EXPECT_FALSE(Existe(pasta)) << "conect.ini and the rest are gone, and so is the folder";
    }
}

TEST(Conexao, LimpaInstalacaoNaoEntraEmSubpastas) {
    Assistente a;
    std::string pasta = PastaDeEmpresa("limpa");
    CreateDirectoryW(vorlane::WideFromCp1252(pasta + "Backup").c_str(), nullptr);
    GravaArquivo(pasta + "Backup\\notas.txt", "do usuário");
    SetFileAttributesW(vorlane::WideFromCp1252(pasta + "Ostrel.exe").c_str(), FILE_ATTRIBUTE_HIDDEN);
    a.w.LimpaInstalacao(pasta);
    EXPECT_FALSE(Existe(pasta + "conect.ini"));
    EXPECT_FALSE(Existe(pasta + "Ostrel.exe")) << "every attribute class";
    EXPECT_FALSE(Existe(pasta + "Dll"));
    EXPECT_EQ(LeArquivo(pasta + "Backup\\notas.txt"), "do usuário");
    a.w.LimpaInstalacao(pasta + "nao-existe\\");  // nothing to do, nothing reported
}

TEST(Conexao, MostraStatusMudaOTextoEPedeAPausa) {
    Assistente a;
    Pausas p(a.w);
    a.w.MostraStatus("Conectando ao FTP.", 500);
    a.w.MostraStatus("Instalação completa.", 0);
    EXPECT_EQ(p.pedidas, (std::vector<std::pair<std::string, int>>{{"Conectando ao FTP.", 500}, {"Instalação completa.", 0}}));
    EXPECT_EQ(a.w.lblDadosProgresso->Text(), "Instalação completa.");
}

TEST(Conexao, JanelaRespondeDuranteUmaTransferenciaLenta) {
    Assistente a;
    std::string raiz = PastaUnix("VORLANE_FTP_LENTO") + "raiz\\";
    GravaArquivo(raiz + "Grande.exe", std::string(700000, 'x'));
    a.w.edtEnderecoFTP->SetText(EnderecoDoServidor("VORLANE_FTP_LENTO"));
    std::string pasta = PastaTemporaria("lenta");
    ASSERT_TRUE(a.w.ConectaFTP(pasta));
    std::atomic<bool> fim{false};
    std::atomic<int> respostas{0}, tentativas{0};
    HWND janela = a.w.Handle();
    std::thread observador([&] {
        while (!fim) {
            DWORD_PTR r;
            // Another program asking the window something: it answers only while its thread
            // lets messages run.
            InvalidateRect(janela, nullptr, FALSE);
            ++tentativas;
            if (SendMessageTimeoutW(janela, WM_NULL, 0, 0, SMTO_BLOCK, 300, &r)) ++respostas;
            Sleep(100);
        }
    });
    a.w.FTP.Get("Grande.exe", pasta + "Grande.exe");
    fim = true;
    observador.join();
    a.w.FechaConexaoFTP();
    EXPECT_EQ(LeArquivo(pasta + "Grande.exe").size(), 700000u);
    EXPECT_GE(tentativas.load(), 10) << "the transfer took a few seconds";
    EXPECT_GE(respostas.load(), tentativas.load() - 2) << "the window kept answering during the download";
}

TEST(Instalacao, PassosPausasEPaginaFinalDeUmaExecucao) {
    Assistente a;
    std::string raiz = PastaUnix("VORLANE_FTP") + "raiz\\";
    CreateDirectoryW(vorlane::WideFromCp1252(raiz + "Dll").c_str(), nullptr);
    GravaArquivo(raiz + "Ostrel.exe", "lançador");
    GravaArquivo(raiz + "Dll\\Empresa42.dll", "biblioteca 42");
    GravaArquivo(raiz + "Bevani.exe", "bevani");
    std::string desktop = PastaTemporaria("area-de-trabalho");
    const std::string chave = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
    auto anterior = vorlane::win::ReadRegistryString(HKEY_CURRENT_USER, chave, "Desktop");
    HKEY k;
    RegCreateKeyExW(HKEY_CURRENT_USER, vorlane::WideFromCp1252(chave).c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &k, nullptr);
    std::wstring valor = vorlane::WideFromCp1252(desktop.substr(0, desktop.size() - 1));
    RegSetValueExW(k, L"Desktop", 0, REG_SZ, reinterpret_cast<const BYTE*>(valor.c_str()), DWORD((valor.size() + 1) * 2));

    std::string destino = PastaTemporaria("execucao");
    a.w.edtDiretorio->SetText(destino.substr(0, destino.size() - 1));
    a.w.edtNomeEmpresa->SetText("Loja Centro");
    a.w.edtNumeroEmpresa->SetText("0042");
    a.w.edtEnderecoFTP->SetText(EnderecoDoServidor("VORLANE_FTP"));
    a.w.ntbInstalador->SetPageIndex(5);
    {
        Pausas p(a.w);
        a.w.actProximoExecute();
        std::vector<std::pair<std::string, int>> esperadas = {
            {"Iniciando instalação.", 1000},
            {"Criando diretórios.", 1000},
            {"Conectando ao FTP.", 500},
            {"Preparando para copiar os arquivos do FTP.", 500},
            {"Copiando arquivo Ostrel.exe.", 500},
            {"Copiando arquivo Empresa.dll.", 500},
        };
        for (int linha = 0; linha < 17; ++linha) {
            esperadas.push_back({"Verificando a versão dos arquivos.", 100});
            if (linha == 1) esperadas.push_back({"Fazendo o download do arquivo:\rBevani.exe", 0});
            esperadas.push_back({esperadas.back().first, 100});  // the pause at the end of each row
        }
        esperadas.push_back({"Criando atalho na área de trabalho.", 500});
        esperadas.push_back({"Instalação completa.", 0});
        esperadas.push_back({"Abrindo módulo.", 100});
        EXPECT_EQ(p.pedidas, esperadas);
    }
    if (anterior) {
        std::wstring w = vorlane::WideFromCp1252(*anterior);
        RegSetValueExW(k, L"Desktop", 0, REG_SZ, reinterpret_cast<const BYTE*>(w.c_str()), DWORD((w.size() + 1) * 2));
    }
    RegCloseKey(k);

    const std::string empresa = destino + "Loja Centro\\";
    EXPECT_EQ(a.w.sCaminhoInstalacao, empresa);
    EXPECT_EQ(LeArquivo(empresa + "conect.ini"), "[CAMINHO]\r\nCAMINHO=" + EnderecoDoServidor("VORLANE_FTP") + "\r\n");
    EXPECT_EQ(LeArquivo(empresa + "Ostrel.exe"), "lançador");
    EXPECT_EQ(LeArquivo(empresa + "Dll\\Empresa.dll"), "biblioteca 42");
    EXPECT_EQ(LeArquivo(empresa + "Bevani.exe"), "bevani");
    EXPECT_FALSE(Existe(empresa + "Bevani.exe.bkp"));
    EXPECT_TRUE(Existe(desktop + "Ostrel Vorlane.lnk"));
    EXPECT_EQ(a.w.aModulos.size(), 17u);
    EXPECT_EQ(a.w.aModulos[12], "Ruvao");
    EXPECT_EQ(a.w.aModulos[16], "VKX");
    // Every module but Ostrel and Bevani is missing on this server; the options leave the selection.
    EXPECT_EQ(a.w.lblModulosNaoEncontrados->Text(),
              "Crovalia\rDunmar_Ekt\rFesgol\rGavrun\rHol_Vir\rImbra_Tosk\rTosk_Jelvar\rZURN\rTosk_Mirela_LX\r"
              "NopraFeltis\rRuvao\rSelta\rTravicao\rUlvar\rVKX\r");
    EXPECT_TRUE(a.w.cdsSelecionados.IsEmpty());
    EXPECT_EQ(a.w.ntbInstalador->PageIndex(), 7);
    EXPECT_EQ(a.w.btnProximo->Text(), "Concluir");
    EXPECT_TRUE(a.w.btnAnterior->Enabled()) << "the hand-off enables it again after the run";
    EXPECT_EQ(a.w.lblFim1->Text(), "O sistema foi instalado com sucesso!");
    EXPECT_FALSE(a.w.FTP.Connected());
    EXPECT_FALSE(a.w.suiButton2->Visible());
}
