#pragma once
// Blocking pauses of the installation run. Tests of the run set a hook that records the
// requested pauses instead of sleeping.
#include <functional>

namespace vorlane::win {

// Pauses the calling thread for ms milliseconds (0: no pause), or hands ms to the hook.
void SleepMs(int ms);
// Replaces the pause by hook (an empty hook restores the real pause); returns the hook it
// replaced. Not for use from several threads at once.
std::function<void(int)> SetSleepHook(std::function<void(int)> hook);

}  // namespace vorlane::win
