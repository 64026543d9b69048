#pragma once
// The bytes of a ".show" (and ".SlideShow") file, without Qt: what the model's reader and writer
// and the fuzz target share.
//
// Layout (little-endian, no padding): the counted text "SShow", two bytes (written 1, 0; never
// examined when reading), the image count N as a signed 32-bit value, N counted texts, loop, use
// sound, show file name and use transitions as 32-bit values, the sound file as a counted text,
// then delay, sound loop and advance mode as 32-bit values.
//
// Counted text: the bytes of the text, preceded by their count: one byte below 255; otherwise
// 0xFF and a 16-bit count below 65534; otherwise 0xFF, 0xFFFF and a 32-bit count.
//
// The parser checks every count against the bytes that remain before it takes anything, and
// leaves its output untouched unless the whole file was read.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tsl {

// Image indices are 16-bit signed values in the reader and writer: a show holds at most this
// many images.
inline constexpr int kMaxShowImages = 32767;
inline constexpr std::string_view kShowMagic = "SShow";

struct ShowFileData {
    std::vector<std::string>
        entries; // the texts as stored: path bytes as the file system holds them
    std::int32_t loop = 0;
    std::int32_t useSound = 0;
    std::int32_t showFileName = 1;
    std::int32_t useTransitions = 0;
    std::string soundFile;
    std::int32_t delay = 1000;
    std::int32_t soundLoop = 0;
    std::int32_t advanceMode = 0;

    bool operator==(const ShowFileData&) const = default;
};

enum class ShowParse {
    Ok,
    BadMagic,    // the first counted text is not exactly "SShow"
    EndsEarly,   // the file ends before its last field
    BadCount,    // an image count below 0 or above kMaxShowImages
    TextTooLong, // a counted text claims more bytes than the file has left
};

// Reads a whole show file. out is replaced only when the result is Ok; count gets the image
// count the file claims once it has been read (for messages).
ShowParse ParseShowFile(std::span<const std::uint8_t> bytes, ShowFileData& out,
                        std::int64_t* count = nullptr);

// Appends text as a counted text.
void AppendCountedText(std::vector<std::uint8_t>& out, std::string_view text);

// The bytes of a show file. The caller keeps entries within kMaxShowImages.
std::vector<std::uint8_t> FormatShowFile(const ShowFileData& data);

} // namespace tsl
