// The module choice on the real modules page: rows picked with the mouse in the real grids,
// the moves by the real buttons, which never take the focus from the grid.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <algorithm>

#include "tests/wizard/support.h"
#include "wizard/untInstalador.h"

using namespace teste;

namespace {
using Linhas = std::vector<std::pair<std::string, int>>;

struct Modulos {
    TfrmInstalador w;
    Modulos() {
        w.Show();
        w.ntbInstalador->SetPageIndex(4);
        Processa();
    }
    Linhas Selecionados() {
        Linhas r;
        int atual = w.cdsSelecionados.RecNo();
        for (int i = 0; i < w.cdsSelecionados.RecordCount(); ++i)
            r.emplace_back(w.cdsSelecionados.CellText(i, "opcaoselecionada"), std::stoi(w.cdsSelecionados.CellText(i, "ordem")));
        w.cdsSelecionados.MoveTo(atual);
        return r;
    }
    // A click on the row showing texto, where the grid draws it.
    void ClicaLinha(vorlane::ui::Grid& g, const std::string& texto, bool duplo = false) {
        auto linhas = g.Rows();
        int i = static_cast<int>(std::find(linhas.begin(), linhas.end(), texto) - linhas.begin());
        ASSERT_LT(i, static_cast<int>(linhas.size())) << texto;
        RECT r{};
        r.left = LVIR_LABEL;
        SendMessageW(g.Handle(), LVM_GETITEMRECT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&r));
        int x = r.left + 10, y = (r.top + r.bottom) / 2;
        if (duplo) DuploCliqueEm(g.Handle(), x, y);
        else ClicaEm(g.Handle(), x, y);
    }
    void Botao(vorlane::ui::SkinButton& b) { Clica(b.Handle()); }
};

const Linhas kTodos{{"Ruvão", 1}, {"Selta", 2}, {"Travição", 3}, {"Ulvarentivo", 4}, {"VKX", 5}};
}  // namespace

TEST(Selecao, ComecaComTodasSelecionadas) {
    Modulos m;
    EXPECT_EQ(m.Selecionados(), kTodos);
    EXPECT_TRUE(m.w.cdsDisponiveis.IsEmpty());
    EXPECT_EQ(m.w.cdsSelecionados.RecNo(), 0);
    EXPECT_EQ(m.w.grdOpcoesSelecionadas->Rows(), (std::vector<std::string>{"Ruvão", "Selta", "Travição", "Ulvarentivo", "VKX"}));
    EXPECT_EQ(m.w.DBGrid1->Rows(), m.w.grdOpcoesSelecionadas->Rows()) << "the summary shows the same table";
}

TEST(Selecao, VoltarTodosESelecionarTodosRestauramAOrdem) {
    Modulos m;
    m.Botao(*m.w.btnVoltarTodos);
    EXPECT_TRUE(m.w.cdsSelecionados.IsEmpty());
    EXPECT_EQ(m.w.grdOpcoesDisponiveis->Rows(), (std::vector<std::string>{"Ruvão", "Selta", "Travição", "Ulvarentivo", "VKX"}));
    m.Botao(*m.w.btnSelecionarTodos);
    EXPECT_EQ(m.Selecionados(), kTodos);
    EXPECT_TRUE(m.w.grdOpcoesDisponiveis->Rows().empty());
}

TEST(Selecao, MovimentosSemFocoNaGradeNaoFazemNada) {
    Modulos m;
    m.Botao(*m.w.btnVoltar);
    EXPECT_EQ(m.Selecionados(), kTodos);
    m.ClicaLinha(*m.w.grdOpcoesSelecionadas, "VKX");
    m.Botao(*m.w.btnVoltar);
    ASSERT_EQ(m.w.cdsDisponiveis.RecordCount(), 1);
    // The available grid has no focus yet: "-->" does nothing.
    m.Botao(*m.w.btnSelecionar);
    EXPECT_EQ(m.w.cdsDisponiveis.RecordCount(), 1);
}

TEST(Selecao, VoltarUmRenumeraEMantemALinhaSeguinte) {
    Modulos m;
    m.ClicaLinha(*m.w.grdOpcoesSelecionadas, "Selta");
    EXPECT_EQ(GetFocus(), m.w.grdOpcoesSelecionadas->Handle());
    m.Botao(*m.w.btnVoltar);
    EXPECT_EQ(GetFocus(), m.w.grdOpcoesSelecionadas->Handle()) << "the button takes no focus";
    EXPECT_EQ(m.Selecionados(), (Linhas{{"Ruvão", 1}, {"Travição", 2}, {"Ulvarentivo", 3}, {"VKX", 4}}));
    EXPECT_EQ(m.w.cdsSelecionados.Text("opcaoselecionada"), "Travição");
    EXPECT_EQ(m.w.grdOpcoesSelecionadas->SelectedRow(), 1);
    EXPECT_EQ(m.w.grdOpcoesDisponiveis->Rows(), std::vector<std::string>{"Selta"});

    // A double-click on the available option appends it after the last.
    m.ClicaLinha(*m.w.grdOpcoesDisponiveis, "Selta", true);
    EXPECT_EQ(m.Selecionados(), (Linhas{{"Ruvão", 1}, {"Travição", 2}, {"Ulvarentivo", 3}, {"VKX", 4}, {"Selta", 5}}));
    EXPECT_TRUE(m.w.cdsDisponiveis.IsEmpty());

    // Returning the last row makes the new last row current.
    m.ClicaLinha(*m.w.grdOpcoesSelecionadas, "Selta");
    m.Botao(*m.w.btnVoltar);
    EXPECT_EQ(m.w.cdsSelecionados.Text("opcaoselecionada"), "VKX");
    EXPECT_EQ(m.w.grdOpcoesSelecionadas->SelectedRow(), 3);
}

TEST(Selecao, VoltarTodosDepoisVkxERuvao) {
    Modulos m;
    m.Botao(*m.w.btnVoltarTodos);
    m.ClicaLinha(*m.w.grdOpcoesDisponiveis, "VKX");
    m.Botao(*m.w.btnSelecionar);
    m.ClicaLinha(*m.w.grdOpcoesDisponiveis, "Ruvão");
    m.Botao(*m.w.btnSelecionar);
    EXPECT_EQ(m.Selecionados(), (Linhas{{"VKX", 1}, {"Ruvão", 2}}));
    EXPECT_EQ(m.w.grdOpcoesDisponiveis->Rows(), (std::vector<std::string>{"Selta", "Travição", "Ulvarentivo"}));
    // The available list keeps the order the options came back in.
    m.Botao(*m.w.btnSelecionarTodos);
    EXPECT_EQ(m.Selecionados(), (Linhas{{"VKX", 1}, {"Ruvão", 2}, {"Selta", 3}, {"Travição", 4}, {"Ulvarentivo", 5}}));
}
