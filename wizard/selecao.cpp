// The module choice: the available and selected lists and the four moves between them.
#include "wizard/untInstalador.h"

namespace {
const char* const kOpcoes[] = {"Ruvão", "Selta", "Travição", "Ulvarentivo", "VKX"};

// Appends an option at the end of the selection: its order is the count before the new row.
void AcrescentaSelecionado(vorlane::data::Table& selecionados, const std::string& opcao) {
    selecionados.Append();
    selecionados.SetInteger("ordem", selecionados.RecordCount() + 1);
    selecionados.SetText("opcaoselecionada", opcao);
    selecionados.Post();
}
}  // namespace

void TfrmInstalador::CarregaOpcoes() {
    for (const char* opcao : kOpcoes) {
        cdsDisponiveis.Append();
        cdsDisponiveis.SetText("opcao", opcao);
        cdsDisponiveis.Post();
    }
    cdsDisponiveis.First();
}

void TfrmInstalador::PreparaOpcoes() {
    CarregaOpcoes();
    actSelecionarTodosExecute();
}

void TfrmInstalador::actSelecionarTodosExecute() {
    if (cdsDisponiveis.IsEmpty()) return;
    cdsDisponiveis.DisableControls();
    cdsSelecionados.DisableControls();
    cdsDisponiveis.First();
    while (!cdsDisponiveis.Eof()) {
        AcrescentaSelecionado(cdsSelecionados, cdsDisponiveis.Text("opcao"));
        cdsSelecionados.First();
        cdsDisponiveis.Delete();
    }
    cdsDisponiveis.EnableControls();
    cdsSelecionados.EnableControls();
}

void TfrmInstalador::actSelecionarExecute() {
    if (cdsDisponiveis.IsEmpty() || !grdOpcoesDisponiveis->Focused()) return;
    cdsDisponiveis.DisableControls();
    cdsSelecionados.DisableControls();
    AcrescentaSelecionado(cdsSelecionados, cdsDisponiveis.Text("opcao"));
    cdsSelecionados.First();
    cdsDisponiveis.Delete();
    cdsDisponiveis.EnableControls();
    cdsSelecionados.EnableControls();
}

void TfrmInstalador::actVoltarTodosExecute() {
    if (cdsSelecionados.IsEmpty()) return;
    cdsDisponiveis.DisableControls();
    cdsSelecionados.DisableControls();
    cdsSelecionados.First();
    while (!cdsSelecionados.Eof()) {
        cdsDisponiveis.Append();
        cdsDisponiveis.SetText("opcao", cdsSelecionados.Text("opcaoselecionada"));
        cdsDisponiveis.Post();
        cdsDisponiveis.First();
        cdsSelecionados.Delete();
    }
    cdsDisponiveis.EnableControls();
    cdsSelecionados.EnableControls();
}

void TfrmInstalador::actVoltarExecute() {
    if (cdsSelecionados.IsEmpty() || !grdOpcoesSelecionadas->Focused()) return;
    cdsDisponiveis.DisableControls();
    cdsSelecionados.DisableControls();
    cdsDisponiveis.Append();
    cdsDisponiveis.SetText("opcao", cdsSelecionados.Text("opcaoselecionada"));
    cdsDisponiveis.Post();
    cdsDisponiveis.First();
    cdsSelecionados.Delete();
    std::string lembrada = cdsSelecionados.IsEmpty() ? std::string() : cdsSelecionados.Text("opcaoselecionada");
    cdsSelecionados.First();
    int ordem = 1;
    while (!cdsSelecionados.Eof()) {
        cdsSelecionados.Edit();
        cdsSelecionados.SetInteger("ordem", ordem);
        cdsSelecionados.Post();
        ++ordem;
        cdsSelecionados.Next();
    }
    cdsSelecionados.Locate("opcaoselecionada", lembrada);
    cdsDisponiveis.EnableControls();
    cdsSelecionados.EnableControls();
}

void TfrmInstalador::grdOpcoesDisponiveisDblClick() { actSelecionar->Execute(); }

void TfrmInstalador::grdOpcoesSelecionadasDblClick() { actVoltar->Execute(); }
