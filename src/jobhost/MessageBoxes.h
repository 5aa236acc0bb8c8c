#pragma once

namespace synvora {

/// Message box styles the program uses; the value is what the original toolkit took.
enum MsgBoxStyle : int {
    kMsgBoxOkOnly = 0,        // OK button, no icon
    kMsgBoxYesNo = 4,         // Yes and No buttons, no icon; Yes is the default
    kMsgBoxCritical = 16,     // OK button, critical-stop icon
    kMsgBoxInformation = 64,  // OK button, information icon
};

enum class MsgBoxResult { Ok = 1, Yes = 6, No = 7 };

/// Application title that every message box carries.
inline constexpr const char* kApplicationTitle = "Synvora 2.5 - Migration";

}  // namespace synvora
