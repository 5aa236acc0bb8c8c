#include "BatchRunner.h"

#include <string>
#include <utility>

#include "ClientOutput.h"
#include "ResultText.h"

namespace synvora::osql {
namespace {

/// SQLSTATE class 08: the connection failed or is closed.
bool IsConnectionFailure(const odbc::Diagnostic& record) {
    return record.sqlState.starts_with("08");
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
    : m_statement(connection), m_output(output), m_server(std::move(server)) {}

BatchOutcome BatchRunner::Run(std::string_view batch) {
    m_outcome = BatchOutcome::kRan;
    try {
        m_statement.Execute(std::string(batch));
        WriteResults();
    } catch (const odbc::OdbcError& failure) {
        // Messages that came before the failure first, then the failure itself.
        WriteMessages();
        const std::vector<odbc::Diagnostic> records = RecordsOf(failure);
        WriteRecords(m_output, records, m_server);
        NoteErrors(records);
        if (m_outcome == BatchOutcome::kRan) {
            m_outcome = BatchOutcome::kFailed;
        }
    }
    return m_outcome;
}

void BatchRunner::WriteRecords(ClientOutput& output, const std::vector<odbc::Diagnostic>& records,
                               const std::string& server) {
    for (const odbc::Diagnostic& record : records) {
        if (IsErrorRecord(record)) {
            output.WriteLine(ErrorHeading(record, server));
        }
        output.WriteLine(RecordText(record));
    }
}

void BatchRunner::WriteResults() {
    WriteMessages();
    WriteCurrentResult();
    while (m_statement.NextResult()) {
        // Messages collected on the way to a result came before it.
        WriteMessages();
        WriteCurrentResult();
    }
    WriteMessages();
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
    WriteRecords(m_output, records, m_server);
    NoteErrors(records);
}

void BatchRunner::NoteErrors(const std::vector<odbc::Diagnostic>& records) {
    for (const odbc::Diagnostic& record : records) {
        if (IsConnectionFailure(record)) {
            m_outcome = BatchOutcome::kConnectionLost;
        } else if (IsErrorRecord(record) && m_outcome == BatchOutcome::kRan) {
            m_outcome = BatchOutcome::kFailed;
        }
    }
}

}  // namespace synvora::osql
