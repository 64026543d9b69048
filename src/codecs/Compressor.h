#pragma once
// CCompressor: whole-file compressor and expander of the program's own container.
//
// Container: the signature "OV10", the uncompressed length (4 bytes, little-endian), then an
// LZHUF bit stream (LZSS over a 4,096-byte ring buffer with a 60-byte look-ahead, adaptive
// Huffman coding of literals and match lengths, a fixed prefix code for the upper six bits of
// match positions), most significant bit first, the last byte padded with zero bits. An empty
// input is the 8-byte header alone.
//
// A file run streams the input into a file beside the output, renamed over the output only after
// a complete, durable write. It returns 1 when both files could be opened and everything was
// read and written, else 0, and the output is then left as it was; a failed write stops the run
// and is reported once through Error(1). Inputs of 4 GiB or more cannot be described by the
// container and are refused. An input that is not a container expands to an empty output
// (result 1). The expander never writes more than the container declares and stops at the end
// of its input, so a forged length yields only what the bit stream really holds (result 1).

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace tsl {

namespace lzh {
struct Tables;
class Source;
class Sink;
} // namespace lzh

class CCompressor {
public:
    enum Mode { kIdle = 0, kCompressing = 1, kExpanding = 2 };
    enum Direction { kExpand = 0, kCompress = 1 };
    // Error codes passed to Error().
    static constexpr int kWriteFailed = 1;

    static constexpr std::size_t kHeaderSize = 8;
    static constexpr std::uint64_t kMaxInput = 0xFFFFFFFFu;
    // Progress is reported at most once per this many bytes.
    static constexpr std::uint32_t kProgressStep = 10240;

    CCompressor();
    virtual ~CCompressor();
    CCompressor(const CCompressor&) = delete;
    CCompressor& operator=(const CCompressor&) = delete;

    // Shows "Error: %d" with the code through the report service.
    virtual void Error(int code);
    // Bytes done of total: input bytes read when compressing, output bytes written when
    // expanding. Does nothing here.
    virtual void Progress(std::uint64_t done, std::uint64_t total);

    // Compresses (direction 1) or expands (direction 0) the file input into the file output.
    int CompressOrExpand(const std::string& input, const std::string& output, int direction);

    // The same runs in memory. Compress fails only for inputs of 4 GiB or more. Expand returns
    // true when out holds all the container declares (or the expansion limit); on a wrong or
    // incomplete header out is empty, on a bit stream that ends early it holds what was decoded.
    bool Compress(std::span<const std::uint8_t> in, std::vector<std::uint8_t>& out);
    bool Expand(std::span<const std::uint8_t> in, std::vector<std::uint8_t>& out);

    Mode CurrentMode() const { return m_mode; }
    // When set (the default) each run allocates its work tables and frees them at its end;
    // otherwise they are kept for the next run.
    bool OwnTables() const { return m_ownTables; }
    void SetOwnTables(bool own) { m_ownTables = own; }
    // Expansion ends, successfully, after this many bytes (the default: no limit).
    void SetExpandLimit(std::uint32_t limit) { m_expandLimit = limit; }

private:
    bool Run(Mode mode, lzh::Source& in, lzh::Sink& out, std::uint64_t length);

    Mode m_mode = kIdle;
    bool m_ownTables = true;
    std::uint32_t m_expandLimit = 0xFFFFFFFFu;
    std::unique_ptr<lzh::Tables> m_tables;
};

// Makes the settings store's compressed mode (CSettingsFile::Load and Save with compressed set)
// run this compressor. The application calls it once at start-up.
void InstallSettingsCompression();

} // namespace tsl
