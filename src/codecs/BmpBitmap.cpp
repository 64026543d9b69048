#include "codecs/BmpBitmap.h"

#include "core/Dib.h"
#include "core/DibHeader.h"
#include "core/Files.h"
#include "core/Palette.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <new>
#include <vector>

namespace tsl {

namespace {

constexpr std::size_t kFileHeader = 14;
constexpr std::size_t kLongestHead = kFileHeader + 124 + 256 * 4;

class Fd {
public:
    explicit Fd(const std::string& path) : m_fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK)) {}
    ~Fd() {
        if (m_fd >= 0) ::close(m_fd);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return m_fd; }

private:
    int m_fd;
};

// Reads size bytes at offset; false when the file ends first or a read fails.
bool ReadAt(int fd, std::uint8_t* out, std::size_t size, std::uint64_t offset) {
    while (size > 0) {
        const ssize_t n = ::pread(fd, out, size, static_cast<off_t>(offset));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        out += n, size -= static_cast<std::size_t>(n), offset += static_cast<std::uint64_t>(n);
    }
    return true;
}

bool PlainDepth(int bpp) { return bpp == 1 || bpp == 4 || bpp == 8 || bpp == 16 || bpp == 24 || bpp == 32; }

} // namespace

CDdb ReadBmpBitmap(const std::string& path) {
    Fd fd(path);
    struct stat st {};
    if (fd.get() < 0 || ::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) return {};
    const auto fileSize = static_cast<std::uint64_t>(st.st_size);
    // ReadBmpFile's own ceiling: 4 bytes a pixel at the pixel limit, headers and a table.
    if (fileSize > 4 * kPixelLimit + 4096 || fileSize < kFileHeader + BITMAPINFOHEADER::kSize) return {};
    std::uint8_t head[kLongestHead];
    const std::size_t headSize = static_cast<std::size_t>(std::min<std::uint64_t>(fileSize, sizeof head));
    if (!ReadAt(fd.get(), head, headSize, 0)) return {};
    // Only the plain form goes this way: a 40-byte header, uncompressed, bottom-up.
    const auto header = ReadDibHeader(head + kFileHeader, headSize - kFileHeader);
    if (ReadLe16(head) != 0x4D42 || !header || header->size != BITMAPINFOHEADER::kSize) return {};
    const BITMAPINFOHEADER& h = header->info;
    const int bpp = h.biBitCount;
    if (h.biPlanes != 1 || h.biCompression != BI_RGB || h.biWidth <= 0 || h.biHeight <= 0 ||
        !PlainDepth(bpp))
        return {};
    const std::uint32_t addressable = bpp <= 8 ? 1u << bpp : 0;
    if (h.biClrUsed > addressable) return {};
    const std::size_t colours = h.biClrUsed != 0 ? h.biClrUsed : static_cast<std::size_t>(ColourCountForDepth(bpp));
    // The table must lie in the bytes read; the rows are checked against the file below.
    DibLayoutOptions options;
    options.tableEntries = colours;
    options.rowsInBlock = false;
    const auto layout = LayOutDib(*header, headSize - kFileHeader, options);
    if (!layout) return {};
    const std::size_t tableEnd = kFileHeader + layout->bitsOffset;
    // The rows follow the table, or start at the header's pixel offset when it lies past the
    // table inside the file (ReadBmpMemory drops the gap between).
    const std::uint32_t pixelOffset = ReadLe32(head + 10);
    const std::uint64_t rowsAt = pixelOffset > tableEnd && pixelOffset < fileSize ? pixelOffset : tableEnd;
    const auto imageSize = DibImageSize(h.biWidth, h.biHeight, bpp);
    if (!imageSize || fileSize - rowsAt < *imageSize) return {};

    CDdb bitmap;
    try {
        bitmap = CDdb::Create(h.biWidth, h.biHeight, bpp);
        if (bitmap.IsNull() || bitmap.Bits().size() != *imageSize) return {};
        const auto* table = reinterpret_cast<const RGBQUAD*>(head + kFileHeader + BITMAPINFOHEADER::kSize);
        bitmap.Palette().assign(table, table + colours);
    } catch (const std::bad_alloc&) {
        return {};
    }
    for (RGBQUAD& q : bitmap.Palette()) q.rgbReserved = 0;
    if (!ReadAt(fd.get(), bitmap.Bits().data(), *imageSize, rowsAt)) return {};
    return bitmap;
}

bool ReadBmpHeader(const std::string& path, int& width, int& height, int& bitsPerPixel) {
    width = height = bitsPerPixel = 0;
    Fd fd(path);
    struct stat st {};
    if (fd.get() < 0 || ::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
    std::uint8_t head[kFileHeader + 124] = {};
    const auto length = static_cast<std::uint64_t>(st.st_size);
    const std::size_t read = static_cast<std::size_t>(std::min<std::uint64_t>(length, sizeof head));
    if (length < kFileHeader + BITMAPINFOHEADER::kSize || !ReadAt(fd.get(), head, read, 0)) return false;
    if (ReadLe16(head) != 0x4D42) return false;
    const auto header = ReadDibHeader(head + kFileHeader, read - kFileHeader);
    if (!header) return false;
    const std::uint32_t size = header->size;
    const BITMAPINFOHEADER& info = header->info;
    // The OS/2 2.x forms are left to the readers.
    if (size != kCoreHeaderSize && size != 40 && size != 108 && size != 124) return false;
    if (info.biPlanes != 1) return false;
    std::int64_t w = info.biWidth, h = info.biHeight;
    const int bpp = info.biBitCount;
    const std::uint32_t compression = info.biCompression;
    if (h < 0 && compression != BI_RGB && compression != BI_BITFIELDS) return false;
    if (h < 0) h = -h;
    const bool known = (compression == BI_RGB && PlainDepth(bpp)) ||
                       (compression == BI_RLE8 && bpp == 8) || (compression == BI_RLE4 && bpp == 4) ||
                       (compression == BI_BITFIELDS && (bpp == 16 || bpp == 32));
    if (!known || w <= 0 || h <= 0 || !DibImageSize(w, h, 32)) return false;
    width = static_cast<int>(w);
    height = static_cast<int>(h);
    // A plain bottom-up file passes as it is; other uncompressed 16-bit ones stay 16, and the
    // rest are rebuilt at 24 bits.
    const bool plain = size == 40 && compression == BI_RGB && info.biHeight > 0;
    bitsPerPixel = bpp <= 8 || plain ? bpp : size >= 40 && compression == BI_RGB && bpp == 16 ? 16 : 24;
    return true;
}

bool WriteBmpBitmap(const std::string& path, const CDdb& bitmap) {
    const int bpp = bitmap.BitsPerPixel();
    if (bitmap.IsNull() || !PlainDepth(bpp)) return false;
    std::vector<RGBQUAD> table;
    if (bpp <= 8) {
        table = bitmap.Palette();
        if (table.empty()) table = DefaultPalette(ColourCountForDepth(bpp));
        table.resize(std::min<std::size_t>(table.size(), std::size_t{1} << bpp));
        if (table.empty()) table = DefaultPalette(ColourCountForDepth(bpp));
    }
    const auto imageSize = DibImageSize(bitmap.Width(), bitmap.Height(), bpp);
    if (!imageSize || bitmap.Bits().size() < *imageSize) return false;
    const std::size_t bitsOffset = BITMAPINFOHEADER::kSize + 4 * table.size();
    if (*imageSize > 0xFFFFFFFFu - 14 - bitsOffset) return false;
    std::vector<std::uint8_t> head(kFileHeader + bitsOffset, 0);
    head[0] = 'B', head[1] = 'M';
    WriteLe32(head.data() + 2, static_cast<std::uint32_t>(kFileHeader + bitsOffset + *imageSize));
    WriteLe32(head.data() + 10, static_cast<std::uint32_t>(kFileHeader + bitsOffset));
    BITMAPINFOHEADER h;
    h.biWidth = bitmap.Width();
    h.biHeight = bitmap.Height();
    h.biBitCount = static_cast<std::uint16_t>(bpp);
    h.biSizeImage = static_cast<std::uint32_t>(*imageSize);
    h.biClrUsed = static_cast<std::uint32_t>(table.size());
    h.Write(head.data() + kFileHeader);
    if (!table.empty()) std::memcpy(head.data() + kFileHeader + BITMAPINFOHEADER::kSize, table.data(), 4 * table.size());
    CReplacingFile file(path);
    return file.Open() && file.Write(head.data(), head.size()) &&
           file.Write(bitmap.Bits().data(), *imageSize) && file.Commit();
}

} // namespace tsl
