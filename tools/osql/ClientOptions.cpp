#include "ClientOptions.h"

#include <charconv>
#include <string_view>

#include "files/ErrorCodes.h"
#include "files/MigrationError.h"

namespace synvora::osql {
namespace {

constexpr const char* kSource = "osql.exe";
constexpr std::string_view kFlagLetters = "neb?";
constexpr std::string_view kValueLetters = "SUPdiolt";
constexpr int kMaximumTimeout = 65535;

[[noreturn]] void ThrowUsage(const std::string& message) {
    throw MigrationError(ErrorCode::kClientUsage, kSource, message);
}

bool StartsLikeSwitch(std::string_view word) {
    return word.size() >= 2 && (word.front() == '/' || word.front() == '-');
}

bool IsKnownLetter(char letter) {
    return kFlagLetters.find(letter) != std::string_view::npos ||
           kValueLetters.find(letter) != std::string_view::npos;
}

/// A word that stands for a switch on its own ("/d", "-n"); such a word after a value switch
/// means that the value was left empty, as the wizard writes an empty password ("/P  /d db").
bool IsBareSwitchWord(std::string_view word) {
    return word.size() == 2 && StartsLikeSwitch(word) && IsKnownLetter(word[1]);
}

int ParseTimeout(const std::string& value) {
    int seconds = -1;
    const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), seconds);
    if (value.empty() || error != std::errc() || end != value.data() + value.size() || seconds < 0 ||
        seconds > kMaximumTimeout) {
        ThrowUsage("the login time-out must be a whole number of seconds from 0 to 65535");
    }
    return seconds;
}

void ApplyFlag(ClientOptions& options, char letter) {
    switch (letter) {
        case 'n':
            options.linePrompts = false;
            break;
        case 'e':
            options.echoInput = true;
            break;
        case 'b':
            options.stopOnError = true;
            break;
        default:
            options.showUsage = true;
            break;
    }
}

void ApplyValue(ClientOptions& options, char letter, const std::string& value) {
    if (value.empty() && letter != 'P') {
        ThrowUsage(std::string("the switch /") + letter + " needs a value");
    }
    switch (letter) {
        case 'S':
            options.server = value;
            break;
        case 'U':
            options.user = value;
            break;
        case 'P':
            options.password = value;
            options.passwordGiven = true;
            break;
        case 'd':
            options.database = value;
            break;
        case 'i':
            options.inputFile = value;
            break;
        case 'o':
            options.outputFile = value;
            break;
        default:  // 'l' and 't'
            options.loginTimeoutSeconds = ParseTimeout(value);
            break;
    }
}

}  // namespace

ClientOptions ParseClientArguments(const std::vector<std::string>& args) {
    ClientOptions options;
    bool userGiven = false;
    // A stray word right after the password may be the rest of a password that holds a blank.
    bool afterPassword = false;
    for (std::size_t index = 0; index < args.size(); ++index) {
        const std::string& word = args[index];
        if (!StartsLikeSwitch(word)) {
            ThrowUsage("argument " + std::to_string(index + 1) +
                       " is not a switch; a value that holds blanks must be enclosed in double quotes");
        }
        const char letter = word[1];
        if (!IsKnownLetter(letter)) {
            ThrowUsage(afterPassword ? "argument " + std::to_string(index + 1) + " is not a known switch"
                                     : std::string("unknown switch ") + word.substr(0, 2));
        }
        afterPassword = false;
        if (kFlagLetters.find(letter) != std::string_view::npos) {
            if (word.size() > 2) {
                ThrowUsage(std::string("the switch ") + word.substr(0, 2) + " takes no value");
            }
            ApplyFlag(options, letter);
            continue;
        }
        std::string value = word.substr(2);
        if (value.empty() && index + 1 < args.size() && !IsBareSwitchWord(args[index + 1])) {
            value = args[++index];
        }
        ApplyValue(options, letter, value);
        userGiven = userGiven || letter == 'U';
        afterPassword = letter == 'P';
    }
    if (!options.showUsage && !userGiven) {
        ThrowUsage("the login name (/U) is missing");
    }
    return options;
}

std::optional<std::string> FindOutputFile(const std::vector<std::string>& args) {
    std::optional<std::string> outputFile;
    for (std::size_t index = 0; index < args.size(); ++index) {
        const std::string& word = args[index];
        if (!StartsLikeSwitch(word) || kValueLetters.find(word[1]) == std::string_view::npos) {
            continue;
        }
        std::string value = word.substr(2);
        if (value.empty() && index + 1 < args.size() && !IsBareSwitchWord(args[index + 1])) {
            value = args[++index];
        }
        if (word[1] == 'o' && !value.empty()) {
            outputFile = value;
        }
    }
    return outputFile;
}

std::string ClientUsage() {
    return "usage: osql.exe /U login [/P password] [/S server] [/d database]\n"
           "                [/i input_file] [/o output_file] [/n] [/e] [/b] [/l seconds] [/?]\n"
           "  /U login        login name\n"
           "  /P password     password of the login; when left out, the environment variable\n"
           "                  OSQLPASSWORD holds it (empty when that is not set either)\n"
           "  /S server       server to connect to\n"
           "  /d database     database to use\n"
           "  /i input_file   script to run (Windows-1252 text; batches end at lines holding GO);\n"
           "                  standard input when left out\n"
           "  /o output_file  file that receives everything the server says (Windows-1252,\n"
           "                  CR LF); standard output when left out\n"
           "  /n              no line-number prompts in the output\n"
           "  /e              write each batch into the output before its results\n"
           "  /b              stop at the first batch that fails and exit with code 1\n"
           "  /l seconds      login time-out (also /t; 0 waits without limit; default 15)\n"
           "  /?              show this text\n"
           "Switches may start with / or -; values may also be attached (/Sserver).\n";
}

}  // namespace synvora::osql
