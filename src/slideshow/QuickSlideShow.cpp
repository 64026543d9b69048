#include "slideshow/QuickSlideShow.h"

#include "core/Extensions.h"
#include "platform/FileNames.h"
#include "platform/Platform.h"
#include "slideshow/SlideShowModel.h"
#include "slideshow/SlideShowPlayer.h"
#include "ui/FolderDialog.h"

#include <QSet>

#include <algorithm>
#include <cstdlib>

namespace tsl {
namespace {

// The plain files or the sub-folders of folder, by name ignoring case.
QStringList SortedEntries(const QString& folder, FolderEntryKind kind) {
    QStringList names = FolderEntryNames(folder, kind);
    std::sort(names.begin(), names.end(), FileNameLess);
    return names;
}

void CollectTree(const QString& folder, QStringList& out, QSet<QString>& seen) {
    // Each folder once, by its resolved path: a link back up the tree is not followed again.
    char* resolved = ::realpath(EncodeFileName(folder).constData(), nullptr);
    if (!resolved) return;
    const QString canonical = DecodeFileName(QByteArray(resolved));
    std::free(resolved);
    if (seen.contains(canonical)) return;
    seen.insert(canonical);
    for (const QString& name : SortedEntries(folder, FolderEntryKind::PlainFiles))
        out << folder + QLatin1Char('/') + name;
    for (const QString& name : SortedEntries(folder, FolderEntryKind::Folders))
        if (!name.contains(QLatin1Char('.')))
            CollectTree(folder + QLatin1Char('/') + name, out, seen);
}

QString WithoutTrailingSlash(QString folder) {
    while (folder.size() > 1 && folder.endsWith(QLatin1Char('/')))
        folder.chop(1);
    return folder;
}

} // namespace

QStringList QuickShowEntries(const QString& chosen, bool multiFolder) {
    const QString folder = WithoutTrailingSlash(chosen);
    QStringList entries;
    if (multiFolder) {
        QSet<QString> seen;
        CollectTree(folder, entries, seen);
    } else {
        entries = SortedEntries(folder, FolderEntryKind::PlainFiles);
    }
    // From the last entry to the first, drop what is not an image by its extension.
    for (qsizetype i = entries.size() - 1; i >= 0; --i)
        if (!IsImageFile(EncodeFileName(entries[i]).toStdString())) entries.removeAt(i);
    return entries;
}

QString QuickShowTitle(bool multiFolder) {
    return QStringLiteral("Select ") + (multiFolder ? QStringLiteral("base ") : QString()) +
           QStringLiteral("folder for the slide show");
}

void RunQuickSlideShow(QWidget* parent, bool multiFolder,
                       const std::function<void(CSlideShowModel&)>& play) {
    CSlideShowModel model; // defaults: keyboard controlled, caption on, no transitions or sound
    for (;;) {
        QString folder;
        CFolderDialog dialog(folder, QuickShowTitle(multiFolder), parent,
                             WithoutTrailingSlash(model.folderPrefix));
        if (platform::Platform().files->RunFileDialog(dialog) != platform::IDOK || folder.isEmpty())
            return;
        folder = WithoutTrailingSlash(folder);
        QStringList entries;
        {
            platform::CWaitCursor wait;
            entries = QuickShowEntries(folder, multiFolder);
        }
        if (entries.isEmpty()) {
            platform::Platform().prompt->MessageBox(parent, QString::fromLatin1(kNoImagesFoundText),
                                                    QStringLiteral("Tessaly"));
            continue;
        }
        model.imageEntries = entries;
        model.folderPrefix = multiFolder ? QString() : folder + QLatin1Char('/');
        if (play)
            play(model);
        else
            CSlideShowPlayer::Play(model, parent);
    }
}

} // namespace tsl
