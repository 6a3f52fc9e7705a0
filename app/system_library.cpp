#include "app/system_library.h"

#include <map>
#include <string>
#include <vector>

namespace {

SetDefaultDllDirectoriesFn LookUpSetDefaultDllDirectories() {
    HMODULE kernel = ::GetModuleHandleW(L"kernel32.dll");
    return kernel ? reinterpret_cast<SetDefaultDllDirectoriesFn>(
                        reinterpret_cast<void*>(::GetProcAddress(kernel, "SetDefaultDllDirectories")))
                  : nullptr;
}

// Without the search flags: the library by its full path, and the libraries
// it imports looked up from its own folder first.
HMODULE LoadByFullPath(const wchar_t* name) {
    wchar_t folder[MAX_PATH] = {};
    const UINT length = ::GetSystemDirectoryW(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return nullptr;
    const std::wstring path = std::wstring(folder, length) + L"\\" + name;
    return LoadLibraryExCall(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

}  // namespace

SetDefaultDllDirectoriesFn SetDefaultDllDirectoriesCall = LookUpSetDefaultDllDirectories();
LoadLibraryExFn LoadLibraryExCall = &::LoadLibraryExW;

void RestrictDllSearch() {
    if (SetDefaultDllDirectoriesCall) {
        (void)SetDefaultDllDirectoriesCall(LOAD_LIBRARY_SEARCH_SYSTEM32);
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
    HMODULE module = SetDefaultDllDirectoriesCall ? LoadLibraryExCall(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32)
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
