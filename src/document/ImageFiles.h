#pragma once
// Loading and saving image documents, shared by the document, the browser, the slide-show
// player and the preview dialog.
//
// Loading: a file whose extension is exactly "gif", "tif", "tiff", "jpg" or "jpeg" (compared
// with case; the format registry's document readers) goes to the program's own readers through the reader dispatch, which also give a
// GIF's transparent colour; it reports 8 bits per pixel for "gif" and 24 for the others. Every
// other file goes to the imaging layer, which reports the depth the file is stored at.
//
// Saving, by the lower-case extension: pcx, jpg, jpeg, tif and tiff through the program's own
// writers; gif reduced to 256 colours (optimized palette) and written by the GIF writer, with
// the first palette entry equal to the transparent colour as its transparent index when
// transparency is on, interlaced; everything else through the imaging layer, reduced to 8 bits for the
// palette-only formats, or to the document's depth when that is below 24. Every writer writes
// beside the target and renames, so a failed save leaves the old file as it was.

#include "codecs/CBmp.h"
#include "core/Colour.h"
#include "core/Ddb.h"
#include "ui/PreviewLoad.h"

#include <QString>

#include <string>

class QWidget;

namespace tsl {

// Status of a failed load from the program's own readers.
inline constexpr int kOwnReaderFailed = 100;

// The image-operation error report: one message box reading the path and ": " (when a path is
// given), then "Invalid bits per pixels" (-27), "Invalid Quality factor" (-21), or "Image
// operation error: please check your paths and read/write permissions".
QString ImageErrorText(int status, const QString& path = {});
void ReportImageError(int status, const QString& path = {}, QWidget* parent = nullptr);

// Loads a file into holder; false on failure (reported when showErrors). bitsPerPixel gets
// the depth the document records.
bool LoadImageFile(const QString& path, CBmp& holder, bool showErrors, int& bitsPerPixel);
// The same, reporting nothing: on failure status gets what ReportImageError shows. Safe to run
// on a worker thread.
bool TryLoadImageFile(const QString& path, CBmp& holder, int& bitsPerPixel, int& status);

// The same loader for previews (CPreviewDlg2): what LoadImageFile reads, reporting nothing,
// with JPEG files of the program's own reader decoded at the smallest DCT scale the box
// allows. Safe to run on a worker thread.
bool LoadPreviewImage(const QString& path, QSize fit, PreviewPicture& out);

struct SaveRequest {
    CDdb image;                     // the view's image (any depth; the screen's is 32 bits)
    int documentBitsPerPixel = 24;  // the document's depth
    bool transparent = false;
    COLORREF transparentColour = RGB(255, 255, 255);
};

// Saves the image by the path's extension; 1 on success, else a status for ReportImageError.
int SaveImageFile(const QString& path, const SaveRequest& request);

// The Save As dialog's proposal for a document title: the name up to the first dot in lower
// case and the text after the first dot ("photo.JPG" gives "photo" and "JPG"); a title without
// a dot gives itself and "bmp".
struct SaveAsProposal {
    QString name;
    QString extension;
};
SaveAsProposal ProposeSaveAs(const QString& title);

} // namespace tsl
