#include "document/ButtonFile.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>

namespace tsl {

namespace {

constexpr std::size_t kRecordSize = 16;

int Int16(const std::uint8_t* p) { return static_cast<std::int16_t>(p[0] | p[1] << 8); }
COLORREF Colour(const std::uint8_t* p) { return (p[0] | p[1] << 8 | p[2] << 16) & 0xFFFFFFu; }
void Put16(std::vector<std::uint8_t>& out, int v) {
    out.push_back(static_cast<std::uint8_t>(v & 0xFF));
    out.push_back(static_cast<std::uint8_t>((v >> 8) & 0xFF));
}
void Put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

} // namespace

CButtonRecords DefaultButtonRecords() {
    CButtonRecords r;
    r[kButtonNormal] = {4, 0, 65, 0, RGB(176, 176, 176), RGB(97, 97, 97)};
    // Pressed: the bevel turned round and a little darker; roll-over: lighter.
    r[kButtonPressed] = {4, 0, 65, -10, RGB(97, 97, 97), RGB(176, 176, 176)};
    r[kButtonRollOver] = {4, 0, 55, 20, RGB(224, 224, 224), RGB(145, 145, 145)};
    return r;
}

int ReadButtonRecords(const std::uint8_t* bytes, std::size_t size, CButtonRecords& records) {
    const std::size_t n = std::min(size, kButtonFileSize) / kRecordSize;
    for (std::size_t i = 0; i < n; ++i) {
        const std::uint8_t* p = bytes + i * kRecordSize;
        CButtonRecord& r = records[i];
        r.bevel = static_cast<std::int16_t>(std::clamp(Int16(p), 0, 30));
        r.reserved = static_cast<std::int16_t>(Int16(p + 2));
        r.transparency = static_cast<std::int16_t>(std::clamp(Int16(p + 4), 0, 100));
        r.brightness = static_cast<std::int16_t>(std::clamp(Int16(p + 6), -100, 100));
        r.upperLeft = Colour(p + 8);
        r.bottomRight = Colour(p + 12);
    }
    return static_cast<int>(n);
}

std::vector<std::uint8_t> ButtonFileBytes(const CButtonRecords& records) {
    std::vector<std::uint8_t> out;
    out.reserve(kButtonFileSize);
    for (const CButtonRecord& r : records) {
        Put16(out, r.bevel);
        Put16(out, r.reserved);
        Put16(out, r.transparency);
        Put16(out, r.brightness);
        Put32(out, r.upperLeft & 0xFFFFFFu);
        Put32(out, r.bottomRight & 0xFFFFFFu);
    }
    return out;
}

bool LoadButtonFile(const std::string& path, CButtonRecords& records) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::uint8_t bytes[kButtonFileSize];
    in.read(reinterpret_cast<char*>(bytes), sizeof bytes);
    if (in.bad()) return false;
    ReadButtonRecords(bytes, static_cast<std::size_t>(in.gcount()), records);
    return true;
}

bool SaveButtonFile(const std::string& path, const CButtonRecords& records) {
    namespace fs = std::filesystem;
    const std::vector<std::uint8_t> bytes = ButtonFileBytes(records);
    const std::string temporary = path + ".tmp-btn";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        if (!out) return false;
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        out.flush();
        if (!out) {
            out.close();
            std::remove(temporary.c_str());
            return false;
        }
    }
    std::error_code error;
    fs::rename(temporary, path, error);
    if (error) std::remove(temporary.c_str());
    return !error;
}

} // namespace tsl
