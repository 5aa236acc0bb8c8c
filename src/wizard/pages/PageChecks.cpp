#include "PageChecks.h"

#include <string>

#include "wizard/toolkit/BusyPointer.h"

namespace synvora {

bool CheckRequiredFields(PageToolkit& toolkit, std::initializer_list<RequiredField> fields) {
    for (const RequiredField& required : fields) {
        if (required.field.Text().empty()) {
            toolkit.MsgBox("The field '" + std::string(required.caption) + "' should contain a value.",
                           kMsgBoxCritical);
            return false;
        }
    }
    return true;
}

bool CheckDatabaseConnection(const Page& page, PageToolkit& toolkit, const WizardServices& services,
                             ConnectionFields fields, std::string_view failurePrefix) {
    if (!services.testConnection) {
        return false;
    }
    BusyPointer busy(toolkit);
    fields.status.SetCaption("Checking database information...");
    // Paint the status text before the connection attempt blocks the window.
    toolkit.DoEvents();
    if (page.IsUnloaded()) {
        // Cancel was handled in the pause: the wizard is over, nothing more is tried or shown.
        return false;
    }

    const int result = services.testConnection(fields.server.Text(), fields.user.Text(),
                                               fields.password.Text(), fields.database.Text());
    if (result != 0) {
        // The message box is not to be read under the hourglass.
        busy.Restore();
        toolkit.MsgBox(std::string(failurePrefix) + " please check the entered database information.",
                       kMsgBoxCritical);
        fields.status.SetCaption("Database information not correct.");
        return false;
    }
    fields.status.SetCaption("Database information is valid.");
    return true;
}

}  // namespace synvora
