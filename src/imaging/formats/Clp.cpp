#include "imaging/formats/Clp.h"

#include "imaging/formats/FormatIo.h"

namespace tsl {

using namespace fmt;

namespace {
constexpr unsigned kCfDib = 8;
constexpr unsigned kCfDibV5 = 17;
} // namespace

bool ReadClp(const std::vector<std::uint8_t>& file, PackedDib& out, std::string& error) {
    out.clear();
    ByteReader r(file);
    const unsigned id = r.Le16();
    const unsigned count = r.Le16();
    if (!r.Ok() || (id != 0xC350 && id != 0xC351 && id != 0xC352)) {
        error = "not a clipboard file";
        return false;
    }
    const bool nt = id != 0xC350;
    const std::size_t entrySize = nt ? 170 : 89;
    if (count > r.Remaining() / entrySize) {
        error = "truncated clipboard directory";
        return false;
    }
    for (unsigned i = 0; i < count; ++i) {
        r.Seek(4 + i * entrySize);
        const std::uint32_t format = nt ? r.Le32() : r.Le16();
        const std::uint32_t length = r.Le32();
        const std::uint32_t offset = r.Le32();
        if (format != kCfDib && format != kCfDibV5) continue;
        if (offset > file.size() || length > file.size() - offset) {
            error = "clipboard entry lies outside the file";
            return false;
        }
        return NormaliseDib(file.data() + offset, length, nullptr, 0, out, error);
    }
    error = "the clipboard file holds no bitmap";
    return false;
}

bool WriteClp(const PackedDib& dib, std::vector<std::uint8_t>& out, std::string& error) {
    out.clear();
    PackedDib normal;
    if (!ViewPackedDib(dib)) {
        error = "not a valid uncompressed packed DIB";
        return false;
    }
    if (!NormaliseDib(dib.data(), dib.size(), nullptr, 0, normal, error)) return false;
    if (normal.size() > 0xFFFFFFFFu - 93) {
        error = "the image is too large for a clipboard file";
        return false;
    }
    Bytes o;
    PutLe16(o, 0xC350);
    PutLe16(o, 1);
    PutLe16(o, kCfDib);
    PutLe32(o, static_cast<std::uint32_t>(normal.size()));
    PutLe32(o, 4 + 89);
    PutZeros(o, 79); // standard formats have no name
    PutBytes(o, normal.data(), normal.size());
    out = std::move(o);
    return true;
}

} // namespace tsl
