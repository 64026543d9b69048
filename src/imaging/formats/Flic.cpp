#include "imaging/formats/Flic.h"

#include "imaging/formats/FormatIo.h"

#include <algorithm>
#include <cstring>

namespace tsl {

using namespace fmt;

namespace {

enum Chunk : std::uint16_t {
    kDeltaFlc = 7,
    kColour256 = 4,
    kColour64 = 11,
    kDeltaFli = 12,
    kBlack = 13,
    kByteRun = 15,
    kCopy = 16,
    kFrame = 0xF1FA,
};

// The frame being decoded: the output DIB itself, rows from the top.
struct Canvas {
    DibBuilder& dib;
    int width = 0, height = 0;
    std::uint8_t* Row(int y) { return dib.Row(y); }
    void Clear() {
        for (int y = 0; y < height; ++y)
            std::memset(Row(y), 0, static_cast<std::size_t>(width));
    }
};

bool Palette(ByteReader& in, std::vector<RGBQUAD>& table, bool six) {
    const int packets = in.Le16();
    int index = 0;
    for (int p = 0; p < packets && in.Ok(); ++p) {
        index += in.U8();
        int count = in.U8();
        if (count == 0) count = 256;
        for (int i = 0; i < count; ++i, ++index) {
            const std::uint8_t* c = in.Take(3);
            if (!c) return false;
            if (index >= 256) continue;
            auto widen = [six](std::uint8_t v) {
                return six ? static_cast<std::uint8_t>((v & 63) << 2) : v;
            };
            table[index] = {widen(c[2]), widen(c[1]), widen(c[0]), 0};
        }
    }
    return in.Ok();
}

bool ByteRun(ByteReader& in, Canvas& f) {
    for (int y = 0; y < f.height; ++y) {
        std::uint8_t* row = f.Row(y);
        in.U8(); // packet count: unreliable for wide frames, the width decides
        for (int x = 0; x < f.width;) {
            const int count = static_cast<std::int8_t>(in.U8());
            if (count < 0) {
                const std::uint8_t* p = in.Take(static_cast<std::size_t>(-count));
                if (!p) return false;
                const int n = std::min(-count, f.width - x);
                std::memcpy(row + x, p, static_cast<std::size_t>(n));
                x += -count;
            } else {
                const std::uint8_t v = in.U8();
                const int n = std::min(count, f.width - x);
                std::memset(row + x, v, static_cast<std::size_t>(std::max(n, 0)));
                x += count;
            }
            if (!in.Ok()) return false;
            if (count == 0) return false; // no progress: corrupt
        }
    }
    return true;
}

bool DeltaFli(ByteReader& in, Canvas& f) {
    int y = in.Le16();
    const int lines = in.Le16();
    for (int l = 0; l < lines; ++l, ++y) {
        if (!in.Ok() || y >= f.height) return in.Ok();
        std::uint8_t* row = f.Row(y);
        const int packets = in.U8();
        int x = 0;
        for (int p = 0; p < packets; ++p) {
            x += in.U8();
            const int size = static_cast<std::int8_t>(in.U8());
            if (size > 0) {
                const std::uint8_t* s = in.Take(static_cast<std::size_t>(size));
                if (!s) return false;
                for (int i = 0; i < size; ++i, ++x)
                    if (x < f.width) row[x] = s[i];
            } else {
                const std::uint8_t v = in.U8();
                for (int i = 0; i < -size; ++i, ++x)
                    if (x < f.width) row[x] = v;
            }
        }
    }
    return in.Ok();
}

bool DeltaFlc(ByteReader& in, Canvas& f) {
    const int lines = in.Le16();
    int y = 0;
    for (int l = 0; l < lines && in.Ok(); ++l) {
        int packets = 0;
        for (;;) {
            const std::uint16_t w = in.Le16();
            if (!in.Ok()) return false;
            if ((w & 0xC000) == 0xC000) {
                y += -static_cast<std::int16_t>(w);
                if (y > f.height) return false;
            } else if ((w & 0xC000) == 0x8000) {
                if (y < f.height) f.Row(y)[f.width - 1] = static_cast<std::uint8_t>(w);
            } else if ((w & 0xC000) == 0) {
                packets = w;
                break;
            } else {
                return false;
            }
        }
        if (y >= f.height) return false;
        std::uint8_t* row = f.Row(y);
        int x = 0;
        for (int p = 0; p < packets; ++p) {
            x += in.U8();
            const int size = static_cast<std::int8_t>(in.U8());
            if (size > 0) {
                const std::uint8_t* s = in.Take(2 * static_cast<std::size_t>(size));
                if (!s) return false;
                for (int i = 0; i < 2 * size; ++i, ++x)
                    if (x < f.width) row[x] = s[i];
            } else {
                const std::uint8_t* v = in.Take(2);
                if (!v) return false;
                for (int i = 0; i < -size; ++i, x += 2) {
                    if (x < f.width) row[x] = v[0];
                    if (x + 1 < f.width) row[x + 1] = v[1];
                }
            }
        }
        ++y;
    }
    return in.Ok();
}

} // namespace

bool ReadFlic(const std::vector<std::uint8_t>& file, PackedDib& out, std::string& error) {
    out.clear();
    ByteReader r(file);
    r.Le32();
    const std::uint16_t magic = r.Le16();
    r.Le16();
    const int width = r.Le16();
    const int height = r.Le16();
    const int depth = r.Le16();
    if (!r.Ok() || file.size() < 128 || (magic != 0xAF11 && magic != 0xAF12)) {
        error = "not an FLI or FLC animation";
        return false;
    }
    if (depth != 8 && depth != 0) {
        error = "unsupported FLC colour depth";
        return false;
    }
    if (!CheckImageSize(width, height, error)) return false;

    std::size_t pos = 128;
    if (magic == 0xAF12) {
        const std::uint32_t frame1 = ReadLe32(file.data() + 80);
        if (frame1 >= 128 && frame1 <= file.size() - 6) pos = frame1;
    }
    // The first frame chunk, skipping prefix and other chunks.
    std::size_t frameSize = 0;
    for (;;) {
        if (file.size() - pos < 6) {
            error = "the animation has no frame";
            return false;
        }
        const std::uint32_t size = ReadLe32(file.data() + pos);
        const std::uint16_t type = ReadLe16(file.data() + pos + 4);
        if (size < 6) {
            error = "corrupt chunk size";
            return false;
        }
        if (type == kFrame) {
            frameSize = std::min<std::size_t>(size, file.size() - pos);
            break;
        }
        if (size > file.size() - pos) {
            error = "the animation has no frame";
            return false;
        }
        pos += size;
    }
    if (frameSize < 16) {
        error = "truncated frame";
        return false;
    }
    // Even the smallest chunk sequence can fill the frame (BLACK), so the frame's size only
    // bounds the work, not the allocation; the pixel limit bounds that.
    std::vector<RGBQUAD> table(256);
    DibBuilder b;
    if (!b.Create(width, height, 8, table, error)) return false;
    Canvas f{b, width, height};
    bool dirty = false; // something was drawn since the frame was last black
    ByteReader frame(file.data() + pos, frameSize);
    frame.Skip(6);
    const int chunks = frame.Le16();
    frame.Skip(8);
    for (int c = 0; c < chunks && frame.Remaining() >= 6; ++c) {
        const std::size_t start = frame.Pos();
        const std::uint32_t size = frame.Le32();
        const std::uint16_t type = frame.Le16();
        if (size < 6) {
            error = "corrupt chunk size";
            return false;
        }
        const std::size_t n = std::min<std::size_t>(size - 6, frame.Remaining());
        ByteReader in(file.data() + pos + frame.Pos(), n);
        bool ok = true;
        switch (type) {
        case kColour256:
            ok = Palette(in, table, false);
            break;
        case kColour64:
            ok = Palette(in, table, true);
            break;
        case kBlack:
            if (dirty) f.Clear();
            dirty = false;
            break;
        case kByteRun:
            ok = ByteRun(in, f);
            break;
        case kDeltaFli:
            ok = DeltaFli(in, f);
            break;
        case kDeltaFlc:
            ok = DeltaFlc(in, f);
            break;
        case kCopy: {
            const std::uint8_t* p = in.Take(static_cast<std::size_t>(width) * height);
            ok = p != nullptr;
            for (int y = 0; ok && y < height; ++y)
                std::memcpy(f.Row(y), p + static_cast<std::size_t>(y) * width,
                            static_cast<std::size_t>(width));
            break;
        }
        default:
            break;
        }
        if (type == kByteRun || type == kDeltaFli || type == kDeltaFlc || type == kCopy)
            dirty = true;
        if (!ok) {
            error = "corrupt or truncated frame data";
            return false;
        }
        if (size > frame.Size() - start) break;
        frame.Seek(start + size);
    }
    // The palette chunks filled the table after the DIB was made: copy it in.
    PackedDib result = b.Take();
    std::memcpy(result.data() + BITMAPINFOHEADER::kSize, table.data(), 4 * table.size());
    out = std::move(result);
    return true;
}

bool WriteFlic(const PackedDib& dib, std::vector<std::uint8_t>& out, std::string& error) {
    out.clear();
    DibPixels src;
    if (!src.Open(dib, error)) return false;
    if (src.Bpp() > 8) {
        error = "FLC frames hold 8-bit palette images: reduce the colours first";
        return false;
    }
    const int w = src.Width(), h = src.Height();
    if (w > 65535 || h > 65535) {
        error = "FLC frames are at most 65535 pixels a side";
        return false;
    }
    Bytes o(128, 0);
    // Frame 1: palette and byte-run image.
    const std::size_t frame1 = o.size();
    PutLe32(o, 0);
    PutLe16(o, kFrame);
    PutLe16(o, 2);
    PutZeros(o, 8);
    PutLe32(o, 6 + 2 + 2 + 768);
    PutLe16(o, kColour256);
    PutLe16(o, 1);
    PutU8(o, 0);
    PutU8(o, 0); // 256 colours
    const std::vector<RGBQUAD> table = src.Table();
    for (int i = 0; i < 256; ++i) {
        const RGBQUAD q = i < static_cast<int>(table.size()) ? table[i] : RGBQUAD{};
        PutU8(o, q.rgbRed);
        PutU8(o, q.rgbGreen);
        PutU8(o, q.rgbBlue);
    }
    const std::size_t brun = o.size();
    PutLe32(o, 0);
    PutLe16(o, kByteRun);
    Bytes row(static_cast<std::size_t>(w));
    Bytes line;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x)
            row[x] = static_cast<std::uint8_t>(src.Index(x, y));
        line.clear();
        int packets = 0;
        for (int x = 0; x < w;) {
            int run = 1;
            while (x + run < w && run < 127 && row[x + run] == row[x])
                ++run;
            if (run >= 2) {
                PutU8(line, static_cast<unsigned>(run));
                PutU8(line, row[x]);
                x += run;
            } else {
                int n = 0;
                while (x + n < w && n < 127 && !(x + n + 1 < w && row[x + n] == row[x + n + 1]))
                    ++n;
                if (n == 0) n = 1;
                PutU8(line, static_cast<unsigned>(256 - n));
                PutBytes(line, row.data() + x, static_cast<std::size_t>(n));
                x += n;
            }
            ++packets;
        }
        PutU8(o, packets > 255 ? 0 : static_cast<unsigned>(packets));
        PutBytes(o, line.data(), line.size());
    }
    if (o.size() & 1) PutU8(o, 0); // chunks keep even sizes
    if (o.size() - brun > 0xFFFFFFF0u) {
        error = "the image is too large for an FLC file";
        return false;
    }
    PatchLe32(o, brun, static_cast<std::uint32_t>(o.size() - brun));
    PatchLe32(o, frame1, static_cast<std::uint32_t>(o.size() - frame1));
    // Ring frame: no change from the last frame back to the first.
    const std::size_t frame2 = o.size();
    PutLe32(o, 16);
    PutLe16(o, kFrame);
    PutZeros(o, 10);
    // Header.
    WriteLe32(o.data(), static_cast<std::uint32_t>(o.size()));
    WriteLe16(o.data() + 4, 0xAF12);
    WriteLe16(o.data() + 6, 1);
    WriteLe16(o.data() + 8, static_cast<std::uint16_t>(w));
    WriteLe16(o.data() + 10, static_cast<std::uint16_t>(h));
    WriteLe16(o.data() + 12, 8);
    WriteLe16(o.data() + 14, 3);  // flags: written completely
    WriteLe32(o.data() + 16, 70); // milliseconds per frame
    WriteLe16(o.data() + 38, 1);  // aspect x
    WriteLe16(o.data() + 40, 1);  // aspect y
    WriteLe32(o.data() + 80, static_cast<std::uint32_t>(frame1));
    WriteLe32(o.data() + 84, static_cast<std::uint32_t>(frame2));
    out = std::move(o);
    return true;
}

} // namespace tsl
