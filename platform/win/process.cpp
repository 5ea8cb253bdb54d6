#include "platform/win/process.h"

#include "platform/base/encoding.h"

namespace vorlane::win {

bool StartProgram(const std::string& exePath, const std::string& arguments, const std::string& workingFolder,
                  int showCmd) {
    std::wstring exe = WideFromCp1252(exePath);
    // The quotes keep a path with spaces in one piece for the started program's argv.
    std::wstring commandLine = L"\"" + exe + L"\"";
    if (!arguments.empty()) commandLine += L" " + WideFromCp1252(arguments);
    std::wstring folder = WideFromCp1252(workingFolder);
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = static_cast<WORD>(showCmd);
    PROCESS_INFORMATION process = {};
    // CreateProcessW may write into the command line, so it gets a buffer of its own.
    if (!CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        folder.empty() ? nullptr : folder.c_str(), &startup, &process))
        return false;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return true;
}

}  // namespace vorlane::win
