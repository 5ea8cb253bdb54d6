// The destination folder browse, the company-name key filter and the company page's checks
// that keep the company name a plain folder name and the number a 32-bit integer.
#include <bitset>

#include "dialogs/UMensagem.h"
#include "platform/win/browse.h"
#include "wizard/untInstalador.h"

using namespace vorlane;

namespace {
// Codes 32 to 175 that the company name refuses: ! " # $ % & ( ) * + / : < = > ? @ [ \ ] ^ { | } and ¨.
const std::bitset<144>& CodigosRecusados() {
    static const std::bitset<144> bits = [] {
        std::bitset<144> b;
        for (int c : {33, 34, 35, 36, 37, 38, 40, 41, 42, 43, 47, 58, 60, 61, 62, 63, 64, 91, 92, 93, 94, 123, 124, 125, 168})
            b.set(static_cast<size_t>(c - 32));
        return b;
    }();
    return bits;
}

bool Recusado(unsigned char c) { return c >= 32 && c <= 175 && CodigosRecusados().test(c - 32u); }

// Why a company name cannot be the installation folder's name; empty when it can.
std::string ProblemaNoNome(const std::string& nome) {
    for (char ch : nome) {
        unsigned char c = static_cast<unsigned char>(ch);
        if (Recusado(c) || c < 32)
            return "O nome da empresa não pode conter os caracteres ! \" # $ % & ( ) * + / : < = > ? @ [ \\ ] ^ { | } ¨ "
                   "nem caracteres de controle.";
    }
    if (nome.find_first_not_of(". ") == std::string::npos)
        return "O nome da empresa não pode ser formado apenas por pontos e espaços.";
    if (nome.back() == '.' || nome.back() == ' ') return "O nome da empresa não pode terminar com ponto ou espaço.";
    if (IsReservedDeviceName(nome))
        return "O nome da empresa \"" + nome + "\" é um nome reservado do Windows e não pode ser usado como nome de pasta.";
    return {};
}
}  // namespace

void TfrmInstalador::actProcurarDiretorioExecute() {
    std::optional<std::string> resposta = win::BrowseForFolder(Handle(), "Selecione o diretório");
    std::optional<std::string> pasta = win::FolderTextFromBrowse(resposta);
    if (!pasta) return;
    edtDiretorio->SetText(*pasta);
    AtualizaEspacoDisponivel();
}

void TfrmInstalador::edtNomeEmpresaKeyPress(char& Key) {
    if (Recusado(static_cast<unsigned char>(Key))) Key = 0;
}

bool TfrmInstalador::ValidaDadosEmpresa() {
    std::string problema = ProblemaNoNome(edtNomeEmpresa->Text());
    if (!problema.empty()) {
        MostraMensagem({problema}, 3, false);
        edtNomeEmpresa->Focus();
        return false;
    }
    int numero = 0;
    if (!ParseInt32(Trim(edtNumeroEmpresa->Text()), numero)) {
        MostraMensagem({"O número da empresa deve ser um número inteiro entre -2147483648 e 2147483647."}, 3, false);
        edtNumeroEmpresa->Focus();
        return false;
    }
    return true;
}
