#include "WebContent.h"

#include "support/TempDir.h"

namespace synvora::test {
namespace {

const std::string kOldInstallationPath = "Program Files/E-Synvora";
const std::string kNewInstallationPath = "Portivo";

std::string ParameterRows(const WebContent& content, const std::string& newRoot, bool old) {
    std::string names;
    std::string rows;
    for (const ContentFolder& folder : content.folders) {
        if (!folder.fromParameter) {
            continue;
        }
        const std::string value = old                   ? folder.oldValue
                                  : folder.absolutePath ? newRoot + "/" + folder.newValue
                                                        : folder.newValue;
        names += (names.empty() ? "" : ", ") + SqlLiteral(folder.name);
        rows += std::string(rows.empty() ? "" : ",\n    ") + "(" + SqlLiteral(folder.name) + ", " +
                SqlLiteral(value) + ")";
    }
    return "DELETE FROM dbo.SYNVORAPARAMETER WHERE PARAMNAME IN (" + names +
           ");\n"
           "INSERT INTO dbo.SYNVORAPARAMETER (PARAMNAME, PARAMVALUE) VALUES\n    " +
           rows + ";\n";
}

ContentFolder Parameter(std::string name, std::string oldValue, std::string oldPath, std::string newValue,
                        std::string newPath, bool absolute, FileTree files) {
    return {std::move(name),
            true,
            std::move(oldValue),
            std::move(newValue),
            absolute,
            std::move(oldPath),
            std::move(newPath),
            std::move(files)};
}

ContentFolder Fixed(const std::string& name, FileTree files) {
    return {name,
            false,
            "",
            "",
            false,
            kOldInstallationPath + "/" + name,
            kNewInstallationPath + "/" + name,
            std::move(files)};
}

}  // namespace

std::string SqlLiteral(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) {
        quoted += c;
        if (c == '\'') {
            quoted += '\'';
        }
    }
    return quoted + "'";
}

std::string RandomBytes(std::size_t size, std::uint64_t seed) {
    std::string bytes(size, '\0');
    for (char& byte : bytes) {
        seed = seed * 6364136223846793005ULL + 1442695040888963407ULL;
        byte = static_cast<char>(seed >> 56);
    }
    return bytes;
}

WebContent SampleWebContent() {
    WebContent content;
    content.oldInstallationFolder = "D:\\Program Files\\E-Synvora";
    content.newInstallationFolder = kNewInstallationPath;
    content.folders = {
        Parameter("AttachmentsVirtualPath", "Data\\Attachments", kOldInstallationPath + "/Data/Attachments",
                  "Data\\Attachments", kNewInstallationPath + "/Data/Attachments", false,
                  {{"2023/Q1/invoice 0001.pdf", RandomBytes(5 << 19, 1)},
                   {"2023/Q2/Prüfbericht März.docx", RandomBytes(7000, 2)},
                   {"readme.txt", "attachments\r\n"},
                   {"empty.txt", ""},
                   {"2024/", ""}}),
        Parameter(
            "ExcelTempFolder", "E:\\Synvora\\ExcelTemp", "Synvora/ExcelTemp", "ExcelTemp", "ExcelTemp", true,
            {{"temp 1.xls", RandomBytes(3000, 3)}, {"Ausgabe/Übersicht Ärger.xlsx", RandomBytes(900, 4)}}),
        Parameter(
            "ExcelTemplatesPath", "D:\\Synvora Data\\Excel Templates", "Synvora Data/Excel Templates",
            "Synvora Data/Excel Templates", "Synvora Data/Excel Templates", true,
            {{"Monatsbericht.xlt", RandomBytes(12000, 5)}, {"Vorlagen/alt/Liste (2019).xlt", "old\r\n"}}),
        Parameter("XMLErrorPath", "D:\\Synvora Data\\XML Errors", "Synvora Data/XML Errors", "XMLError",
                  "XMLError", true, {{"error 2024-01-05.xml", "<error code=\"17\"/>\r\n"}}),
        Fixed("E-Synvora/images", {{"logo.gif", RandomBytes(4096, 6)},
                                   {"icons/small/pfeil links.gif", RandomBytes(300, 7)},
                                   {"icons/große Symbole/häuschen.png", RandomBytes(2048, 8)},
                                   {"写真/会社 1.jpg", RandomBytes(10000, 9)}}),
        Fixed("E-Synvora/XMLTemplate", {{"Bestellung.xml", "<order/>\r\n"},
                                        {"Formulare/Rückfrage Kunde.xml", "<question/>\r\n"},
                                        {"Formulare/leer/", ""}}),
    };
    content.otherFiles = {{kOldInstallationPath + "/bin/esynvora.dll", RandomBytes(5000, 10)},
                          {kOldInstallationPath + "/web.config", "<configuration/>\r\n"},
                          {"Synvora/other/notes.txt", "not content\r\n"}};
    return content;
}

void AddGeneratedFiles(ContentFolder& folder, int count, std::size_t size, std::uint64_t seed) {
    for (int i = 0; i < count; ++i) {
        const std::string path = "generated/group " + std::to_string(i / 400) + "/set " +
                                 std::to_string(i / 20 % 20) + "/file " + std::to_string(i) + ".bin";
        folder.files[path] = RandomBytes(size, seed + static_cast<std::uint64_t>(i));
    }
}

void WriteOldInstallation(const WebContent& content, const std::string& driveRoot) {
    for (const ContentFolder& folder : content.folders) {
        WriteTree(driveRoot + "/" + folder.oldPath, folder.files);
    }
    WriteTree(driveRoot, content.otherFiles);
}

std::string OldParameterRows(const WebContent& content) {
    return ParameterRows(content, "", true);
}

std::string NewParameterRows(const WebContent& content, const std::string& newRoot) {
    return ParameterRows(content, newRoot, false);
}

std::string NewWebServerRegistry(const std::optional<std::string>& installationFolder) {
    std::string file =
        "Windows Registry Editor Version 5.00\r\n\r\n"
        "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\ComputerName\\ComputerName]\r\n"
        "\"ComputerName\"=\"NEWWEB\"\r\n\r\n"
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Corvane\\Velmoria\\Portivo]\r\n\r\n";
    if (!installationFolder) {
        return file;
    }
    std::string escaped;
    for (char c : *installationFolder) {
        escaped += c == '\\' ? "\\\\" : std::string(1, c);
    }
    return file +
           "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Corvane\\Velmoria\\Portivo\\PelluxServer\\1]\r\n\"path\"=\"" +
           escaped + "\"\r\n\r\n";
}

}  // namespace synvora::test
