#include "exceptions.h"

#include "resource_ids.h"

#include <cwctype>
#include <new>

namespace {

UINT IoErrorResource(DWORD code) {
    switch (code) {
    case 2: return IDS_FILE_NOT_FOUND;
    case 3: return IDS_INVALID_FILE_NAME;
    case 4: return IDS_TOO_MANY_OPEN_FILES;
    case 5: return IDS_ACCESS_DENIED;
    case 100: return IDS_READ_BEYOND_END;
    case 101: return IDS_DISK_FULL;
    case 106: return IDS_INVALID_INPUT;
    default: return IDS_IO_ERROR;
    }
}

std::wstring IoErrorMessage(DWORD code, std::wstring_view path) {
    const std::wstring pattern = LoadResString(IoErrorResource(code));
    // Code 3 names the path that could not be reached; the generic text shows the code.
    return FormatText(pattern, {code == 3 ? path : std::wstring_view(std::to_wstring(code))});
}

}  // namespace

EInOutError::EInOutError(DWORD code, std::wstring_view path)
    : Exception(IoErrorMessage(code, path)), code_(code) {}

std::wstring SystemErrorText(DWORD code) {
    wchar_t buffer[512] = {};
    const DWORD length = ::FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
                                          0, buffer, 512, nullptr);
    std::wstring text(buffer, length);
    while (!text.empty() && std::iswspace(text.back())) text.pop_back();
    return text.empty() ? L"erreur " + std::to_wstring(code) : text;
}

std::wstring LoadResString(UINT id) {
    const wchar_t* text = nullptr;
    // With a zero buffer size the call gives a pointer into the resource itself.
    const int length = ::LoadStringW(::GetModuleHandleW(nullptr), id,
                                     reinterpret_cast<wchar_t*>(&text), 0);
    return length > 0 && text ? std::wstring(text, static_cast<size_t>(length)) : std::wstring();
}

std::wstring FormatText(std::wstring_view pattern, std::initializer_list<std::wstring_view> args) {
    std::wstring result;
    auto next = args.begin();
    for (size_t i = 0; i < pattern.size(); ++i) {
        const bool placeholder = pattern[i] == L'%' && i + 1 < pattern.size() &&
                                 (pattern[i + 1] == L's' || pattern[i + 1] == L'd' || pattern[i + 1] == L'p');
        if (placeholder && next != args.end()) {
            result += *next++;
            ++i;
        } else {
            result += pattern[i];
        }
    }
    return result;
}

namespace {

std::wstring Widen(const char* text, UINT codePage, DWORD flags) {
    const int length = ::MultiByteToWideChar(codePage, flags, text, -1, nullptr, 0);
    if (length <= 1) return {};
    std::wstring wide(static_cast<size_t>(length), L'\0');
    ::MultiByteToWideChar(codePage, flags, text, -1, wide.data(), length);
    wide.pop_back();  // the terminating zero
    return wide;
}

// A standard-library exception's own text: UTF-8 as a rule, else in the
// system's code page.
std::wstring WhatText(const std::exception& e) {
    const char* text = e.what();
    if (!text || !*text) return {};
    std::wstring wide = Widen(text, CP_UTF8, MB_ERR_INVALID_CHARS);
    return wide.empty() ? Widen(text, CP_ACP, 0) : wide;
}

// `text`, unless an exception nested in `e` has a message of its own.
std::wstring InnermostText(const std::exception& e, std::wstring text) {
    try {
        std::rethrow_if_nested(e);
    } catch (...) {
        std::wstring inner = ExceptionMessage(std::current_exception());
        if (!inner.empty()) text = std::move(inner);
    }
    return text;
}

}  // namespace

std::wstring ExceptionMessage(const std::exception_ptr& error) {
    try {
        std::rethrow_exception(error);
    } catch (const Exception& e) {
        return InnermostText(e, e.Message());
    } catch (const std::bad_alloc& e) {
        return InnermostText(e, LoadResString(IDS_OUT_OF_MEMORY));
    } catch (const std::exception& e) {
        return InnermostText(e, WhatText(e));
    } catch (...) {
        return {};
    }
}

std::wstring ExceptionClassName(const std::exception_ptr& error) {
    try {
        std::rethrow_exception(error);
    } catch (const Exception& e) {
        return e.ClassName();
    } catch (const std::bad_alloc&) {
        return L"EOutOfMemory";
    } catch (...) {
        return L"Exception";
    }
}

bool IsAbort(const std::exception_ptr& error) {
    try {
        std::rethrow_exception(error);
    } catch (const EAbort&) {
        return true;
    } catch (...) {
        return false;
    }
}
