#pragma once

#include <string>
#include <string_view>

#include "jobhost/BusyWorkHost.h"
#include "jobhost/MessageBoxes.h"

namespace synvora {

/// The four fields of a database page, exactly as typed.
struct DatabaseFields {
    std::string server;
    std::string database;
    std::string user;
    std::string password;
};

/// What a job needs of the finish page that runs it. The finish page implements it; the jobs
/// themselves know nothing of pages or windows. Everything is called on the user-interface
/// thread, inside the Start handler. Blocking work of a job (a script run, a folder copy) is busy
/// work: a stop chosen then (Yes to the question on Exit) is also a request to leave, so
/// StopRequested holds from then on.
class JobHost : public BusyWorkHost {
public:
    virtual ~JobHost() = default;

    /// txtSourceServer, txtSourceDataBase, txtSourceUser and txtSourcePassword as they are now.
    virtual DatabaseFields SourceFields() = 0;
    /// txtDestServer, txtDestDataBase, txtDestUser and txtDestPassword as they are now.
    virtual DatabaseFields DestinationFields() = 0;

    /// Empties the step slots lblStep1 to lblStep14 and lblError.
    virtual void ClearSteps() = 0;
    /// Sets the text of lblStep<slot> (1 to 14) and then lets pending events be processed once,
    /// so that the line is painted before the step's work starts. Exit may be pressed meanwhile.
    virtual void ShowStep(int slot, std::string_view text) = 0;

    /// Modal message box with the application title (kMsgBoxCritical, ...).
    virtual MsgBoxResult MsgBox(std::string_view prompt, int style) = 0;

    /// True once the user has asked to leave the wizard while the job runs. The job then stops
    /// after its current step, shows nothing more and returns; the page side discards the pages
    /// afterwards.
    virtual bool StopRequested() = 0;
};

/// Once the user has asked to leave, a job shows nothing more.
inline void MsgBoxUnlessStopping(JobHost& host, std::string_view prompt, int style) {
    if (!host.StopRequested()) {
        host.MsgBox(prompt, style);
    }
}

}  // namespace synvora
