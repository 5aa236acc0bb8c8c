#include "BatchRunner.h"

#include <algorithm>
#include <string>
#include <utility>

#include "ClientOutput.h"
#include "ResultText.h"
#include "database/odbc/Connection.h"

namespace synvora::osql {
namespace {

/// SQLSTATE class 08 names a connection failure, but not necessarily of this client's connection:
/// a statement on the server that itself fails to connect somewhere (a linked server) reports
/// the same class as an ordinary error of its batch.
bool HasConnectionState(const odbc::Diagnostic& record) {
    return record.sqlState.starts_with("08");
}

/// A failure of the driver rather than of a statement on the server: nothing more of the batch
/// can be reached after it.
bool IsDriverFailure(const odbc::Diagnostic& record) {
    const std::string_view state = record.sqlState;
    return state.starts_with("HY") || state.starts_with("IM");
}

/// A failure without any record (rare, but a driver may do it) still shows as an error.
std::vector<odbc::Diagnostic> RecordsOf(const odbc::OdbcError& failure) {
    if (!failure.Records().empty()) {
        return failure.Records();
    }
    return {odbc::Diagnostic{"HY000", 0, failure.Description()}};
}

}  // namespace

BatchRunner::BatchRunner(odbc::Connection& connection, ClientOutput& output, std::string server)
    : m_connection(connection), m_statement(connection), m_output(output), m_server(std::move(server)) {}

BatchOutcome BatchRunner::Run(std::string_view batch) {
    m_outcome = BatchOutcome::kRan;
    const std::string text(batch);
    StepResult step = Attempt(
        [&] {
            m_statement.Execute(text);
            WriteMessages();
            WriteCurrentResult();
        },
        false);
    // A server may go on with the rest of a batch after a failed statement; its later results
    // are reached by moving on, after a failure as after a success.
    std::size_t sameFailureInARow = 0;
    while (step != StepResult::kDriverFailure && m_outcome != BatchOutcome::kConnectionLost) {
        const std::string previousFailure = m_lastFailure;
        bool advanced = false;
        step = Attempt(
            [&] {
                advanced = m_statement.NextResult();
                // Messages collected on the way to a result came before it.
                WriteMessages();
                if (advanced) {
                    WriteCurrentResult();
                }
            },
            step != StepResult::kDone);
        if (step == StepResult::kDone && !advanced) {
            break;
        }
        // A driver that cannot move past a failure would report it forever.
        sameFailureInARow = step == StepResult::kServerFailure && m_lastFailure == previousFailure
                                ? sameFailureInARow + 1
                                : 0;
        if (sameFailureInARow >= kMostRepeatedFailures) {
            break;
        }
    }
    return m_outcome;
}

BatchRunner::StepResult BatchRunner::Attempt(const std::function<void()>& step, bool afterFailure) {
    try {
        step();
        return StepResult::kDone;
    } catch (const odbc::OdbcError& failure) {
        const std::vector<odbc::Diagnostic> records = RecordsOf(failure);
        const bool connectionLost = IsConnectionLost(records);
        const bool serverFailure =
            !connectionLost && std::none_of(records.begin(), records.end(), IsDriverFailure);
        // Moving on after a failure is a question to the driver; a driver that cannot answer
        // it has nothing to say that the server said.
        if (afterFailure && !serverFailure) {
            if (connectionLost) {
                m_outcome = BatchOutcome::kConnectionLost;
            }
            return StepResult::kDriverFailure;
        }
        // Messages that came before the failure first, then the failure itself.
        WriteMessages();
        WriteRecords(m_output, records, m_server, IsErrorRecord);
        NoteErrors(records, IsErrorRecord);
        if (m_outcome == BatchOutcome::kRan) {
            m_outcome = BatchOutcome::kFailed;
        }
        m_lastFailure = failure.Description();
        return serverFailure ? StepResult::kServerFailure : StepResult::kDriverFailure;
    }
}

void BatchRunner::WriteRecords(ClientOutput& output, const std::vector<odbc::Diagnostic>& records,
                               const std::string& server, ErrorTest isError) {
    for (const odbc::Diagnostic& record : records) {
        if (isError(record)) {
            output.WriteLine(ErrorHeading(record, server));
        }
        output.WriteLine(RecordText(record));
    }
}

void BatchRunner::WriteCurrentResult() {
    if (m_statement.ColumnCount() > 0) {
        WriteRows();
        return;
    }
    const std::int64_t affected = m_statement.AffectedRows();
    if (affected >= 0) {
        m_output.WriteLine(AffectedRowsLine(affected));
    }
}

void BatchRunner::WriteRows() {
    RowSetWriter rows(m_output, m_statement.ColumnNames());
    try {
        while (m_statement.Fetch()) {
            rows.Add(m_statement.RowValues());
        }
    } catch (...) {
        rows.Finish();
        throw;
    }
    rows.Finish();
    WriteMessages();
}

void BatchRunner::WriteMessages() {
    const std::vector<odbc::Diagnostic> records = m_statement.TakeMessages();
    if (records.empty()) {
        return;
    }
    // These came with calls that succeeded: a notice is never an error, whatever its SQLSTATE.
    WriteRecords(m_output, records, m_server, IsErrorMessage);
    NoteErrors(records, IsErrorMessage);
}

void BatchRunner::NoteErrors(const std::vector<odbc::Diagnostic>& records, ErrorTest isError) {
    if (IsConnectionLost(records)) {
        m_outcome = BatchOutcome::kConnectionLost;
    } else if (m_outcome == BatchOutcome::kRan && std::any_of(records.begin(), records.end(), isError)) {
        m_outcome = BatchOutcome::kFailed;
    }
}

// Only a connection state makes the question worth asking; a driver that cannot tell is taken at
// its word that the connection failed.
bool BatchRunner::IsConnectionLost(const std::vector<odbc::Diagnostic>& records) const {
    return std::any_of(records.begin(), records.end(), HasConnectionState) &&
           m_connection.IsDead().value_or(true);
}

}  // namespace synvora::osql
