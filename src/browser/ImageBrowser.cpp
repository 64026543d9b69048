#include "browser/ImageBrowser.h"

#include "platform/FileNames.h"
#include "ui/WorkerChannel.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileIconProvider>
#include <QHeaderView>
#include <QKeyEvent>
#include <QListWidget>
#include <QMenu>
#include <QScrollBar>
#include <QStorageInfo>
#include <QThreadPool>
#include <QTreeWidget>

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>

namespace tsl {
namespace {

constexpr int kPathRole = Qt::UserRole;
constexpr int kFilledRole = Qt::UserRole + 1;
constexpr int kEntryRole = Qt::UserRole + 2;
constexpr int kCellTop = 4;
constexpr int kTreeWidth = 220;

bool IsFolder(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// The visible sub-folders of folder, sorted by name ignoring case.
QStringList SubFolders(const QString& folder, bool firstOnly = false) {
    QStringList names;
    const QByteArray dir = EncodeFileName(folder);
    DIR* stream = ::opendir(dir.constData());
    if (!stream) return names;
    const std::string base = dir.endsWith('/') ? dir.toStdString() : dir.toStdString() + "/";
    while (const dirent* entry = ::readdir(stream)) {
        if (entry->d_name[0] == '.') continue; // ".", ".." and hidden folders
        if (entry->d_type != DT_DIR && entry->d_type != DT_LNK && entry->d_type != DT_UNKNOWN)
            continue;
        if (!IsFolder(base + entry->d_name)) continue;
        names << DecodeFileName(QByteArray(entry->d_name));
        if (firstOnly) break;
    }
    ::closedir(stream);
    std::sort(names.begin(), names.end(), FileNameLess);
    return names;
}

// The workers that look into the tree's folders for sub-folders. Their own few threads: a
// folder on a slow or hung mount holds up one of them, never the thumbnails. Never destroyed,
// so that a check that does not return cannot hold up the end of the program either.
QThreadPool& FolderCheckWorkers() {
    static QThreadPool* pool = [] {
        auto* workers = new QThreadPool;
        workers->setMaxThreadCount(4);
        workers->setExpiryTimeout(5000);
        return workers;
    }();
    return *pool;
}

// The list view with the strip's positions: every layout of the view's own (after items come
// or go, on resizing) is followed by item k at x = 6 + 106 k.
class CThumbnailListView : public QListWidget {
public:
    using QListWidget::QListWidget;
    void PlaceFrom(int row) {
        for (int r = row; r < count(); ++r)
            setPositionForIndex(QPoint(CImageBrowser::kFirstCellX + CImageBrowser::kCellPitch * r,
                                       kCellTop),
                                model()->index(r, 0));
    }
    void doItemsLayout() override {
        QListWidget::doItemsLayout();
        PlaceFrom(0);
    }

protected:
    // One wheel notch (three steps) moves the strip by one cell.
    void updateGeometries() override {
        QListWidget::updateGeometries();
        horizontalScrollBar()->setSingleStep(CImageBrowser::kCellPitch / 3);
    }
};

QString Join(const QString& folder, const QString& name) {
    return folder.endsWith(QLatin1Char('/')) ? folder + name : folder + QLatin1Char('/') + name;
}

} // namespace

struct CImageBrowser::FolderChecks : CWorkerChannel<CImageBrowser> {
    using CWorkerChannel::CWorkerChannel;
};

CImageBrowser::CImageBrowser(QWidget* parent, ThumbnailFunction build)
    : QDialog(parent), m_folderChecks(std::make_shared<FolderChecks>(this)) {
    setWindowTitle(QStringLiteral("Image Browser"));
    setObjectName(QStringLiteral("ImageBrowser"));
    setModal(false);
    setSizeGripEnabled(false);

    m_tree = new QTreeWidget(this);
    m_tree->setObjectName(QStringLiteral("FolderTree"));
    m_tree->setProperty("controlId", IDC_BROWSER_TREE);
    m_tree->setHeaderHidden(true);
    m_tree->setColumnCount(1);
    m_tree->header()->setStretchLastSection(true);
    m_tree->setGeometry(0, 0, kTreeWidth, 420);

    m_list = new CThumbnailListView(this);
    m_list->setObjectName(QStringLiteral("ThumbnailList"));
    m_list->setProperty("controlId", IDC_BROWSER_LIST);
    m_list->setViewMode(QListView::IconMode);
    m_list->setMovement(QListView::Free); // positions are ours: x = 6 + 106 k
    m_list->setWrapping(false);
    m_list->setFlow(QListView::LeftToRight);
    m_list->setDragDropMode(QAbstractItemView::NoDragDrop);
    m_list->setDragEnabled(false);
    m_list->setIconSize(QSize(kThumbWidth, kThumbHeight));
    m_list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_list->setUniformItemSizes(true);
    m_list->setTextElideMode(Qt::ElideMiddle);
    m_list->setContextMenuPolicy(Qt::CustomContextMenu);
    m_list->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_list->installEventFilter(this);

    m_popup = new QMenu(this);
    const std::pair<int, const char*> items[] = {{ID_BROWSER_OPEN, "Open"},
                                                 {ID_BROWSER_COPY_CLIPBOARD, "Copy to Clipboard"},
                                                 {ID_BROWSER_COPY_TO, "Copy to..."},
                                                 {ID_BROWSER_MOVE_TO, "Move to..."},
                                                 {ID_BROWSER_DELETE, "Delete"}};
    for (const auto& [id, text] : items) {
        QAction* action = m_popup->addAction(QString::fromLatin1(text));
        action->setData(id);
        connect(action, &QAction::triggered, this, [this, id = id] { OnCommand(id); });
    }

    m_builder = new CThumbnailBuilder(std::move(build), this);
    connect(m_builder, &CThumbnailBuilder::listed, this, &CImageBrowser::OnListed);
    connect(m_builder, &CThumbnailBuilder::built, this, &CImageBrowser::OnBuilt);
    connect(m_builder, &CThumbnailBuilder::finished, this, &CImageBrowser::thumbnailsFinished);

    connect(m_tree, &QTreeWidget::itemExpanded, this, [this](QTreeWidgetItem* item) { Fill(item); });
    connect(m_tree, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* item) { OnSelectionChanged(item); });
    // A right click selects the folder under the cursor (the desktop's shell menu is not ours).
    m_tree->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_tree, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        if (QTreeWidgetItem* item = m_tree->itemAt(at)) m_tree->setCurrentItem(item);
    });
    connect(m_list, &QListWidget::itemPressed, this,
            [this](QListWidgetItem* item) { m_current = m_list->row(item); });
    connect(m_list, &QListWidget::itemDoubleClicked, this, [this] { Open(); });
    connect(m_list, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        m_popup->popup(m_list->viewport()->mapToGlobal(at));
    });
    connect(m_list->horizontalScrollBar(), &QScrollBar::valueChanged, this,
            [this] { UpdateVisibleRange(); });

    FillTopLevel();
    resize(760, 420);
}

CImageBrowser::~CImageBrowser() {
    m_folderChecks->Detach();
    m_builder->Cancel();
}

void CImageBrowser::FillTopLevel() {
    AddFolderItem(nullptr, QStringLiteral("Home"), QDir::homePath());
    AddFolderItem(nullptr, QStringLiteral("File System"), QStringLiteral("/"));
    if (QTreeWidgetItem* first = m_tree->topLevelItem(0)) first->setExpanded(true);
    // Removable and other mounted volumes, where the desktop mounts them, found on a worker:
    // asking a volume whether it is ready waits for it.
    std::shared_ptr<FolderChecks> channel = m_folderChecks;
    const quint64 generation = channel->Generation();
    FolderCheckWorkers().start([channel, generation] {
        QList<QPair<QString, QString>> volumes; // name, root
        for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
            const QString root = volume.rootPath();
            if (!root.startsWith(QStringLiteral("/media/")) && !root.startsWith(QStringLiteral("/mnt/")) &&
                !root.startsWith(QStringLiteral("/run/media/")))
                continue;
            if (!volume.isValid() || !volume.isReady()) continue;
            volumes.append({volume.displayName().isEmpty() ? root : volume.displayName(), root});
        }
        channel->Post(generation, [volumes](CImageBrowser* owner) {
            for (const auto& [name, root] : volumes) owner->AddFolderItem(nullptr, name, root);
        });
    });
}

QTreeWidgetItem* CImageBrowser::AddFolderItem(QTreeWidgetItem* parent, const QString& text,
                                              const QString& path) {
    static const QFileIconProvider icons;
    auto* item = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(m_tree);
    item->setText(0, DisplayFileName(text).left(260));
    item->setIcon(0, icons.icon(QFileIconProvider::Folder));
    item->setData(0, kPathRole, path);
    item->setData(0, kFilledRole, false);
    // An expander until a worker has found no sub-folder in it.
    item->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
    m_checking.insert(item);
    std::shared_ptr<FolderChecks> channel = m_folderChecks;
    const quint64 generation = channel->Generation();
    FolderCheckWorkers().start([channel, generation, item, path] {
        if (!channel->IsCurrent(generation)) return;
        const bool has = !SubFolders(path, true).isEmpty();
        channel->Post(generation, [item, has](CImageBrowser* owner) { owner->OnChecked(item, has); });
    });
    return item;
}

void CImageBrowser::OnChecked(QTreeWidgetItem* item, bool hasSubFolders) {
    if (!m_checking.remove(item)) return;
    // A filled item knows its children already.
    if (!hasSubFolders && !IsFilled(item))
        item->setChildIndicatorPolicy(QTreeWidgetItem::DontShowIndicator);
}

bool CImageBrowser::IsFilled(const QTreeWidgetItem* item) {
    return item && item->data(0, kFilledRole).toBool();
}

void CImageBrowser::Fill(QTreeWidgetItem* item) {
    if (!item || IsFilled(item)) return;
    item->setData(0, kFilledRole, true);
    const QString path = item->data(0, kPathRole).toString();
    for (const QString& name : SubFolders(path)) AddFolderItem(item, name, Join(path, name));
    if (item->childCount() == 0) item->setChildIndicatorPolicy(QTreeWidgetItem::DontShowIndicator);
}

QTreeWidgetItem* CImageBrowser::FindItem(const QString& path) const {
    const QString wanted = QDir::cleanPath(path);
    std::vector<QTreeWidgetItem*> level;
    for (int i = 0; i < m_tree->topLevelItemCount(); ++i) level.push_back(m_tree->topLevelItem(i));
    while (!level.empty()) {
        QTreeWidgetItem* item = level.back();
        level.pop_back();
        if (QDir::cleanPath(item->data(0, kPathRole).toString()) == wanted) return item;
        for (int i = 0; i < item->childCount(); ++i) level.push_back(item->child(i));
    }
    return nullptr;
}

void CImageBrowser::SelectFolder(const QString& folder) {
    const QString target = AbsoluteFilePath(folder);
    // Walk down from the deepest top-level item that holds the folder.
    QTreeWidgetItem* item = nullptr;
    int bestLength = -1;
    for (int i = 0; i < m_tree->topLevelItemCount(); ++i) {
        QTreeWidgetItem* top = m_tree->topLevelItem(i);
        const QString root = QDir::cleanPath(top->data(0, kPathRole).toString());
        const bool holds = target == root || root == QStringLiteral("/") ||
                           target.startsWith(root + QLatin1Char('/'));
        if (holds && root.size() > bestLength) {
            item = top;
            bestLength = static_cast<int>(root.size());
        }
    }
    while (item) {
        const QString here = QDir::cleanPath(item->data(0, kPathRole).toString());
        if (here == target) break;
        Fill(item);
        item->setExpanded(true);
        QTreeWidgetItem* next = nullptr;
        for (int i = 0; i < item->childCount() && !next; ++i) {
            const QString child = QDir::cleanPath(item->child(i)->data(0, kPathRole).toString());
            if (target == child || target.startsWith(child + QLatin1Char('/'))) next = item->child(i);
        }
        item = next;
    }
    if (item) {
        m_tree->setCurrentItem(item);
        m_tree->scrollToItem(item);
        if (m_folder != target) ShowFolder(target); // the item was already the current one
    } else {
        ShowFolder(target); // a hidden folder, or one the tree does not show
    }
}

void CImageBrowser::OnSelectionChanged(QTreeWidgetItem* item) {
    if (!item) return;
    if (item->childIndicatorPolicy() == QTreeWidgetItem::ShowIndicator && !IsFilled(item))
        Fill(item);
    ShowFolder(item->data(0, kPathRole).toString());
}

void CImageBrowser::ShowFolder(const QString& folder) {
    if (folder.isEmpty()) return;
    m_folder = folder.size() > 1 && folder.endsWith(QLatin1Char('/')) ? folder.chopped(1) : folder;
    m_builder->Cancel();
    m_list->clear();
    m_itemOfEntry.clear();
    m_cells.clear();
    m_entries.clear();
    m_current = 0;
    if (!isVisible()) { // listed and built when the window is shown
        m_buildPending = true;
        return;
    }
    m_buildPending = false;
    m_builder->List(m_folder);
}

void CImageBrowser::OnListed(const QString& folder, const QStringList& names) {
    if (folder != m_folder) return;
    m_entries = names;
    BuildThumbnails();
    m_list->setFocus();
    if (m_list->count() > 0) m_list->setCurrentRow(0, QItemSelectionModel::ClearAndSelect);
    m_current = 0;
}

void CImageBrowser::BuildThumbnails() {
    m_list->setUpdatesEnabled(false);
    QImage blank(kThumbWidth, kThumbHeight, QImage::Format_RGB32);
    blank.fill(Qt::white);
    const QIcon blankIcon(QPixmap::fromImage(blank));
    const int lineHeight = m_list->fontMetrics().height();
    m_cells.assign(static_cast<std::size_t>(m_entries.size()), blank);
    for (int k = 0; k < m_entries.size(); ++k) {
        const QString label = DisplayFileName(m_entries[k]);
        auto* item = new QListWidgetItem(blankIcon, label);
        item->setData(kEntryRole, k);
        item->setSizeHint(QSize(kThumbWidth, kThumbHeight + lineHeight + 6));
        item->setToolTip(label);
        m_list->addItem(item);
        m_itemOfEntry.push_back(item);
    }
    PlaceFrom(0);
    m_list->setUpdatesEnabled(true);
    UpdateVisibleRange();
    m_builder->Start(m_folder, m_entries);
}

void CImageBrowser::PlaceFrom(int row) {
    static_cast<CThumbnailListView*>(m_list)->PlaceFrom(row);
}

void CImageBrowser::UpdateVisibleRange() {
    const int left = m_list->horizontalScrollBar()->value();
    const int width = std::max(1, m_list->viewport()->width());
    const int firstRow = std::max(0, (left - kFirstCellX) / kCellPitch);
    const int lastRow = std::min(m_list->count() - 1, (left + width) / kCellPitch);
    if (lastRow < firstRow) {
        m_builder->SetVisible(0, -1);
        return;
    }
    m_builder->SetVisible(m_list->item(firstRow)->data(kEntryRole).toInt(),
                          m_list->item(lastRow)->data(kEntryRole).toInt());
}

void CImageBrowser::OnBuilt(int index, const QImage& cell) {
    if (index < 0 || index >= static_cast<int>(m_itemOfEntry.size())) return;
    QListWidgetItem* item = m_itemOfEntry[static_cast<std::size_t>(index)];
    if (!item) return; // removed meanwhile
    if (cell.isNull()) {
        RemoveRow(m_list->row(item)); // no gap: the next picture takes its place
        return;
    }
    // One change of the item: the view lays out and paints once per thumbnail.
    m_cells[static_cast<std::size_t>(index)] = cell;
    item->setIcon(QIcon(QPixmap::fromImage(cell)));
    emit thumbnailShown(m_list->row(item));
}

void CImageBrowser::RemoveRow(int row) {
    QListWidgetItem* item = m_list->item(row);
    if (!item) return;
    const int entry = item->data(kEntryRole).toInt();
    if (entry >= 0 && entry < static_cast<int>(m_itemOfEntry.size()))
        m_itemOfEntry[static_cast<std::size_t>(entry)] = nullptr;
    delete m_list->takeItem(row);
    PlaceFrom(row);
    if (m_current >= m_list->count()) m_current = std::max(0, m_list->count() - 1);
    UpdateVisibleRange();
}

QImage CImageBrowser::Thumbnail(int row) const {
    const QListWidgetItem* item = m_list->item(row);
    const int entry = item ? item->data(kEntryRole).toInt() : -1;
    return entry >= 0 && entry < static_cast<int>(m_cells.size())
               ? m_cells[static_cast<std::size_t>(entry)]
               : QImage();
}

bool CImageBrowser::Building() const {
    return m_buildPending || m_builder->Listing() || m_builder->Pending() > 0;
}

QString CImageBrowser::NameOf(int row) const {
    const QListWidgetItem* item = m_list->item(row);
    const int entry = item ? item->data(kEntryRole).toInt() : -1;
    return entry >= 0 && entry < m_entries.size() ? m_entries[entry] : QString();
}

QString CImageBrowser::PathOf(int row) const {
    const QString name = NameOf(row);
    return name.isEmpty() ? name : Join(m_folder, name);
}

void CImageBrowser::OnCommand(int id) {
    switch (id) {
    case ID_BROWSER_OPEN: Open(); break;
    case ID_BROWSER_COPY_CLIPBOARD: CopyToClipboard(); break;
    case ID_BROWSER_COPY_TO: CopyOrMove(false); break;
    case ID_BROWSER_MOVE_TO: CopyOrMove(true); break;
    case ID_BROWSER_DELETE: Delete(); break;
    default: break;
    }
}

void CImageBrowser::Open() {
    if (!m_open) return;
    for (int row = 0; row < m_list->count(); ++row)
        if (m_list->item(row)->isSelected()) m_open(PathOf(row));
}

void CImageBrowser::OpenCurrent() {
    if (m_open && m_current >= 0 && m_current < m_list->count()) m_open(PathOf(m_current));
}

// Enter: the current item's file, and the window stays.
void CImageBrowser::accept() { OpenCurrent(); }

bool CImageBrowser::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_list && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        const int last = m_list->count() - 1;
        if (key == Qt::Key_Left || key == Qt::Key_Up) m_current = std::max(0, m_current - 1);
        if (key == Qt::Key_Right || key == Qt::Key_Down) m_current = std::max(0, std::min(last, m_current + 1));
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            OpenCurrent();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void CImageBrowser::Relayout() {
    const QRect client = rect();
    const int treeWidth = m_tree->width();
    m_tree->setGeometry(0, 0, treeWidth, client.height());
    m_list->setGeometry(treeWidth, 0, std::max(0, client.width() - treeWidth), client.height());
    UpdateVisibleRange();
}

void CImageBrowser::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    Relayout();
}

void CImageBrowser::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (m_buildPending) {
        m_buildPending = false;
        m_builder->List(m_folder);
    }
    emit visibilityChanged(true);
}

void CImageBrowser::hideEvent(QHideEvent* event) {
    QDialog::hideEvent(event);
    emit visibilityChanged(false);
}

} // namespace tsl
