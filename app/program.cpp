#include "program.h"

#include "application.h"
#include "error_text.h"
#include "exceptions.h"
#include "resource_ids.h"
#include "screen.h"
#include "system_library.h"

#include <cstdlib>
#include <memory>

namespace {

std::wstring ModuleFileName() {
    const std::wstring path = ModulePath();
    return path.substr(path.find_last_of(L'\\') + 1);
}

// The error box shown when the program cannot start at all.
void ShowProcessError(const std::exception_ptr& error) {
    const std::wstring message = ExceptionMessage(error);
    const std::wstring text =
        FormatText(LoadResString(IDS_EXCEPTION_IN_MODULE),
                   {ExceptionClassName(error), ModuleFileName(), L"00000000", message, FullStopAfter(message)});
    ::MessageBoxW(nullptr, text.c_str(), LoadResString(IDS_APPLICATION_ERROR).c_str(), MB_TASKMODAL | MB_ICONERROR);
}

}  // namespace

// An exception that escapes every handler ends the process. The library's
// own handler would print its type name to a console this windowed program
// does not have, and bring a name demangler of some 30 KB into the exe.
namespace __gnu_cxx {
void __verbose_terminate_handler() { std::abort(); }
}  // namespace __gnu_cxx

int RunProgram(void (*entry)()) {
    RestrictDllSearch();

    auto screen = std::make_unique<TScreen>();
    Screen = screen.get();
    auto application = std::make_unique<TApplication>();
    Application = application.get();

    auto shutdown = [&] {
        if (Application) Application->DestroyForms();
        application.reset();
        Application = nullptr;
        screen.reset();
        Screen = nullptr;
    };
    Application->OnEndSession = [&] {
        shutdown();
        ::ExitProcess(0);
    };

    int exitCode = 0;
    try {
        entry();
    } catch (...) {
        ShowProcessError(std::current_exception());
        exitCode = 1;
    }
    shutdown();
    return exitCode;
}
