#include "tests/zip/zip_fixture.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "platform/base/encoding.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace fs = std::filesystem;

namespace ziptest {

namespace {
fs::path Native(const std::string& path) {
#ifdef _WIN32
    return fs::path(vorlane::WideFromCp1252(path));
#else
    return fs::path(vorlane::Utf8FromCp1252(path));
#endif
}

std::string FromNative(const fs::path& p) {
#ifdef _WIN32
    return vorlane::Cp1252FromWide(p.wstring());
#else
    return vorlane::Cp1252FromUtf8(p.string());
#endif
}
}  // namespace

std::string BuildPath(const std::string& relative) {
    const char* env = std::getenv("VORLANE_BUILD");
    std::string build = env && *env ? env : ".";
#ifdef _WIN32
    if (build[0] == '/') build = "Z:" + build;
    for (char& c : build)
        if (c == '/') c = '\\';
#endif
    return Join(build, relative);
}

std::string Fixture(const std::string& name) { return BuildPath(Join("zip-fixtures", name)); }

std::string Join(const std::string& folder, const std::string& name) {
#ifdef _WIN32
    const char sep = '\\';
    std::string n = name;
    for (char& c : n)
        if (c == '/') c = '\\';
#else
    const char sep = '/';
    const std::string& n = name;
#endif
    if (folder.empty() || folder.back() == sep) return folder + n;
    return folder + sep + n;
}

std::string ReadBytes(const std::string& path) {
    std::ifstream in(Native(path), std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + path);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(Native(path), std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + path);
}

bool Exists(const std::string& path) {
    std::error_code ec;
    return fs::exists(fs::symlink_status(Native(path), ec));
}

void MakeFolder(const std::string& path) { fs::create_directories(Native(path)); }

std::set<std::string> Names(const std::string& folder) {
    std::set<std::string> names;
    for (const auto& e : fs::directory_iterator(Native(folder))) names.insert(FromNative(e.path().filename()));
    return names;
}

void SetReadOnly(const std::string& path, bool readOnly) {
#ifdef _WIN32
    SetFileAttributesW(vorlane::WideFromCp1252(path).c_str(), readOnly ? FILE_ATTRIBUTE_READONLY : FILE_ATTRIBUTE_NORMAL);
#else
    fs::permissions(Native(path), fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    readOnly ? fs::perm_options::remove : fs::perm_options::add);
#endif
}

bool IsReadOnly(const std::string& path) {
#ifdef _WIN32
    DWORD a = GetFileAttributesW(vorlane::WideFromCp1252(path).c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_READONLY);
#else
    return (fs::status(Native(path)).permissions() & fs::perms::owner_write) == fs::perms::none;
#endif
}

std::string FixtureText(const std::string& seed, int kilobytes) {
    std::string text;
    char line[128];
    for (int i = 0; i < kilobytes * 16; ++i) {
        std::snprintf(line, sizeof line, "%s linha %05d do arquivo de teste %s\n", seed.c_str(), i, seed.c_str());
        text += line;
    }
    return text;
}

namespace {
void RemoveTree(const fs::path& root) {
    std::error_code ec;
    if (!fs::exists(fs::symlink_status(root, ec))) return;
    // Read-only files (some tests make them) cannot be deleted on Windows as they are.
    for (auto it = fs::recursive_directory_iterator(root, ec); it != fs::recursive_directory_iterator(); ++it)
        if (!it->is_symlink()) fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(root, ec);
}
}  // namespace

void EmptyFolder(const std::string& folder) {
    RemoveTree(Native(folder));
    MakeFolder(folder);
}

WorkFolder::WorkFolder() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = info ? std::string(info->test_suite_name()) + "." + info->name() : "zip";
    for (char& c : name)
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '.') c = '_';
    root_ = BuildPath(Join("zip-work", name));
    RemoveTree(Native(root_));
    MakeFolder(root_);
}

WorkFolder::~WorkFolder() { RemoveTree(Native(root_)); }

uint16_t Get16(const std::string& b, size_t at) {
    return static_cast<uint16_t>(static_cast<unsigned char>(b.at(at)) | (static_cast<unsigned char>(b.at(at + 1)) << 8));
}
uint32_t Get32(const std::string& b, size_t at) { return Get16(b, at) | (uint32_t(Get16(b, at + 2)) << 16); }
void Put16(std::string& b, size_t at, uint16_t v) {
    b.at(at) = static_cast<char>(v & 0xFF);
    b.at(at + 1) = static_cast<char>(v >> 8);
}
void Put32(std::string& b, size_t at, uint32_t v) {
    Put16(b, at, static_cast<uint16_t>(v & 0xFFFF));
    Put16(b, at + 2, static_cast<uint16_t>(v >> 16));
}

ArchiveMap MapArchive(const std::string& bytes) {
    ArchiveMap m;
    m.end = bytes.rfind(std::string("PK\x05\x06", 4));
    if (m.end == std::string::npos) throw std::runtime_error("no end record");
    m.directory = Get32(bytes, m.end + 16);
    size_t at = m.directory;
    for (int i = 0, n = Get16(bytes, m.end + 10); i < n; ++i) {
        m.central.push_back(at);
        size_t nameLen = Get16(bytes, at + 28);
        m.names.push_back(bytes.substr(at + 46, nameLen));
        size_t local = Get32(bytes, at + 42);
        m.local.push_back(local);
        m.data.push_back(local + 30 + Get16(bytes, local + 26) + Get16(bytes, local + 28));
        at += 46 + nameLen + Get16(bytes, at + 30) + Get16(bytes, at + 32);
    }
    return m;
}

size_t ArchiveMap::Index(const std::string& name) const {
    for (size_t i = 0; i < names.size(); ++i)
        if (names[i] == name) return i;
    throw std::runtime_error("no entry " + name);
}

}  // namespace ziptest
