// The browser's file operations on the selected thumbnails: Copy to, Move to, Delete and Copy
// to Clipboard. Items are processed from the highest index down, so removing one never shifts
// one still to be processed; every failure is reported per file and the next item goes on.

#include "platform/FileOps.h"
#include "browser/ImageBrowser.h"
#include "codecs/CBmp.h"
#include "document/ImageFiles.h"
#include "platform/FileNames.h"
#include "platform/Platform.h"
#include "ui/FolderDialog.h"

#include <QListWidget>

#include <unistd.h>

#include <algorithm>

namespace tsl {
namespace {

using platform::Platform;

void Say(QWidget* parent, const QString& text,
         platform::Buttons buttons = platform::Buttons::Ok) {
    Platform().prompt->MessageBox(parent, text, QStringLiteral("Tessaly"), buttons);
}

} // namespace

std::vector<int> CImageBrowser::SelectedRowsHighestFirst() const {
    std::vector<int> rows;
    for (int row = 0; row < m_list->count(); ++row)
        if (m_list->item(row)->isSelected()) rows.push_back(row);
    std::sort(rows.rbegin(), rows.rend());
    return rows;
}

void CImageBrowser::CopyOrMove(bool move) {
    if (SelectedRowsHighestFirst().empty()) return;
    QString destination;
    CFolderDialog chooser(destination, QStringLiteral("Select destination folder"), this);
    if (chooser.DoModal() != platform::IDOK || destination.isEmpty()) return;
    if (destination.size() > 1 && destination.endsWith(QLatin1Char('/'))) destination.chop(1);
    // The same folder in another spelling too: a move onto itself would lose the file.
    if (destination == m_folder || SameFolder(destination, m_folder)) {
        Say(this, QStringLiteral("Source and destination folders are the same"));
        return;
    }
    platform::CWaitCursor wait;
    for (int row : SelectedRowsHighestFirst()) {
        const QString name = NameOf(row);
        const QString shown = DisplayFileName(name);
        const QString source = m_folder + QLatin1Char('/') + name;
        const QString target = destination + QLatin1Char('/') + name;
        bool overwrite = false;
        if (PathExists(target)) {
            overwrite = Platform().prompt->MessageBox(
                            this, DisplayFileName(target) + QStringLiteral(" already exists. Overwrite?"),
                            QStringLiteral("Tessaly"), platform::Buttons::YesNo,
                            platform::Icon::Question) == platform::IDYES;
            if (!overwrite) {
                // Declined: the copy does not take place, and a move keeps its source.
                Say(this, QStringLiteral("Copy of ") + shown + QStringLiteral(" failed"));
                continue;
            }
        }
        if (!move) {
            if (!CopyFileSafely(source, target, overwrite))
                Say(this, QStringLiteral("Copy of ") + shown + QStringLiteral(" failed"));
            continue;
        }
        switch (MoveFileSafely(source, target, overwrite)) {
        case MoveResult::Moved: RemoveRow(row); break;
        case MoveResult::CopyFailed:
            Say(this, QStringLiteral("Copy of ") + shown + QStringLiteral(" failed"));
            break;
        case MoveResult::DeleteFailed:
            Say(this, QStringLiteral("Could not delete ") + shown);
            break;
        }
    }
}

void CImageBrowser::Delete() {
    if (SelectedRowsHighestFirst().empty()) return;
    if (Platform().prompt->MessageBox(this, QStringLiteral("Delete selected file(s)?"),
                                      QStringLiteral("Tessaly"), platform::Buttons::OkCancel,
                                      platform::Icon::Question) != platform::IDOK)
        return;
    for (int row : SelectedRowsHighestFirst()) {
        const QString path = PathOf(row);
        if (::unlink(EncodeFileName(path).constData()) == 0)
            RemoveRow(row);
        else
            Say(this, QStringLiteral("Could not delete ") + DisplayFileName(path));
    }
}

void CImageBrowser::CopyToClipboard() {
    platform::CWaitCursor wait;
    std::vector<int> rows = SelectedRowsHighestFirst();
    if (rows.empty()) return;
    const QString path = PathOf(rows.back());
    CBmp holder;
    int bitsPerPixel = 0;
    if (!LoadImageFile(path, holder, true, bitsPerPixel)) return; // the clipboard stays
    QImage image = holder.Bitmap();
    if (!holder.Palette().empty() && bitsPerPixel <= 8) {
        // The picture's palette goes with it.
        QVector<QRgb> table;
        for (const RGBQUAD& entry : holder.Palette())
            table << qRgb(entry.rgbRed, entry.rgbGreen, entry.rgbBlue);
        image = image.convertToFormat(QImage::Format_Indexed8, table, Qt::ThresholdDither);
    }
    Platform().clipboard->SetImage(image);
}

} // namespace tsl
