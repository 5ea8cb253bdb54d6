// Starting a program, checked through what the started recorder program noted.
#include <gtest/gtest.h>

#include "platform/base/encoding.h"
#include "platform/win/files.h"
#include "platform/win/process.h"
#include "tests/win/support.h"

namespace vorlane::win {
namespace {

using wintest::ScratchFolder;

TEST(StartProgram, QuotedPathWithSpacesArgumentsAndWorkingFolder) {
    ScratchFolder scratch("start");
    struct Case {
        std::string folder;      // where the program lies, below scratch
        std::string arguments;
        std::vector<std::string> argvAfterProgram;
    };
    const Case cases[] = {
        {"Ravelco Software\\Padaria São José", "-rv", {"-rv"}},
        {"Pasta sem acento", "", {}},
        {"Dois  espaços", "-rv \"com espaço\"", {"-rv", "com espaço"}},
    };
    for (const Case& c : cases) {
        const std::string folder = scratch / c.folder;
        const std::string exe = folder + "\\Ostrel.exe";
        const std::string working = scratch / ("Trabalho " + c.folder.substr(0, 4));
        ASSERT_TRUE(ForceDirectories(folder));
        ASSERT_TRUE(ForceDirectories(working));
        ASSERT_TRUE(CopyFile(wintest::ExeFolder() + "\\recorder.exe", exe, false));

        ASSERT_TRUE(StartProgram(exe, c.arguments, working, SW_SHOWNORMAL)) << exe;
        std::vector<wintest::RecordedStart> starts = wintest::WaitForRecordedStarts(folder);
        ASSERT_EQ(starts.size(), 1u) << c.folder;
        const wintest::RecordedStart& start = starts[0];
        EXPECT_EQ(start.commandLine, "\"" + exe + "\"" + (c.arguments.empty() ? "" : " " + c.arguments));
        ASSERT_FALSE(start.argv.empty());
        EXPECT_EQ(start.argv[0], exe);
        EXPECT_EQ(std::vector<std::string>(start.argv.begin() + 1, start.argv.end()), c.argvAfterProgram)
            << start.commandLine;
        EXPECT_TRUE(EqualsIgnoreAsciiCase(start.currentFolder, working)) << start.currentFolder;
    }
}

TEST(StartProgram, EmptyWorkingFolderKeepsTheCallersFolder) {
    ScratchFolder scratch("start-cwd");
    const std::string exe = scratch / "recorder.exe";
    ASSERT_TRUE(CopyFile(wintest::ExeFolder() + "\\recorder.exe", exe, false));
    bool started;
    {
        wintest::CurrentFolderGuard inside(scratch.path());
        started = StartProgram(exe, "-rv", "", SW_SHOWNORMAL);
    }
    ASSERT_TRUE(started);
    std::vector<wintest::RecordedStart> starts = wintest::WaitForRecordedStarts(scratch.path());
    ASSERT_EQ(starts.size(), 1u);
    EXPECT_TRUE(EqualsIgnoreAsciiCase(starts[0].currentFolder, scratch.path())) << starts[0].currentFolder;
}

TEST(StartProgram, MissingProgramOrFolderReportsFalse) {
    ScratchFolder scratch("start-missing");
    EXPECT_FALSE(StartProgram(scratch / "Ostrel.exe", "-rv", scratch.path(), SW_SHOWNORMAL));
    const std::string exe = scratch / "recorder.exe";
    ASSERT_TRUE(CopyFile(wintest::ExeFolder() + "\\recorder.exe", exe, false));
    EXPECT_FALSE(StartProgram(exe, "-rv", scratch / "pasta que não existe", SW_SHOWNORMAL));
    EXPECT_FALSE(FileExists(scratch / "recorder-log.txt"));
}

}  // namespace
}  // namespace vorlane::win
