// The in-memory table as the module choice uses it: cursor moves, the ordered index, a row
// being appended not yet counted, and views that wait while updates are suspended.
#include <gtest/gtest.h>

#include "platform/data/table.h"

using vorlane::data::FieldType;
using vorlane::data::Table;

namespace {
Table Selecao() {
    Table t;
    t.Create({{"opcaoselecionada", FieldType::Text, 50}, {"ordem", FieldType::Integer, 0}}, "ordem");
    return t;
}

void Acrescenta(Table& t, const std::string& nome, int ordem) {
    t.Append();
    t.SetInteger("ordem", ordem);
    t.SetText("opcaoselecionada", nome);
    t.Post();
}

std::vector<std::string> Nomes(Table& t) {
    std::vector<std::string> r;
    for (int i = 0; i < t.RecordCount(); ++i) r.push_back(t.CellText(i, "opcaoselecionada"));
    return r;
}
}  // namespace

TEST(Tabela, LinhaSendoAcrescentadaNaoConta) {
    Table t = Selecao();
    EXPECT_TRUE(t.IsEmpty());
    EXPECT_TRUE(t.Eof());
    t.Append();
    EXPECT_EQ(t.RecordCount(), 0) << "not yet posted";
    t.SetInteger("ordem", t.RecordCount() + 1);
    t.SetText("opcaoselecionada", "Ruvão");
    t.Post();
    EXPECT_EQ(t.RecordCount(), 1);
    EXPECT_EQ(t.Integer("ordem"), 1);
    t.Append();
    t.Cancel();
    EXPECT_EQ(t.RecordCount(), 1);
}

TEST(Tabela, IndiceOrdenaPelaOrdemEPostMantemOCursorNaLinha) {
    Table t = Selecao();
    Acrescenta(t, "C", 3);
    Acrescenta(t, "A", 1);
    EXPECT_EQ(t.Text("opcaoselecionada"), "A") << "the cursor stays on the posted row";
    Acrescenta(t, "B", 2);
    EXPECT_EQ(Nomes(t), (std::vector<std::string>{"A", "B", "C"}));
    t.Last();
    t.Edit();
    t.SetInteger("ordem", 0);
    t.Post();
    EXPECT_EQ(Nomes(t), (std::vector<std::string>{"C", "A", "B"}));
    EXPECT_EQ(t.RecNo(), 0);
}

TEST(Tabela, PercursoApagarELocalizar) {
    Table t = Selecao();
    for (int i = 1; i <= 4; ++i) Acrescenta(t, std::string(1, char('A' + i - 1)), i);
    std::vector<std::string> vistos;
    for (t.First(); !t.Eof(); t.Next()) vistos.push_back(t.Text("opcaoselecionada"));
    EXPECT_EQ(vistos, (std::vector<std::string>{"A", "B", "C", "D"}));
    EXPECT_TRUE(t.Eof());

    struct Caso {
        int apagar;
        const char* atualDepois;
    } casos[] = {{1, "C"}, {2, "C"} /* the deleted row was the last: the new last row */, {0, "C"}, {0, ""}};
    for (const Caso& c : casos) {
        t.MoveTo(c.apagar);
        if (t.IsEmpty()) break;
        t.Delete();
        EXPECT_EQ(t.Text("opcaoselecionada"), c.atualDepois);
    }
    EXPECT_TRUE(t.IsEmpty());
    EXPECT_TRUE(t.Eof());

    for (int i = 1; i <= 3; ++i) Acrescenta(t, i == 2 ? "Selta" : "x", i);
    EXPECT_TRUE(t.Locate("opcaoselecionada", "Selta"));
    EXPECT_EQ(t.RecNo(), 1);
    EXPECT_FALSE(t.Locate("opcaoselecionada", "selta")) << "exact, case-sensitive";
    EXPECT_EQ(t.RecNo(), 1) << "no match leaves the cursor";
}

TEST(Tabela, VisoesEsperamEnquantoSuspensas) {
    Table t = Selecao();
    int avisos = 0;
    int h = t.AddObserver([&] { ++avisos; });
    t.DisableControls();
    t.DisableControls();
    Acrescenta(t, "A", 1);
    Acrescenta(t, "B", 2);
    t.EnableControls();
    EXPECT_EQ(avisos, 0) << "suspensions nest";
    t.EnableControls();
    EXPECT_EQ(avisos, 1) << "one refresh on resume";
    t.Next();
    EXPECT_EQ(avisos, 2);
    t.RemoveObserver(h);
    t.First();
    EXPECT_EQ(avisos, 2);
}

TEST(Tabela, TextoCortadoNoTamanhoDoCampo) {
    Table t;
    t.Create({{"opcao", FieldType::Text, 5}});
    t.Append();
    t.SetText("opcao", "Ulvarentivo");
    t.Post();
    EXPECT_EQ(t.Text("opcao"), "Ulvar");
    EXPECT_THROW(t.Text("outro"), std::exception);
}
