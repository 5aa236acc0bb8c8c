// The Windows program for the real-window test under Wine, which has no network: the system's two
// networking calls are answered as a network with the old server would answer them (FakeNetwork),
// its share D$ on the Wine prefix's drive Y:. Everything else is the program itself.
//   SYNVORA_TEST_OLD_SERVER, SYNVORA_TEST_OLD_USER, SYNVORA_TEST_OLD_PASSWORD: the old server and
//   the login its share accepts.
#include <cstdlib>
#include <string>

#include "files/win32/WideText.h"
#include "support/win32/FakeNetwork.h"
#include "win32/WizardProgram.h"

namespace {

std::string Setting(const wchar_t* name) {
    const wchar_t* value = ::_wgetenv(name);
    return value != nullptr ? synvora::WideToUtf8(value) : std::string();
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    const synvora::test::FakeNetwork network(
        Setting(L"SYNVORA_TEST_OLD_SERVER"),
        {Setting(L"SYNVORA_TEST_OLD_USER"), Setting(L"SYNVORA_TEST_OLD_PASSWORD")});
    return synvora::RunWizardProgram();
}
