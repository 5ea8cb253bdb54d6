#include "platform/win/com.h"

namespace vorlane::win {

ComInit::ComInit() : result_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE)) {}

ComInit::~ComInit() {
    // S_FALSE (already initialised on this thread) takes a reference too.
    if (SUCCEEDED(result_)) CoUninitialize();
}

}  // namespace vorlane::win
