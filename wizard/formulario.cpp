// The wizard window: its controls and pages, creation, first showing and the free-space label.
#include <optional>

#include "dialogs/UMensagem.h"
#include "platform/win/disk.h"
#include "platform/win/locale.h"
#include "wizard/untInstalador.h"

#ifndef VORLANE_SITE
#define VORLANE_SITE "www.ravelco.com.br"
#endif

using namespace vorlane;
using namespace vorlane::ui;
namespace ids = InstaladorIds;

const char* const kFimSucessoTitulo = "O sistema foi instalado com sucesso!";
const char* const kFimSucessoMensagem =
    "O sistema foi instalado com sucesso.\r\nFoi criado o atalho \"Ostrel Vorlane\" na área de trabalho.\r\n\r\n"
    "Clique em \"Concluir\" para encerrar o instalador.";
const char* const kFimSucessoSemAtalhoMensagem =
    "O sistema foi instalado com sucesso.\r\nNão foi possível criar o atalho \"Ostrel Vorlane\" na área de "
    "trabalho.\r\n\r\nClique em \"Concluir\" para encerrar o instalador.";

namespace {
constexpr int kLargura = 597, kAltura = 438, kBarraBotoes = 47;
constexpr Rect kBanner{4, 4, 587, 80};

Label::Style Negrito() {
    Label::Style s;
    s.font = BoldFont();
    return s;
}
Label::Style Titulo() {
    Label::Style s;
    s.font = HeadingFont();
    return s;
}
}  // namespace

TfrmInstalador::TfrmInstalador() {
    Form::Options o;
    o.className = L"TfrmInstalador";
    o.caption = "Instalação Vorlane";
    o.width = kLargura;
    o.height = kAltura;
    o.mainWindow = true;
    frmInstalador = std::make_unique<Form>(o);
    CriaControles();
    frmInstalador->onShow = [this] { FormShow(); };
    // While a transfer or a wait runs, queued window messages run too: the window repaints
    // and can be moved during a long download, on the one thread of the program.
    FTP.SetProgressHook([](int64_t) { ProcessMessages(); });
    frmInstalador->onCloseQuery = [this] {
        if (!bExecutando) return true;
        // Closing in the middle of a run: the run stops at its next step and ends the program.
        if (!bCancelado && MostraPergunta({"Deseja cancelar a instalação?"}, 1, false)) bCancelado = true;
        return false;
    };
    FormCreate();
}

TfrmInstalador::~TfrmInstalador() = default;

void TfrmInstalador::Show() { frmInstalador->ShowCentered(); }

void TfrmInstalador::CriaControles() {
    HWND h = frmInstalador->Handle();
    Rect corpo = frmInstalador->Body();
    actAnterior = std::make_unique<Action>("&Anterior");
    actProximo = std::make_unique<Action>("&Próximo", VK_RETURN);
    actCancelar = std::make_unique<Action>("&Cancelar");
    actProcurarDiretorio = std::make_unique<Action>("Procurar...");
    actSelecionar = std::make_unique<Action>("-->");
    actVoltar = std::make_unique<Action>("<--");
    actSelecionarTodos = std::make_unique<Action>("-->>");
    actVoltarTodos = std::make_unique<Action>("<<--");
    actAnterior->onExecute = [this] { actAnteriorExecute(); };
    actProximo->onExecute = [this] { actProximoExecute(); };
    actCancelar->onExecute = [this] { actCancelarExecute(); };
    actProcurarDiretorio->onExecute = [this] { actProcurarDiretorioExecute(); };
    actSelecionar->onExecute = [this] { actSelecionarExecute(); };
    actVoltar->onExecute = [this] { actVoltarExecute(); };
    actSelecionarTodos->onExecute = [this] { actSelecionarTodosExecute(); };
    actVoltarTodos->onExecute = [this] { actVoltarTodosExecute(); };
    frmInstalador->AddShortcut(*actProximo);

    ntbInstalador = std::make_unique<Notebook>(h, ids::ntbInstalador, Rect{corpo.x, corpo.y, corpo.w, corpo.h - kBarraBotoes});
    CriaPaginas();
    (void)h;
    CriaBarraDeBotoes();
}

void TfrmInstalador::CriaBarraDeBotoes() {
    Rect corpo = frmInstalador->Body();
    pnlBotoesInicio = std::make_unique<Panel>(frmInstalador->Handle(), ids::pnlBotoesInicio,
                                              Rect{corpo.x, corpo.y + corpo.h - kBarraBotoes, corpo.w, kBarraBotoes});
    HWND b = pnlBotoesInicio->Handle();
    Label::Style linha;
    linha.etchedLine = true;
    bevSeparador = std::make_unique<Label>(b, ids::bevSeparador, Rect{0, 0, corpo.w, 2}, "", linha);
    Label::Style link = Negrito();
    link.color = kLinkColor;
    link.clickable = true;
    lblSite = std::make_unique<Label>(b, ids::lblSite, Rect{12, 17, 200, 16}, VORLANE_SITE, link);
    lblSite->onClick = [this] { lblSiteClick(); };
    btnAnterior = std::make_unique<SkinButton>(b, ids::btnAnterior, Rect{333, 10, 80, 27});
    btnProximo = std::make_unique<SkinButton>(b, ids::btnProximo, Rect{418, 10, 80, 27});
    suiButton2 = std::make_unique<SkinButton>(b, ids::suiButton2, Rect{505, 10, 80, 27});
    actAnterior->Bind(*btnAnterior);
    actProximo->Bind(*btnProximo);
    actCancelar->Bind(*suiButton2);
}

void TfrmInstalador::CriaPaginas() {
    auto& p0 = ntbInstalador->AddPage("Inicio");
    auto& p1 = ntbInstalador->AddPage("Contrato");
    auto& p2 = ntbInstalador->AddPage("Diretorio");
    auto& p3 = ntbInstalador->AddPage("Dados");
    auto& p4 = ntbInstalador->AddPage("Modulos");
    auto& p5 = ntbInstalador->AddPage("Resumo");
    auto& p6 = ntbInstalador->AddPage("Progresso");
    auto& p7 = ntbInstalador->AddPage("Fim");

    // 0 "Inicio"
    HWND h = p0.Handle();
    imgInicio = std::make_unique<Picture>(h, ids::imgInicio, Rect{12, 14, 145, 331}, Artwork::Welcome);
    lblInicioBemVindo = std::make_unique<Label>(h, ids::lblInicioBemVindo, Rect{176, 30, 400, 24},
                                                "Bem vindo ao instalador do Vorlane", Titulo());
    lblInicioInformacoes = std::make_unique<Label>(
        h, ids::lblInicioInformacoes, Rect{176, 76, 405, 120},
        "Este programa irá instalar o Vorlane em seu computador.\r\nClique em \"Próximo\" para continuar ou em "
        "\"Cancelar\" para sair do\r\ninstalador.\r\n\r\nObs.: Certifique-se de que o computador esteja conectado à "
        "rede\r\npara realizar o processo.");

    // 1 "Contrato"
    h = p1.Handle();
    Label1 = std::make_unique<Label>(h, ids::Label1, Rect{16, 14, 560, 22}, "Contrato de Utilização do Sistema", Titulo());
    memContrato = std::make_unique<Memo>(h, ids::memContrato, Rect{16, 42, 563, 270});
    chkAceiteContrato = std::make_unique<CheckBox>(h, ids::chkAceiteContrato, Rect{16, 322, 200, 18}, "Aceito o contrato", false);
    chkAceiteContrato->onClick = [this] { chkAceiteContratoClick(); };

    // 2 "Diretorio"
    h = p2.Handle();
    imgDiretorio = std::make_unique<Picture>(h, ids::imgDiretorio, kBanner, Artwork::Banner);
    lblDiretorioLocal1 = std::make_unique<Label>(h, ids::lblDiretorioLocal1, Rect{16, 96, 560, 16},
                                                 "Escolha a pasta na qual deseja instalar o Vorlane.", Negrito());
    lblDescricaoDiretorio = std::make_unique<Label>(
        h, ids::lblDescricaoDiretorio, Rect{16, 122, 565, 30},
        "O Vorlane será instalado nesta pasta. Para instalar em uma pasta diferente, clique em\r\n\"Procurar...\" e "
        "selecione outra pasta. Clique em \"Próximo\" para continuar.");
    grbPastaDestino = std::make_unique<GroupBox>(h, ids::grbPastaDestino, Rect{16, 168, 563, 62}, "Pasta de Destino");
    edtDiretorio = std::make_unique<Edit>(h, ids::edtDiretorio, Rect{30, 193, 428, 22}, "C:\\Ravelco Software\\");
    suiButton1 = std::make_unique<SkinButton>(h, ids::suiButton1, Rect{470, 191, 95, 26});
    actProcurarDiretorio->Bind(*suiButton1);
    lblEspacoNecessario = std::make_unique<Label>(h, ids::lblEspacoNecessario, Rect{16, 250, 400, 16}, "Espaço necessário: 400,0MB");
    lblEspacoDisponivel = std::make_unique<Label>(h, ids::lblEspacoDisponivel, Rect{16, 272, 560, 16}, "Espaço disponível:");

    // 3 "Dados"
    h = p3.Handle();
    imgDados = std::make_unique<Picture>(h, ids::imgDados, kBanner, Artwork::Banner);
    lblDados1 = std::make_unique<Label>(h, ids::lblDados1, Rect{16, 96, 560, 16}, "Preencha os dados para instalação do Vorlane.", Negrito());
    lblNomeEmpresa = std::make_unique<Label>(h, ids::lblNomeEmpresa, Rect{40, 130, 300, 15}, "Nome da Empresa");
    edtNomeEmpresa = std::make_unique<Edit>(h, ids::edtNomeEmpresa, Rect{40, 147, 360, 22});
    edtNomeEmpresa->SetMaxLength(50);
    edtNomeEmpresa->onKeyPress = [this](char& key) { edtNomeEmpresaKeyPress(key); };
    lblNumeroEmpresa = std::make_unique<Label>(h, ids::lblNumeroEmpresa, Rect{40, 184, 300, 15}, "Número da Empresa");
    edtNumeroEmpresa = std::make_unique<Edit>(h, ids::edtNumeroEmpresa, Rect{40, 201, 150, 22});
    lblEnderecoFTP = std::make_unique<Label>(h, ids::lblEnderecoFTP, Rect{40, 238, 300, 15}, "Endereço FTP");
    edtEnderecoFTP = std::make_unique<Edit>(h, ids::edtEnderecoFTP, Rect{40, 255, 360, 22});

    // 4 "Modulos"
    h = p4.Handle();
    Image1 = std::make_unique<Picture>(h, ids::Image1, kBanner, Artwork::Banner);
    Label2 = std::make_unique<Label>(h, ids::Label2, Rect{16, 96, 560, 16}, "Selecione quais modulos vorlane você deseja instalar.", Negrito());
    lblOpcoesDisponiveis = std::make_unique<Label>(h, ids::lblOpcoesDisponiveis, Rect{70, 124, 150, 15}, "Opções Disponíveis");
    grdOpcoesDisponiveis = std::make_unique<Grid>(h, ids::grdOpcoesDisponiveis, Rect{70, 141, 150, 190}, 120);
    lblOpcoesSelecionadas = std::make_unique<Label>(h, ids::lblOpcoesSelecionadas, Rect{375, 124, 150, 15}, "Opções Selecionadas");
    grdOpcoesSelecionadas = std::make_unique<Grid>(h, ids::grdOpcoesSelecionadas, Rect{375, 141, 150, 190}, 120);
    btnSelecionar = std::make_unique<SkinButton>(h, ids::btnSelecionar, Rect{259, 160, 77, 27});
    btnVoltar = std::make_unique<SkinButton>(h, ids::btnVoltar, Rect{259, 195, 77, 27});
    btnSelecionarTodos = std::make_unique<SkinButton>(h, ids::btnSelecionarTodos, Rect{259, 240, 77, 27});
    btnVoltarTodos = std::make_unique<SkinButton>(h, ids::btnVoltarTodos, Rect{259, 275, 77, 27});
    actSelecionar->Bind(*btnSelecionar);
    actVoltar->Bind(*btnVoltar);
    actSelecionarTodos->Bind(*btnSelecionarTodos);
    actVoltarTodos->Bind(*btnVoltarTodos);
    grdOpcoesDisponiveis->onDblClick = [this] { grdOpcoesDisponiveisDblClick(); };
    grdOpcoesSelecionadas->onDblClick = [this] { grdOpcoesSelecionadasDblClick(); };

    // 5 "Resumo"
    h = p5.Handle();
    imgResumo = std::make_unique<Picture>(h, ids::imgResumo, kBanner, Artwork::Banner);
    lblResumo1 = std::make_unique<Label>(h, ids::lblResumo1, Rect{16, 96, 560, 16}, "Verifique os dados informados antes de iniciar a instalação.", Negrito());
    const int x1 = 40, x2 = 180, y0 = 124, dy = 22;
    lblResumoDiretorio = std::make_unique<Label>(h, ids::lblResumoDiretorio, Rect{x1, y0, 135, 15}, "Diretório", Negrito());
    lblResumoDiretorioInf = std::make_unique<Label>(h, ids::lblResumoDiretorioInf, Rect{x2, y0, 400, 15}, "");
    lblResumoNomeEmpresa = std::make_unique<Label>(h, ids::lblResumoNomeEmpresa, Rect{x1, y0 + dy, 135, 15}, "Nome da Empresa", Negrito());
    lblResumoNomeEmpresaInf = std::make_unique<Label>(h, ids::lblResumoNomeEmpresaInf, Rect{x2, y0 + dy, 400, 15}, "");
    lblResumoNumeroEmpresa = std::make_unique<Label>(h, ids::lblResumoNumeroEmpresa, Rect{x1, y0 + 2 * dy, 135, 15}, "Número da Empresa", Negrito());
    lblResumoNumeroEmpresaInf = std::make_unique<Label>(h, ids::lblResumoNumeroEmpresaInf, Rect{x2, y0 + 2 * dy, 400, 15}, "");
    lblResumoEnderecoIP = std::make_unique<Label>(h, ids::lblResumoEnderecoIP, Rect{x1, y0 + 3 * dy, 135, 15}, "Endereço IP do FTP", Negrito());
    lblResumoEnderecoIPInf = std::make_unique<Label>(h, ids::lblResumoEnderecoIPInf, Rect{x2, y0 + 3 * dy, 400, 15}, "");
    Label3 = std::make_unique<Label>(h, ids::Label3, Rect{x1, y0 + 4 * dy + 8, 300, 15}, "Módulos que serão instalados:");
    DBGrid1 = std::make_unique<Grid>(h, ids::DBGrid1, Rect{x1, y0 + 4 * dy + 26, 150, 120}, 120);

    // 6 "Progresso"
    h = p6.Handle();
    imgProgresso = std::make_unique<Picture>(h, ids::imgProgresso, kBanner, Artwork::Banner);
    lblProgresso1 = std::make_unique<Label>(h, ids::lblProgresso1, Rect{16, 96, 560, 16}, "Por favor aguarde enquanto o sistema é instalado.", Negrito());
    grbProgresso = std::make_unique<GroupBox>(h, ids::grbProgresso, Rect{16, 134, 563, 128}, "Progresso da Instalação");
    prbProgresso = std::make_unique<ProgressBar>(h, ids::prbProgresso, Rect{32, 162, 531, 22});
    lblDadosProgresso = std::make_unique<Label>(h, ids::lblDadosProgresso, Rect{32, 198, 531, 52}, "Dados do Progresso");

    // 7 "Fim"
    h = p7.Handle();
    imgFim = std::make_unique<Picture>(h, ids::imgFim, kBanner, Artwork::Banner);
    lblFim1 = std::make_unique<Label>(h, ids::lblFim1, Rect{16, 94, 565, 30}, kFimSucessoTitulo, Negrito());
    lblFimMensagem = std::make_unique<Label>(h, ids::lblFimMensagem, Rect{16, 134, 340, 150}, kFimSucessoMensagem);
    Label4 = std::make_unique<Label>(h, ids::Label4, Rect{365, 134, 216, 28}, "Módulos que não foram encontrados no FTP: ");
    Label::Style vermelho = Negrito();
    vermelho.color = RGB(255, 0, 0);
    vermelho.center = true;
    lblModulosNaoEncontrados = std::make_unique<Label>(h, ids::lblModulosNaoEncontrados, Rect{365, 164, 216, 180}, "", vermelho);
    chkOstrel = std::make_unique<CheckBox>(h, ids::chkOstrel, Rect{16, 318, 200, 18}, "Abrir o ostrel", true);
}

void TfrmInstalador::FormCreate() {
    actAnterior->SetEnabled(false);
    MostraPagina(0);
    bErroInstalacao = false;
    sMensagemErro.clear();
    cdsDisponiveis.Create({{"opcao", data::FieldType::Text, 50}});
    cdsSelecionados.Create({{"opcaoselecionada", data::FieldType::Text, 50}, {"ordem", data::FieldType::Integer, 0}}, "ordem");
    grdOpcoesDisponiveis->Bind(cdsDisponiveis, "opcao");
    grdOpcoesSelecionadas->Bind(cdsSelecionados, "opcaoselecionada");
    DBGrid1->Bind(cdsSelecionados, "opcaoselecionada");
    AtualizaEspacoDisponivel();
}

void TfrmInstalador::FormShow() {
    PreparaOpcoes();
    slArquivosFTP = std::make_unique<StringList>();
    slDetalhesFTP = std::make_unique<StringList>();
}

void TfrmInstalador::AtualizaEspacoDisponivel() {
    std::string unidade = edtDiretorio->Text().substr(0, 2);
    std::optional<unsigned long long> livres = win::FreeBytesAvailable(unidade);
    if (livres) {
        lblEspacoDisponivel->SetText("Espaço disponível: " + win::FormatMegabytes(*livres));
    } else {
        lblEspacoDisponivel->SetText("Espaço disponível: não foi possível consultar a unidade \"" + unidade + "\".");
    }
}
