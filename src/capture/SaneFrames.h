#pragma once
// CSanePage: assembles the frames SANE delivers for one page into a 32-bit (B, G, R, X) image.
// Formats: gray, RGB, and the three single-colour frames of a three-pass scanner; 1, 8 and 16
// bits per sample (16 reduced to 8; a 1-bit gray sample of 1 is black, as SANE defines it).
// The parameters are checked before anything is allocated: widths and sizes past the pixel
// limit are refused, and a line count of -1 (a hand scanner: height unknown until the end) is
// accepted with the buffer growing only as data arrives.

#include <QImage>

#include <cstddef>
#include <cstdint>
#include <vector>

namespace tsl {

// The frame formats, numbered as SANE numbers them.
enum class SaneFrame : int { Gray = 0, Rgb = 1, Red = 2, Green = 3, Blue = 4 };

struct SaneFrameParams {
    int format = 0; // SaneFrame
    bool lastFrame = true;
    int bytesPerLine = 0;
    int pixelsPerLine = 0;
    int lines = 0; // -1: unknown until the frame ends
    int depth = 8;
    bool operator==(const SaneFrameParams&) const = default;
};

class CSanePage {
public:
    enum Result { kOk, kBadParameters, kTooLarge, kIncomplete };

    // Starts the next frame of the page; a frame that does not fit the page's earlier ones
    // (another size or depth, a colour frame twice, gray after colour) is refused.
    Result BeginFrame(const SaneFrameParams& params);
    // Adds bytes of the current frame; kTooLarge when they pass its claim or the pixel limit.
    Result Append(const std::uint8_t* data, std::size_t size);
    // Ends the current frame; kIncomplete when fewer lines came than it announced (or none).
    Result EndFrame();
    // Whether every frame of the page has been received.
    bool Complete() const;
    // The page; null unless Complete(). dpi > 0 is recorded as the image's resolution.
    QImage Image(double dpi) const;

    std::uint64_t BytesExpected() const; // of the current frame; 0 when unknown
    std::uint64_t BytesReceived() const { return m_data.size(); }

private:
    void StoreFrame();

    SaneFrameParams m_params;
    bool m_inFrame = false;
    std::vector<std::uint8_t> m_data;          // the current frame
    std::vector<std::uint8_t> m_planes[3];     // red, green, blue of a three-pass page
    std::vector<std::uint8_t> m_single;        // a gray or RGB frame
    int m_width = 0;
    int m_rows = 0;
    int m_depth = 8;
    int m_bytesPerLine = 0;
    bool m_haveSingle = false;
    bool m_isRgb = false;
    bool m_havePlane[3] = {false, false, false};
    bool m_lastSeen = false;
};

} // namespace tsl
