#pragma once
// Extraction of the schema archive.
#include <string>

// Extracts every entry of the ZIP archive flat into the folder. Errors while the archive is
// opened reach the caller as vorlane::Error; errors of single entries are ignored.
void Descompacta(const std::string& arquivo, const std::string& pasta);
