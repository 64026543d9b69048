#include "core/SettingsFile.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fcntl.h>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

namespace tsl {
namespace {

CSettingsFile::FileTransform g_compress;
CSettingsFile::FileTransform g_expand;

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

std::string Trim(const std::string& s) {
    std::size_t b = 0, e = s.size();
    while (b < e && IsBlank(s[b])) ++b;
    while (e > b && IsBlank(s[e - 1])) --e;
    return s.substr(b, e - b);
}

// Decimal conversion as the C library's atoi does it, saturating instead of overflowing.
int ToInt(const std::string& s) {
    errno = 0;
    long long v = std::strtoll(s.c_str(), nullptr, 10);
    return static_cast<int>(std::clamp<long long>(v, INT_MIN, INT_MAX));
}

int Truncate16(int v) { return static_cast<std::int16_t>(static_cast<std::uint16_t>(v)); }

bool ReadFileBytes(const std::string& path, std::vector<std::uint8_t>& bytes) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    bytes.clear();
    char buffer[65536];
    while (bytes.size() < CSettingsFile::kMaxFileSize && in) {
        in.read(buffer, sizeof buffer);
        std::size_t n = static_cast<std::size_t>(in.gcount());
        n = std::min(n, CSettingsFile::kMaxFileSize - bytes.size());
        bytes.insert(bytes.end(), buffer, buffer + n);
    }
    return !in.bad(); // a read error (a folder opens but cannot be read) is a failed load
}

// Creates an empty file beside path that nobody else uses (path + ".tmp-<pid>-<n>"), with the
// permissions of the file it will replace; empty when none can be created.
std::string CreateBeside(const std::string& path) {
    static std::atomic<unsigned> counter{0};
    struct stat old {};
    const bool replaces = ::stat(path.c_str(), &old) == 0;
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string temp = path + ".tmp-" + std::to_string(::getpid()) + "-" +
                           std::to_string(counter++);
        int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0) {
            if (errno == EEXIST) continue;
            return {};
        }
        if (replaces) ::fchmod(fd, old.st_mode & 07777);
        ::close(fd);
        return temp;
    }
    return {};
}

// Lets fill write a fresh file beside path and renames it over path only when fill succeeded,
// so the old file survives any failure; the temporary file never outlives the call.
bool ReplaceFile(const std::string& path, const std::function<bool(const std::string&)>& fill) {
    const std::string temp = CreateBeside(path);
    if (temp.empty()) return false;
    bool ok = fill(temp) && std::rename(temp.c_str(), path.c_str()) == 0;
    if (!ok) std::remove(temp.c_str());
    return ok;
}

// Writes bytes into an existing file and makes them durable before it is renamed anywhere.
bool WriteBytes(const std::string& file, const std::vector<std::uint8_t>& bytes) {
    std::FILE* f = std::fopen(file.c_str(), "wb");
    if (!f) return false;
    bool ok = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    ok = (std::fflush(f) == 0) && ok;
    ok = (::fsync(::fileno(f)) == 0) && ok;
    ok = (std::fclose(f) == 0) && ok;
    return ok;
}

// An empty file in the temporary folder that only this user can read (settings may hold private
// paths and addresses); empty when none can be made.
std::string CreateTempFile() {
    std::error_code ec;
    const std::filesystem::path folder = std::filesystem::temp_directory_path(ec);
    if (ec) return {};
    std::string name = (folder / "tessaly-settings-XXXXXX").string();
    const int fd = ::mkostemp(name.data(), O_CLOEXEC);
    if (fd < 0) return {};
    ::close(fd);
    return name;
}

} // namespace

void CSettingsFile::SetCompression(FileTransform compress, FileTransform expand) {
    g_compress = std::move(compress);
    g_expand = std::move(expand);
}

void CSettingsFile::Parse(const std::string& text) {
    Section* current = nullptr;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string::npos) end = text.size();
        std::string line = Trim(text.substr(pos, end - pos));
        pos = end + 1;
        if (line.empty() || line[0] == ';') continue;
        if (line[0] == '[') {
            std::size_t close = line.find(']', 1);
            current = &m_sections[line.substr(1, close == std::string::npos ? std::string::npos
                                                                             : close - 1)];
            continue;
        }
        if (!current) continue;
        std::size_t eq = line.find('=');
        if (eq == std::string::npos) {
            std::string key = line;
            std::transform(key.begin(), key.end(), key.begin(), [](unsigned char c) {
                return static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
            });
            (*current)[key] = line;
        } else {
            (*current)[line.substr(0, eq)] = line.substr(eq + 1);
        }
    }
}

std::string CSettingsFile::Serialise() const {
    std::string out;
    for (const auto& [name, section] : m_sections) {
        out += "[" + name + "]\r\n";
        for (const auto& [key, value] : section) out += key + "=" + value + "\r\n";
    }
    return out;
}

bool CSettingsFile::Load(const std::string& path, bool compressed) {
    m_path = path;
    std::vector<std::uint8_t> bytes;
    if (compressed) {
        if (!g_expand) return false;
        const std::string plain = CreateTempFile();
        if (plain.empty()) return false;
        const bool ok = g_expand(path, plain) && ReadFileBytes(plain, bytes);
        std::remove(plain.c_str());
        if (!ok) return false;
    } else if (!ReadFileBytes(path, bytes)) {
        return false;
    }
    Parse(std::string(bytes.begin(), bytes.end()));
    m_dirty = false;
    return true;
}

bool CSettingsFile::Save(bool compressed) {
    if (!m_writable || !m_dirty) return true;
    if (m_path.empty()) return false;
    const std::string text = Serialise();
    const std::vector<std::uint8_t> bytes(text.begin(), text.end());
    if (!compressed) {
        return ReplaceFile(m_path,
                           [&](const std::string& temp) { return WriteBytes(temp, bytes); });
    }
    if (!g_compress) return false;
    const std::string plain = CreateTempFile();
    if (plain.empty()) return false;
    const bool ok =
        WriteBytes(plain, bytes) &&
        ReplaceFile(m_path, [&](const std::string& temp) { return g_compress(plain, temp); });
    std::remove(plain.c_str());
    return ok;
}

bool CSettingsFile::ReadString(const std::string& section, const std::string& key,
                               std::string& value, bool multiLine) const {
    value.clear();
    auto s = m_sections.find(section);
    if (s == m_sections.end()) return false;
    auto k = s->second.find(key);
    if (k == s->second.end()) return false;
    value = k->second;
    if (multiLine) std::replace(value.begin(), value.end(), '`', '\n');
    return true;
}

void CSettingsFile::WriteString(const std::string& section, const std::string& key,
                                const std::string& value, bool /*multiLine*/) {
    m_dirty = true;
    if (value.empty()) {
        auto s = m_sections.find(section);
        if (s != m_sections.end()) s->second.erase(key);
        return;
    }
    // A line break can never be stored as it is: it would end the line in the file and turn
    // the rest of the value into keys of its own. Without the multi-line option it is written
    // as the same backquote, so the file stays intact.
    std::string stored = value;
    stored.erase(std::remove(stored.begin(), stored.end(), '\r'), stored.end());
    std::replace(stored.begin(), stored.end(), '\n', '`');
    m_sections[section][key] = stored;
}

bool CSettingsFile::ReadInt(const std::string& section, const std::string& key, int& value) const {
    std::string text;
    if (!ReadString(section, key, text)) return false;
    value = Truncate16(ToInt(text));
    return true;
}

void CSettingsFile::WriteInt(const std::string& section, const std::string& key, int value) {
    WriteString(section, key, std::to_string(Truncate16(value)));
}

bool CSettingsFile::ReadColour(const std::string& section, const std::string& key,
                               COLORREF& colour) const {
    std::string text;
    if (!ReadString(section, key, text)) return false;
    int part[3] = {0, 0, 0};
    std::size_t start = 0;
    for (int i = 0; i < 3 && start <= text.size(); ++i) {
        std::size_t comma = text.find(',', start);
        part[i] = ToInt(text.substr(start, comma == std::string::npos ? std::string::npos
                                                                       : comma - start));
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
    colour = RGB(part[0], part[1], part[2]);
    return true;
}

void CSettingsFile::WriteColour(const std::string& section, const std::string& key,
                                COLORREF colour) {
    WriteString(section, key,
                std::to_string(GetRValue(colour)) + "," + std::to_string(GetGValue(colour)) + "," +
                    std::to_string(GetBValue(colour)));
}

std::string CSettingsFile::ReadGeneral(const std::string& key) const {
    std::string value;
    ReadString(keys::General, key, value);
    return value;
}

std::string CSettingsFile::ReadFolder(const std::string& purpose) const {
    std::string value;
    ReadString(keys::Dir, purpose, value);
    return value;
}

void CSettingsFile::WriteFolder(const std::string& purpose, const std::string& folder) {
    WriteString(keys::Dir, purpose, folder);
    Save();
}

CSettingsFile& Settings() {
    static CSettingsFile store;
    return store;
}

std::string ResolveSettingsPath(const std::string& programFolder, const std::string& userFolder) {
    namespace fs = std::filesystem;
    const fs::path shipped = fs::path(programFolder) / "Settings.ini";
    std::error_code ec;
    const bool fileOk = !fs::exists(shipped, ec) || ::access(shipped.c_str(), W_OK) == 0;
    if (::access(programFolder.c_str(), W_OK) == 0 && fileOk) return shipped.string();
    const fs::path user = fs::path(userFolder) / "Settings.ini";
    if (!fs::exists(user, ec)) {
        fs::create_directories(userFolder, ec);
        if (fs::exists(shipped, ec)) fs::copy_file(shipped, user, ec);
    }
    return user.string();
}

} // namespace tsl
