#include "engine/nomes.h"

#include <array>

#include "platform/base/date_format.h"
#include "platform/base/encoding.h"
#include "platform/base/file_io.h"
#include "platform/base/text.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <ctime>
#include <sys/stat.h>
#endif

namespace {

const std::array<unsigned char, 256> kSemAcento = [] {
    std::array<unsigned char, 256> t{};
    for (int i = 0; i < 256; ++i) t[i] = static_cast<unsigned char>(i);
    const struct {
        unsigned char de, para;
    } trocas[] = {
        {0x27, 0xB4}, {0x5C, '/'}, {0xC1, 'A'}, {0xC3, 'A'}, {0xC7, 'C'}, {0xC9, 'E'}, {0xCA, 'E'},
        {0xCD, 'I'}, {0xCE, 'I'}, {0xD3, 'O'}, {0xD4, 'O'}, {0xD5, 'O'}, {0xDA, 'U'}, {0xE1, 'a'},
        {0xE3, 'a'}, {0xE7, 'c'}, {0xE9, 'e'}, {0xEA, 'e'}, {0xED, 'i'}, {0xEE, 'i'}, {0xF4, 'o'},
        {0xF5, 'o'},
    };
    for (auto troca : trocas) t[troca.de] = troca.para;
    return t;
}();

const char* const kDataPadrao = "01/01/2000";

}  // namespace

std::string RemoveAcentos(const std::string& texto) {
    std::string r(texto);
    for (char& c : r) c = static_cast<char>(kSemAcento[static_cast<unsigned char>(c)]);
    return r;
}

int IndiceNaListagem(const vorlane::ftp::Listing& listagem, const std::string& nome) {
    for (int i = 0; i < listagem.Count(); ++i)
        if (vorlane::EqualsIgnoreAsciiCase(listagem.Item(i).fileName, nome)) return i;
    return -1;
}

vorlane::DateTime DataRemota(const vorlane::ftp::Listing& listagem, const std::string& nome,
                             const std::string& formatoData) {
    int i = IndiceNaListagem(listagem, nome);
    if (i >= 0) return listagem.Item(i).modified;
    return vorlane::StrToDate(kDataPadrao, formatoData);
}

vorlane::DateTime DataRemota(const vorlane::ftp::Listing& listagem, const std::string& nome) {
    int i = IndiceNaListagem(listagem, nome);
    if (i >= 0) return listagem.Item(i).modified;
    return vorlane::StrToDate(kDataPadrao, vorlane::UserShortDateFormat());
}

vorlane::DateTime DataLocal(const std::string& caminho) {
    if (vorlane::FileExists(caminho)) {
#ifdef _WIN32
        // As the platform turns a file's time into a date-time: local file time, then the DOS
        // date-time of two-second resolution.
        WIN32_FILE_ATTRIBUTE_DATA dados;
        FILETIME local;
        WORD data, hora;
        if (GetFileAttributesExW(vorlane::WideFromCp1252(caminho).c_str(), GetFileExInfoStandard, &dados) &&
            FileTimeToLocalFileTime(&dados.ftLastWriteTime, &local)) {
            if (FileTimeToDosDateTime(&local, &data, &hora)) return vorlane::DecodeDosDateTime(data, hora).ToDateTime();
            SYSTEMTIME st;
            if (FileTimeToSystemTime(&local, &st))
                return vorlane::EncodeDateTime(st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond & ~1);
        }
#else
        struct stat st;
        std::tm t{};
        if (stat(vorlane::Utf8FromCp1252(caminho).c_str(), &st) == 0 && localtime_r(&st.st_mtime, &t))
            return vorlane::EncodeDateTime(t.tm_year + 1900, t.tm_mon + 1, t.tm_mday, t.tm_hour, t.tm_min,
                                           t.tm_sec & ~1);
#endif
    }
    return vorlane::Today() - 365;
}

std::string PrimeiraMaiuscula(const std::string& texto) {
    if (texto.empty()) return texto;
    return vorlane::UpperAscii(texto.substr(0, 1)) + vorlane::LowerAscii(texto.substr(1));
}

bool TemExtensao(const std::string& nome, const std::string& extensao) {
    if (extensao.empty()) return false;
    return vorlane::UpperAscii(nome).find("." + extensao) != std::string::npos;
}

std::string RemoveDigitos(const std::string& texto) {
    std::string r;
    r.reserve(texto.size());
    for (char c : texto)
        if (c < '0' || c > '9') r += c;
    return r;
}

bool MesmoTexto(const std::string& a, const std::string& b) {
    return vorlane::UpperAscii(a) == vorlane::UpperAscii(b);
}
