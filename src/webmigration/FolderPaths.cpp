#include "FolderPaths.h"

namespace synvora {
namespace {

bool IsSeparator(char c) {
    return c == '\\' || c == '/';
}

std::size_t CharacterLength(char lead) {
    const auto byte = static_cast<unsigned char>(lead);
    return byte < 0xC0 ? 1 : byte < 0xE0 ? 2 : byte < 0xF0 ? 3 : 4;
}

}  // namespace

std::string FirstCharacter(const std::string& text) {
    return text.empty() ? std::string() : text.substr(0, CharacterLength(text[0]));
}

std::string PathTail(const std::string& text) {
    std::size_t at = 0;
    for (int character = 0; character < 2 && at < text.size(); ++character) {
        at += CharacterLength(text[at]);
    }
    return at < text.size() ? text.substr(at) : std::string();
}

bool NamesAnotherMachine(const std::string& path) {
    return path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1]);
}

std::string AdministrativeSharePath(const std::string& server, const std::string& installationFolder) {
    return "\\\\" + server + "\\" + FirstCharacter(installationFolder) + "$";
}

}  // namespace synvora
