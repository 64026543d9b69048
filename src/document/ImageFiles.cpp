#include "document/ImageFiles.h"

#include "codecs/Dispatch.h"
#include "core/Extensions.h"
#include "core/FormatTable.h"
#include "codecs/Gif.h"
#include "codecs/Jpeg.h"
#include "imaging/LBase.h"
#include "imaging/LBitmap.h"
#include "platform/FileNames.h"
#include "platform/Platform.h"


namespace tsl {

namespace {

// The extension after the last dot of the file name, as written.
QString ExtensionOf(const QString& path) {
    return QString::fromStdString(tsl::ExtensionOf(path.toStdString()));
}

// The path's own bytes, also those of a name that is not UTF-8.
std::string Local(const QString& path) { return NativePath(path); }

} // namespace

QString ImageErrorText(int status, const QString& path) {
    return QString::fromStdString(ImageOperationErrorText(status, path.toStdString()));
}

void ReportImageError(int status, const QString& path, QWidget* parent) {
    platform::Platform().prompt->MessageBox(parent, ImageErrorText(status, path),
                                            QStringLiteral("Tessaly"), platform::Buttons::Ok,
                                            platform::Icon::Error);
}

bool LoadImageFile(const QString& path, CBmp& holder, bool showErrors, int& bitsPerPixel) {
    int status = 0;
    if (TryLoadImageFile(path, holder, bitsPerPixel, status)) return true;
    if (showErrors && status != 0) ReportImageError(status, path);
    return false;
}

bool TryLoadImageFile(const QString& path, CBmp& holder, int& bitsPerPixel, int& status) {
    status = 0;
    if (const int ownDepth = DocumentReaderDepth(ExtensionOf(path).toStdString())) {
        if (!holder.Load(Local(path))) {
            status = kOwnReaderFailed;
            return false;
        }
        bitsPerPixel = ownDepth;
        return true;
    }
    LBitmapBase image;
    CDdb screen;
    std::vector<RGBQUAD> palette;
    int depth = 0;
    status = image.LoadForScreen(Local(path), screen, depth, palette);
    if (status < 1) return false;
    bitsPerPixel = depth;
    holder.Free();
    holder.SetImage(std::move(screen), std::move(palette));
    status = 0;
    return !holder.IsNull();
}

bool LoadPreviewImage(const QString& path, QSize fit, PreviewPicture& out) {
    const std::string ext = ExtensionOf(path).toStdString();
    if (DocumentReaderDepth(ext) != 0 && ReaderFor(Local(path)) == DispatchReader::Jpeg) {
        CDdb bitmap =
            ReadJpegDdbToFit(Local(path), fit.width(), fit.height(), out.width, out.height);
        if (bitmap.IsNull()) return false;
        out.bitsPerPixel = DocumentReaderDepth(ext);
        out.image = ImageFromDdb(bitmap);
        return true;
    }
    CBmp holder;
    if (!LoadImageFile(path, holder, false, out.bitsPerPixel)) return false;
    out.width = holder.Width();
    out.height = holder.Height();
    out.image = holder.Bitmap();
    return !out.image.isNull();
}

int SaveImageFile(const QString& path, const SaveRequest& request) {
    if (request.image.IsNull()) return kErrorNoBitmap;
    const std::string ext = ExtensionOf(path).toLower().toStdString();
    const std::string file = Local(path);
    const int format = FormatForExtension(ext);
    if (format == kFormatPcx || format == kFormatJpeg || format == kFormatTiff) {
        const std::vector<RGBQUAD> palette = request.image.Palette();
        return WriteImageFile(file, request.image, palette) ? kSuccess : kErrorFileWrite;
    }
    LBitmapBase image;
    image.SetHandle(request.image);
    // The screen's 32 bits carry no alpha: documents below 32 bits are written from 24.
    if (image.GetBitsPerPixel() == 32 && request.documentBitsPerPixel != 32) {
        const int status = image.ColorRes(24, kColorResOptimizedExact);
        if (status < 1) return status;
    }
    if (format == kFormatGif) {
        const int status = image.ColorRes(8, kColorResOptimizedExact);
        if (status < 1) return status;
        int transparentIndex = -1;
        if (request.transparent) {
            const std::vector<RGBQUAD>& table = image.GetHandle().Palette();
            for (std::size_t i = 0; i < table.size() && i < 256; ++i)
                if (RGB(table[i].rgbRed, table[i].rgbGreen, table[i].rgbBlue) ==
                    (request.transparentColour & 0xFFFFFF)) {
                    transparentIndex = static_cast<int>(i);
                    break;
                }
        }
        return WriteGif(file, image.ConvertToDIB(), true, true, transparentIndex) == 1
                   ? kSuccess
                   : kErrorFileWrite;
    }
    if (format < 0) return kErrorFileFormat;
    int status = kSuccess;
    if (IsPaletteOnlyExtension(ext)) {
        if (image.GetBitsPerPixel() != 8) status = image.ColorRes(8, kColorResOptimizedExact);
    } else if (request.documentBitsPerPixel < 24 &&
               image.GetBitsPerPixel() != request.documentBitsPerPixel) {
        status = image.ColorRes(request.documentBitsPerPixel, kColorResOptimizedExact);
    }
    if (status < 1) return status;
    return image.Save(file, format, image.GetBitsPerPixel(), kQualityBest);
}

SaveAsProposal ProposeSaveAs(const QString& title) {
    const int dot = title.indexOf(QLatin1Char('.'));
    if (dot < 0) return {title.toLower(), QStringLiteral("bmp")};
    return {title.left(dot).toLower(), title.mid(dot + 1)};
}

} // namespace tsl
