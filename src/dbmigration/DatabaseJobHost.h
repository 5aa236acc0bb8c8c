#pragma once

#include <string>
#include <string_view>

#include "wizard/toolkit/BusyWorkHost.h"
#include "wizard/toolkit/PageToolkit.h"

namespace synvora {

/// The four fields of a database page, exactly as typed.
struct DatabaseFields {
    std::string server;
    std::string database;
    std::string user;
    std::string password;
};

/// What the database job needs of the finish page that runs it. The finish page implements it;
/// the job itself knows nothing of pages or windows. Everything is called on the user-interface
/// thread, inside the Start handler. The client's run is busy work: a stop chosen then (Yes to the
/// question on Exit) is also a request to leave, so StopRequested holds from then on.
class DatabaseJobHost : public BusyWorkHost {
public:
    virtual ~DatabaseJobHost() = default;

    /// txtSourceServer, txtSourceDataBase, txtSourceUser and txtSourcePassword as they are now.
    virtual DatabaseFields SourceFields() = 0;
    /// txtDestServer, txtDestDataBase, txtDestUser and txtDestPassword as they are now.
    virtual DatabaseFields DestinationFields() = 0;

    /// Empties the step slots lblStep1 to lblStep14 and lblError.
    virtual void ClearSteps() = 0;
    /// Sets the text of lblStep<slot> (1 to 14) and then lets pending events be processed once,
    /// so that the line is painted before the step's work starts. Exit may be pressed meanwhile.
    virtual void ShowStep(int slot, std::string_view text) = 0;

    /// Modal message box with the application title; style and result as the page toolkit has
    /// them (kMsgBoxCritical, ...).
    virtual MsgBoxResult MsgBox(std::string_view prompt, int style) = 0;

    /// True once the user has asked to leave the wizard while the job runs. The job then stops
    /// after its current step, shows nothing more and returns; the page side discards the pages
    /// afterwards.
    virtual bool StopRequested() = 0;
};

}  // namespace synvora
