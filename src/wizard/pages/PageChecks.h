#pragma once

#include <initializer_list>
#include <string_view>

#include "wizard/WizardServices.h"
#include "wizard/pages/Page.h"
#include "wizard/toolkit/Controls.h"

namespace synvora {

/// A text field that must not be empty, with the name its message uses.
struct RequiredField {
    const TextBox& field;
    std::string_view caption;
};

/// True when every field holds at least one character (blanks count). Otherwise shows "The field
/// '<caption>' should contain a value." (critical) for the first empty one and returns false.
bool CheckRequiredFields(PageToolkit& toolkit, std::initializer_list<RequiredField> fields);

/// The four connection fields of a database page and its status label.
struct ConnectionFields {
    const TextBox& server;
    const TextBox& database;
    const TextBox& user;
    const TextBox& password;
    Label& status;
};

/// Opens and closes a test connection with the page's fields under the busy pointer, with the
/// status label telling what happens. On failure shows `failurePrefix` followed by " please check
/// the entered database information." (critical) and returns false. Returns false without a word
/// when no connection test is installed, or when the user left the wizard while the status text
/// was being painted. Whatever the connection test raises goes on to the caller, with the default
/// pointer back.
bool CheckDatabaseConnection(const Page& page, PageToolkit& toolkit, const WizardServices& services,
                             ConnectionFields fields, std::string_view failurePrefix);

}  // namespace synvora
