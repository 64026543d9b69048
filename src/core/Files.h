#pragma once
// Whole-file reads and safe file replacement. A replacing write goes to a file beside the
// target under a unique name, with the permissions of the file it replaces, is flushed to disk
// (see SetReplaceSyncs) and only then renamed over the target: a failed or interrupted save never damages the old
// file, and a failure leaves no temporary behind.

#include <cstdint>
#include <cstdio>
#include <span>
#include <string>
#include <vector>

namespace tsl {

class CReplacingFile {
public:
    explicit CReplacingFile(std::string target);
    CReplacingFile(const CReplacingFile&) = delete;
    CReplacingFile& operator=(const CReplacingFile&) = delete;
    ~CReplacingFile(); // removes the temporary file when Commit was not reached

    bool Open();
    bool Write(const void* data, std::size_t size);
    // Flushes, closes and renames over the target; false (and nothing replaced) on any failure.
    bool Commit();
    const std::string& TempPath() const { return m_temp; }

private:
    std::string m_target;
    std::string m_temp;
    std::FILE* m_file = nullptr;
};

// Whether a replacing write waits for its data to reach the disk (fsync) before the rename. On
// unless turned off: an interactive save wants the new file safe once it says so. A converter
// run over many files turns it off; the rename still never leaves a half-written target.
void SetReplaceSyncs(bool sync);
bool ReplaceSyncs();

// Replaces the file at path with bytes, as CReplacingFile does.
bool ReplaceFileContents(const std::string& path, std::span<const std::uint8_t> bytes);

// Reads a whole regular file (never a FIFO or device, which could block or never end). False
// when it cannot be opened or read, or is longer than maxBytes.
bool ReadWholeFile(const std::string& path, std::vector<std::uint8_t>& out,
                   std::uint64_t maxBytes = std::uint64_t{1} << 32);

} // namespace tsl
