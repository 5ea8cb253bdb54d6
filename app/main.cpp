// InstaladorVorlane: the program's entry. No command-line argument is read.
#include <windows.h>

#include "platform/ui/app.h"
#include "platform/win/com.h"
#include "wizard/untInstalador.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    // COM on the user-interface thread: the desktop shortcut needs the shell's link object.
    vorlane::win::ComInit com;
    vorlane::ui::InitApplication("Instalador Vorlane");
    int result = 0;
    vorlane::ui::Guard([&] {
        TfrmInstalador wizard;
        wizard.Show();
        result = vorlane::ui::RunMessageLoop();
    });
    return result;
}
