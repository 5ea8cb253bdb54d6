#pragma once
// Name, listing and date routines of the installation run. Texts are Windows-1252; every case
// change touches the ASCII letters only, so accented letters keep their case.
#include <string>

#include "platform/base/datetime.h"
#include "platform/ftp/listing.h"

// Accented capitals and the small letters of the table lose their accent, an apostrophe
// becomes the acute accent (0xB4) and a backslash a slash; the length never changes.
std::string RemoveAcentos(const std::string& texto);

// Index of the first listing item whose file name equals the name, ignoring ASCII case;
// -1 when none does.
int IndiceNaListagem(const vorlane::ftp::Listing& listagem, const std::string& nome);

// The listed item's modification date-time; for a name the listing lacks, "01/01/2000" read
// with the user's short-date pattern (which raises when the pattern cannot read it).
vorlane::DateTime DataRemota(const vorlane::ftp::Listing& listagem, const std::string& nome);
vorlane::DateTime DataRemota(const vorlane::ftp::Listing& listagem, const std::string& nome,
                             const std::string& formatoData);

// The file's last-write time in local time at two-second resolution; for a missing file,
// today at 00:00 minus 365 days.
vorlane::DateTime DataLocal(const std::string& caminho);

// First character in upper case, the rest in lower case.
std::string PrimeiraMaiuscula(const std::string& texto);

// True when the upper-case name holds "." followed by extensao anywhere; false for an empty
// extensao. extensao itself is not converted.
bool TemExtensao(const std::string& nome, const std::string& extensao);

// The text without the digits 0 to 9.
std::string RemoveDigitos(const std::string& texto);

// True when the upper-case forms are equal.
bool MesmoTexto(const std::string& a, const std::string& b);
