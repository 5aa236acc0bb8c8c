#include "TempDir.h"

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>

namespace synvora::test {

std::filesystem::path FsPath(std::string_view utf8) {
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string Utf8Path(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

TempDir::TempDir(std::string_view prefix) : m_path(MakeTemporaryFolder(prefix)) {}

TempDir::~TempDir() {
    std::error_code ignored;
    // Read-only entries inside must not stop the clean-up.
    for (auto it = std::filesystem::recursive_directory_iterator(FsPath(m_path), ignored);
         it != std::filesystem::recursive_directory_iterator(); it.increment(ignored)) {
        std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ignored);
    }
    std::filesystem::remove_all(FsPath(m_path), ignored);
}

std::string TempDir::operator/(std::string_view name) const {
    return m_path + "/" + std::string(name);
}

ScopedCurrentDirectory::ScopedCurrentDirectory(const std::string& path)
    : m_previous(Utf8Path(std::filesystem::current_path())) {
    std::filesystem::current_path(FsPath(path));
}

ScopedCurrentDirectory::~ScopedCurrentDirectory() {
    std::error_code ignored;
    std::filesystem::current_path(FsPath(m_previous), ignored);
}

std::string ReadBytes(const std::string& path) {
    std::ifstream in(FsPath(path), std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

void WriteBytes(const std::string& path, std::string_view bytes) {
    std::ofstream out(FsPath(path), std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) {
        throw std::runtime_error("cannot write " + path);
    }
}

std::string RandomHex(std::size_t length) {
    std::random_device device;
    std::uniform_int_distribution<int> digit(0, 15);
    std::string text;
    for (std::size_t i = 0; i < length; ++i) {
        text += "0123456789abcdef"[digit(device)];
    }
    return text;
}

}  // namespace synvora::test
