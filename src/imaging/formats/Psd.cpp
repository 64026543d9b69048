#include "imaging/formats/Psd.h"

#include "imaging/formats/FormatIo.h"

#include <algorithm>
#include <cstring>

namespace tsl {

using namespace fmt;

namespace {

enum Mode { kBitmap = 0, kGrey = 1, kIndexed = 2, kRgb = 3, kCmyk = 4, kDuotone = 8 };

struct Header {
    int channels = 0;
    std::uint32_t width = 0, height = 0;
    int depth = 0;
    int mode = 0;
};

// Gives row y of channel c as 8-bit samples (or packed bits for 1-bit images).
class ChannelSource {
public:
    ChannelSource(const Bytes& file, const Header& h, std::size_t dataStart, int compression,
                  std::vector<std::size_t> offsets, std::vector<std::uint16_t> counts)
        : m_file(file), m_h(h), m_start(dataStart), m_compression(compression),
          m_offsets(std::move(offsets)), m_counts(std::move(counts)) {
        m_rowBytes =
            h.depth == 1 ? (h.width + 7) / 8 : static_cast<std::size_t>(h.width) * (h.depth / 8);
        m_raw.resize(m_rowBytes);
    }
    std::size_t RowBytes() const { return m_rowBytes; }

    // Decodes the row into out (width bytes, or (width + 7) / 8 for 1 bit); false on bad data.
    bool Row(int c, std::uint32_t y, std::uint8_t* out) {
        const std::size_t index = static_cast<std::size_t>(c) * m_h.height + y;
        const std::uint8_t* src = nullptr;
        if (m_compression == 0) {
            src = m_file.data() + m_start + index * m_rowBytes;
        } else {
            ByteReader r(m_file.data() + m_offsets[index], m_counts[index]);
            if (!UnpackBits(r, m_raw.data(), m_rowBytes)) return false;
            src = m_raw.data();
        }
        if (m_h.depth == 16) {
            for (std::uint32_t x = 0; x < m_h.width; ++x) {
                const unsigned v = (src[2 * x] << 8) | src[2 * x + 1];
                out[x] = static_cast<std::uint8_t>((v + 128) / 257);
            }
        } else {
            std::memcpy(out, src, m_h.depth == 1 ? m_rowBytes : m_h.width);
        }
        return true;
    }

private:
    const Bytes& m_file;
    Header m_h;
    std::size_t m_start;
    int m_compression;
    std::vector<std::size_t> m_offsets;
    std::vector<std::uint16_t> m_counts;
    std::size_t m_rowBytes = 0;
    Bytes m_raw;
};

std::uint8_t Mul255(unsigned a, unsigned b) {
    return static_cast<std::uint8_t>((a * b + 127) / 255);
}

} // namespace

bool ReadPsd(const std::vector<std::uint8_t>& file, PackedDib& out, std::string& error) {
    out.clear();
    ByteReader r(file);
    const std::uint8_t* sig = r.Take(4);
    if (!sig || std::memcmp(sig, "8BPS", 4) != 0) {
        error = "not a Photoshop document";
        return false;
    }
    const int version = r.Be16();
    r.Skip(6);
    Header h;
    h.channels = r.Be16();
    h.height = r.Be32();
    h.width = r.Be32();
    h.depth = r.Be16();
    h.mode = r.Be16();
    if (!r.Ok()) {
        error = "truncated Photoshop header";
        return false;
    }
    if (version != 1) {
        error =
            version == 2 ? "large documents (PSB) are not supported" : "unknown Photoshop version";
        return false;
    }
    if (h.channels < 1 || h.channels > 99) {
        error = "invalid channel count";
        return false;
    }
    if (h.width > 30000 || h.height > 30000) {
        error = "Photoshop 3.0 images are at most 30000 pixels a side";
        return false;
    }
    if (!CheckImageSize(h.width, h.height, error)) return false;
    if (h.depth == 32) {
        error = "32-bit channels are not supported";
        return false;
    }
    if ((h.mode == kBitmap) != (h.depth == 1) || (h.depth != 1 && h.depth != 8 && h.depth != 16)) {
        error = "unsupported channel depth for the colour mode";
        return false;
    }
    int colourChannels = 0;
    switch (h.mode) {
    case kBitmap:
    case kGrey:
    case kDuotone:
        colourChannels = 1;
        break;
    case kIndexed:
        colourChannels = h.depth == 8 ? 1 : 0;
        break;
    case kRgb:
        colourChannels = 3;
        break;
    case kCmyk:
        colourChannels = 4;
        break;
    default:
        break;
    }
    if (colourChannels == 0) {
        error = h.mode == 9   ? "Lab documents are not supported"
                : h.mode == 7 ? "multichannel documents are not supported"
                              : "unsupported colour mode";
        return false;
    }
    if (h.channels < colourChannels) {
        error = "too few channels for the colour mode";
        return false;
    }

    // Colour mode data: the indexed palette, 256 reds, greens, blues.
    const std::uint32_t modeDataSize = r.Be32();
    const std::uint8_t* modeData = r.Take(modeDataSize);
    std::vector<RGBQUAD> table;
    if (h.mode == kIndexed) {
        if (!modeData || modeDataSize < 768) {
            error = "indexed document without a colour table";
            return false;
        }
        table.resize(256);
        for (int i = 0; i < 256; ++i)
            table[i] = {modeData[512 + i], modeData[256 + i], modeData[i], 0};
    } else if (h.mode == kGrey || h.mode == kDuotone) {
        table.resize(256);
        for (int i = 0; i < 256; ++i) {
            const auto v = static_cast<std::uint8_t>(i);
            table[i] = {v, v, v, 0};
        }
    } else if (h.mode == kBitmap) {
        table = {{255, 255, 255, 0}, {0, 0, 0, 0}};
    }
    // Image resources: skipped.
    const std::uint32_t resourcesSize = r.Be32();
    r.Skip(resourcesSize);
    // Layer and mask information: only the sign of the layer count matters here.
    const std::uint32_t layerSectionSize = r.Be32();
    const std::size_t layerSectionStart = r.Pos();
    bool mergedAlpha = false;
    if (r.Ok() && layerSectionSize >= 6 && r.Has(layerSectionSize)) {
        ByteReader l(file.data() + layerSectionStart, layerSectionSize);
        const std::uint32_t layerInfoSize = l.Be32();
        const auto layerCount = static_cast<std::int16_t>(l.Be16());
        mergedAlpha = layerInfoSize >= 2 && layerCount < 0;
    } else if (layerSectionSize == 0) {
        mergedAlpha = h.channels == colourChannels + 1 && h.mode != kBitmap && h.mode != kIndexed;
    }
    r.Skip(layerSectionSize);
    const int compression = r.Be16();
    if (!r.Ok()) {
        error = "truncated Photoshop document";
        return false;
    }
    if (compression != 0 && compression != 1) {
        error = compression == 2 || compression == 3 ? "ZIP-compressed image data is not supported"
                                                     : "unknown image data compression";
        return false;
    }
    const bool alpha = mergedAlpha && h.channels > colourChannels;
    const int used = colourChannels + (alpha ? 1 : 0);
    const std::size_t rowBytes =
        h.depth == 1 ? (h.width + 7) / 8 : static_cast<std::size_t>(h.width) * (h.depth / 8);
    const std::size_t rowsUsed = static_cast<std::size_t>(used) * h.height;

    // Check that the data can hold every row before allocating the image.
    std::vector<std::size_t> offsets;
    std::vector<std::uint16_t> counts;
    const std::size_t dataStart = r.Pos();
    if (compression == 0) {
        auto need = CheckedMul(rowBytes, rowsUsed);
        if (!need || *need > r.Remaining()) {
            error = "image data is truncated";
            return false;
        }
    } else {
        const std::size_t allRows = static_cast<std::size_t>(h.channels) * h.height;
        if (allRows > r.Remaining() / 2) {
            error = "image data is truncated";
            return false;
        }
        counts.resize(allRows);
        for (auto& c : counts)
            c = r.Be16();
        offsets.resize(allRows);
        std::size_t at = r.Pos();
        for (std::size_t i = 0; i < allRows; ++i) {
            offsets[i] = at;
            at += counts[i];
        }
        // Rows the image uses must lie inside the file and hold at least two bytes per 128
        // bytes they decode to.
        std::size_t usedTotal = 0;
        for (std::size_t i = 0; i < rowsUsed; ++i) {
            if (offsets[i] + counts[i] > file.size()) {
                error = "image data is truncated";
                return false;
            }
            usedTotal += counts[i];
        }
        const std::size_t minimum = rowsUsed * 2 * ((rowBytes + 127) / 128);
        if (usedTotal < minimum) {
            error = "image data is truncated";
            return false;
        }
    }

    const int outBpp = h.mode == kBitmap ? 1 : alpha ? 32 : colourChannels == 1 ? 8 : 24;
    DibBuilder b;
    if (!b.Create(h.width, h.height, outBpp, table, error)) return false;
    ChannelSource source(file, h, dataStart, compression, std::move(offsets), std::move(counts));
    std::vector<Bytes> rows(static_cast<std::size_t>(used),
                            Bytes(std::max<std::size_t>(h.width, rowBytes)));
    for (std::uint32_t y = 0; y < h.height; ++y) {
        for (int c = 0; c < used; ++c) {
            if (!source.Row(c, y, rows[c].data())) {
                error = "corrupt PackBits data";
                return false;
            }
        }
        std::uint8_t* dst = b.Row(static_cast<int>(y));
        if (h.mode == kBitmap) {
            std::memcpy(dst, rows[0].data(), rowBytes);
            continue;
        }
        for (std::uint32_t x = 0; x < h.width; ++x) {
            std::uint8_t red, green, blue;
            if (colourChannels == 1) {
                if (!alpha) {
                    dst[x] = rows[0][x];
                    continue;
                }
                red = green = blue = rows[0][x];
            } else if (colourChannels == 3) {
                red = rows[0][x], green = rows[1][x], blue = rows[2][x];
            } else {
                const unsigned k = rows[3][x];
                red = Mul255(rows[0][x], k), green = Mul255(rows[1][x], k),
                blue = Mul255(rows[2][x], k);
            }
            std::uint8_t* p = dst + static_cast<std::size_t>(x) * (outBpp / 8);
            p[0] = blue, p[1] = green, p[2] = red;
            if (alpha) p[3] = rows[colourChannels][x];
        }
    }
    out = b.Take();
    return true;
}

bool WritePsd(const PackedDib& dib, std::vector<std::uint8_t>& out, std::string& error,
              PsdCompression compression) {
    out.clear();
    DibPixels src;
    if (!src.Open(dib, error)) return false;
    const int w = src.Width(), h = src.Height();
    if (w > 30000 || h > 30000) {
        error = "Photoshop 3.0 images are at most 30000 pixels a side";
        return false;
    }
    const bool indexed = src.Bpp() <= 8;
    const int channels = indexed ? 1 : 3;
    Bytes o;
    PutBytes(o, reinterpret_cast<const std::uint8_t*>("8BPS"), 4);
    PutBe16(o, 1);
    PutZeros(o, 6);
    PutBe16(o, static_cast<unsigned>(channels));
    PutBe32(o, static_cast<std::uint32_t>(h));
    PutBe32(o, static_cast<std::uint32_t>(w));
    PutBe16(o, 8);
    PutBe16(o, indexed ? kIndexed : kRgb);
    if (indexed) {
        const std::vector<RGBQUAD> table = src.Table();
        PutBe32(o, 768);
        for (int c = 0; c < 3; ++c)
            for (int i = 0; i < 256; ++i) {
                const RGBQUAD q = i < static_cast<int>(table.size()) ? table[i] : RGBQUAD{};
                PutU8(o, c == 0 ? q.rgbRed : c == 1 ? q.rgbGreen : q.rgbBlue);
            }
    } else {
        PutBe32(o, 0);
    }
    PutBe32(o, 0); // image resources
    PutBe32(o, 0); // layer and mask information
    PutBe16(o, compression == PsdCompression::PackBits ? 1 : 0);

    // Planar rows: every row of channel 0, then channel 1...
    Bytes row(static_cast<std::size_t>(w));
    auto fill = [&](int c, int y) {
        for (int x = 0; x < w; ++x) {
            if (indexed) {
                row[x] = static_cast<std::uint8_t>(src.Index(x, y));
            } else {
                const RGBQUAD q = src.Colour(x, y);
                row[x] = c == 0 ? q.rgbRed : c == 1 ? q.rgbGreen : q.rgbBlue;
            }
        }
    };
    if (compression == PsdCompression::Raw) {
        for (int c = 0; c < channels; ++c)
            for (int y = 0; y < h; ++y) {
                fill(c, y);
                PutBytes(o, row.data(), row.size());
            }
    } else {
        const std::size_t table = o.size();
        PutZeros(o, static_cast<std::size_t>(channels) * h * 2);
        std::size_t entry = table;
        Bytes packed;
        for (int c = 0; c < channels; ++c)
            for (int y = 0; y < h; ++y) {
                fill(c, y);
                packed.clear();
                PackBits(row.data(), row.size(), packed);
                o[entry] = static_cast<std::uint8_t>(packed.size() >> 8);
                o[entry + 1] = static_cast<std::uint8_t>(packed.size());
                entry += 2;
                PutBytes(o, packed.data(), packed.size());
            }
    }
    out = std::move(o);
    return true;
}

} // namespace tsl
