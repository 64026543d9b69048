#include "slideshow/ShowFile.h"

namespace tsl {
namespace {

class CShowReader {
public:
    explicit CShowReader(std::span<const std::uint8_t> bytes) : m_bytes(bytes) {}

    std::size_t Left() const { return m_bytes.size() - m_at; }

    bool Skip(std::size_t n) {
        if (Left() < n) return false;
        m_at += n;
        return true;
    }
    bool U8(std::uint32_t& v) {
        if (Left() < 1) return false;
        v = m_bytes[m_at++];
        return true;
    }
    bool U16(std::uint32_t& v) {
        if (Left() < 2) return false;
        v = m_bytes[m_at] | (std::uint32_t{m_bytes[m_at + 1]} << 8);
        m_at += 2;
        return true;
    }
    bool U32(std::uint32_t& v) {
        if (Left() < 4) return false;
        v = m_bytes[m_at] | (std::uint32_t{m_bytes[m_at + 1]} << 8) |
            (std::uint32_t{m_bytes[m_at + 2]} << 16) | (std::uint32_t{m_bytes[m_at + 3]} << 24);
        m_at += 4;
        return true;
    }
    bool I32(std::int32_t& v) {
        std::uint32_t u = 0;
        if (!U32(u)) return false;
        v = static_cast<std::int32_t>(u);
        return true;
    }
    // A counted text; its count is checked against what is left before anything is copied.
    ShowParse Text(std::string& text) {
        std::uint32_t count = 0;
        if (!U8(count)) return ShowParse::EndsEarly;
        if (count == 0xFF) {
            if (!U16(count)) return ShowParse::EndsEarly;
            if (count == 0xFFFF && !U32(count)) return ShowParse::EndsEarly;
        }
        if (count > Left()) return ShowParse::TextTooLong;
        text.assign(reinterpret_cast<const char*>(m_bytes.data() + m_at), count);
        m_at += count;
        return ShowParse::Ok;
    }

private:
    std::span<const std::uint8_t> m_bytes;
    std::size_t m_at = 0;
};

void AppendU32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    for (int shift = 0; shift < 32; shift += 8)
        out.push_back(static_cast<std::uint8_t>(v >> shift));
}

} // namespace

ShowParse ParseShowFile(std::span<const std::uint8_t> bytes, ShowFileData& out,
                        std::int64_t* countOut) {
    CShowReader reader(bytes);
    std::string magic;
    // A file too short for its magic, or with another first text, is not a show file.
    if (reader.Text(magic) != ShowParse::Ok || magic != kShowMagic) return ShowParse::BadMagic;
    if (!reader.Skip(2)) return ShowParse::EndsEarly;
    std::int32_t count = 0;
    if (!reader.I32(count)) return ShowParse::EndsEarly;
    if (countOut) *countOut = count;
    if (count < 0 || count > kMaxShowImages) return ShowParse::BadCount;
    // Every entry takes at least its count byte: a claim beyond the file is refused before
    // anything is reserved.
    if (static_cast<std::size_t>(count) > reader.Left()) return ShowParse::EndsEarly;

    ShowFileData data;
    data.entries.resize(static_cast<std::size_t>(count));
    for (std::string& entry : data.entries)
        if (const ShowParse status = reader.Text(entry); status != ShowParse::Ok) return status;
    if (!reader.I32(data.loop) || !reader.I32(data.useSound) || !reader.I32(data.showFileName) ||
        !reader.I32(data.useTransitions))
        return ShowParse::EndsEarly;
    if (const ShowParse status = reader.Text(data.soundFile); status != ShowParse::Ok)
        return status;
    if (!reader.I32(data.delay) || !reader.I32(data.soundLoop) || !reader.I32(data.advanceMode))
        return ShowParse::EndsEarly;
    out = std::move(data);
    return ShowParse::Ok;
}

void AppendCountedText(std::vector<std::uint8_t>& out, std::string_view text) {
    const std::size_t n = text.size();
    if (n < 0xFF) {
        out.push_back(static_cast<std::uint8_t>(n));
    } else if (n < 0xFFFE) {
        out.push_back(0xFF);
        out.push_back(static_cast<std::uint8_t>(n));
        out.push_back(static_cast<std::uint8_t>(n >> 8));
    } else {
        out.push_back(0xFF);
        out.push_back(0xFF);
        out.push_back(0xFF);
        AppendU32(out, static_cast<std::uint32_t>(n));
    }
    out.insert(out.end(), text.begin(), text.end());
}

std::vector<std::uint8_t> FormatShowFile(const ShowFileData& data) {
    std::vector<std::uint8_t> out;
    AppendCountedText(out, kShowMagic);
    out.push_back(1);
    out.push_back(0);
    AppendU32(out, static_cast<std::uint32_t>(data.entries.size()));
    for (const std::string& entry : data.entries)
        AppendCountedText(out, entry);
    for (std::int32_t v : {data.loop, data.useSound, data.showFileName, data.useTransitions})
        AppendU32(out, static_cast<std::uint32_t>(v));
    AppendCountedText(out, data.soundFile);
    for (std::int32_t v : {data.delay, data.soundLoop, data.advanceMode})
        AppendU32(out, static_cast<std::uint32_t>(v));
    return out;
}

} // namespace tsl
