#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "database/odbc/OdbcError.h"
#include "database/odbc/Statement.h"

namespace synvora::odbc {
class Connection;
}

namespace synvora::osql {

class ClientOutput;

/// How a batch ended.
enum class BatchOutcome {
    kRan,             // the server reported no error
    kFailed,          // the server reported at least one error; the next batch may run
    kConnectionLost,  // the connection is gone; no further batch can run
};

/// Runs batches on one connection, one statement handle for all of them, and writes everything
/// the server says to the output in the order it arrives: messages as their text, errors as a
/// "Msg ..." heading followed by the text, rows as text tables, and affected-row counts.
class BatchRunner {
public:
    /// server is the name the "Msg" headings show. What the server says is written as it said it.
    BatchRunner(odbc::Connection& connection, ClientOutput& output, std::string server);

    BatchOutcome Run(std::string_view batch);

    /// Tells the records that report errors from the others.
    using ErrorTest = bool (*)(const odbc::Diagnostic&);

    /// Writes the records of a failure (isError: IsErrorRecord) or the messages of a successful
    /// call (IsErrorMessage), each error with its heading.
    static void WriteRecords(ClientOutput& output, const std::vector<odbc::Diagnostic>& records,
                             const std::string& server, ErrorTest isError);

private:
    /// How one step of a batch (the execution, or moving to the next result) ended.
    enum class StepResult {
        kDone,
        kServerFailure,  // a statement failed on the server; later results may follow
        kDriverFailure,  // the driver or the connection failed; the batch cannot go on
    };

    /// A failure reported that often in a row ends the batch.
    static constexpr std::size_t kMostRepeatedFailures = 100;

    /// Runs a step and reports its failure, if any. After a failed step, a driver's failure to
    /// move on is not reported: it says nothing about the script.
    StepResult Attempt(const std::function<void()>& step, bool afterFailure);
    void WriteCurrentResult();
    void WriteRows();
    void WriteMessages();
    void NoteErrors(const std::vector<odbc::Diagnostic>& records, ErrorTest isError);
    /// True when the records carry a connection state and the connection itself is gone.
    bool IsConnectionLost(const std::vector<odbc::Diagnostic>& records) const;

    odbc::Connection& m_connection;
    odbc::Statement m_statement;
    ClientOutput& m_output;
    std::string m_server;
    BatchOutcome m_outcome = BatchOutcome::kRan;
    std::string m_lastFailure;
};

}  // namespace synvora::osql
