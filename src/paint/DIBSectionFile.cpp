// CDIBSection's BMP files: uncompressed pixels behind a 14-byte file header and a 40-byte info
// header. Reading validates every size against the real length of the input before anything
// is allocated; writing goes to a temporary file beside the target that replaces it at the end.

#include "paint/DIBSection.h"

#include "core/DibHeader.h"

#include <QFile>
#include <QSaveFile>

#include <cstdio>
#include <cstring>
#include <vector>

#include <sys/stat.h>

namespace tsl {

// Random access to the bytes a BMP is read from.
class CByteSource {
public:
    virtual ~CByteSource() = default;
    virtual std::uint64_t Length() const = 0;
    // Exactly n bytes at offset, or false.
    virtual bool ReadAt(std::uint64_t offset, void* out, std::size_t n) = 0;
};

namespace {

class CMemorySource final : public CByteSource {
public:
    CMemorySource(const std::uint8_t* data, std::size_t size)
        : m_data(data), m_size(data ? size : 0) {}
    std::uint64_t Length() const override { return m_size; }
    bool ReadAt(std::uint64_t offset, void* out, std::size_t n) override {
        if (offset > m_size || n > m_size - offset) return false;
        if (n) std::memcpy(out, m_data + offset, n);
        return true;
    }

private:
    const std::uint8_t* m_data;
    std::size_t m_size;
};

class CFileSource final : public CByteSource {
public:
    // Only regular files: opening a FIFO or a device could block or never end.
    explicit CFileSource(const std::string& path) : m_file(nullptr) {
        struct stat st {};
        if (stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode))
            m_file = std::fopen(path.c_str(), "rb");
        if (m_file && fstat(fileno(m_file), &st) == 0 && S_ISREG(st.st_mode))
            m_length = static_cast<std::uint64_t>(st.st_size);
        else
            Close();
    }
    ~CFileSource() override { Close(); }
    CFileSource(const CFileSource&) = delete;
    CFileSource& operator=(const CFileSource&) = delete;

    bool IsOpen() const { return m_file != nullptr; }
    std::uint64_t Length() const override { return m_length; }
    bool ReadAt(std::uint64_t offset, void* out, std::size_t n) override {
        if (!m_file || offset > m_length || n > m_length - offset) return false;
        if (fseeko(m_file, static_cast<off_t>(offset), SEEK_SET) != 0) return false;
        return std::fread(out, 1, n, m_file) == n;
    }

private:
    void Close() {
        if (m_file) std::fclose(m_file);
        m_file = nullptr;
        m_length = 0;
    }
    std::FILE* m_file;
    std::uint64_t m_length = 0;
};

constexpr std::size_t kFileHeaderSize = 14;

} // namespace

bool CDIBSection::LoadFrom(CByteSource& source, bool fileHeader) {
    Reset();
    const std::uint64_t length = source.Length();
    std::uint64_t base = 0;
    std::uint64_t offset = 0;
    if (fileHeader) {
        std::uint8_t fh[kFileHeaderSize];
        if (!source.ReadAt(0, fh, sizeof fh) || ReadLe16(fh) != 0x4D42) return false;
        // The file-size field is ignored: writers often get it wrong, and the real length of
        // the file is what bounds every read.
        offset = ReadLe32(fh + 10);
        base = kFileHeaderSize;
    }
    std::uint8_t ih[BITMAPINFOHEADER::kSize];
    if (!source.ReadAt(base, ih, sizeof ih)) return false;
    const auto header = ReadDibHeader(ih, sizeof ih);
    if (!header || header->size != BITMAPINFOHEADER::kSize) return false;
    const BITMAPINFOHEADER& h = header->info;
    const int depth = h.biBitCount;
    if (h.biPlanes != 1 || h.biCompression != BI_RGB ||
        !(depth == 1 || depth == 4 || depth == 8 || depth == 16 || depth == 24 || depth == 32))
        return false;

    // Indexed depths read the entries the header says are used (all of them when it says 0);
    // other depths may carry an optional table, which a packed DIB must skip and a file's pixel
    // offset passes over.
    const int count = ColourCountForDepth(depth);
    if (count > 0 && h.biClrUsed > static_cast<std::uint32_t>(count)) return false;
    DibLayoutOptions options;
    if (fileHeader) {
        if (count == 0) options.tableEntries = 0;
        if (offset < base) return false;
        options.bitsOffset = static_cast<std::size_t>(offset - base);
    } else if (count == 0 && h.biClrUsed > 256) {
        return false;
    }
    const auto l = LayOutDib(*header, static_cast<std::size_t>(length - base), options);
    if (!l) return false;
    const std::uint32_t entries = count > 0 ? static_cast<std::uint32_t>(l->tableEntries) : 0;
    const int rows = static_cast<int>(l->height);
    const std::size_t size = l->imageSize;
    offset = base + l->bitsOffset;

    std::uint8_t raw[4 * 256];
    RGBQUAD table[256];
    if (!source.ReadAt(base + l->tableOffset, raw, 4 * entries)) return false;
    for (std::uint32_t i = 0; i < entries; ++i)
        table[i] = {raw[4 * i], raw[4 * i + 1], raw[4 * i + 2], 0};
    if (!Allocate(h.biWidth, rows, depth, table, static_cast<int>(entries))) return false;
    if (!source.ReadAt(offset, m_bits, size)) {
        Reset();
        return false;
    }
    if (l->topDown) {
        // Stored bottom-up like every image of this class.
        const std::size_t stride = Stride();
        std::vector<std::uint8_t> swap(stride);
        for (int top = 0, bottom = rows - 1; top < bottom; ++top, --bottom) {
            std::memcpy(swap.data(), Row(top), stride);
            std::memcpy(Row(top), Row(bottom), stride);
            std::memcpy(Row(bottom), swap.data(), stride);
        }
    }
    return CreatePaletteFromColourTable();
}

bool CDIBSection::LoadBmp(const std::string& path) {
    CFileSource source(path);
    if (!source.IsOpen()) {
        Reset();
        return false;
    }
    return LoadFrom(source, true);
}

bool CDIBSection::LoadBmpFromMemory(const std::uint8_t* data, std::size_t size) {
    CMemorySource source(data, size);
    return LoadFrom(source, true);
}

bool CDIBSection::LoadPackedDib(const std::uint8_t* data, std::size_t size) {
    CMemorySource source(data, size);
    return LoadFrom(source, false);
}

bool CDIBSection::SaveBmp(const std::string& path) const {
    if (!HasImage()) return false;
    // File header, info header, colour table, four zero bytes, pixels.
    const std::size_t block =
        BITMAPINFOHEADER::kSize + 4 * static_cast<std::size_t>(m_colourCount) + 4;
    const std::uint64_t fileSize =
        kFileHeaderSize + block + static_cast<std::uint64_t>(m_storageSize);
    if (fileSize > 0xFFFFFFFFu) return false; // cannot be described by the header's fields
    std::vector<std::uint8_t> head(kFileHeaderSize + block, 0);
    WriteLe16(head.data(), 0x4D42);
    WriteLe32(head.data() + 2, static_cast<std::uint32_t>(fileSize));
    WriteLe32(head.data() + 10, static_cast<std::uint32_t>(kFileHeaderSize + block));
    m_info.bmiHeader.Write(head.data() + kFileHeaderSize);
    std::uint8_t* table = head.data() + kFileHeaderSize + BITMAPINFOHEADER::kSize;
    for (int i = 0; i < m_colourCount; ++i) {
        const RGBQUAD& q = m_info.bmiColors[static_cast<std::size_t>(i)];
        table[4 * i] = q.rgbBlue;
        table[4 * i + 1] = q.rgbGreen;
        table[4 * i + 2] = q.rgbRed;
        table[4 * i + 3] = q.rgbReserved;
    }

    QSaveFile file(QFile::decodeName(path.c_str()));
    if (!file.open(QIODevice::WriteOnly)) return false;
    const auto headSize = static_cast<qint64>(head.size());
    const auto pixelSize = static_cast<qint64>(m_storageSize);
    if (file.write(reinterpret_cast<const char*>(head.data()), headSize) != headSize ||
        file.write(reinterpret_cast<const char*>(m_bits), pixelSize) != pixelSize) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

} // namespace tsl
