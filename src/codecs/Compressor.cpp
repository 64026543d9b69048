#include "codecs/Compressor.h"

#include "core/Services.h"
#include "core/SettingsFile.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tsl {
namespace lzh {

constexpr int kRing = 4096;                             // ring buffer (window) size
constexpr int kLookAhead = 60;                          // longest match
constexpr int kThreshold = 2;                           // longest match still sent as literals
constexpr int kNil = kRing;                             // "no node" in the match tree
constexpr int kSymbols = 256 - kThreshold + kLookAhead; // literals and match lengths: 314
constexpr int kNodes = 2 * kSymbols - 1;                // Huffman tree nodes: 627
constexpr int kRoot = kNodes - 1;
constexpr unsigned kMaxFreq = 0x8000;          // the root's frequency at which the tree is rebuilt
constexpr int kBlankFill = kRing - kLookAhead; // blank-filled start; the first look-ahead's place
constexpr int kMask = kRing - 1;
constexpr std::uint8_t kSignature[4] = {'O', 'V', '1', '0'};
constexpr std::size_t kChunk = 64 * 1024; // file reads and writes

// The fixed prefix code of the upper six bits of a match position: 1 value gets 3 bits, 3 get 4,
// 8 get 5, 12 get 6, 24 get 7 and 16 get 8, assigned in order (a complete canonical code).
// The decoder looks codes up by the next 8 bits of the stream.
struct PositionCode {
    std::uint8_t length[64]{};
    std::uint8_t code[64]{}; // left-aligned in 8 bits
    std::uint8_t valueOf[256]{};
    std::uint8_t lengthOf[256]{};
};

constexpr PositionCode MakePositionCode() {
    constexpr int counts[6] = {1, 3, 8, 12, 24, 16};
    PositionCode pc;
    unsigned value = 0, next = 0;
    for (unsigned bits = 3; bits <= 8; ++bits) {
        for (int n = 0; n < counts[bits - 3]; ++n, ++value) {
            pc.length[value] = bits;
            pc.code[value] = next;
            for (unsigned b = next; b < next + (1u << (8 - bits)); ++b) {
                pc.valueOf[b] = value;
                pc.lengthOf[b] = bits;
            }
            next += 1u << (8 - bits);
        }
    }
    return pc;
}
constexpr PositionCode kPosition = MakePositionCode();
static_assert(kPosition.code[63] == 0xFF && kPosition.valueOf[255] == 63);

// The work tables, sized as the scheme needs them: the ring buffer with the look-ahead's
// wrap-around copy after it, the match finder's binary search tree (one tree per first byte,
// rooted at kRing + 1 + byte), and the adaptive Huffman tree with a sentinel frequency.
struct Tables {
    std::uint8_t text[kRing + kLookAhead - 1];
    std::uint16_t lson[kRing + 1], rson[kRing + 257], dad[kRing + 1];
    std::uint16_t freq[kNodes + 1], prnt[kNodes + kSymbols], son[kNodes];
};

// Input bytes from memory, or from a file up to a byte limit.
class Source {
public:
    explicit Source(std::span<const std::uint8_t> bytes)
        : m_p(bytes.data()), m_end(bytes.data() + bytes.size()) {}
    Source(std::FILE* file, std::uint64_t limit) : m_file(file), m_left(limit), m_buffer(kChunk) {}

    int Get() { return m_p != m_end || Refill() ? *m_p++ : -1; }
    bool Failed() const { return m_failed; }

private:
    bool Refill() {
        if (!m_file || m_left == 0) return false;
        const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(kChunk, m_left));
        const std::size_t got = std::fread(m_buffer.data(), 1, want, m_file);
        m_failed = got < want && std::ferror(m_file);
        m_left = got < want ? 0 : m_left - got; // at the end (or failed): never ask again
        m_p = m_buffer.data();
        m_end = m_p + got;
        return got > 0;
    }

    const std::uint8_t* m_p = nullptr;
    const std::uint8_t* m_end = nullptr;
    std::FILE* m_file = nullptr;
    std::uint64_t m_left = 0;
    std::vector<std::uint8_t> m_buffer;
    bool m_failed = false;
};

// Output bytes into memory, or into a file written beside its target and renamed over it by
// Commit, so the target is replaced only by a complete, durable file. A target that exists and
// is not a regular file (a device such as /dev/full, a pipe) cannot be replaced and is written
// in place. After the first failed write nothing more is written.
class Sink {
public:
    explicit Sink(std::vector<std::uint8_t>& memory) : m_bytes(memory) {}
    Sink() : m_bytes(m_buffer) { m_buffer.reserve(kChunk); }
    ~Sink() { Abandon(); }

    bool Open(const std::string& target) {
        struct stat st {};
        std::string path = target;
        const bool exists = ::stat(target.c_str(), &st) == 0;
        if (exists && !S_ISREG(st.st_mode)) {
            m_file = std::fopen(target.c_str(), "wb");
            return m_file != nullptr;
        }
        if (exists) {
            // A file the user may not write stays as it is; a link keeps pointing at the file.
            if (::access(target.c_str(), W_OK) != 0) return false;
            if (char* real = ::realpath(target.c_str(), nullptr)) {
                path = real;
                std::free(real);
            }
        }
        static std::atomic<unsigned> counter{0};
        for (int attempt = 0; attempt < 100 && !m_file; ++attempt) {
            m_temp = path + ".tmp-" + std::to_string(::getpid()) + "-" + std::to_string(counter++);
            const int fd = ::open(m_temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
            if (fd < 0) {
                m_temp.clear(); // not ours to remove
                if (errno == EEXIST) continue;
                return false;
            }
            if (exists) ::fchmod(fd, st.st_mode & 07777);
            if (!(m_file = ::fdopen(fd, "wb"))) {
                ::close(fd);
                Abandon();
                return false;
            }
        }
        m_target = path;
        return m_file != nullptr;
    }

    void Put(std::uint8_t b) {
        m_bytes.push_back(b);
        if (m_file && m_bytes.size() >= kChunk) Flush();
    }
    bool Flush() {
        if (m_file && !m_failed && !m_bytes.empty())
            m_failed = std::fwrite(m_bytes.data(), 1, m_bytes.size(), m_file) != m_bytes.size();
        if (m_file) m_bytes.clear();
        return !m_failed;
    }
    bool Failed() const { return m_failed; }

    // Makes the file complete and durable, then puts it in its target's place.
    bool Commit() {
        bool ok = Flush() && std::fflush(m_file) == 0;
        if (!m_temp.empty()) ok = ok && ::fsync(::fileno(m_file)) == 0;
        ok = std::fclose(m_file) == 0 && ok;
        m_file = nullptr;
        if (ok && !m_temp.empty()) ok = std::rename(m_temp.c_str(), m_target.c_str()) == 0;
        ok ? m_temp.clear() : Abandon();
        return ok;
    }

    void Abandon() {
        if (m_file) std::fclose(m_file);
        m_file = nullptr;
        if (!m_temp.empty()) std::remove(m_temp.c_str());
        m_temp.clear();
    }

private:
    std::vector<std::uint8_t> m_buffer;
    std::vector<std::uint8_t>& m_bytes;
    std::FILE* m_file = nullptr;
    std::string m_temp; // empty: writing the target itself
    std::string m_target;
    bool m_failed = false;
};

namespace {

// The adaptive Huffman tree shared by both directions. Nodes are kept in order of frequency
// (the sibling property); son[n] is the first of a node's two children (the second is
// son[n] + 1), or kNodes + symbol for a leaf; prnt maps nodes and leaves back to parents.
class Model {
protected:
    // Every symbol starts with frequency 1: the leaves in symbol order, paired from the bottom.
    explicit Model(Tables& t) : m_t(t) {
        for (int i = 0; i < kNodes; ++i) {
            m_t.freq[i] = 1;
            m_t.son[i] = i < kSymbols ? i + kNodes : 0;
        }
        Rebuild();
        m_t.freq[kNodes] = 0xFFFF; // stops the search for a node to swap with
        m_t.prnt[kRoot] = 0;
    }

    // Counts one more occurrence of symbol, moving nodes up to keep the sibling property.
    void Update(int symbol) {
        if (m_t.freq[kRoot] == kMaxFreq) Rebuild();
        int c = m_t.prnt[symbol + kNodes];
        do {
            const unsigned k = ++m_t.freq[c];
            int l = c + 1;
            if (k > m_t.freq[l]) {
                while (k > m_t.freq[l + 1])
                    ++l;
                m_t.freq[c] = m_t.freq[l];
                m_t.freq[l] = k;
                const int i = m_t.son[c];
                m_t.prnt[i] = l;
                if (i < kNodes) m_t.prnt[i + 1] = l;
                const int j = m_t.son[l];
                m_t.son[l] = i;
                m_t.prnt[j] = c;
                if (j < kNodes) m_t.prnt[j + 1] = c;
                m_t.son[c] = j;
                c = l;
            }
            c = m_t.prnt[c];
        } while (c != 0); // only the root's parent is 0
    }

    Tables& m_t;

private:
    // Halves every leaf's frequency (rounding up) and builds the tree again from the leaves.
    void Rebuild() {
        int n = 0;
        for (int i = 0; i < kNodes; ++i) {
            if (m_t.son[i] >= kNodes) {
                m_t.freq[n] = (m_t.freq[i] + 1) / 2;
                m_t.son[n] = m_t.son[i];
                ++n;
            }
        }
        for (int i = 0, j = kSymbols; j < kNodes; i += 2, ++j) {
            const unsigned f = m_t.freq[i] + m_t.freq[i + 1];
            int k = j - 1;
            while (f < m_t.freq[k])
                --k;
            ++k;
            const std::size_t moved = static_cast<std::size_t>(j - k);
            std::memmove(&m_t.freq[k + 1], &m_t.freq[k], moved * sizeof m_t.freq[0]);
            m_t.freq[k] = f;
            std::memmove(&m_t.son[k + 1], &m_t.son[k], moved * sizeof m_t.son[0]);
            m_t.son[k] = i;
        }
        for (int i = 0; i < kNodes; ++i) {
            const int k = m_t.son[i];
            m_t.prnt[k] = i;
            if (k < kNodes) m_t.prnt[k + 1] = i;
        }
    }
};

// Blanks before the first look-ahead, so that early matches may refer to them.
void ClearRing(Tables& t) {
    std::memset(t.text, ' ', kBlankFill);
    std::memset(t.text + kBlankFill, 0, sizeof t.text - kBlankFill);
}

class Encoder : public Model {
public:
    Encoder(Tables& t, Sink& out) : Model(t), m_out(out) {
        std::fill(m_t.rson + kRing + 1, m_t.rson + kRing + 257, kNil); // empty trees
        std::fill(m_t.dad, m_t.dad + kRing, kNil);                     // no position inserted
    }

    // Inserts the look-ahead at r into the match tree and finds the longest earlier match
    // (the nearest of equal length). A look-ahead equal to a node's replaces that node.
    // Every node below the nearest smaller and larger nodes passed on the way down shares at
    // least the shorter of their common prefixes with the key, so comparing starts there: the
    // result is the same, but runs of equal bytes no longer cost a full comparison per node.
    void InsertNode(int r) {
        int cmp = 1;
        const std::uint8_t* key = &m_t.text[r];
        int p = kRing + 1 + key[0];
        int prefixBelow = 1, prefixAbove = 1; // every node of this tree starts with key[0]
        m_t.rson[r] = m_t.lson[r] = kNil;
        m_matchLength = 0;
        for (;;) {
            std::uint16_t& child = cmp >= 0 ? m_t.rson[p] : m_t.lson[p];
            if (child == kNil) {
                child = r;
                m_t.dad[r] = p;
                return;
            }
            p = child;
            int i = std::min(prefixBelow, prefixAbove);
            for (; i < kLookAhead; ++i)
                if ((cmp = key[i] - m_t.text[p + i]) != 0) break;
            (cmp > 0 ? prefixBelow : prefixAbove) = i;
            if (i > kThreshold) {
                const int position = ((r - p) & kMask) - 1;
                if (i > m_matchLength) {
                    m_matchPosition = position;
                    if ((m_matchLength = i) >= kLookAhead) break;
                } else if (i == m_matchLength && position < m_matchPosition) {
                    m_matchPosition = position;
                }
            }
        }
        m_t.dad[r] = m_t.dad[p];
        m_t.lson[r] = m_t.lson[p];
        m_t.rson[r] = m_t.rson[p];
        m_t.dad[m_t.lson[p]] = r;
        m_t.dad[m_t.rson[p]] = r;
        ReplaceChild(p, r);
    }

    void DeleteNode(int p) {
        if (m_t.dad[p] == kNil) return;
        int q;
        if (m_t.rson[p] == kNil) {
            q = m_t.lson[p];
        } else if (m_t.lson[p] == kNil) {
            q = m_t.rson[p];
        } else {
            q = m_t.lson[p];
            if (m_t.rson[q] != kNil) {
                while (m_t.rson[q] != kNil)
                    q = m_t.rson[q];
                m_t.rson[m_t.dad[q]] = m_t.lson[q];
                m_t.dad[m_t.lson[q]] = m_t.dad[q];
                m_t.lson[q] = m_t.lson[p];
                m_t.dad[m_t.lson[p]] = q;
            }
            m_t.rson[q] = m_t.rson[p];
            m_t.dad[m_t.rson[p]] = q;
        }
        m_t.dad[q] = m_t.dad[p];
        ReplaceChild(p, q);
    }

    // The leaf's path read from the root. A path can be longer than 16 bits (a tree shaped by
    // Fibonacci-like frequencies), so it is gathered in 64 bits.
    void EncodeChar(int symbol) {
        std::uint64_t code = 0;
        int bits = 0;
        for (int k = m_t.prnt[symbol + kNodes]; k != kRoot; k = m_t.prnt[k])
            code |= static_cast<std::uint64_t>(k & 1) << bits++;
        PutBits(code, bits);
        Update(symbol);
    }

    void EncodePosition(int position) {
        const int high = position >> 6;
        PutBits(kPosition.code[high] >> (8 - kPosition.length[high]), kPosition.length[high]);
        PutBits(position & 63, 6);
    }

    // Writes the last partial byte, padded with zero bits.
    void Finish() {
        if (m_count > 0) m_out.Put(static_cast<std::uint8_t>(m_bits << (8 - m_count)));
        m_count = 0;
    }

    int m_matchPosition = 0;
    int m_matchLength = 0;

private:
    void ReplaceChild(int p, int q) {
        const int parent = m_t.dad[p];
        (m_t.rson[parent] == p ? m_t.rson[parent] : m_t.lson[parent]) = q;
        m_t.dad[p] = kNil;
    }

    // Most significant bit first; bits <= 56 keeps every pending bit inside the accumulator.
    void PutBits(std::uint64_t code, int bits) {
        m_bits = (m_bits << bits) | code;
        m_count += bits;
        while (m_count >= 8) {
            m_count -= 8;
            m_out.Put(static_cast<std::uint8_t>(m_bits >> m_count));
        }
    }

    Sink& m_out;
    std::uint64_t m_bits = 0;
    int m_count = 0;
};

class Decoder : public Model {
public:
    Decoder(Tables& t, Source& in) : Model(t), m_in(in) {}

    int DecodeChar() {
        int c = m_t.son[kRoot];
        while (c < kNodes)
            c = m_t.son[c + static_cast<int>(GetBits(1))];
        c -= kNodes;
        Update(c);
        return c;
    }

    int DecodePosition() {
        const unsigned first = GetBits(8);
        const unsigned more = kPosition.lengthOf[first] - 2u;
        const unsigned low = (first << more) | GetBits(static_cast<int>(more));
        return static_cast<int>((kPosition.valueOf[first] << 6) | (low & 63));
    }

    // True once decoding used bits that the input does not hold.
    bool Overran() const { return m_used > m_real; }

private:
    unsigned GetBits(int n) {
        while (m_count < n) {
            const int b = m_in.Get(); // past the end: zero bits, which Overran() reports
            if (b >= 0) m_real += 8;
            m_bits = (m_bits << 8) | static_cast<unsigned>(std::max(b, 0));
            m_count += 8;
        }
        m_count -= n;
        m_used += static_cast<std::uint64_t>(n);
        return static_cast<unsigned>(m_bits >> m_count) & ((1u << n) - 1);
    }

    Source& m_in;
    std::uint64_t m_bits = 0;
    int m_count = 0;
    std::uint64_t m_used = 0;
    std::uint64_t m_real = 0;
};

// Calls Progress at most once per step: whenever done passes the next multiple.
struct ProgressTicker {
    void Tick(std::uint64_t done) {
        if (done < next) return;
        owner.Progress(done, total);
        next = done - done % CCompressor::kProgressStep + CCompressor::kProgressStep;
    }
    CCompressor& owner;
    std::uint64_t total;
    std::uint64_t next = CCompressor::kProgressStep;
};

// Writes the container for length input bytes; true when exactly length bytes were read.
bool Encode(Tables& t, Source& in, Sink& out, std::uint32_t length, CCompressor& owner) {
    for (std::uint8_t b : kSignature)
        out.Put(b);
    for (int shift = 0; shift < 32; shift += 8)
        out.Put(static_cast<std::uint8_t>(length >> shift));
    if (length == 0) return true;

    Encoder e(t, out);
    ClearRing(t);
    ProgressTicker progress{owner, length};
    int s = 0, r = kBlankFill, len = 0, c;
    while (len < kLookAhead && (c = in.Get()) >= 0)
        t.text[r + len++] = static_cast<std::uint8_t>(c);
    std::uint64_t read = static_cast<std::uint64_t>(len);
    for (int i = 1; i <= kLookAhead; ++i)
        e.InsertNode(r - i);
    e.InsertNode(r);
    while (len > 0 && !out.Failed()) {
        if (e.m_matchLength > len) e.m_matchLength = len;
        if (e.m_matchLength <= kThreshold) {
            e.m_matchLength = 1;
            e.EncodeChar(t.text[r]);
        } else {
            e.EncodeChar(255 - kThreshold + e.m_matchLength);
            e.EncodePosition(e.m_matchPosition);
        }
        // Slide the window past the coded bytes, refilling the look-ahead while input lasts.
        const int coded = e.m_matchLength;
        int i = 0;
        for (; i < coded && (c = in.Get()) >= 0; ++i) {
            e.DeleteNode(s);
            t.text[s] = static_cast<std::uint8_t>(c);
            if (s < kLookAhead - 1) t.text[s + kRing] = static_cast<std::uint8_t>(c);
            s = (s + 1) & kMask;
            r = (r + 1) & kMask;
            e.InsertNode(r);
        }
        read += static_cast<std::uint64_t>(i);
        progress.Tick(read);
        for (; i < coded; ++i) {
            e.DeleteNode(s);
            s = (s + 1) & kMask;
            r = (r + 1) & kMask;
            if (--len) e.InsertNode(r);
        }
    }
    e.Finish();
    return read == length;
}

// Expands a container; true when all it declares (up to limit) was decoded.
bool Decode(Tables& t, Source& in, Sink& out, std::uint64_t limit, CCompressor& owner) {
    for (std::uint8_t b : kSignature)
        if (in.Get() != b) return false;
    std::uint32_t length = 0;
    for (int shift = 0; shift < 32; shift += 8) {
        const int b = in.Get();
        if (b < 0) return false;
        length |= static_cast<std::uint32_t>(b) << shift;
    }
    if (length == 0) return true;

    Decoder d(t, in);
    ClearRing(t);
    ProgressTicker progress{owner, length};
    const std::uint64_t end = std::min<std::uint64_t>(length, limit);
    std::uint64_t count = 0;
    int r = kBlankFill;
    while (count < end && !out.Failed()) {
        const int c = d.DecodeChar();
        int from = r, n = 1;
        if (c >= 256) {
            from = r - d.DecodePosition() - 1;
            n = static_cast<int>(std::min<std::uint64_t>(c - 255 + kThreshold, end - count));
        }
        if (d.Overran()) break;
        for (int k = 0; k < n; ++k) {
            const auto b = c < 256 ? static_cast<std::uint8_t>(c) : t.text[(from + k) & kMask];
            out.Put(b);
            t.text[r] = b;
            r = (r + 1) & kMask;
        }
        count += static_cast<std::uint64_t>(n);
        progress.Tick(count);
    }
    return count == end;
}

} // namespace
} // namespace lzh

CCompressor::CCompressor() = default;
CCompressor::~CCompressor() = default;

void CCompressor::Error(int code) {
    char text[32];
    std::snprintf(text, sizeof text, "Error: %d", code);
    Report().Report(text, "Tessaly");
}

void CCompressor::Progress(std::uint64_t, std::uint64_t) {}

bool CCompressor::Run(Mode mode, lzh::Source& in, lzh::Sink& out, std::uint64_t length) {
    m_mode = mode;
    if (!m_tables) m_tables = std::make_unique<lzh::Tables>();
    const bool complete =
        mode == kCompressing
            ? lzh::Encode(*m_tables, in, out, static_cast<std::uint32_t>(length), *this)
            : lzh::Decode(*m_tables, in, out, m_expandLimit, *this);
    if (m_ownTables) m_tables.reset();
    m_mode = kIdle;
    return complete;
}

bool CCompressor::Compress(std::span<const std::uint8_t> in, std::vector<std::uint8_t>& out) {
    out.clear();
    if (in.size() > kMaxInput) return false;
    lzh::Source source(in);
    lzh::Sink sink(out);
    return Run(kCompressing, source, sink, in.size());
}

bool CCompressor::Expand(std::span<const std::uint8_t> in, std::vector<std::uint8_t>& out) {
    out.clear();
    lzh::Source source(in);
    lzh::Sink sink(out);
    return Run(kExpanding, source, sink, 0);
}

int CCompressor::CompressOrExpand(const std::string& input, const std::string& output,
                                  int direction) {
    if (direction != kCompress && direction != kExpand) return 0;
    std::FILE* in = std::fopen(input.c_str(), "rb");
    if (!in) return 0;
    std::uint64_t length = 0;
    if (direction == kCompress) {
        const off_t end = ::fseeko(in, 0, SEEK_END) == 0 ? ::ftello(in) : -1;
        if (end < 0 || ::fseeko(in, 0, SEEK_SET) != 0 ||
            static_cast<std::uint64_t>(end) > kMaxInput) {
            std::fclose(in);
            return 0;
        }
        length = static_cast<std::uint64_t>(end);
    }
    lzh::Sink sink;
    if (!sink.Open(output)) {
        std::fclose(in);
        return 0;
    }
    // A compressing run reads exactly the length it wrote into the header.
    lzh::Source source(in, direction == kCompress ? length : UINT64_MAX);
    const bool complete =
        Run(direction == kCompress ? kCompressing : kExpanding, source, sink, length);
    std::fclose(in);
    // On every failure the target is left as it was: the sink abandons its temporary file.
    if (sink.Failed()) { // the run stopped at the first failed write
        Error(kWriteFailed);
        return 0;
    }
    // A read that failed, or an input that ended before the length written into the header.
    if (source.Failed() || (direction == kCompress && !complete)) return 0;
    if (!sink.Commit()) {
        Error(kWriteFailed);
        return 0;
    }
    return 1;
}

void InstallSettingsCompression() {
    CSettingsFile::SetCompression(
        [](const std::string& from, const std::string& to) {
            CCompressor compressor;
            return compressor.CompressOrExpand(from, to, CCompressor::kCompress) == 1;
        },
        [](const std::string& from, const std::string& to) {
            CCompressor compressor;
            // The store reads no more than this of any settings file.
            compressor.SetExpandLimit(CSettingsFile::kMaxFileSize);
            return compressor.CompressOrExpand(from, to, CCompressor::kExpand) == 1;
        });
}

} // namespace tsl
