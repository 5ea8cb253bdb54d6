// Feeds any bytes to the unzipper as an archive file and extracts it into an empty folder.
// Besides the sanitizers' checks, it stops on anything that breaks the unzipper's promises:
// an error text other than the opening ones, a file outside the folder, a folder or link
// inside it, a file no extracted entry names, or a temporary file left behind.
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>

#include "platform/base/encoding.h"
#include "platform/base/error.h"
#include "platform/base/file_io.h"
#include "platform/zip/unzipper.h"

namespace {

std::set<std::string> Names(const std::string& folder) {
    std::set<std::string> names;
    if (DIR* d = opendir(folder.c_str())) {
        while (dirent* e = readdir(d)) {
            std::string n = e->d_name;
            if (n != "." && n != "..") names.insert(n);
        }
        closedir(d);
    }
    return names;
}

[[noreturn]] void Broken(const std::string& what) {
    std::fprintf(stderr, "broken promise: %s\n", what.c_str());
    std::abort();
}

// The folder scripts/fuzz names (VORLANE_FUZZ_DIR), or a new one under /tmp.
const std::string& Root() {
    static const std::string root = [] {
        std::string folder;
        if (const char* given = std::getenv("VORLANE_FUZZ_DIR")) {
            folder = std::string(given) + "/" + std::to_string(getpid());
            mkdir(folder.c_str(), 0755);
        } else {
            folder = "/tmp/vorlane-zip-fuzz-XXXXXX";
            if (!mkdtemp(folder.data())) std::abort();
        }
        mkdir((folder + "/out").c_str(), 0755);
        return folder;
    }();
    return root;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string archive = Root() + "/a.zip";
    const std::string out = Root() + "/out";
    if (FILE* f = std::fopen(archive.c_str(), "wb")) {
        if (size) std::fwrite(data, 1, size, f);
        std::fclose(f);
    }
    static const std::set<std::string> openTexts = {"Invalid Stream", "Unhandled Archive Type",
                                                    "Invalid file - not a PKZip file", "Stream read error"};
    vorlane::zip::Unzipper u;
    u.SetBaseDirectory(out);
    bool opened = true;
    try {
        u.Open(archive);
    } catch (const vorlane::Error& e) {
        if (!openTexts.count(e.what())) Broken(std::string("opening error ") + e.what());
        opened = false;
    }
    if (opened) u.ExtractAll();

    std::set<std::string> extracted;
    for (const auto& r : u.Results())
        if (r.outcome == vorlane::zip::Outcome::Extracted) extracted.insert(r.fileName);
    if (Names(Root()) != std::set<std::string>{"a.zip", "out"}) Broken("something written beside the folder");
    for (const auto& name : Names(out)) {
        const std::string path = out + "/" + name;
        struct stat st;
        if (lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) Broken("not a plain file: " + name);
        if (!extracted.count(vorlane::Cp1252FromUtf8(name))) Broken("no extracted entry names " + name);
        chmod(path.c_str(), 0644);
        unlink(path.c_str());
    }
    return 0;
}
