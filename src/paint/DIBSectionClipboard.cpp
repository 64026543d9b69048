// CDIBSection and the clipboard's bitmap format, exchanged as packed DIBs through
// tsl::ClipboardBitmap(). An indexed image travels at its own depth with its colour table,
// which is how its palette reaches the clipboard; deeper images travel at 24 bits.

#include "paint/DIBSection.h"

#include "core/Services.h"

#include <algorithm>
#include <vector>

namespace tsl {
namespace {

bool ClipboardImage(CDIBSection& out) {
    if (!ClipboardBitmap().HasBitmap()) return false;
    const std::vector<std::uint8_t> dib = ClipboardBitmap().GetPackedDib();
    return out.LoadPackedDib(dib.data(), dib.size());
}

} // namespace

bool CDIBSection::CopyToClipboard(const CRect* rect) const {
    if (!HasImage()) return false;
    const CRect r = (rect ? rect->Normalised() : CRect{0, 0, Width(), Height()})
                        .Intersected({0, 0, Width(), Height()});
    if (r.IsEmpty()) return false;
    const int depth = BitsPerPixel() <= 8 ? BitsPerPixel() : 24;
    CDIBSection part;
    const std::vector<RGBQUAD> table(m_info.bmiColors.begin(),
                                     m_info.bmiColors.begin() + m_colourCount);
    if (!part.Create(r.Width(), r.Height(), 1, depth, nullptr, depth <= 8 ? &table : nullptr) ||
        !Draw(part, 0, 0, r.TopLeft(), r.Size()))
        return false;

    const std::size_t tableBytes = 4 * static_cast<std::size_t>(part.ColourCount());
    std::vector<std::uint8_t> dib(BITMAPINFOHEADER::kSize + tableBytes + part.m_storageSize);
    part.m_info.bmiHeader.Write(dib.data());
    for (int i = 0; i < part.ColourCount(); ++i) {
        const RGBQUAD& q = part.m_info.bmiColors[static_cast<std::size_t>(i)];
        std::uint8_t* p = dib.data() + BITMAPINFOHEADER::kSize + 4 * static_cast<std::size_t>(i);
        p[0] = q.rgbBlue;
        p[1] = q.rgbGreen;
        p[2] = q.rgbRed;
        p[3] = 0;
    }
    std::copy_n(part.m_bits, part.m_storageSize, dib.data() + BITMAPINFOHEADER::kSize + tableBytes);
    return ClipboardBitmap().SetPackedDib(dib);
}

bool CDIBSection::ClipboardHasBitmap() {
    return ClipboardBitmap().HasBitmap();
}

CSize CDIBSection::ClipboardBitmapSize() {
    if (!ClipboardBitmap().HasBitmap()) return {};
    const std::vector<std::uint8_t> dib = ClipboardBitmap().GetPackedDib();
    if (dib.size() < BITMAPINFOHEADER::kSize) return {};
    const BITMAPINFOHEADER h = BITMAPINFOHEADER::Read(dib.data());
    if (h.biWidth <= 0 || h.biHeight == 0 || h.biHeight == INT32_MIN) return {};
    return {h.biWidth, h.biHeight < 0 ? -h.biHeight : h.biHeight};
}

bool CDIBSection::PasteFromClipboard(const CRect& rect, bool realisePalette) {
    // A palette device would realise this image's palette first; pixels do not need it.
    (void)realisePalette;
    if (!HasImage()) return false;
    CDIBSection clip;
    if (!ClipboardImage(clip)) return false;
    const CRect r = rect.Normalised();
    return clip.Draw(*this, r.left, r.top, {0, 0},
                     {std::min(clip.Width(), r.Width()), std::min(clip.Height(), r.Height())});
}

bool CDIBSection::PasteKeyed(const CRect& rect, COLORREF colour, bool realisePalette) {
    (void)colour;
    if (!HasImage()) return false;
    const CRect r = rect.Normalised();
    CDIBSection buffer;
    if (!buffer.Create(r.Width(), r.Height(), Planes(), BitsPerPixel(), nullptr, &m_palette))
        return false;
    buffer.m_info.bmiColors = m_info.bmiColors;
    buffer.FillAll(kPasteKeyColour);
    if (!buffer.PasteFromClipboard({0, 0, r.Width(), r.Height()}, realisePalette)) return false;
    if (realisePalette) {
        m_info.bmiColors = buffer.m_info.bmiColors;
        CreatePaletteFromColourTable();
    }
    return buffer.Draw(*this, r.left, r.top, {0, 0}, kToEdge, kPasteKeyColour);
}

} // namespace tsl
