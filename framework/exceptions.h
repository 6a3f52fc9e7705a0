// The framework's exception types and its access to the French string table.
#pragma once

#include <windows.h>

#include <exception>
#include <initializer_list>
#include <string>
#include <string_view>

// Base of every exception the framework raises: a message in UTF-16.
class Exception : public std::exception {
public:
    explicit Exception(std::wstring message) : message_(std::move(message)) {}
    const std::wstring& Message() const noexcept { return message_; }
    virtual const wchar_t* ClassName() const noexcept { return L"Exception"; }
    const char* what() const noexcept override { return "Exception"; }

private:
    std::wstring message_;
};

// Ends an operation quietly: never shown to the user.
class EAbort : public Exception {
public:
    EAbort() : Exception(L"") {}
    const wchar_t* ClassName() const noexcept override { return L"EAbort"; }
};

// The exceptions are not final: std::throw_with_nested wraps one, with the
// exception it was thrown from, in a class derived from it.
// The argument is a class's name, which cannot stand in parentheses.
// NOLINTBEGIN(bugprone-macro-parentheses)
#define DECLARE_EXCEPTION(Name)                                                 \
    class Name : public Exception {                                             \
    public:                                                                     \
        using Exception::Exception;                                             \
        const wchar_t* ClassName() const noexcept override { return L## #Name; } \
    };
// NOLINTEND(bugprone-macro-parentheses)

DECLARE_EXCEPTION(EOutOfResources)
DECLARE_EXCEPTION(EResNotFound)
DECLARE_EXCEPTION(EReadError)
DECLARE_EXCEPTION(EClipboardException)
#undef DECLARE_EXCEPTION

// A failed file-system operation, with the platform's error code.
class EInOutError : public Exception {
public:
    EInOutError(DWORD code, std::wstring_view path);
    DWORD ErrorCode() const noexcept { return code_; }
    const wchar_t* ClassName() const noexcept override { return L"EInOutError"; }

private:
    DWORD code_;
};

// The system's text for an error code, in the user's language; "erreur N"
// when the system has none.
std::wstring SystemErrorText(DWORD code);

// A text of the program's string table.
std::wstring LoadResString(UINT id);

// The pattern with its "%s", "%d" and "%p" placeholders replaced, in order,
// by the given texts.
std::wstring FormatText(std::wstring_view pattern, std::initializer_list<std::wstring_view> args);

// The message of an exception, walking into nested exceptions: the innermost
// non-empty message wins. Out of memory has the framework's text, another
// standard-library exception its own; an exception of no known kind has none.
std::wstring ExceptionMessage(const std::exception_ptr& error);
// The type name used in the process-level error box.
std::wstring ExceptionClassName(const std::exception_ptr& error);
// Whether the exception ends an operation silently.
bool IsAbort(const std::exception_ptr& error);
