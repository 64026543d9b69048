#pragma once
// CImageBrowser: the modeless "Image Browser" window. A folder tree on the left (filled level
// by level: an item's children once, on its first expansion or when it is selected never
// expanded; folders only, sorted by name ignoring case; the home folder, the file system and
// mounted volumes at the top) and a strip of 100 x 75 thumbnails on the right, one per image
// file of the selected folder in name order, item k at x = 6 + 106 k. The folder is listed and
// its thumbnails built on worker threads, and they appear as they come; a file that does not
// load leaves no gap. Its popup menu opens the selected files as documents and copies, moves,
// deletes them or puts the first on the clipboard. The close box only hides the window; hiding keeps folder and thumbnails.

#include "browser/Thumbnails.h"

#include <QDialog>
#include <QImage>
#include <QSet>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <vector>

class QListWidget;
class QListWidgetItem;
class QMenu;
class QTreeWidget;
class QTreeWidgetItem;

namespace tsl {

inline constexpr int IDC_BROWSER_TREE = 1020;
inline constexpr int IDC_BROWSER_LIST = 1022;
inline constexpr int IDR_BROWSER_POPUP = 151;
inline constexpr int ID_BROWSER_OPEN = 32796;
inline constexpr int ID_BROWSER_COPY_CLIPBOARD = 32797;
inline constexpr int ID_BROWSER_COPY_TO = 32798;
inline constexpr int ID_BROWSER_DELETE = 32799;
inline constexpr int ID_BROWSER_MOVE_TO = 32801;

class CImageBrowser : public QDialog {
    Q_OBJECT
public:
    using OpenFunction = std::function<void(const QString& path)>;

    static constexpr int kCellPitch = 106;
    static constexpr int kFirstCellX = 6;

    // build: how a file becomes its cell (none: the cache and the loader, see PrepareThumbnail).
    explicit CImageBrowser(QWidget* parent = nullptr, ThumbnailFunction build = {});
    ~CImageBrowser() override;

    // How a file becomes a document (the application's OpenDocumentFile).
    void SetOpenFunction(OpenFunction open) { m_open = std::move(open); }

    QTreeWidget* Tree() const { return m_tree; }
    QListWidget* List() const { return m_list; }
    // The folder whose thumbnails are shown ("" before the first selection).
    const QString& CurrentFolder() const { return m_folder; }
    // The image files of the current folder, in order.
    const QStringList& FileEntries() const { return m_entries; }
    int CurrentItem() const { return m_current; }
    // The thumbnail of list item row as drawn (white until its picture has come).
    QImage Thumbnail(int row) const;
    // True while thumbnails of the current folder are still being built.
    bool Building() const;

    // Selects the tree item of folder, filling the levels down to it; a folder the tree does
    // not reach is shown all the same.
    void SelectFolder(const QString& folder);
    // The tree item of path among the filled levels, or null.
    QTreeWidgetItem* FindItem(const QString& path) const;
    // Whether item's children have been filled.
    static bool IsFilled(const QTreeWidgetItem* item);
    // Tree items whose folders the workers are still looking into for sub-folders.
    int FolderChecksPending() const { return static_cast<int>(m_checking.size()); }

    // The popup menu 151 (its actions carry the command ids as data) and its commands.
    QMenu* PopupMenu() const { return m_popup; }
    void OnCommand(int id);
    void Open();
    void OpenCurrent();
    void CopyOrMove(bool move);
    void Delete();
    void CopyToClipboard();

signals:
    void visibilityChanged(bool visible);
    // A thumbnail was drawn into list item row.
    void thumbnailShown(int row);
    void thumbnailsFinished();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void accept() override;

private:
    void FillTopLevel();
    void Fill(QTreeWidgetItem* item);
    QTreeWidgetItem* AddFolderItem(QTreeWidgetItem* parent, const QString& text,
                                   const QString& path);
    void OnChecked(QTreeWidgetItem* item, bool hasSubFolders);
    void OnSelectionChanged(QTreeWidgetItem* item);
    void ShowFolder(const QString& folder);
    void OnListed(const QString& folder, const QStringList& names);
    void BuildThumbnails();
    void OnBuilt(int index, const QImage& cell);
    void RemoveRow(int row);
    void PlaceFrom(int row);
    void UpdateVisibleRange();
    void Relayout();
    // The file name of list item row (as the folder holds it) and its path.
    QString NameOf(int row) const;
    QString PathOf(int row) const;
    std::vector<int> SelectedRowsHighestFirst() const;

    struct FolderChecks;
    std::shared_ptr<FolderChecks> m_folderChecks;
    QSet<QTreeWidgetItem*> m_checking;
    QTreeWidget* m_tree = nullptr;
    QListWidget* m_list = nullptr;
    QMenu* m_popup = nullptr;
    CThumbnailBuilder* m_builder = nullptr;
    OpenFunction m_open;
    QString m_folder;
    QStringList m_entries;
    std::vector<QListWidgetItem*> m_itemOfEntry; // null once its item is gone
    std::vector<QImage> m_cells;                 // the cell of each entry as drawn
    int m_current = 0;
    bool m_buildPending = false;
};

} // namespace tsl
