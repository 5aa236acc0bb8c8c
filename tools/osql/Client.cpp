#include "Client.h"

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <new>
#include <optional>
#include <string_view>

#include "BatchRunner.h"
#include "ClientOptions.h"
#include "ClientOutput.h"
#include "ClientStreams.h"
#include "ResultText.h"
#include "ScriptBatches.h"
#include "ScriptInput.h"
#include "database/SqlServer.h"
#include "database/odbc/Connection.h"
#include "files/Encoding.h"
#include "files/ErrorCodes.h"
#include "files/MigrationError.h"

namespace synvora::osql {
namespace {

constexpr int kExitSuccess = 0;
constexpr int kExitFailure = 1;
constexpr const char* kProgram = "osql.exe: ";

void WriteToStandardError(const std::string& text) {
    std::fputs((kProgram + text + "\n").c_str(), stderr);
}

/// The script as UTF-8; the input is Windows-1252 text like every file of the program.
std::string ReadScript(const ClientOptions& options) {
    return AnsiToUtf8(ReadScriptInput(options.inputFile));
}

/// The password of /P, or else of the environment, where the database job puts it.
std::string PasswordOf(const ClientOptions& options) {
    if (options.passwordGiven) {
        return options.password;
    }
    return EnvironmentValue(kPasswordVariable).value_or("");
}

/// A refused command line: the reason and the usage go into the output file when the command line
/// names one that can be written, so that whoever reads that file learns why the run failed;
/// otherwise to standard error.
int RefuseCommandLine(const std::vector<std::string>& args, const std::string& reason) {
    const std::string text = kProgram + reason + "\n" + ClientUsage();
    if (const std::optional<std::string> outputFile = FindOutputFile(args)) {
        try {
            ClientOutput output = ClientOutput::ToFile(*outputFile);
            output.Write(text);
            output.Flush();
            return kExitFailure;
        } catch (const MigrationError&) {
            // Standard error is left.
        }
    }
    std::fputs(text.c_str(), stderr);
    return kExitFailure;
}

/// Runs a script on an open output; raises MigrationError only when the output fails.
class ScriptRun {
public:
    ScriptRun(const ClientOptions& options, ClientOutput& output) : m_options(options), m_output(output) {}

    /// Every failure but one of the output itself is reported where the run's output goes.
    int Run() {
        try {
            return RunScript();
        } catch (const std::bad_alloc&) {
            return Fail("not enough memory to go on; the rest of the script was not run");
        } catch (const MigrationError& failure) {
            if (failure.Number() == ErrorCode::kClientOutput) {
                throw;
            }
            return Fail(failure.Description());
        }
    }

private:
    int RunScript() {
        std::string script;
        try {
            script = ReadScript(m_options);
        } catch (const MigrationError& failure) {
            return Fail(failure.Description());
        }
        std::optional<odbc::Connection> connection;
        try {
            connection.emplace(BuildConnectionString(m_options.server, m_options.user, m_options.password,
                                                     m_options.database),
                               odbc::Timeouts{m_options.loginTimeoutSeconds, 0});
        } catch (const odbc::OdbcError& failure) {
            return FailLogin(failure);
        }
        const int exitCode = RunBatches(*connection, script);
        try {
            connection->Close();
        } catch (const MigrationError&) {
            // Everything the script did has been reported; a failing goodbye changes nothing.
        }
        return exitCode;
    }

    int RunBatches(odbc::Connection& connection, std::string_view script) {
        BatchRunner runner(connection, m_output, m_options.server);
        for (const ScriptBatch& batch : SplitIntoBatches(script)) {
            WritePromptsAndEcho(batch);
            const BatchOutcome outcome = runner.Run(batch.text);
            m_output.Flush();
            if (outcome == BatchOutcome::kConnectionLost) {
                return Fail("the connection to the server was lost; the rest of the script was not run");
            }
            if (outcome == BatchOutcome::kFailed && m_options.stopOnError) {
                m_output.EndLine();
                m_output.Flush();
                return kExitFailure;
            }
        }
        m_output.EndLine();
        m_output.Flush();
        return kExitSuccess;
    }

    void WritePromptsAndEcho(const ScriptBatch& batch) {
        if (m_options.linePrompts) {
            for (std::size_t line = 1; line <= batch.lineCount; ++line) {
                m_output.Write(std::to_string(line) + "> ");
            }
        }
        if (m_options.echoInput) {
            m_output.EndLine();
            m_output.Write(batch.text);
            m_output.EndLine();
        }
    }

    int FailLogin(const odbc::OdbcError& failure) {
        std::vector<odbc::Diagnostic> records = failure.Records();
        if (records.empty()) {
            records.push_back(odbc::Diagnostic{"08001", 0, failure.Description()});
        }
        for (odbc::Diagnostic& record : records) {
            record.message = MaskConnectionPassword(record.message, m_options.password);
        }
        if (!m_options.outputFile) {
            for (const odbc::Diagnostic& record : records) {
                WriteToStandardError(RecordText(record));
            }
            return kExitFailure;
        }
        BatchRunner::WriteRecords(m_output, records, m_options.server, IsErrorRecord);
        m_output.Flush();
        return kExitFailure;
    }

    /// The reason goes into the output file, or to standard error when the output is standard
    /// output (where it would mix with results).
    int Fail(const std::string& reason) {
        if (!m_options.outputFile) {
            WriteToStandardError(reason);
            return kExitFailure;
        }
        m_output.EndLine();
        m_output.WriteLine(kProgram + reason);
        m_output.Flush();
        return kExitFailure;
    }

    const ClientOptions& m_options;
    ClientOutput& m_output;
};

int RunClientOrRaise(const std::vector<std::string>& args) {
    ClientOptions options;
    try {
        options = ParseClientArguments(args);
    } catch (const MigrationError& failure) {
        return RefuseCommandLine(args, failure.Description());
    }
    if (options.showUsage) {
        std::fputs(ClientUsage().c_str(), stdout);
        return kExitSuccess;
    }
    options.password = PasswordOf(options);
    std::optional<ClientOutput> output;
    try {
        output.emplace(options.outputFile ? ClientOutput::ToFile(*options.outputFile)
                                          : ClientOutput::ToStandardOutput());
    } catch (const MigrationError& failure) {
        WriteToStandardError("cannot create the output file " + *options.outputFile + ": " +
                             failure.Description());
        return kExitFailure;
    }
    try {
        return ScriptRun(options, *output).Run();
    } catch (const MigrationError& failure) {
        WriteToStandardError(failure.Description());
        return kExitFailure;
    }
}

}  // namespace

int RunClient(const std::vector<std::string>& args) {
    try {
        return RunClientOrRaise(args);
    } catch (const std::exception& failure) {
        // Memory ran out where the output cannot take the reason; an exit code still beats an abort.
        WriteToStandardError(failure.what());
        return kExitFailure;
    }
}

}  // namespace synvora::osql
