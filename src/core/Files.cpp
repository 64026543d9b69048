#include "core/Files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>

namespace tsl {

namespace {
std::atomic<bool> g_replaceSyncs{true};
}

void SetReplaceSyncs(bool sync) { g_replaceSyncs.store(sync); }
bool ReplaceSyncs() { return g_replaceSyncs.load(); }

CReplacingFile::CReplacingFile(std::string target) : m_target(std::move(target)) {}

CReplacingFile::~CReplacingFile() {
    if (m_file) {
        std::fclose(m_file);
        ::unlink(m_temp.c_str());
    }
}

bool CReplacingFile::Open() {
    static std::atomic<unsigned> serial{0};
    int fd = -1;
    for (int attempt = 0; fd < 0 && attempt < 100; ++attempt) {
        m_temp = m_target + ".tmp-" + std::to_string(::getpid()) + "-" + std::to_string(serial++);
        fd = ::open(m_temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) return false;
    }
    if (fd < 0) return false;
    struct stat old {};
    if (::stat(m_target.c_str(), &old) == 0) ::fchmod(fd, old.st_mode & 07777);
    m_file = ::fdopen(fd, "wb");
    if (!m_file) {
        ::close(fd);
        ::unlink(m_temp.c_str());
    }
    return m_file != nullptr;
}

bool CReplacingFile::Write(const void* data, std::size_t size) {
    return m_file && (size == 0 || std::fwrite(data, 1, size, m_file) == size);
}

bool CReplacingFile::Commit() {
    if (!m_file) return false;
    bool ok = std::fflush(m_file) == 0;
    if (ReplaceSyncs()) ok = ::fsync(::fileno(m_file)) == 0 && ok;
    ok = std::fclose(m_file) == 0 && ok;
    m_file = nullptr;
    ok = ok && std::rename(m_temp.c_str(), m_target.c_str()) == 0;
    if (!ok) ::unlink(m_temp.c_str());
    return ok;
}

bool ReplaceFileContents(const std::string& path, std::span<const std::uint8_t> bytes) {
    CReplacingFile file(path);
    return file.Open() && file.Write(bytes.data(), bytes.size()) && file.Commit();
}

bool ReadWholeFile(const std::string& path, std::vector<std::uint8_t>& out,
                   std::uint64_t maxBytes) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return false;
    struct stat st {};
    bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) &&
              static_cast<std::uint64_t>(st.st_size) <= maxBytes;
    if (ok) {
        out.resize(static_cast<std::size_t>(st.st_size));
        std::size_t done = 0;
        while (ok && done < out.size()) {
            const ssize_t n = ::read(fd, out.data() + done, out.size() - done);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) break; // the file shrank: keep what was there
            done += static_cast<std::size_t>(n);
        }
        out.resize(done);
    }
    ::close(fd);
    return ok;
}

} // namespace tsl
