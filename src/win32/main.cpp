// The Windows program: the wizard's pages in native windows (wizard/win32), on the services'
// Windows implementations. A GUI-subsystem program; it takes no arguments.
#include "files/win32/WindowsApi.h"
#include "win32/WizardProgram.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    return synvora::RunWizardProgram();
}
