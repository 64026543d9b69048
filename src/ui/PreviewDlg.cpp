#include "ui/PreviewDlg.h"

#include "codecs/CBmp.h"
#include "codecs/Dispatch.h"
#include "codecs/Jpeg.h"
#include "core/Extensions.h"

#include <QAbstractProxyModel>
#include <QCheckBox>
#include <QFileSystemModel>
#include <QFrame>
#include <QGridLayout>
#include <QItemSelectionModel>
#include <QLabel>
#include <QListView>
#include <QPainter>
#include <QSplitter>
#include <QVBoxLayout>

namespace tsl {

// The thumbnail area (control 5001): a sunken frame showing the picture centred in it.
class CPreviewPane : public QFrame {
public:
    explicit CPreviewPane(QWidget* parent) : QFrame(parent) {
        setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
        setFixedSize(CPreviewFileDialog::ThumbnailSize() +
                     QSize(2 * frameWidth(), 2 * frameWidth()));
        setBackgroundRole(QPalette::Base);
        setAutoFillBackground(true);
    }
    void SetPicture(const QImage& image) {
        m_image = image;
        update();
    }
    const QImage& Picture() const { return m_image; }

protected:
    void paintEvent(QPaintEvent* event) override {
        QFrame::paintEvent(event);
        if (m_image.isNull()) return;
        QPainter painter(this);
        const QRect area = contentsRect();
        const QRect target = FitRect(m_image.size(), area.size()).translated(area.topLeft());
        painter.drawImage(target, m_image);
    }

private:
    QImage m_image;
};

QSize CPreviewFileDialog::ThumbnailSize() { return {184, 160}; }

CPreviewFileDialog::CPreviewFileDialog(const platform::FileRequest& request, QWidget* parent,
                                       ImageTest test, PreviewLoadFunction load,
                                       bool& showPreview)
    : CFileDialog(request, parent), m_test(test), m_showPreview(showPreview),
      m_loader(new CPreviewLoader(std::move(load), this)) {
    BuildPane();
    connect(m_loader, &CPreviewLoader::loaded, this, &CPreviewFileDialog::OnLoaded);
    connect(this, &QFileDialog::currentChanged, this, [this] { OnSelectionChanged(); });
    if (auto* list = Control<QListView>("listView"); list && list->selectionModel())
        connect(list->selectionModel(), &QItemSelectionModel::selectionChanged, this,
                [this] { OnSelectionChanged(); });
    // Room for the list's columns beside the pane.
    resize(sizeHint().expandedTo(QSize(800, 460)));
    // Initialisation done: nothing previewed yet, the box as this variant was last left.
    Forget();
    m_check->setChecked(m_showPreview);
}

CPreviewFileDialog::~CPreviewFileDialog() = default;

void CPreviewFileDialog::BuildPane() {
    auto* pane = new QWidget(this);
    pane->setObjectName(QString::number(kPaneId));
    auto* column = new QVBoxLayout(pane);
    column->setContentsMargins(6, 0, 0, 0);
    auto* title = new QLabel(QStringLiteral("Preview"), pane);
    column->addWidget(title);
    m_pane = new CPreviewPane(pane);
    m_pane->setObjectName(QString::number(kThumbnailId));
    column->addWidget(m_pane);
    for (int i = 0; i < 4; ++i) {
        m_lines[i] = new QLabel(pane);
        m_lines[i]->setObjectName(QString::number(kFirstLineId + i));
        column->addWidget(m_lines[i]);
    }
    m_check = new QCheckBox(QString::fromLatin1(kShowPreviewText), pane);
    m_check->setObjectName(QString::number(kShowPreviewId));
    column->addWidget(m_check);
    column->addStretch(1);
    connect(m_check, &QCheckBox::clicked, this, &CPreviewFileDialog::OnShowPreviewClicked);

    // Beside the file list, in the dialog's splitter, so the list keeps any extra room.
    if (auto* splitter = Control<QSplitter>("splitter")) {
        splitter->addWidget(pane);
        const int index = splitter->indexOf(pane);
        splitter->setCollapsible(index, false);
        splitter->setStretchFactor(index, 0);
        splitter->setStretchFactor(index - 1, 1);
    } else if (auto* grid = qobject_cast<QGridLayout*>(layout())) {
        grid->addWidget(pane, 0, grid->columnCount(), grid->rowCount(), 1);
    }
}

QString CPreviewFileDialog::LineText(int index) const {
    return index >= 0 && index < 4 ? m_lines[index]->text() : QString();
}

QImage CPreviewFileDialog::Thumbnail() const { return m_pane->Picture(); }

bool CPreviewFileDialog::IsShowPreviewChecked() const { return m_check->isChecked(); }

QString CPreviewFileDialog::SelectedPath() const {
    auto* list = Control<QListView>("listView");
    if (!list || !list->selectionModel()) return {};
    const QItemSelectionModel* selection = list->selectionModel();
    QModelIndex index = selection->currentIndex();
    if (!index.isValid() || !selection->isSelected(index)) {
        const QModelIndexList rows = selection->selectedRows();
        index = rows.isEmpty() ? QModelIndex() : rows.first();
    }
    if (!index.isValid()) return {};
    const QAbstractItemModel* model = list->model();
    if (const auto* proxy = qobject_cast<const QAbstractProxyModel*>(model)) {
        index = proxy->mapToSource(index);
        model = proxy->sourceModel();
    }
    const auto* files = qobject_cast<const QFileSystemModel*>(model);
    return files ? files->filePath(index) : QString();
}

void CPreviewFileDialog::OnSelectionChanged() {
    if (!m_check->isChecked()) {
        Forget();
        return;
    }
    const QString path = SelectedPath();
    if (path == m_path && (m_loading || !m_pane->Picture().isNull())) return;
    Forget();
    m_path = path;
    if (path.isEmpty() || !m_test(path)) {
        m_path.clear();
        return;
    }
    m_loading = true;
    m_loader->Request(path, ThumbnailSize());
}

void CPreviewFileDialog::OnLoaded(const QString& path, const PreviewPicture& picture, bool ok) {
    if (path != m_path) return;
    m_loading = false;
    if (!ok) {
        Forget();
    } else {
        m_width = picture.width;
        m_height = picture.height;
        m_bitsPerPixel = picture.bitsPerPixel;
        m_pane->SetPicture(picture.image);
        m_lines[0]->setText(QString::fromLatin1(kWidthFormat).arg(m_width));
        m_lines[1]->setText(QString::fromLatin1(kHeightFormat).arg(m_height));
    }
    emit previewUpdated();
}

void CPreviewFileDialog::OnShowPreviewClicked(bool checked) {
    m_showPreview = checked;
    if (checked)
        OnSelectionChanged();
    else
        Forget();
}

void CPreviewFileDialog::OnFileOk() { Forget(); }

void CPreviewFileDialog::Forget() {
    m_loader->Cancel();
    m_loading = false;
    m_path.clear();
    m_width = m_height = m_bitsPerPixel = 0;
    m_pane->SetPicture({});
    ClearLines();
}

void CPreviewFileDialog::ClearLines() {
    for (QLabel* line : m_lines) line->clear();
}

// --- the two variants ---

CPreviewDlg::CPreviewDlg(const platform::FileRequest& request, QWidget* parent)
    : CPreviewDlg(request, &CPreviewDlg::LoadThroughDispatch, parent) {}

CPreviewDlg::CPreviewDlg(const platform::FileRequest& request, PreviewLoadFunction load,
                         QWidget* parent)
    : CPreviewFileDialog(request, parent, &CPreviewDlg::IsPreviewImage, std::move(load),
                         ShowPreviewState()) {}

bool CPreviewDlg::IsPreviewImage(const QString& path) {
    return IsPreviewExtension(ExtensionOf(path.toStdString()));
}

bool CPreviewDlg::LoadThroughDispatch(const QString& path, QSize fit, PreviewPicture& out) {
    const std::string file = path.toLocal8Bit().toStdString();
    if (ReaderFor(file) == DispatchReader::Jpeg) {
        CDdb bitmap = ReadJpegDdbToFit(file, fit.width(), fit.height(), out.width, out.height);
        if (bitmap.IsNull()) return false;
        out.bitsPerPixel = 24;
        out.image = ImageFromDdb(bitmap);
        return true;
    }
    DecodedImage decoded;
    if (!ReadImageFile(file, decoded) || decoded.bitmap.IsNull()) return false;
    out.width = decoded.bitmap.Width();
    out.height = decoded.bitmap.Height();
    out.bitsPerPixel = decoded.bitmap.BitsPerPixel();
    out.image = ImageFromDdb(decoded.bitmap);
    return true;
}

bool& CPreviewDlg::ShowPreviewState() {
    static bool state = true;
    return state;
}

CPreviewDlg2::CPreviewDlg2(const platform::FileRequest& request, PreviewLoadFunction load,
                           QWidget* parent)
    : CPreviewFileDialog(request, parent, &CPreviewDlg2::IsPreviewImage, std::move(load),
                         ShowPreviewState()) {}

bool CPreviewDlg2::IsPreviewImage(const QString& path) { return IsImageFile(path.toStdString()); }

bool& CPreviewDlg2::ShowPreviewState() {
    static bool state = true;
    return state;
}

} // namespace tsl
