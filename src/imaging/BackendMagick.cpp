// The back-end's GraphicsMagick part: reading what our own codecs do not read, writing the
// formats whose coder is GraphicsMagick's (core/FormatTable.h names them).

#include "imaging/BackendModule.h"

#include "core/Dib.h"
#include "imaging/ImagingFlags.h"

#include <Magick++.h>

#include <mutex>
#include <new>

namespace tsl::backend::module {
namespace {

// Once per process: GraphicsMagick with limits that refuse hostile images before they are
// decoded.
void Initialise() {
    static std::once_flag once;
    std::call_once(once, [] {
        Magick::InitializeMagick(nullptr);
        using namespace MagickLib;
        SetMagickResourceLimit(PixelsResource, static_cast<magick_int64_t>(kPixelLimit));
        SetMagickResourceLimit(WidthResource, kSideLimit);
        SetMagickResourceLimit(HeightResource, kSideLimit);
        SetMagickResourceLimit(MemoryResource, magick_int64_t{8} << 30);
        SetMagickResourceLimit(MapResource, magick_int64_t{8} << 30);
        SetMagickResourceLimit(DiskResource, magick_int64_t{16} << 30);
        SetMagickResourceLimit(ReadResource, magick_int64_t{2} << 30);
    });
}

// A GraphicsMagick image as a device bitmap at the depth it is stored in.
CDdb FromMagick(Magick::Image& image) {
    const int w = static_cast<int>(image.columns()), h = static_cast<int>(image.rows());
    if (w <= 0 || h <= 0 || !DibImageSize(w, h, 32)) return {};
    const bool grey = image.type() == Magick::GrayscaleType && !image.matte();
    const bool indexed = image.classType() == Magick::PseudoClass && image.colorMapSize() > 0 &&
                         image.colorMapSize() <= 256 && !image.matte();
    if (indexed || grey) {
        const unsigned colours = indexed ? image.colorMapSize() : 256;
        const int bpp = colours <= 2 ? 1 : colours <= 16 ? 4 : 8;
        CDdb d = CDdb::Create(w, h, bpp);
        if (d.IsNull()) return {};
        std::vector<RGBQUAD> table(colours);
        for (unsigned i = 0; i < colours; ++i) {
            if (!indexed) {
                table[i] = {std::uint8_t(i), std::uint8_t(i), std::uint8_t(i), 0};
                continue;
            }
            const Magick::Color c = image.colorMap(i);
            table[i] = {static_cast<std::uint8_t>(c.blueQuantum() * 255 / MaxRGB),
                        static_cast<std::uint8_t>(c.greenQuantum() * 255 / MaxRGB),
                        static_cast<std::uint8_t>(c.redQuantum() * 255 / MaxRGB), 0};
        }
        d.Palette() = table;
        std::vector<std::uint8_t> row(static_cast<std::size_t>(w));
        for (int y = 0; y < h; ++y) {
            if (indexed) {
                image.getConstPixels(0, y, w, 1);
                const Magick::IndexPacket* idx = image.getConstIndexes();
                for (int x = 0; x < w; ++x) row[x] = static_cast<std::uint8_t>(idx ? idx[x] : 0);
            } else {
                image.write(0, y, w, 1, "I", Magick::CharPixel, row.data());
            }
            std::uint8_t* out = d.Row(h - 1 - y);
            for (int x = 0; x < w; ++x) {
                const int bit = x * bpp;
                out[bit / 8] |= static_cast<std::uint8_t>(row[x] << (8 - bpp - bit % 8));
            }
        }
        return d;
    }
    const bool alpha = image.matte();
    CDdb d = CDdb::Create(w, h, alpha ? 32 : 24);
    if (d.IsNull()) return {};
    for (int y = 0; y < h; ++y)
        image.write(0, y, w, 1, alpha ? "BGRA" : "BGR", Magick::CharPixel, d.Row(h - 1 - y));
    return d;
}

} // namespace

int MagickRead(const std::uint8_t* bytes, std::size_t size, const char* path, const char* coder,
               CDdb& out) {
    try {
        Initialise();
        Magick::Image m;
        if (coder) m.magick(coder);
        if (path)
            m.read(path);
        else
            m.read(Magick::Blob(bytes, size));
        out = FromMagick(m);
        return out.IsNull() ? kErrorTooLarge : kSuccess;
    } catch (const Magick::Error& e) {
        const std::string what = e.what();
        return what.find("limit") != std::string::npos ? kErrorTooLarge : kErrorFileFormat;
    } catch (const std::bad_alloc&) {
        return kErrorNoMemory;
    } catch (const std::exception&) {
        return kErrorFileFormat;
    }
}

int MagickWrite(const MagickPixels& pixels, const char* coder, MagickType type,
                std::vector<std::uint8_t>& out) {
    try {
        Initialise();
        Magick::Image image;
        image.read(static_cast<unsigned>(pixels.width), static_cast<unsigned>(pixels.height),
                   pixels.bgr ? "BGR" : "RGB", Magick::CharPixel, pixels.rows);
        image.depth(8);
        if (pixels.colours != 0) {
            image.quantizeColors(pixels.colours);
            image.quantizeDither(false);
            image.quantize();
        }
        if (type == MagickType::kGrayscale) image.type(Magick::GrayscaleType);
        if (type == MagickType::kBilevel) image.type(Magick::BilevelType);
        Magick::Blob blob;
        image.write(&blob, coder);
        const auto* p = static_cast<const std::uint8_t*>(blob.data());
        out.assign(p, p + blob.length());
        return kSuccess;
    } catch (const Magick::Error&) {
        return kErrorFileWrite;
    } catch (const std::bad_alloc&) {
        return kErrorNoMemory;
    } catch (const std::exception&) {
        return kErrorFileWrite;
    }
}

} // namespace tsl::backend::module
