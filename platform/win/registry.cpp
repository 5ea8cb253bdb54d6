#include "platform/win/registry.h"

#include <vector>

#include "platform/base/encoding.h"

namespace vorlane::win {

namespace {
class Key {
public:
    Key(HKEY root, const std::wstring& subkey) {
        if (RegOpenKeyExW(root, subkey.c_str(), 0, KEY_QUERY_VALUE, &key_) != ERROR_SUCCESS) key_ = nullptr;
    }
    ~Key() {
        if (key_) RegCloseKey(key_);
    }
    Key(const Key&) = delete;
    Key& operator=(const Key&) = delete;
    HKEY get() const { return key_; }

private:
    HKEY key_ = nullptr;
};
}  // namespace

std::optional<std::string> ReadRegistryString(HKEY root, const std::string& subkey, const std::string& value) {
    Key key(root, WideFromCp1252(subkey));
    if (!key.get()) return std::nullopt;
    std::wstring name = WideFromCp1252(value);
    std::vector<BYTE> data;
    DWORD type = 0, size = 0;
    LONG status = ERROR_MORE_DATA;
    // The value may grow between the size query and the read.
    while (status == ERROR_MORE_DATA) {
        data.resize(size + sizeof(wchar_t));
        size = DWORD(data.size());
        status = RegQueryValueExW(key.get(), name.c_str(), nullptr, &type, data.data(), &size);
    }
    if (status != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) return std::nullopt;
    std::wstring text(reinterpret_cast<const wchar_t*>(data.data()), size / sizeof(wchar_t));
    // Stored strings usually end with a zero, but need not; the text ends at the first one.
    size_t end = text.find(L'\0');
    if (end != std::wstring::npos) text.resize(end);
    return Cp1252FromWide(text);
}

}  // namespace vorlane::win
