// Downloads with the installer's FTP client for bench/ftp.sh, and reports the time taken and
// the process's peak memory:
//   ftp_bench HOST PORT USER PASSWORD OUTDIR large NAME
//   ftp_bench HOST PORT USER PASSWORD OUTDIR small PREFIX COUNT   (PREFIX0 .. PREFIX<COUNT-1>)
// Prints "seconds=<s> bytes=<n> peak_mib=<m>". Each download is a SIZE then a RETR, over one
// session, as the installation run does it.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/base/error.h"
#include "platform/ftp/ftp_client.h"

#ifdef _WIN32
#include <windows.h>
#include <psapi.h>
#else
#include <sys/resource.h>
#endif

namespace {

double PeakMiB() {
#ifdef _WIN32
    PROCESS_MEMORY_COUNTERS counters{};
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof(counters));
    return counters.PeakWorkingSetSize / (1024.0 * 1024.0);
#else
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024.0;  // KiB on Linux
#endif
}

std::string Join(const std::string& folder, const std::string& name) {
#ifdef _WIN32
    return folder + "\\" + name;
#else
    return folder + "/" + name;
#endif
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 8) {
        std::fprintf(stderr, "usage: ftp_bench HOST PORT USER PASSWORD OUTDIR large NAME | small PREFIX COUNT\n");
        return 2;
    }
    const std::string outdir = argv[5], kind = argv[6];
    vorlane::ftp::FtpClient ftp;
    ftp.SetHost(argv[1], std::atoi(argv[2]));
    ftp.SetCredentials(argv[3], argv[4]);
    int64_t bytes = 0;
    try {
        auto start = std::chrono::steady_clock::now();
        ftp.Connect();
        auto fetch = [&](const std::string& name) {
            int64_t size = ftp.Size(name);
            ftp.Get(name, Join(outdir, name));
            bytes += size;
        };
        if (kind == "large") {
            fetch(argv[7]);
        } else {
            int count = argc > 8 ? std::atoi(argv[8]) : 0;
            for (int i = 0; i < count; ++i) fetch(argv[7] + std::to_string(i));
        }
        ftp.Disconnect();
        double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        std::printf("seconds=%.4f bytes=%lld peak_mib=%.1f\n", seconds, static_cast<long long>(bytes), PeakMiB());
    } catch (const vorlane::Error& e) {
        std::fprintf(stderr, "ftp_bench: %s\n", e.what());
        return 1;
    }
    return 0;
}
