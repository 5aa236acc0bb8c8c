#pragma once

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
    /// server is the name the "Msg" headings show.
    BatchRunner(odbc::Connection& connection, ClientOutput& output, std::string server);

    BatchOutcome Run(std::string_view batch);

    /// Writes the records of a failure or of messages, each error with its heading.
    static void WriteRecords(ClientOutput& output, const std::vector<odbc::Diagnostic>& records,
                             const std::string& server);

private:
    void WriteResults();
    void WriteCurrentResult();
    void WriteRows();
    void WriteMessages();
    void NoteErrors(const std::vector<odbc::Diagnostic>& records);

    odbc::Statement m_statement;
    ClientOutput& m_output;
    std::string m_server;
    BatchOutcome m_outcome = BatchOutcome::kRan;
};

}  // namespace synvora::osql
