#include "launch_support.h"

void MakeFile(const std::wstring& path, const std::string& content, DWORD attributes) {
    ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    win::UniqueFile file(
        ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    ::WriteFile(file.get(), content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
    file.reset();
    ::SetFileAttributesW(path.c_str(), attributes);
}

void RemoveItem(const std::wstring& path) {
    if (!::DeleteFileW(path.c_str())) RemoveTree(path);
}

void RemoveTree(const std::wstring& path) {
    WIN32_FIND_DATAW data;
    win::UniqueFind find(::FindFirstFileW((path + L"\\*").c_str(), &data));
    if (find) {
        do {
            const std::wstring name = data.cFileName;
            if (name == L"." || name == L"..") continue;
            const std::wstring child = path + L"\\" + name;
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTree(child);
            } else {
                ::SetFileAttributesW(child.c_str(), FILE_ATTRIBUTE_NORMAL);
                ::DeleteFileW(child.c_str());
            }
        } while (::FindNextFileW(find.get(), &data));
    }
    find.reset();
    ::RemoveDirectoryW(path.c_str());
}

namespace {

std::optional<DWORD> UserSetting(const wchar_t* key, const wchar_t* name) {
    DWORD value = 0;
    DWORD size = sizeof(value);
    if (::RegGetValueW(HKEY_CURRENT_USER, key, name, RRF_RT_REG_DWORD, nullptr, &value, &size) != ERROR_SUCCESS)
        return std::nullopt;
    return value;
}

}  // namespace

UserSettingScope::UserSettingScope(const wchar_t* key, const wchar_t* name, std::optional<DWORD> value)
    : key_(key), name_(name), before_(UserSetting(key, name)) {
    Set(value);
}

UserSettingScope::~UserSettingScope() { Set(before_); }

void UserSettingScope::Set(std::optional<DWORD> value) const {
    if (value)
        ::RegSetKeyValueW(HKEY_CURRENT_USER, key_, name_, REG_DWORD, &*value, sizeof(*value));
    else
        ::RegDeleteKeyValueW(HKEY_CURRENT_USER, key_, name_);
}

std::wstring ClassOf(HWND window) {
    wchar_t name[64] = {};
    ::GetClassNameW(window, name, 64);
    return name;
}

std::wstring SystemFolder() {
    wchar_t folder[MAX_PATH] = {};
    ::GetSystemDirectoryW(folder, MAX_PATH);
    return folder;
}

StartedProcess StartProcess(const std::wstring& exe, const std::wstring& arguments, int showCommand,
                            const std::wstring& folder, DWORD creationFlags) {
    std::wstring commandLine = L"\"" + exe + L"\"" + (arguments.empty() ? L"" : L" " + arguments);
    STARTUPINFOW startup{sizeof(startup)};
    if (showCommand >= 0) {
        startup.dwFlags = STARTF_USESHOWWINDOW;
        startup.wShowWindow = static_cast<WORD>(showCommand);
    }
    PROCESS_INFORMATION info{};
    StartedProcess started;
    if (!::CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, creationFlags, nullptr,
                          folder.empty() ? nullptr : folder.c_str(), &startup, &info))
        return started;
    win::UniqueKernelHandle thread(info.hThread);
    started.process.reset(info.hProcess);
    started.id = info.dwProcessId;
    return started;
}

namespace {

struct WindowSearch {
    DWORD processId;
    const std::wstring& cls;
    bool visible;
    HWND except;
    HWND found = nullptr;

    static BOOL CALLBACK Visit(HWND window, LPARAM param) {
        auto& search = *reinterpret_cast<WindowSearch*>(param);
        DWORD owner = 0;
        ::GetWindowThreadProcessId(window, &owner);
        if (owner != search.processId || window == search.except) return TRUE;
        if (search.visible && !::IsWindowVisible(window)) return TRUE;
        if (!search.cls.empty() && ClassOf(window) != search.cls) return TRUE;
        search.found = window;
        return FALSE;
    }
};

}  // namespace

HWND FindWindowOfProcess(DWORD processId, const std::wstring& cls, bool visible, HWND except) {
    WindowSearch search{processId, cls, visible, except};
    ::EnumWindows(&WindowSearch::Visit, reinterpret_cast<LPARAM>(&search));
    return search.found;
}
