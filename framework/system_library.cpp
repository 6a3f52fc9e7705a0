#include "system_library.h"

#include "platform_calls.h"

#include <map>
#include <string>
#include <vector>

namespace {

// Without the search flags: the library by its full path, and the libraries
// it imports looked up from its own folder first.
HMODULE LoadByFullPath(const wchar_t* name) {
    wchar_t folder[MAX_PATH] = {};
    const UINT length = ::GetSystemDirectoryW(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return nullptr;
    const std::wstring path = std::wstring(folder, length) + L"\\" + name;
    return Platform().LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

}  // namespace

std::wstring ModulePath() {
    // The call cuts the path at the buffer's end: a longer buffer until it fits.
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

void RestrictDllSearch() {
    if (const auto restrict = Platform().SetDefaultDllDirectories) {
        (void)restrict(LOAD_LIBRARY_SEARCH_SYSTEM32);
        return;
    }
    // An empty text, not null: null would give the current folder back.
    (void)::SetDllDirectoryW(L"");
}

HMODULE SystemLibrary(const wchar_t* name) {
    // Loaded once and never freed: the handles live as long as the process.
    static std::map<std::wstring, HMODULE> loaded;
    auto it = loaded.find(name);
    if (it != loaded.end()) return it->second;
    HMODULE module = Platform().SetDefaultDllDirectories
                         ? Platform().LoadLibraryExW(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32)
                         : LoadByFullPath(name);
    loaded.emplace(name, module);
    return module;
}

DWORD FileVersionMS(const wchar_t* file) {
    using SizeFn = DWORD(WINAPI*)(LPCWSTR, LPDWORD);
    using InfoFn = BOOL(WINAPI*)(LPCWSTR, DWORD, DWORD, LPVOID);
    using QueryFn = BOOL(WINAPI*)(LPCVOID, LPCWSTR, LPVOID*, PUINT);
    static auto size = SystemFunction<SizeFn>(L"version.dll", "GetFileVersionInfoSizeW");
    static auto info = SystemFunction<InfoFn>(L"version.dll", "GetFileVersionInfoW");
    static auto query = SystemFunction<QueryFn>(L"version.dll", "VerQueryValueW");
    if (!size || !info || !query) return 0;
    DWORD ignored = 0;
    const DWORD bytes = size(file, &ignored);
    if (bytes == 0) return 0;
    std::vector<BYTE> block(bytes);
    if (!info(file, 0, bytes, block.data())) return 0;
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    if (!query(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &length) || !fixed) return 0;
    return fixed->dwFileVersionMS;
}

bool SystemAtLeast(DWORD major, DWORD minor) {
    OSVERSIONINFOW info{sizeof(info)};
    if (!Platform().GetVersionExW(&info)) return false;
    return info.dwMajorVersion > major || (info.dwMajorVersion == major && info.dwMinorVersion >= minor);
}
