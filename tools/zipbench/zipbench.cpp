// zipbench <archive> <folder>: extracts the archive into the folder with the unzipper and
// prints how many entries were extracted and how many failed, for bench/zip.sh.
#include <cstdio>

#include "platform/base/error.h"
#include "platform/zip/unzipper.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: zipbench <archive> <folder>\n");
        return 2;
    }
    vorlane::zip::Unzipper u;
    u.SetBaseDirectory(argv[2]);
    try {
        u.Open(argv[1]);
    } catch (const vorlane::Error& e) {
        std::fprintf(stderr, "zipbench: %s\n", e.what());
        return 1;
    }
    u.ExtractAll();
    int extracted = 0, failed = 0;
    for (const auto& r : u.Results()) {
        if (r.outcome == vorlane::zip::Outcome::Extracted) {
            ++extracted;
        } else if (r.outcome != vorlane::zip::Outcome::SkippedFolder) {
            ++failed;
            std::fprintf(stderr, "zipbench: %s: %s\n", r.name.c_str(), vorlane::zip::OutcomeName(r.outcome));
        }
    }
    std::printf("extracted=%d failed=%d\n", extracted, failed);
    return failed ? 1 : 0;
}
