// The program's entry sequence.
#include "application.h"
#include "main_form.h"
#include "program.h"

namespace {

void EntrySequence() {
    Application->Initialize();
    Application->SetMainFormOnTaskBar(true);
    Application->CreateForm(Form1);
    Application->Run();
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    return RunProgram(&EntrySequence);
}
