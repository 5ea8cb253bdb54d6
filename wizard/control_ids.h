#pragma once
// Stable control ids of the wizard window, for screen readers and black-box tests.
namespace InstaladorIds {
// notebook and pages (a page's id is ntbInstalador * 10 + its index + 1)
constexpr int ntbInstalador = 100;
constexpr int pnlBotoesInicio = 101, bevSeparador = 102, lblSite = 103;
constexpr int btnAnterior = 104, btnProximo = 105, suiButton2 = 106;
// page 0
constexpr int imgInicio = 110, lblInicioBemVindo = 111, lblInicioInformacoes = 112;
// page 1
constexpr int Label1 = 120, memContrato = 121, chkAceiteContrato = 122;
// page 2
constexpr int imgDiretorio = 130, lblDiretorioLocal1 = 131, lblDescricaoDiretorio = 132, grbPastaDestino = 133;
constexpr int edtDiretorio = 134, suiButton1 = 135, lblEspacoNecessario = 136, lblEspacoDisponivel = 137;
// page 3
constexpr int imgDados = 140, lblDados1 = 141, lblNomeEmpresa = 142, edtNomeEmpresa = 143;
constexpr int lblNumeroEmpresa = 144, edtNumeroEmpresa = 145, lblEnderecoFTP = 146, edtEnderecoFTP = 147;
// page 4
constexpr int Image1 = 150, Label2 = 151, lblOpcoesDisponiveis = 152, grdOpcoesDisponiveis = 153;
constexpr int lblOpcoesSelecionadas = 154, grdOpcoesSelecionadas = 155;
constexpr int btnSelecionar = 156, btnVoltar = 157, btnSelecionarTodos = 158, btnVoltarTodos = 159;
// page 5
constexpr int imgResumo = 160, lblResumo1 = 161, lblResumoDiretorio = 162, lblResumoDiretorioInf = 163;
constexpr int lblResumoNomeEmpresa = 164, lblResumoNomeEmpresaInf = 165, lblResumoNumeroEmpresa = 166;
constexpr int lblResumoNumeroEmpresaInf = 167, lblResumoEnderecoIP = 168, lblResumoEnderecoIPInf = 169;
constexpr int Label3 = 170, DBGrid1 = 171;
// page 6
constexpr int imgProgresso = 180, lblProgresso1 = 181, grbProgresso = 182, prbProgresso = 183, lblDadosProgresso = 184;
// page 7
constexpr int imgFim = 190, lblFim1 = 191, lblFimMensagem = 192, Label4 = 193, lblModulosNaoEncontrados = 194;
constexpr int chkOstrel = 195;
}  // namespace InstaladorIds
