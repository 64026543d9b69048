#include "capture/PeResources.h"

#include "codecs/Bmp.h"
#include "imaging/formats/FormatIo.h"
#include "imaging/formats/Icon.h"

#include <algorithm>
#include <cstring>
#include <fstream>

namespace tsl::pe {
namespace {

std::uint16_t Le16(const std::vector<std::uint8_t>& b, std::size_t at) {
    return std::uint16_t(b[at] | (b[at + 1] << 8));
}
std::uint32_t Le32(const std::vector<std::uint8_t>& b, std::size_t at) {
    return std::uint32_t(b[at]) | (std::uint32_t(b[at + 1]) << 8) | (std::uint32_t(b[at + 2]) << 16) |
           (std::uint32_t(b[at + 3]) << 24);
}
bool Fits(std::size_t fileSize, std::uint64_t at, std::uint64_t size) {
    return at <= fileSize && size <= fileSize - at;
}
void Put16(std::vector<std::uint8_t>& b, int v) {
    b.push_back(std::uint8_t(v));
    b.push_back(std::uint8_t(v >> 8));
}
void Put32(std::vector<std::uint8_t>& b, std::uint32_t v) {
    Put16(b, int(v & 0xFFFF));
    Put16(b, int(v >> 16));
}

} // namespace

bool PeResources::LoadFile(const std::string& path, std::string& error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "the file cannot be opened";
        return false;
    }
    in.seekg(0, std::ios::end);
    const std::streamoff size = in.tellg();
    if (size < 0 || std::uint64_t(size) > kMaxFileSize) {
        error = "the file is too large";
        return false;
    }
    in.seekg(0);
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
    if (size > 0 && !in.read(reinterpret_cast<char*>(bytes.data()), size)) {
        error = "the file cannot be read";
        return false;
    }
    return Load(std::move(bytes), error);
}

bool PeResources::Load(std::vector<std::uint8_t> file, std::string& error) {
    m_file = std::move(file);
    m_sections.clear();
    m_raw.clear();
    m_pictures.clear();
    const std::size_t n = m_file.size();
    if (n > kMaxFileSize) {
        error = "the file is too large";
        return false;
    }
    if (n < 0x40 || m_file[0] != 'M' || m_file[1] != 'Z') {
        error = "not a Windows executable or DLL";
        return false;
    }
    const std::uint32_t pe = Le32(m_file, 0x3C);
    if (!Fits(n, pe, 24) || std::memcmp(m_file.data() + pe, "PE\0\0", 4) != 0) {
        error = "not a Windows executable or DLL (no PE header)";
        return false;
    }
    const std::uint16_t sectionCount = Le16(m_file, pe + 6);
    const std::uint16_t optionalSize = Le16(m_file, pe + 20);
    const std::uint64_t optional = std::uint64_t(pe) + 24;
    if (!Fits(n, optional, optionalSize) || optionalSize < 2) {
        error = "truncated PE header";
        return false;
    }
    const std::uint16_t magic = Le16(m_file, optional);
    std::uint64_t countAt, dirsAt;
    if (magic == 0x10B) countAt = optional + 92, dirsAt = optional + 96;
    else if (magic == 0x20B) countAt = optional + 108, dirsAt = optional + 112;
    else {
        error = "unknown PE optional header";
        return false;
    }
    if (countAt + 4 > optional + optionalSize) {
        error = "the file has no resources";
        return false;
    }
    const std::uint32_t dirCount = Le32(m_file, countAt);
    if (dirCount < 3 || dirsAt + 3 * 8 > optional + optionalSize) {
        error = "the file has no resources";
        return false;
    }
    const std::uint32_t rsrcRva = Le32(m_file, dirsAt + 16), rsrcSize = Le32(m_file, dirsAt + 20);
    if (rsrcRva == 0 || rsrcSize == 0) {
        error = "the file has no resources";
        return false;
    }
    const std::uint64_t table = optional + optionalSize;
    if (sectionCount > 96 || !Fits(n, table, std::uint64_t(sectionCount) * 40)) {
        error = "truncated section table";
        return false;
    }
    for (int i = 0; i < sectionCount; ++i) {
        const std::size_t s = std::size_t(table) + std::size_t(i) * 40;
        m_sections.push_back({Le32(m_file, s + 12), Le32(m_file, s + 8), Le32(m_file, s + 20), Le32(m_file, s + 16)});
    }
    // The directory's bytes: those of its section from its start, at most the stated size.
    std::uint32_t offset = 0;
    if (!RvaToOffset(rsrcRva, 16, offset)) {
        error = "the resource directory lies outside the file";
        return false;
    }
    m_rsrcOffset = offset;
    m_rsrcSize = std::uint32_t(std::min<std::uint64_t>(rsrcSize, n - offset));
    for (const Section& s : m_sections)
        if (rsrcRva >= s.va && rsrcRva - s.va < s.rawSize)
            m_rsrcSize = std::min<std::uint32_t>(m_rsrcSize, s.rawSize - (rsrcRva - s.va));
    std::vector<std::uint32_t> seen;
    if (!ReadDirectory(0, 0, {}, seen, error)) {
        m_raw.clear();
        return false;
    }
    CollectPictures();
    return true;
}

bool PeResources::RvaToOffset(std::uint32_t rva, std::uint32_t size, std::uint32_t& offset) const {
    for (const Section& s : m_sections) {
        const std::uint32_t span = std::max(s.virtualSize, s.rawSize);
        if (rva < s.va || rva - s.va >= span) continue;
        const std::uint64_t inSection = rva - s.va;
        if (inSection + size > s.rawSize) return false; // beyond the bytes stored in the file
        const std::uint64_t at = std::uint64_t(s.rawOffset) + inSection;
        if (!Fits(m_file.size(), at, size)) return false;
        offset = std::uint32_t(at);
        return true;
    }
    return false;
}

bool PeResources::ReadName(std::uint32_t field, ResourceName& name) const {
    if (!(field & 0x80000000u)) {
        name.isString = false;
        name.id = std::uint16_t(field);
        return true;
    }
    const std::uint32_t at = field & 0x7FFFFFFFu;
    if (!Fits(m_rsrcSize, at, 2)) return false;
    const std::uint16_t length = Le16(m_file, m_rsrcOffset + at);
    if (!Fits(m_rsrcSize, std::uint64_t(at) + 2, std::uint64_t(length) * 2)) return false;
    name.isString = true;
    name.text.clear();
    for (int i = 0; i < length; ++i) {
        std::uint32_t c = Le16(m_file, m_rsrcOffset + at + 2 + std::size_t(i) * 2);
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < length) {
            const std::uint32_t low = Le16(m_file, m_rsrcOffset + at + 4 + std::size_t(i) * 2);
            if (low >= 0xDC00 && low < 0xE000) {
                c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
                ++i;
            }
        }
        if (c < 0x80) name.text += char(c);
        else if (c < 0x800) name.text += char(0xC0 | (c >> 6)), name.text += char(0x80 | (c & 0x3F));
        else if (c < 0x10000)
            name.text += char(0xE0 | (c >> 12)), name.text += char(0x80 | ((c >> 6) & 0x3F)),
                name.text += char(0x80 | (c & 0x3F));
        else
            name.text += char(0xF0 | (c >> 18)), name.text += char(0x80 | ((c >> 12) & 0x3F)),
                name.text += char(0x80 | ((c >> 6) & 0x3F)), name.text += char(0x80 | (c & 0x3F));
    }
    return true;
}

bool PeResources::ReadDirectory(std::uint32_t dirOffset, int level, Raw raw,
                                std::vector<std::uint32_t>& seen, std::string& error) {
    if (std::find(seen.begin(), seen.end(), dirOffset) != seen.end()) {
        error = "the resource directory loops";
        return false;
    }
    seen.push_back(dirOffset);
    if (!Fits(m_rsrcSize, dirOffset, 16)) {
        error = "a resource directory lies outside the file";
        return false;
    }
    const std::size_t base = std::size_t(m_rsrcOffset) + dirOffset;
    const std::uint32_t count = std::uint32_t(Le16(m_file, base + 12)) + Le16(m_file, base + 14);
    if (!Fits(m_rsrcSize, std::uint64_t(dirOffset) + 16, std::uint64_t(count) * 8)) {
        error = "a resource directory's entries lie outside the file";
        return false;
    }
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::size_t e = base + 16 + std::size_t(i) * 8;
        const std::uint32_t nameField = Le32(m_file, e), dataField = Le32(m_file, e + 4);
        Raw here = raw;
        if (level == 0) {
            ResourceName type;
            if (!ReadName(nameField, type)) {
                error = "a resource type name lies outside the file";
                return false;
            }
            // Only numbered types hold pictures; named types are skipped.
            if (type.isString) continue;
            here.type = type.id;
            if (here.type != kRtBitmap && here.type != kRtIcon && here.type != kRtCursor &&
                here.type != kRtGroupIcon && here.type != kRtGroupCursor)
                continue;
        } else if (level == 1) {
            if (!ReadName(nameField, here.name)) {
                error = "a resource name lies outside the file";
                return false;
            }
        } else {
            here.language = std::uint16_t(nameField);
        }
        const bool isDirectory = dataField & 0x80000000u;
        if (level < 2) {
            if (!isDirectory) {
                error = "a resource directory is malformed";
                return false;
            }
            if (!ReadDirectory(dataField & 0x7FFFFFFFu, level + 1, here, seen, error)) return false;
            continue;
        }
        if (isDirectory) {
            error = "the resource directory is nested too deeply";
            return false;
        }
        if (!Fits(m_rsrcSize, dataField, 16)) {
            error = "a resource data entry lies outside the file";
            return false;
        }
        const std::size_t d = std::size_t(m_rsrcOffset) + dataField;
        const std::uint32_t rva = Le32(m_file, d), size = Le32(m_file, d + 4);
        if (!RvaToOffset(rva, size, here.offset)) {
            error = "a resource's data lie outside the file";
            return false;
        }
        here.size = size;
        if (m_raw.size() >= kMaxEntries) {
            error = "the file has too many resources";
            return false;
        }
        m_raw.push_back(here);
    }
    return true;
}

const PeResources::Raw* PeResources::Find(int type, std::uint16_t id, std::uint16_t language) const {
    const Raw* any = nullptr;
    for (const Raw& r : m_raw) {
        if (r.type != type || r.name.isString || r.name.id != id) continue;
        if (r.language == language) return &r;
        if (!any) any = &r;
    }
    return any;
}

void PeResources::CollectPictures() {
    for (const Raw& r : m_raw) {
        if (r.type != kRtBitmap) continue;
        PictureEntry p;
        p.type = kRtBitmap;
        p.name = r.name;
        p.language = r.language;
        p.offset = r.offset;
        p.size = r.size;
        if (r.size >= 16) {
            const std::uint32_t header = Le32(m_file, r.offset);
            if (header >= 40) {
                p.width = int(Le32(m_file, r.offset + 4));
                p.height = std::abs(int(Le32(m_file, r.offset + 8)));
                p.bitCount = Le16(m_file, r.offset + 14);
            } else if (header == 12) {
                p.width = Le16(m_file, r.offset + 4);
                p.height = Le16(m_file, r.offset + 6);
                p.bitCount = Le16(m_file, r.offset + 10);
            }
        }
        m_pictures.push_back(p);
    }
    for (int group : {int(kRtGroupIcon), int(kRtGroupCursor)}) {
        const bool cursor = group == kRtGroupCursor;
        for (const Raw& r : m_raw) {
            if (r.type != group || r.size < 6) continue;
            const int count = Le16(m_file, r.offset + 4);
            if (Le16(m_file, r.offset + 2) != (cursor ? 2 : 1) || 6 + std::uint64_t(count) * 14 > r.size) continue;
            for (int i = 0; i < count; ++i) {
                const std::size_t e = r.offset + 6 + std::size_t(i) * 14;
                PictureEntry p;
                p.type = group;
                p.name = r.name;
                p.language = r.language;
                if (cursor) {
                    p.width = Le16(m_file, e);
                    p.height = Le16(m_file, e + 2) / 2;
                } else {
                    p.width = m_file[e] ? m_file[e] : 256;
                    p.height = m_file[e + 1] ? m_file[e + 1] : 256;
                }
                p.bitCount = Le16(m_file, e + 6);
                p.imageId = Le16(m_file, e + 12);
                const Raw* image = Find(cursor ? kRtCursor : kRtIcon, p.imageId, r.language);
                if (!image) continue; // a group naming an image the file lacks
                p.offset = image->offset;
                p.size = image->size;
                m_pictures.push_back(p);
            }
            if (m_pictures.size() >= kMaxEntries) return;
        }
    }
}

bool PeResources::Decode(const PictureEntry& entry, Picture& out, std::string& error) const {
    out = {};
    if (!Fits(m_file.size(), entry.offset, entry.size)) {
        error = "the resource lies outside the file";
        return false;
    }
    const std::uint8_t* data = m_file.data() + entry.offset;
    std::size_t size = entry.size;
    if (entry.type == kRtBitmap) {
        // A bitmap resource is a packed DIB (perhaps run-length encoded).
        out.dib = UnpackDib(PackedDib(data, data + size));
        if (out.dib.empty()) error = "the bitmap is damaged or of a size that is refused";
        return !out.dib.empty();
    }

    const bool cursor = entry.type == kRtGroupCursor;
    if (cursor) {
        if (size < 4) {
            error = "truncated cursor image";
            return false;
        }
        out.hotX = data[0] | (data[1] << 8);
        out.hotY = data[2] | (data[3] << 8);
        data += 4;
        size -= 4;
    }
    static const std::uint8_t kPng[8] = {0x89, 'P', 'N', 'G', 13, 10, 26, 10};
    if (size >= 8 && std::memcmp(data, kPng, 8) == 0) {
        out.png.assign(data, data + size);
        return true;
    }
    // One-image ICO or CUR file around the image, for the icon reader.
    std::vector<std::uint8_t> file;
    file.reserve(22 + size);
    Put16(file, 0);
    Put16(file, cursor ? 2 : 1);
    Put16(file, 1);
    file.push_back(std::uint8_t(entry.width >= 256 ? 0 : entry.width));
    file.push_back(std::uint8_t(entry.height >= 256 ? 0 : entry.height));
    file.push_back(0);
    file.push_back(0);
    Put16(file, cursor ? out.hotX : 1);
    Put16(file, cursor ? out.hotY : entry.bitCount);
    Put32(file, std::uint32_t(size));
    Put32(file, 22);
    file.insert(file.end(), data, data + size);
    return ReadIcon(file, out.dib, error);
}

} // namespace tsl::pe
