#include "paint/DIBSection.h"

#include "core/Ddb.h"
#include "core/Palette.h"
#include "core/Services.h"

#include <QFont>
#include <QGuiApplication>
#include <QPalette>
#include <QString>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <new>
#include <utility>

namespace tsl {

// ---------------------------------------------------------------- pixel rows and mapping

void ReadPixelValues(const CSurface& s, int y, int x, int n, std::uint32_t* out) {
    const std::uint8_t* row = s.TopRow(y);
    switch (s.bitsPerPixel) {
    case 1:
        for (int i = 0; i < n; ++i, ++x)
            out[i] = (row[x >> 3] >> (7 - (x & 7))) & 1;
        break;
    case 4:
        for (int i = 0; i < n; ++i, ++x)
            out[i] = (row[x >> 1] >> ((x & 1) ? 0 : 4)) & 15;
        break;
    case 8:
        for (int i = 0; i < n; ++i)
            out[i] = row[x + i];
        break;
    case 16:
        for (int i = 0; i < n; ++i)
            out[i] = ReadLe16(row + 2 * (x + i));
        break;
    case 24:
        row += 3 * static_cast<std::size_t>(x);
        for (int i = 0; i < n; ++i, row += 3)
            out[i] = row[0] | (row[1] << 8) | (row[2] << 16);
        break;
    default:
        for (int i = 0; i < n; ++i)
            out[i] = ReadLe32(row + 4 * (x + i)) & 0x00FFFFFF;
        break;
    }
}

void WritePixelValues(const CSurface& s, int y, int x, int n, const std::uint32_t* values) {
    std::uint8_t* row = s.TopRow(y);
    switch (s.bitsPerPixel) {
    case 1:
        for (int i = 0; i < n; ++i, ++x) {
            const auto bit = static_cast<std::uint8_t>(0x80 >> (x & 7));
            row[x >> 3] =
                static_cast<std::uint8_t>((row[x >> 3] & ~bit) | (values[i] & 1 ? bit : 0));
        }
        break;
    case 4:
        for (int i = 0; i < n; ++i, ++x) {
            std::uint8_t& b = row[x >> 1];
            const unsigned v = values[i] & 15;
            b = (x & 1) ? static_cast<std::uint8_t>((b & 0xF0) | v)
                        : static_cast<std::uint8_t>((b & 0x0F) | (v << 4));
        }
        break;
    case 8:
        for (int i = 0; i < n; ++i)
            row[x + i] = static_cast<std::uint8_t>(values[i]);
        break;
    case 16:
        for (int i = 0; i < n; ++i)
            WriteLe16(row + 2 * (x + i), static_cast<std::uint16_t>(values[i]));
        break;
    case 24:
        row += 3 * static_cast<std::size_t>(x);
        for (int i = 0; i < n; ++i, row += 3) {
            row[0] = static_cast<std::uint8_t>(values[i]);
            row[1] = static_cast<std::uint8_t>(values[i] >> 8);
            row[2] = static_cast<std::uint8_t>(values[i] >> 16);
        }
        break;
    default:
        for (int i = 0; i < n; ++i)
            WriteLe32(row + 4 * (x + i), values[i] & 0x00FFFFFF);
        break;
    }
}

CPixelMapper::CPixelMapper(const CSurface& surface) : m_bitsPerPixel(surface.bitsPerPixel) {
    if (m_bitsPerPixel > 8) return;
    m_entries.assign(surface.colours, surface.colours + std::min(surface.colourCount, 256));
    m_cells.resize(std::size_t{1} << (3 * (8 - kCellShift)));
}

const CPixelMapper::Cell& CPixelMapper::CellFor(int r, int g, int b) {
    constexpr int side = 8 - kCellShift, last = (1 << kCellShift) - 1;
    Cell& cell = m_cells[static_cast<std::size_t>(((r >> kCellShift) << (2 * side)) |
                                                  ((g >> kCellShift) << side) | (b >> kCellShift))];
    if (cell.start >= 0) return cell;
    // An entry can be nearest to a colour of the cell only if its least distance to the cell
    // is within the greatest distance of the entry that is surely closest everywhere in it.
    const int lo[3] = {r & ~last, g & ~last, b & ~last};
    std::array<long, 256> least{};
    long bound = -1;
    for (std::size_t i = 0; i < m_entries.size(); ++i) {
        const int c[3] = {m_entries[i].rgbRed, m_entries[i].rgbGreen, m_entries[i].rgbBlue};
        long nearSum = 0, farSum = 0;
        for (int k = 0; k < 3; ++k) {
            const int below = lo[k] - c[k], above = c[k] - (lo[k] + last);
            const long near = below > 0 ? below : above > 0 ? above : 0;
            const long far = std::max(std::abs(c[k] - lo[k]), std::abs(c[k] - lo[k] - last));
            nearSum += near * near;
            farSum += far * far;
        }
        least[i] = nearSum;
        if (bound < 0 || farSum < bound) bound = farSum;
    }
    cell.start = static_cast<std::int32_t>(m_candidates.size());
    for (std::size_t i = 0; i < m_entries.size(); ++i)
        if (least[i] <= bound) m_candidates.push_back(static_cast<std::uint8_t>(i));
    cell.count = static_cast<std::int32_t>(m_candidates.size()) - cell.start;
    return cell;
}

std::uint32_t CPixelMapper::operator()(COLORREF colour) {
    const int r = GetRValue(colour), g = GetGValue(colour), b = GetBValue(colour);
    switch (m_bitsPerPixel) {
    case 16:
        return static_cast<std::uint32_t>(((r >> 3) << 10) | ((g >> 3) << 5) | (b >> 3));
    case 24:
    case 32:
        return static_cast<std::uint32_t>((r << 16) | (g << 8) | b);
    default:
        break;
    }
    if (m_entries.empty()) return 0;
    const Cell& cell = CellFor(r, g, b);
    // Candidates are in index order, so a strict improvement keeps the lowest index on ties.
    long best = -1;
    std::uint32_t bestIndex = 0;
    for (std::int32_t i = cell.start; i < cell.start + cell.count; ++i) {
        const std::uint8_t index = m_candidates[static_cast<std::size_t>(i)];
        const RGBQUAD& q = m_entries[index];
        const long dr = q.rgbRed - r, dg = q.rgbGreen - g, db = q.rgbBlue - b;
        const long d = dr * dr + dg * dg + db * db;
        if (best < 0 || d < best) {
            best = d;
            bestIndex = index;
            if (d == 0) break;
        }
    }
    return bestIndex;
}

// ---------------------------------------------------------------- lifetime

CDIBSection::CDIBSection() {
    Reset();
}
CDIBSection::~CDIBSection() = default;

CDIBSection::CDIBSection(CDIBSection&& other) noexcept {
    *this = std::move(other);
}

CDIBSection& CDIBSection::operator=(CDIBSection&& other) noexcept {
    if (this == &other) return *this;
    m_storage = std::move(other.m_storage);
    m_adopted = std::move(other.m_adopted);
    m_storageSize = other.m_storageSize;
    m_info = other.m_info;
    m_bits = other.m_bits;
    m_colourUsage = other.m_colourUsage;
    m_colourCount = other.m_colourCount;
    m_palette = std::move(other.m_palette);
    m_useDrawDib = other.m_useDrawDib;
    other.m_storageSize = 0;
    other.m_bits = nullptr;
    other.Reset();
    return *this;
}

void CDIBSection::Reset() {
    m_storage.reset();
    m_adopted = std::vector<std::uint8_t>();
    m_storageSize = 0;
    m_bits = nullptr;
    m_palette.clear();
    m_info.bmiHeader = BITMAPINFOHEADER{};
    m_info.bmiHeader.biSize = 0;
    m_info.bmiHeader.biPlanes = 0;
    m_info.bmiColors.fill(RGBQUAD{});
    m_useDrawDib = false;
    m_colourUsage = 0;
    m_colourCount = 0;
}

std::size_t CDIBSection::Stride() const {
    return HasImage() ? DibStride(Width(), BitsPerPixel()).value_or(0) : 0;
}

CSurface CDIBSection::Surface() const {
    CSurface s;
    s.bits = m_bits;
    s.width = Width();
    s.height = Height();
    s.bitsPerPixel = BitsPerPixel();
    s.stride = Stride();
    s.colours = m_info.bmiColors.data();
    s.colourCount = m_colourCount;
    return s;
}

CRasterDC CDIBSection::GetDrawingDC() {
    return CRasterDC(Surface());
}

LOGPALETTE CDIBSection::LogPalette() const {
    LOGPALETTE lp;
    const std::size_t n = std::min<std::size_t>(m_palette.size(), 256);
    for (std::size_t i = 0; i < n; ++i)
        lp.palPalEntry.push_back(
            {m_palette[i].rgbRed, m_palette[i].rgbGreen, m_palette[i].rgbBlue, 0});
    return lp;
}

// ---------------------------------------------------------------- creating

bool CDIBSection::Allocate(int width, int height, int bitsPerPixel, const RGBQUAD* colours,
                           int count) {
    // Storage of exactly the needed size survives the reset, so that repeated copies into
    // the same object (undo snapshots) do not pay for fresh pages every time.
    std::unique_ptr<std::uint8_t[]> previous = std::move(m_storage);
    std::vector<std::uint8_t> previousAdopted = std::move(m_adopted);
    const std::size_t previousSize = m_storageSize;
    Reset();
    const int colourCount = ColourCountForDepth(bitsPerPixel);
    const bool depthOk = bitsPerPixel == 1 || bitsPerPixel == 4 || bitsPerPixel == 8 ||
                         bitsPerPixel == 16 || bitsPerPixel == 24 || bitsPerPixel == 32;
    const auto size = DibImageSize(width, height, bitsPerPixel);
    if (!depthOk || height <= 0 || !size || count < 0 || count > colourCount) return false;
    if (previous && previousSize == *size) {
        m_storage = std::move(previous);
    } else if (!previousAdopted.empty() && previousSize == *size) {
        m_adopted = std::move(previousAdopted);
    } else {
        previous.reset();
        previousAdopted = std::vector<std::uint8_t>();
        m_storage.reset(new (std::nothrow) std::uint8_t[*size]);
        if (!m_storage) return false;
        AdviseHugePages(m_storage.get(), *size);
    }
    m_storageSize = *size;
    m_bits = m_storage ? m_storage.get() : m_adopted.data();
    BITMAPINFOHEADER& h = m_info.bmiHeader;
    h = BITMAPINFOHEADER{};
    h.biWidth = width;
    h.biHeight = height;
    h.biBitCount = static_cast<std::uint16_t>(bitsPerPixel);
    h.biSizeImage = static_cast<std::uint32_t>(std::min<std::size_t>(*size, 0xFFFFFFFFu));
    m_colourCount = colourCount;
    for (int i = 0; i < count; ++i)
        m_info.bmiColors[static_cast<std::size_t>(i)] = colours[i];
    return true;
}

bool CDIBSection::Create(int width, int height, int planes, int bitsPerPixel, const void* bits,
                         const std::vector<RGBQUAD>* palette) {
    if (planes != 1 || (palette && (palette->empty() || palette->size() > 256))) {
        Reset();
        return false;
    }
    if (!Allocate(width, height, bitsPerPixel, nullptr, 0)) return false;
    m_palette = palette ? *palette : DefaultPalette(m_colourCount ? m_colourCount : 256);
    // The palette fills the colour table; entries it does not reach stay black.
    const std::size_t n =
        std::min<std::size_t>(m_palette.size(), static_cast<std::size_t>(m_colourCount));
    std::copy_n(m_palette.begin(), n, m_info.bmiColors.begin());
    if (bits)
        std::memcpy(m_bits, bits, m_storageSize);
    else
        FillAll(RGB(255, 255, 255));
    return true;
}

bool CDIBSection::CreateFromInfo(const BITMAPINFO& source, const void* bits) {
    // Only the header and the depth's own colour entries are taken (40 + 4 x colours bytes);
    // a header that claims more cannot make the copy run past the block. The copy keeps a
    // call with this object's own block and bits working.
    const BITMAPINFO info = source;
    const BITMAPINFOHEADER& h = info.bmiHeader;
    if (h.biSize != BITMAPINFOHEADER::kSize || h.biPlanes != 1 || h.biCompression != BI_RGB) {
        Reset();
        return false;
    }
    const int count = ColourCountForDepth(h.biBitCount);
    if (!Allocate(h.biWidth, h.biHeight, h.biBitCount, info.bmiColors.data(), count)) {
        Reset();
        return false;
    }
    if (!bits)
        std::memset(m_bits, 0, m_storageSize);
    else if (bits != m_bits)
        std::memcpy(m_bits, bits, m_storageSize);
    return CreatePaletteFromColourTable();
}

bool CDIBSection::CreateFromBitmap(const CDdb& bitmap, const std::vector<RGBQUAD>* palette) {
    return FromBitmap(bitmap, nullptr, palette);
}

bool CDIBSection::AdoptBitmap(CDdb&& source, const std::vector<RGBQUAD>* palette) {
    CDdb bitmap = std::move(source);
    return FromBitmap(bitmap, &bitmap.Bits(), palette);
}

bool CDIBSection::FromBitmap(const CDdb& bitmap, std::vector<std::uint8_t>* rows,
                             const std::vector<RGBQUAD>* palette) {
    Reset();
    if (bitmap.IsNull()) return false;
    if (palette && (palette->empty() || palette->size() > 256)) return false;
    const int depth = bitmap.BitsPerPixel();
    const int count = ColourCountForDepth(depth);
    // The colour table comes from the bitmap's own palette (the default one without it).
    std::vector<RGBQUAD> table = bitmap.Palette();
    if (count > 0 && table.empty()) table = DefaultPalette(count);
    table.resize(static_cast<std::size_t>(count));
    // Rows of exactly the needed size are taken over: Allocate reuses storage of that size.
    const auto size = DibImageSize(bitmap.Width(), bitmap.Height(), depth);
    const bool adopt = rows && size && rows->size() == *size;
    if (adopt) {
        m_adopted = std::move(*rows);
        m_storageSize = m_adopted.size();
    }
    if (!Allocate(bitmap.Width(), bitmap.Height(), depth, table.data(), count) ||
        bitmap.Stride() != Stride() || (adopt && m_bits != m_adopted.data()) ||
        (!adopt && bitmap.Bits().size() < m_storageSize)) {
        Reset();
        return false;
    }
    if (!adopt) {
        std::memcpy(m_bits, bitmap.Bits().data(), m_storageSize);
        if (depth == 32) // the device's fourth byte is not part of the picture
            ClearFourthBytes(m_bits, m_storageSize / 4);
    }
    if (palette) {
        m_palette = *palette;
        return true;
    }
    return CreatePaletteFromColourTable();
}

bool CDIBSection::LoadResourceBitmap(const std::string& name) {
    const std::vector<std::uint8_t> bytes = Resources().Resource(name);
    CDIBSection loaded;
    const bool ok = bytes.size() >= 2 && bytes[0] == 'B' && bytes[1] == 'M'
                        ? loaded.LoadBmpFromMemory(bytes.data(), bytes.size())
                        : loaded.LoadPackedDib(bytes.data(), bytes.size());
    if (!ok) {
        Reset();
        return false;
    }
    return CopyFrom(loaded);
}

bool CDIBSection::CopyFrom(const CDIBSection& other) {
    if (&other == this) return HasImage();
    if (!other.HasImage()) {
        Reset();
        return false;
    }
    if (!CreateFromInfo(other.m_info, other.m_bits)) return false;
    m_info.bmiColors = other.m_info.bmiColors;
    m_useDrawDib = other.m_useDrawDib;
    return CreatePaletteFromColourTable();
}

// ---------------------------------------------------------------- palette

bool CDIBSection::CreatePaletteFromColourTable() {
    m_palette.clear();
    if (m_colourCount > 0 && HasImage())
        m_palette.assign(m_info.bmiColors.begin(), m_info.bmiColors.begin() + m_colourCount);
    else
        m_palette = DefaultPalette(256);
    for (RGBQUAD& q : m_palette)
        q.rgbReserved = 0;
    return true;
}

bool CDIBSection::SetPalette(const std::vector<RGBQUAD>& entries) {
    if (entries.empty() || entries.size() > 256) return false;
    m_palette = entries;
    if (m_colourCount > 0 && HasImage())
        SetColourTable(static_cast<int>(entries.size()), entries.data());
    return true;
}

bool CDIBSection::SetColourTable(int n, const RGBQUAD* entries) {
    if (!HasImage() || m_colourCount == 0 || n < 1 || n > 256 || !entries) return false;
    std::copy_n(entries, std::min(n, m_colourCount), m_info.bmiColors.begin());
    return true;
}

// ---------------------------------------------------------------- primitives

namespace {

// The rectangle between two corners with the end point included; coordinates are held to a
// range in which the added pixel cannot overflow.
CRect InclusiveRect(int x1, int y1, int x2, int y2) {
    auto hold = [](int v) { return std::clamp(v, -(1 << 30), 1 << 30); };
    CRect r = CRect{hold(x1), hold(y1), hold(x2), hold(y2)}.Normalised();
    ++r.right;
    ++r.bottom;
    return r;
}

} // namespace

COLORREF CDIBSection::GetPixel(int x, int y) const {
    if (!HasImage()) return CLR_INVALID;
    return CRasterDC(Surface()).GetPixel(x, y);
}

bool CDIBSection::SetPixel(int x, int y, COLORREF colour) {
    if (!HasImage()) return false;
    return GetDrawingDC().SetPixel(x, y, colour) != CLR_INVALID;
}

bool CDIBSection::FillRect(const CRect& rect, COLORREF colour) {
    if (!HasImage()) return false;
    CRasterDC dc = GetDrawingDC();
    const CRect r = rect.Normalised().Intersected({0, 0, Width(), Height()});
    if (r.left == 0 && r.right == Width() && !r.IsEmpty()) {
        // Whole rows: fill one with the brush's value (its padding zeroed, so that new images
        // hold no undefined bytes) and copy it to the others.
        std::memset(dc.Surface().TopRow(r.top), 0, Stride());
        dc.FillSpan(r.top, 0, Width(), dc.PixelFor(colour, true));
        const std::uint8_t* first = dc.Surface().TopRow(r.top);
        for (int y = r.top + 1; y < r.bottom; ++y)
            std::memcpy(dc.Surface().TopRow(y), first, Stride());
        return true;
    }
    return dc.FillRect(rect, colour);
}

bool CDIBSection::FillAll(COLORREF colour) {
    return FillRect({0, 0, Width() + 1, Height() + 1}, colour);
}

bool CDIBSection::FloodFill(int x, int y, COLORREF colour) {
    if (!HasImage()) return false;
    CRasterDC dc = GetDrawingDC();
    const COLORREF seed = dc.GetPixel(x, y);
    if (seed == CLR_INVALID) return false;
    // A fill colour that is stored as the seed's own value would change nothing.
    if (dc.PixelFor(colour, true) == dc.PixelValue(x, y)) return true;
    dc.SelectBrush({BrushStyle::Solid, colour});
    return dc.ExtFloodFill(x, y, seed);
}

bool CDIBSection::Line(int x1, int y1, int x2, int y2, int width, COLORREF colour) {
    if (!HasImage()) return false;
    CRasterDC dc = GetDrawingDC();
    if (width == 1 && x1 == x2 && y1 == y2) {
        dc.SetPixel(x1, y1, colour);
        return true;
    }
    dc.SelectPen({PenStyle::Solid, width, colour});
    dc.MoveTo(x1, y1);
    const bool ok = dc.LineTo(x2, y2);
    dc.SetPixel(x2, y2, colour); // the end point is always painted
    return ok;
}

bool CDIBSection::Dot(int x, int y, int width, COLORREF colour) {
    if (!HasImage()) return false;
    CRasterDC dc = GetDrawingDC();
    if (width == 1) {
        dc.SetPixel(x, y, colour);
        return true;
    }
    dc.SelectPen({PenStyle::Solid, width, colour});
    dc.SelectBrush({BrushStyle::Null, 0});
    const CRect r = InclusiveRect(x, y, x, y);
    return dc.Ellipse(r.left, r.top, r.right, r.bottom);
}

bool CDIBSection::Rectangle(int x1, int y1, int x2, int y2, int width, COLORREF colour, bool filled,
                            bool rounded) {
    if (!HasImage()) return false;
    CRasterDC dc = GetDrawingDC();
    if (width == 1 && x1 == x2 && y1 == y2) {
        dc.SetPixel(x1, y1, colour);
        return true;
    }
    // Tested before the end point is made inclusive, or no drag could ever be "zero".
    if (rounded && (x1 == x2 || y1 == y2)) return false;
    const CRect r = InclusiveRect(x1, y1, x2, y2);
    if (filled) {
        dc.SelectBrush({BrushStyle::Solid, colour});
        dc.SelectPen({PenStyle::Null, 1, 0});
    } else {
        dc.SelectPen({PenStyle::Solid, width, colour});
        dc.SelectBrush({BrushStyle::Null, 0});
    }
    if (rounded)
        return dc.RoundRect(r.left, r.top, r.right, r.bottom, r.Width() / 3, r.Height() / 3);
    return dc.Rectangle(r.left, r.top, r.right, r.bottom);
}

bool CDIBSection::Ellipse(int x1, int y1, int x2, int y2, int width, COLORREF colour, bool filled) {
    if (!HasImage()) return false;
    CRasterDC dc = GetDrawingDC();
    if (width == 1 && x1 == x2 && y1 == y2) {
        dc.SetPixel(x1, y1, colour);
        return true;
    }
    const CRect r = InclusiveRect(x1, y1, x2, y2);
    if (filled) {
        dc.SelectBrush({BrushStyle::Solid, colour});
        dc.SelectPen({PenStyle::Null, 1, 0});
    } else {
        dc.SelectPen({PenStyle::Solid, width, colour});
        dc.SelectBrush({BrushStyle::Null, 0});
    }
    return dc.Ellipse(r.left, r.top, r.right, r.bottom);
}

bool CDIBSection::Text(const QString& text, const CRect& rect, unsigned format, COLORREF colour,
                       const QFont* font) {
    if (!HasImage()) return false;
    if (text.isEmpty()) return true;
    if (colour == kSystemTextColour) {
        const QColor c =
            qGuiApp ? QGuiApplication::palette().color(QPalette::WindowText) : QColor(Qt::black);
        colour = RGB(c.red(), c.green(), c.blue());
    }
    CRasterDC dc = GetDrawingDC();
    dc.SetBkModeTransparent(true);
    dc.SetTextColour(colour);
    CRect r = rect.Normalised();
    return dc.DrawText(text, r, format, font) > 0;
}

// ---------------------------------------------------------------- depth and size changes

bool CDIBSection::ChangeFormat(int width, int height, int planes, int bitsPerPixel,
                               CPoint srcOrigin) {
    if (!HasImage()) return false;
    std::vector<RGBQUAD> palette;
    bool withPalette = true;
    switch (planes * bitsPerPixel) {
    case 1:
        palette = DefaultPalette(2);
        break;
    case 4:
        palette = DefaultPalette(16);
        break;
    case 8:
        palette = DefaultPalette(256);
        if (m_palette.empty())
            withPalette = false;
        else
            std::copy_n(m_palette.begin(), std::min<std::size_t>(m_palette.size(), 256),
                        palette.begin());
        break;
    default:
        palette = m_palette;
        withPalette = !palette.empty();
        break;
    }
    CDIBSection temp;
    if (!temp.Create(width, height, planes, bitsPerPixel, nullptr,
                     withPalette ? &palette : nullptr))
        return false;
    Draw(temp, 0, 0, srcOrigin, kToEdge);
    // This image becomes a copy of the temporary one: its pixels, colour table and a palette
    // rebuilt from that table.
    *this = std::move(temp);
    return CreatePaletteFromColourTable();
}

} // namespace tsl
