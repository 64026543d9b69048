#include "batch/ImageProcessorDlg.h"

#include "core/Extensions.h"
#include "core/FormatTable.h"
#include "core/Services.h"
#include "platform/Platform.h"
#include "ui/FolderDialog.h"
#include "ui/DialogControls.h"
#include "ui/PreviewDlg.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QThread>
#include <QVBoxLayout>

namespace tsl {

namespace {

QComboBox* List(int id, QWidget* parent, const std::vector<const char*>& entries, int current) {
    auto* box = MakeControl<QComboBox>(id, parent);
    for (const char* e : entries) box->addItem(QString::fromUtf8(e));
    box->setCurrentIndex(current);
    return box;
}

std::vector<const char*> FormatEntries() {
    std::vector<const char*> entries;
    for (const FileFormat* f : ProcessorFormats()) entries.push_back(f->processorEntry);
    return entries;
}

} // namespace

CImageProcessorDlg::CImageProcessorDlg(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("Dialog%1").arg(kTemplateId));
    setWindowTitle(QString::fromUtf8(kTitle));
    Build();
    Connect();
}

CImageProcessorDlg::~CImageProcessorDlg() {
    if (m_thread) {
        m_cancel = true;
        m_thread->wait();
        delete m_thread;
    }
}

void CImageProcessorDlg::Build() {
    m_controls = new QWidget(this);
    QWidget* c = m_controls;
    m_list = MakeControl<QListWidget>(IDC_FILES, c);
    m_list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_list->setSortingEnabled(true);
    m_add = MakeControl<QPushButton>(IDC_ADD, c, "Add...");
    m_remove = MakeControl<QPushButton>(IDC_REMOVE, c, "Remove");
    m_clear = MakeControl<QPushButton>(IDC_CLEAR, c, "Clear");

    m_changeFormat = MakeControl<QCheckBox>(IDC_CHANGE_FORMAT, c, "Change image format");
    m_format = List(IDC_FORMAT, c, FormatEntries(), 3);
    m_sameLocation = MakeControl<QCheckBox>(IDC_SAME_LOCATION, c, "Same as the input location");
    m_sameLocation->setChecked(true);
    m_folder = MakeControl<QLineEdit>(IDC_OUTPUT_FOLDER, c);
    m_browse = MakeControl<QPushButton>(IDC_BROWSE, c, "...");
    m_deleteOriginals = MakeControl<QCheckBox>(IDC_DELETE_ORIGINALS, c, "Delete the original files");

    m_changeColors = MakeControl<QCheckBox>(IDC_CHANGE_COLORS, c, "Change the number of colors");
    m_colors = List(IDC_COLORS, c, BatchColourEntries(), 4);
    m_gray = MakeControl<QCheckBox>(IDC_GRAY, c, "Gray scale");
    m_palette = List(IDC_PALETTE, c, BatchPaletteEntries(), 1);
    m_dither = List(IDC_DITHER, c, BatchDitherEntries(), 0);
    m_systemPalette = MakeControl<QCheckBox>(IDC_SYSTEM_PALETTE, c, "Insert Windows system palette");

    m_changeSize = MakeControl<QCheckBox>(IDC_CHANGE_SIZE, c, "Change size");
    m_trim = MakeControl<QRadioButton>(IDC_TRIM, c, "Trim / Crop");
    m_resize = MakeControl<QRadioButton>(IDC_RESIZE, c, "Resize");
    auto* modes = new QButtonGroup(this);
    modes->addButton(m_trim, 0);
    modes->addButton(m_resize, 1);
    m_trim->setChecked(true);
    m_width = MakeControl<QLineEdit>(IDC_WIDTH, c);
    m_width->setText(QStringLiteral("300"));
    m_height = MakeControl<QLineEdit>(IDC_HEIGHT, c);
    m_height->setText(QStringLiteral("200"));
    m_x = MakeControl<QLineEdit>(IDC_X, c);
    m_x->setText(QStringLiteral("0"));
    m_y = MakeControl<QLineEdit>(IDC_Y, c);
    m_y->setText(QStringLiteral("0"));
    m_quality = List(IDC_QUALITY, c, BatchQualityEntries(), 0);

    m_progress = MakeControl<QProgressBar>(IDC_PROGRESS, this);
    m_progress->setTextVisible(false);
    m_progress->hide();
    m_ok = MakeControl<QPushButton>(1, this, "OK");
    m_ok->setDefault(true);
    m_cancelButton = MakeControl<QPushButton>(2, this, "Cancel");

    // Until a "Change" box is first clicked there is nothing to do; the colour, size and
    // palette controls follow their boxes, the output folder "Same as the input location".
    m_ok->setEnabled(false);
    for (QWidget* w : std::initializer_list<QWidget*>{
             m_format, m_folder, m_browse, m_colors, m_gray, m_palette, m_dither,
             m_systemPalette, m_trim, m_resize, m_width, m_height, m_x, m_y, m_quality})
        w->setEnabled(false);

    auto* files = new QGroupBox(QStringLiteral("Files"), c);
    auto* fileRows = new QVBoxLayout(files);
    fileRows->addWidget(m_list);
    auto* fileButtons = new QHBoxLayout;
    fileButtons->addWidget(m_add);
    fileButtons->addWidget(m_remove);
    fileButtons->addWidget(m_clear);
    fileRows->addLayout(fileButtons);

    auto* format = new QGroupBox(QStringLiteral("Format"), c);
    auto* formatRows = new QVBoxLayout(format);
    formatRows->addWidget(m_changeFormat);
    formatRows->addWidget(m_format);

    auto* output = new QGroupBox(QStringLiteral("Output"), c);
    auto* outputRows = new QGridLayout(output);
    outputRows->addWidget(m_sameLocation, 0, 0, 1, 2);
    outputRows->addWidget(m_folder, 1, 0);
    outputRows->addWidget(m_browse, 1, 1);
    outputRows->addWidget(m_deleteOriginals, 2, 0, 1, 2);

    auto* colours = new QGroupBox(QStringLiteral("Colors"), c);
    auto* colourRows = new QGridLayout(colours);
    colourRows->addWidget(m_changeColors, 0, 0, 1, 2);
    colourRows->addWidget(m_colors, 1, 0);
    colourRows->addWidget(m_gray, 1, 1);
    colourRows->addWidget(new QLabel(QStringLiteral("Palette:"), c), 2, 0);
    colourRows->addWidget(m_palette, 2, 1);
    colourRows->addWidget(new QLabel(QStringLiteral("Dithering:"), c), 3, 0);
    colourRows->addWidget(m_dither, 3, 1);
    colourRows->addWidget(m_systemPalette, 4, 0, 1, 2);

    auto* size = new QGroupBox(QStringLiteral("Size"), c);
    auto* sizeRows = new QGridLayout(size);
    sizeRows->addWidget(m_changeSize, 0, 0, 1, 4);
    sizeRows->addWidget(m_trim, 1, 0, 1, 2);
    sizeRows->addWidget(m_resize, 1, 2, 1, 2);
    sizeRows->addWidget(new QLabel(QStringLiteral("Width:"), c), 2, 0);
    sizeRows->addWidget(m_width, 2, 1);
    sizeRows->addWidget(new QLabel(QStringLiteral("Height:"), c), 2, 2);
    sizeRows->addWidget(m_height, 2, 3);
    sizeRows->addWidget(new QLabel(QStringLiteral("X:"), c), 3, 0);
    sizeRows->addWidget(m_x, 3, 1);
    sizeRows->addWidget(new QLabel(QStringLiteral("Y:"), c), 3, 2);
    sizeRows->addWidget(m_y, 3, 3);
    sizeRows->addWidget(new QLabel(QStringLiteral("Quality:"), c), 4, 0);
    sizeRows->addWidget(m_quality, 4, 1, 1, 3);

    auto* right = new QVBoxLayout;
    right->addWidget(format);
    right->addWidget(output);
    right->addWidget(colours);
    right->addWidget(size);
    right->addStretch();
    auto* columns = new QHBoxLayout(c);
    columns->setContentsMargins(0, 0, 0, 0);
    columns->addWidget(files, 1);
    columns->addLayout(right);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_progress, 1);
    buttons->addStretch();
    buttons->addWidget(m_ok);
    buttons->addWidget(m_cancelButton);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(c, 1);
    layout->addLayout(buttons);
}

void CImageProcessorDlg::Connect() {
    connect(m_changeFormat, &QCheckBox::clicked, this, [this](bool on) {
        m_format->setEnabled(on);
        EnableOk();
    });
    connect(m_changeColors, &QCheckBox::clicked, this, [this](bool on) {
        m_colors->setEnabled(on);
        m_gray->setEnabled(on);
        m_gray->setChecked(false);
        EnableOk();
        RefreshPalette();
    });
    connect(m_changeSize, &QCheckBox::clicked, this, [this](bool on) {
        for (QWidget* w : std::initializer_list<QWidget*>{m_trim, m_resize, m_width, m_height})
            w->setEnabled(on);
        if (on) {
            ApplySizeMode();
        } else {
            m_x->setEnabled(false);
            m_y->setEnabled(false);
            m_quality->setEnabled(false);
        }
        EnableOk();
    });
    connect(m_trim, &QRadioButton::clicked, this, [this] { ApplySizeMode(); });
    connect(m_resize, &QRadioButton::clicked, this, [this] { ApplySizeMode(); });
    connect(m_gray, &QCheckBox::clicked, this, [this](bool on) {
        m_colors->setEnabled(!on);
        if (on) m_colors->setCurrentIndex(2); // "8 - 256 colors"
        RefreshPalette();
    });
    connect(m_colors, &QComboBox::currentIndexChanged, this, [this] { RefreshPalette(); });
    connect(m_sameLocation, &QCheckBox::clicked, this, [this](bool on) {
        m_folder->setEnabled(!on);
        m_browse->setEnabled(!on);
        if (!on) {
            m_folder->selectAll();
            m_folder->setFocus();
        }
    });
    connect(m_add, &QPushButton::clicked, this, &CImageProcessorDlg::AddFiles);
    connect(m_remove, &QPushButton::clicked, this, &CImageProcessorDlg::RemoveSelected);
    connect(m_clear, &QPushButton::clicked, this, &CImageProcessorDlg::Clear);
    connect(m_browse, &QPushButton::clicked, this, &CImageProcessorDlg::ChooseOutputFolder);
    connect(m_ok, &QPushButton::clicked, this, &CImageProcessorDlg::Process);
    connect(m_cancelButton, &QPushButton::clicked, this, &CImageProcessorDlg::reject);
}

// Once enabled, OK stays enabled.
void CImageProcessorDlg::EnableOk() const {
    if (!IsRunning()) m_ok->setEnabled(true);
}

void CImageProcessorDlg::RefreshPalette() {
    const bool palette = m_colors->currentIndex() <= 2 && m_changeColors->isChecked() &&
                         !m_gray->isChecked();
    m_dither->setEnabled(palette);
    m_palette->setEnabled(palette);
    m_systemPalette->setEnabled(palette);
}

void CImageProcessorDlg::ApplySizeMode() {
    const bool trim = m_trim->isChecked();
    m_x->setEnabled(trim);
    m_y->setEnabled(trim);
    m_quality->setEnabled(!trim);
}

BatchOptions CImageProcessorDlg::Options() const {
    BatchOptions o;
    o.changeFormat = m_changeFormat->isChecked();
    o.formatIndex = m_format->currentIndex();
    o.sameLocation = m_sameLocation->isChecked();
    o.outputFolder = m_folder->text().toStdString();
    o.deleteOriginals = m_deleteOriginals->isChecked();
    o.changeColors = m_changeColors->isChecked();
    o.colorsIndex = m_colors->currentIndex();
    o.grayScale = m_gray->isChecked();
    o.paletteIndex = m_palette->currentIndex();
    o.ditherIndex = m_dither->currentIndex();
    o.systemPalette = m_systemPalette->isChecked();
    o.changeSize = m_changeSize->isChecked();
    o.sizeMode = m_resize->isChecked() ? 1 : 0;
    o.width = m_width->text().toStdString();
    o.height = m_height->text().toStdString();
    o.x = m_x->text().toStdString();
    o.y = m_y->text().toStdString();
    o.qualityIndex = m_quality->currentIndex();
    return o;
}

void CImageProcessorDlg::AddFiles() {
    platform::FileRequest request;
    request.caption = QString::fromUtf8(kAddTitle);
    request.folder = QString::fromStdString(Resources().ProgramFolder()) + QStringLiteral("Images");
    request.filter = QString::fromStdString(BatchAddFilter());
    request.defaultExtension = QStringLiteral("*");
    request.multiple = true;
    request.mustExist = true;
    CPreviewDlg dialog(request, this);
    if (dialog.DoModal() != platform::IDOK) return;
    for (const QString& path : dialog.GetPathNames()) {
        const QFileInfo info(path);
        if (m_files.contains(path) || !info.exists() || info.isDir()) continue;
        m_files << path;
        auto* item = new QListWidgetItem(QString::fromStdString(DisplayName(path.toStdString())));
        item->setData(Qt::UserRole, path);
        m_list->addItem(item);
    }
}

void CImageProcessorDlg::RemoveSelected() {
    for (QListWidgetItem* item : m_list->selectedItems()) {
        m_files.removeOne(item->data(Qt::UserRole).toString());
        delete item;
    }
}

void CImageProcessorDlg::Clear() {
    m_list->clear();
    m_files.clear();
}

void CImageProcessorDlg::ChooseOutputFolder() {
    QString folder;
    CFolderDialog dialog(folder, QString::fromUtf8(kFolderTitle), this, QStringLiteral("c:\\"));
    if (dialog.DoModal() == platform::IDOK) m_folder->setText(folder);
}

void CImageProcessorDlg::Show(const QString& text, int icon) {
    platform::Platform().prompt->MessageBox(this, text, QStringLiteral("Tessaly"),
                                            platform::Buttons::Ok,
                                            static_cast<platform::Icon>(icon));
}

void CImageProcessorDlg::Process() {
    if (IsRunning()) return;
    BatchRun run;
    run.options = Options();
    if (run.options.outputFolder.empty() && !run.options.sameLocation) {
        Show(QString::fromUtf8(kNoOutputFolderText), static_cast<int>(platform::Icon::Warning));
        return;
    }
    for (const QString& f : m_files) run.files.push_back(f.toStdString());
    m_waitCursor = std::make_unique<platform::CWaitCursor>();
    m_total = static_cast<int>(run.files.size());
    m_done = 0;
    m_finished = false;
    m_cancel = false;
    m_progress->setRange(0, std::max(1, m_total));
    m_progress->setValue(0);
    m_progress->show();
    m_controls->setEnabled(false);
    m_ok->setEnabled(false);
    run.cancel = &m_cancel;
    m_thread = QThread::create([this, run = std::move(run)] {
        m_summary = RunBatch(run, [this](const BatchFileResult& r) {
            QMetaObject::invokeMethod(this, [this, r] { OnResult(r); }, Qt::QueuedConnection);
        });
    });
    connect(m_thread, &QThread::finished, this, [this] {
        m_finished = true;
        if (!m_draining) FinishRun();
    });
    m_thread->start();
}

void CImageProcessorDlg::OnResult(const BatchFileResult& result) {
    m_pending.push_back(result);
    Drain();
}

// Shows the results' messages in list order; a message box's own event loop may deliver more
// results, which wait in the queue instead of opening boxes on top of it.
void CImageProcessorDlg::Drain() {
    if (m_draining) return;
    m_draining = true;
    while (!m_pending.empty()) {
        const BatchFileResult r = std::move(m_pending.front());
        m_pending.pop_front();
        for (const std::string& text : r.messages)
            Show(QString::fromStdString(text), static_cast<int>(platform::Icon::Error));
        m_progress->setValue(++m_done);
    }
    m_draining = false;
    if (m_finished) FinishRun();
}

void CImageProcessorDlg::FinishRun() {
    if (!m_thread || !m_pending.empty()) return;
    m_thread->wait();
    delete m_thread;
    m_thread = nullptr;
    m_progress->hide();
    m_progress->setValue(0);
    m_waitCursor.reset();
    m_controls->setEnabled(true);
    m_ok->setEnabled(true);
    if (m_summary.cancelled)
        Show(QString::fromUtf8(kCancelledFormat).arg(m_summary.processed).arg(m_total),
             static_cast<int>(platform::Icon::Information));
    emit runFinished();
}

void CImageProcessorDlg::reject() {
    if (IsRunning()) {
        m_cancel = true;
        return;
    }
    QDialog::reject();
}

} // namespace tsl
