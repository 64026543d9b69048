#pragma once
// CPntUtilDoc: one open image. It holds the image from loading until its view takes it, the
// document's bits per pixel, and whether a colour is transparent. Opening goes through the
// shared image loader, saving through the shared image saver (document/ImageFiles.h); Save,
// Save As and the save-modified query follow the document's naming rules.
// A new document takes the hand-off image, or asks for a size, depth and background with the
// New Image dialog. Once the view has taken the image, its paint control holds the pixels and
// its own modified flag: the document counts as modified when either flag is set.

#include "codecs/CBmp.h"
#include "core/Colour.h"
#include "framework/Document.h"

#include <QImage>

namespace tsl {

class CPntUtilDoc : public CDocument {
    Q_OBJECT
public:
    CPntUtilDoc();

    bool OnNewDocument() override;
    bool OnOpenDocument(const QString& path) override;
    bool OnSaveDocument(const QString& path) override;
    bool SaveModified() override;
    bool IsModified() const override;

    // The image until the view takes it (as the loader made it: no copy).
    CDdb TakeBitmap();
    int BitsPerPixel() const { return m_bitsPerPixel; }
    // The name the image came with through the hand-off ("Capture Full Screen[1]"); empty for
    // images from files and the New Image dialog. The window keeps the default title.
    const QString& HandOffName() const { return m_handOffName; }
    bool Transparent() const { return m_transparent; }
    COLORREF TransparentColour() const { return m_transparentColour; }
    // What the image commands change: the depth saves use, and the transparent colour.
    void SetBitsPerPixel(int bitsPerPixel) { m_bitsPerPixel = bitsPerPixel; }
    void SetTransparency(bool on, COLORREF colour) {
        m_transparent = on;
        m_transparentColour = colour;
    }
    void SetTransparentColour(COLORREF colour) { m_transparentColour = colour; }

    // Save (57603) and Save As (57604). False when nothing was saved.
    bool DoSave();
    bool DoSaveAs(const QString& defaultExtension = {}, const QString& emptyName = {});

private:
    CDdb CurrentBitmap() const; // the view's image, or the holder's before the view took it
    static void RestoreMainFrame(); // sends the restore request to the main frame
    static void SendToMainFrame(int command);
    QString m_handOffName;
    // Calls f with the paint control of each view.
    template <typename F> void ForEachControl(F f) const;

    CBmp m_holder;
    int m_bitsPerPixel = 24;
    bool m_transparent = false;
    COLORREF m_transparentColour = RGB(255, 255, 255);
};

} // namespace tsl
