// The wizard's Windows tests: the control layer is set up once, as the program does at start.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "platform/ui/app.h"
#include "platform/win/com.h"

int main(int argc, char** argv) {
    vorlane::win::ComInit com;
    vorlane::ui::InitApplication("Instalador Vorlane");
    // The tests remove folders; whatever goes wrong, it must not be the build's folder.
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    std::wstring scratch = std::wstring(temp) + L"vorlane-testes";
    CreateDirectoryW(scratch.c_str(), nullptr);
    SetCurrentDirectoryW(scratch.c_str());
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
