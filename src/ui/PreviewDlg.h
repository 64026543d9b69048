#pragma once
// CPreviewDlg and CPreviewDlg2: open-file dialogs with a preview pane (dialog 5000) beside the
// file list: the title "Preview", the thumbnail area 5001, four information lines 5002 to 5005
// and the check box 5006 "Show Preview".
//
// When the selection changes and "Show Preview" is ticked, the selected file, if it passes the
// variant's image test, is loaded on a worker (PreviewLoad.h) and drawn into the thumbnail area
// with its aspect ratio kept, as large as the area allows, centred; lines 5002 and 5003 then
// read "Width: %d pixels" and "Height: %d pixels" of that file. The newest selection wins: a
// large file still decoding never holds up the next one. A file that fails the image test or
// fails to load shows no thumbnail and no size lines, without a message. Lines 5004 and 5005 are
// cleared and never filled.
//
// Clearing "Show Preview" empties the thumbnail and the four lines. The box's state is kept
// once per variant for the run: each variant starts ticked and opens as it was last left.
//
// The variants differ in their image test and loader:
//   CPreviewDlg   the program's own readers' extensions (bmp, cri, pcx, png, tga, jpg, jpeg, tif,
//                 tiff, dib, rle, gif), read through the reader dispatch;
//   CPreviewDlg2  the image extension list (string 138), read by the loader it is given: the
//                 application's image loader, the same that opens the file as a document.

#include "platform/FileDialog.h"
#include "ui/PreviewLoad.h"

class QCheckBox;
class QLabel;

namespace tsl {

class CPreviewPane;

class CPreviewFileDialog : public platform::CFileDialog {
    Q_OBJECT
public:
    static constexpr int kPaneId = 5000;
    static constexpr int kThumbnailId = 5001;
    static constexpr int kFirstLineId = 5002; // 5002 to 5005
    static constexpr int kShowPreviewId = 5006;
    static constexpr const char* kShowPreviewText = "Show Preview";
    static constexpr const char* kWidthFormat = "Width: %1 pixels";
    static constexpr const char* kHeightFormat = "Height: %1 pixels";

    ~CPreviewFileDialog() override;

    // The remembered file, "" when none; its size and depth as last loaded.
    QString PreviewPath() const { return m_path; }
    int PreviewWidth() const { return m_width; }
    int PreviewHeight() const { return m_height; }
    int PreviewBitsPerPixel() const { return m_bitsPerPixel; }
    // Information line 5002 + index (0 to 3).
    QString LineText(int index) const;
    // The picture in the thumbnail area; null when it shows none.
    QImage Thumbnail() const;
    bool IsShowPreviewChecked() const;
    // Whether a load is under way for the remembered file.
    bool IsLoading() const { return m_loading; }

    // The thumbnail area's size in pixels.
    static QSize ThumbnailSize();

signals:
    // A load for the remembered file ended (shown or failed).
    void previewUpdated();

protected:
    using ImageTest = bool (*)(const QString& path);
    CPreviewFileDialog(const platform::FileRequest& request, QWidget* parent, ImageTest test,
                       PreviewLoadFunction load, bool& showPreview);
    void OnFileOk() override;

private:
    void BuildPane();
    void OnSelectionChanged();
    void OnShowPreviewClicked(bool checked);
    void OnLoaded(const QString& path, const PreviewPicture& picture, bool ok);
    void Forget();
    void ClearLines();
    QString SelectedPath() const;

    ImageTest m_test;
    bool& m_showPreview; // the variant's remembered state
    CPreviewLoader* m_loader = nullptr;
    CPreviewPane* m_pane = nullptr;
    QCheckBox* m_check = nullptr;
    QLabel* m_lines[4] = {};
    QString m_path;
    int m_width = 0;
    int m_height = 0;
    int m_bitsPerPixel = 0;
    bool m_loading = false;
};

class CPreviewDlg : public CPreviewFileDialog {
    Q_OBJECT
public:
    explicit CPreviewDlg(const platform::FileRequest& request, QWidget* parent = nullptr);
    // Another loader in place of the reader dispatch (tests hold back a decode with it).
    CPreviewDlg(const platform::FileRequest& request, PreviewLoadFunction load,
                QWidget* parent = nullptr);
    static bool IsPreviewImage(const QString& path);
    // The reader dispatch as a preview loader; JPEG files decode at a reduced DCT scale.
    static bool LoadThroughDispatch(const QString& path, QSize fit, PreviewPicture& out);
    // The state of this variant's "Show Preview" for the rest of the run.
    static bool& ShowPreviewState();
};

class CPreviewDlg2 : public CPreviewFileDialog {
    Q_OBJECT
public:
    CPreviewDlg2(const platform::FileRequest& request, PreviewLoadFunction load,
                 QWidget* parent = nullptr);
    static bool IsPreviewImage(const QString& path);
    static bool& ShowPreviewState();
};

} // namespace tsl
