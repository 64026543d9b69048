#include "platform/FileOps.h"

#include "platform/FileNames.h"


#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <vector>

namespace tsl {
namespace {

std::string Native(const QString& path) { return NativePath(path); }

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

bool SameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// Writes all of size bytes; false on a short write (a full disk, a file size limit).
bool WriteAll(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

// Copies the source's bytes into a new temporary file beside target; its path on success.
bool CopyToTemporary(const std::string& source, const std::string& target, std::string& temp,
                     struct stat& sourceStat) {
    const int in = ::open(source.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (in < 0) return false;
    if (::fstat(in, &sourceStat) != 0 || !S_ISREG(sourceStat.st_mode)) {
        ::close(in);
        return false;
    }
    std::string pattern = FolderOf(target) + "/.tessaly-copy-XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    const int out = ::mkostemp(name.data(), O_CLOEXEC);
    if (out < 0) {
        ::close(in);
        return false;
    }
    temp = name.data();
    bool ok = true;
    std::vector<char> buffer(1 << 20);
    off_t copied = 0;
    for (;;) {
        const ssize_t n = ::read(in, buffer.data(), buffer.size());
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) ok = false;
        if (n <= 0) break;
        if (!WriteAll(out, buffer.data(), static_cast<std::size_t>(n))) {
            ok = false;
            break;
        }
        copied += n;
    }
    ok = ok && copied == sourceStat.st_size;
    ok = ok && ::fchmod(out, sourceStat.st_mode & 07777) == 0;
    const struct timespec times[2] = {sourceStat.st_atim, sourceStat.st_mtim};
    if (ok) ::futimens(out, times);
    ok = ::fsync(out) == 0 && ok;
    struct stat written {};
    ok = ::fstat(out, &written) == 0 && written.st_size == sourceStat.st_size && ok;
    ok = ::close(out) == 0 && ok;
    ::close(in);
    if (!ok) {
        ::unlink(temp.c_str());
        temp.clear();
    }
    return ok;
}

// Gives the temporary file the target's name; without overwrite an existing target stays.
bool Place(const std::string& temp, const std::string& target, bool overwrite) {
    bool ok;
    if (overwrite) {
        ok = ::rename(temp.c_str(), target.c_str()) == 0;
    } else {
        ok = ::link(temp.c_str(), target.c_str()) == 0; // refuses an existing name
        ::unlink(temp.c_str());
        return ok;
    }
    if (!ok) ::unlink(temp.c_str());
    return ok;
}

bool HasSize(const std::string& path, off_t size) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && st.st_size == size;
}

} // namespace

bool SameFolder(const QString& a, const QString& b) {
    struct stat sa {}, sb {};
    if (::stat(Native(a).c_str(), &sa) != 0 || ::stat(Native(b).c_str(), &sb) != 0)
        return a == b;
    return SameFile(sa, sb);
}

bool CopyFileSafely(const QString& source, const QString& target, bool overwrite) {
    const std::string from = Native(source), to = Native(target);
    struct stat s {}, t {};
    if (::stat(to.c_str(), &t) == 0) {
        if (!overwrite || !S_ISREG(t.st_mode)) return false;
        if (::stat(from.c_str(), &s) == 0 && SameFile(s, t)) return false; // itself
    }
    std::string temp;
    if (!CopyToTemporary(from, to, temp, s)) return false;
    return Place(temp, to, overwrite);
}

MoveResult MoveFileSafely(const QString& source, const QString& target, bool overwrite) {
    const std::string from = Native(source), to = Native(target);
    struct stat s {}, t {};
    if (::stat(from.c_str(), &s) != 0 || !S_ISREG(s.st_mode)) return MoveResult::CopyFailed;
    if (::stat(to.c_str(), &t) == 0) {
        if (!overwrite || !S_ISREG(t.st_mode) || SameFile(s, t)) return MoveResult::CopyFailed;
    }
    const int renamed = overwrite ? ::rename(from.c_str(), to.c_str())
                                  : ::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(),
                                                RENAME_NOREPLACE);
    if (renamed == 0) return MoveResult::Moved;
    if (errno == EEXIST) return MoveResult::CopyFailed;
    // Another file system, or the rename refused (a folder we may not change): copy, and
    // delete the source only when the copy is complete at the target.
    std::string temp;
    if (!CopyToTemporary(from, to, temp, s) || !Place(temp, to, overwrite))
        return MoveResult::CopyFailed;
    if (!HasSize(to, s.st_size)) return MoveResult::DeleteFailed;
    return ::unlink(from.c_str()) == 0 ? MoveResult::Moved : MoveResult::DeleteFailed;
}

} // namespace tsl
