#include "platform/win/sleep.h"

#include <windows.h>

#include <utility>

namespace vorlane::win {

namespace {
std::function<void(int)>& Hook() {
    static std::function<void(int)> hook;
    return hook;
}
}  // namespace

void SleepMs(int ms) {
    if (Hook()) {
        Hook()(ms);
        return;
    }
    if (ms > 0) Sleep(static_cast<DWORD>(ms));
}

std::function<void(int)> SetSleepHook(std::function<void(int)> hook) { return std::exchange(Hook(), std::move(hook)); }

}  // namespace vorlane::win
