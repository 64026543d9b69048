// The slide-show editor's window: its controls, their layout and the data exchange. The
// handlers are in SlideShowDlgOps.cpp.

#include "slideshow/SlideShowDlg.h"

#include "platform/Platform.h"
#include "ui/BmpBtn.h"
#include "ui/DialogControls.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <limits>

namespace tsl {
namespace {

CBmpBtn* MoveButton(int id, const char* bitmap, QWidget* parent) {
    auto* button = new CBmpBtn(QStringLiteral("U:<%1~").arg(QLatin1String(bitmap)), id, parent);
    button->setObjectName(QStringLiteral("Control%1").arg(id));
    button->setFixedSize(32, 28);
    return button;
}

QGroupBox* Group(const char* caption, QWidget* parent) {
    return new QGroupBox(QString::fromUtf8(caption), parent);
}

} // namespace

CSlideShowDlg::CSlideShowDlg(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("Dialog%1").arg(kTemplateId));
    setWindowTitle(QString::fromUtf8(kTitle));
    Build();
    Connect();
    UpdateData(false);
    RefreshSoundControls(false);
}

CSlideShowDlg::~CSlideShowDlg() = default;

void CSlideShowDlg::Build() {
    m_list = MakeControl<QListWidget>(IDC_IMAGES, this);
    m_list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_list->setMinimumSize(260, 220);
    m_preview = new CBmpBtn(QString::fromLatin1(kPreviewCaption), IDC_PREVIEW, this);
    m_preview->setObjectName(QStringLiteral("Control%1").arg(IDC_PREVIEW));
    m_preview->setFixedSize(160, 120);
    m_preview->setToolTip(QStringLiteral("Open for editing"));

    auto* add = MakeControl<QPushButton>(IDC_ADD, this, "&Add...");
    auto* remove = MakeControl<QPushButton>(IDC_REMOVE, this, "&Remove");
    auto* clear = MakeControl<QPushButton>(IDC_CLEAR, this, "&Clear");
    auto* first = MoveButton(IDC_MOVE_FIRST, "FIRST", this);
    auto* up = MoveButton(IDC_MOVE_UP, "UP", this);
    auto* down = MoveButton(IDC_MOVE_DOWN, "DOWN", this);
    auto* last = MoveButton(IDC_MOVE_LAST, "LAST", this);
    m_playButton = MakeControl<QPushButton>(IDC_PLAY, this, "&Play");
    m_playButton->setDefault(true);
    m_playButton->setAutoDefault(true);

    m_loop = MakeControl<QCheckBox>(IDC_LOOP, this, "&Loop");
    m_showFileName = MakeControl<QCheckBox>(IDC_SHOW_FILE_NAME, this, "Show image &filename");
    m_transitions = MakeControl<QCheckBox>(IDC_TRANSITIONS, this, "Use transition &effects");
    m_keyboard = MakeControl<QRadioButton>(IDC_KEYBOARD, this, "&Keyboard controlled");
    m_automatic = MakeControl<QRadioButton>(IDC_AUTOMATIC, this, "A&utomatic after");
    auto* modes = new QButtonGroup(this);
    modes->addButton(m_keyboard, 0);
    modes->addButton(m_automatic, 1);
    m_delay = MakeControl<QLineEdit>(IDC_DELAY, this);
    m_delay->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), m_delay));
    m_delay->setMaximumWidth(80);

    m_useSound = MakeControl<QCheckBox>(IDC_USE_SOUND, this, "&Use sound");
    m_soundFile = MakeControl<QLineEdit>(IDC_SOUND_FILE, this);
    m_chooseSound = MakeControl<QPushButton>(IDC_CHOOSE_SOUND, this, "...");
    m_chooseSound->setAutoDefault(false);
    m_chooseSound->setMaximumWidth(32);
    m_soundLoop = MakeControl<QCheckBox>(IDC_SOUND_LOOP, this, "L&oop");

    // The media control: what it holds, and play and stop for a preview of the sound.
    m_mediaControl = new QWidget(this);
    m_mediaControl->setObjectName(QStringLiteral("Control%1").arg(IDC_MEDIA));
    auto* mediaPlay = new QToolButton(m_mediaControl);
    mediaPlay->setObjectName(QStringLiteral("MediaPlay"));
    mediaPlay->setArrowType(Qt::RightArrow);
    mediaPlay->setToolTip(QStringLiteral("Play"));
    auto* mediaStop = new QToolButton(m_mediaControl);
    mediaStop->setObjectName(QStringLiteral("MediaStop"));
    mediaStop->setText(QStringLiteral("\u25A0"));
    mediaStop->setToolTip(QStringLiteral("Stop"));
    m_mediaName = new QLabel(m_mediaControl);
    m_mediaName->setObjectName(QStringLiteral("MediaName"));
    m_mediaName->setMinimumWidth(120);
    m_mediaName->setFrameShape(QFrame::StyledPanel);
    auto* mediaRow = new QHBoxLayout(m_mediaControl);
    mediaRow->setContentsMargins(0, 0, 0, 0);
    mediaRow->addWidget(mediaPlay);
    mediaRow->addWidget(mediaStop);
    mediaRow->addWidget(m_mediaName, 1);
    connect(mediaPlay, &QToolButton::clicked, this, [this] {
        m_media.SetFileName(m_media.GetFileName()); // from the start
    });
    connect(mediaStop, &QToolButton::clicked, this, [this] { m_media.Stop(); });

    auto* save = MakeControl<QPushButton>(IDC_SAVE, this, "&Save");
    auto* open = MakeControl<QPushButton>(IDC_OPEN, this, "&Open");
    auto* exportButton =
        MakeControl<QPushButton>(IDC_EXPORT, this, "Create stand-alone slide show...");
    auto* close = MakeControl<QPushButton>(IDC_CLOSE, this, "Close");
    for (QPushButton* b : {add, remove, clear, save, open, exportButton, close})
        b->setAutoDefault(false);

    // Layout: the list with its preview on the left, the option groups on the right.
    auto* files = Group(" Slide show files (double-click to open for editing) ", this);
    auto* fileRows = new QHBoxLayout(files);
    fileRows->addWidget(m_list, 1);
    fileRows->addWidget(m_preview, 0, Qt::AlignTop);

    auto* fileButtons = Group(" Files ", this);
    auto* fileButtonRow = new QHBoxLayout(fileButtons);
    fileButtonRow->addWidget(add);
    fileButtonRow->addWidget(remove);
    fileButtonRow->addWidget(clear);

    auto* move = Group(" Move ", this);
    auto* moveRow = new QHBoxLayout(move);
    for (CBmpBtn* b : {first, up, down, last})
        moveRow->addWidget(b);

    auto* playback = Group(" Slideshow playback ", this);
    auto* playbackRow = new QHBoxLayout(playback);
    playbackRow->addWidget(m_playButton);

    auto* options = Group(" Slideshow options ", this);
    auto* optionRows = new QGridLayout(options);
    optionRows->addWidget(m_loop, 0, 0, 1, 3);
    optionRows->addWidget(m_showFileName, 1, 0, 1, 3);
    optionRows->addWidget(m_transitions, 2, 0, 1, 3);
    optionRows->addWidget(m_keyboard, 3, 0, 1, 3);
    optionRows->addWidget(m_automatic, 4, 0);
    optionRows->addWidget(m_delay, 4, 1);
    optionRows->addWidget(new QLabel(QStringLiteral("ms"), this), 4, 2);

    auto* sound = Group(" Sound ", this);
    auto* soundRows = new QGridLayout(sound);
    soundRows->addWidget(m_useSound, 0, 0, 1, 2);
    soundRows->addWidget(m_soundFile, 1, 0);
    soundRows->addWidget(m_chooseSound, 1, 1);
    soundRows->addWidget(m_soundLoop, 2, 0, 1, 2);
    soundRows->addWidget(m_mediaControl, 3, 0, 1, 2);

    auto* left = new QVBoxLayout;
    left->addWidget(files, 1);
    auto* underList = new QHBoxLayout;
    underList->addWidget(fileButtons);
    underList->addWidget(move);
    underList->addWidget(playback);
    left->addLayout(underList);
    auto* right = new QVBoxLayout;
    right->addWidget(options);
    right->addWidget(sound);
    right->addStretch();
    auto* columns = new QHBoxLayout;
    columns->addLayout(left, 1);
    columns->addLayout(right);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(save);
    buttons->addWidget(open);
    buttons->addWidget(exportButton);
    buttons->addStretch();
    buttons->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(columns, 1);
    layout->addLayout(buttons);

    m_soundFile->setEnabled(false);
    m_chooseSound->setEnabled(false);
    m_soundLoop->setEnabled(false);
    m_delay->setEnabled(false);
}

void CSlideShowDlg::Connect() {
    auto clicked = [this](int id, void (CSlideShowDlg::*handler)()) {
        auto* button = Control<QAbstractButton>(id);
        connect(button, &QAbstractButton::clicked, this, [this, handler] { (this->*handler)(); });
    };
    clicked(IDC_ADD, &CSlideShowDlg::AddImages);
    clicked(IDC_REMOVE, &CSlideShowDlg::Remove);
    clicked(IDC_CLEAR, &CSlideShowDlg::Clear);
    clicked(IDC_PLAY, &CSlideShowDlg::Play);
    clicked(IDC_CHOOSE_SOUND, &CSlideShowDlg::ChooseSound);
    clicked(IDC_SAVE, &CSlideShowDlg::Save);
    clicked(IDC_OPEN, &CSlideShowDlg::Open);
    clicked(IDC_EXPORT, &CSlideShowDlg::Export);
    clicked(IDC_PREVIEW, &CSlideShowDlg::OpenForEditing);
    for (int id : {IDC_USE_SOUND, IDC_KEYBOARD, IDC_AUTOMATIC})
        connect(Control<QAbstractButton>(id), &QAbstractButton::clicked, this,
                [this] { RefreshSoundControls(true); });
    const std::pair<int, Move> moves[] = {{IDC_MOVE_FIRST, Move::First},
                                          {IDC_MOVE_UP, Move::Up},
                                          {IDC_MOVE_DOWN, Move::Down},
                                          {IDC_MOVE_LAST, Move::Last}};
    for (const auto& [id, where] : moves)
        connect(Control<QAbstractButton>(id), &QAbstractButton::clicked, this,
                [this, w = where] { MoveImage(w); });
    connect(m_soundFile, &QLineEdit::textChanged, this, [this] {
        if (!m_exchanging) SoundTextChanged();
    });
    connect(m_list, &QListWidget::currentRowChanged, this, [this] { RefreshPreview(); });
    connect(m_list, &QListWidget::itemSelectionChanged, this, [this] { RefreshPreview(); });
    connect(m_list, &QListWidget::itemDoubleClicked, this, [this] { OpenForEditing(); });
    connect(Control<QPushButton>(IDC_CLOSE), &QPushButton::clicked, this, &QDialog::reject);
}

bool CSlideShowDlg::RefuseDelay() {
    platform::Platform().prompt->MessageBox(this, QString::fromLatin1(kNotIntegerText),
                                            QStringLiteral("Tessaly"), platform::Buttons::Ok,
                                            platform::Icon::Warning);
    m_delay->setFocus();
    m_delay->selectAll();
    return false;
}

bool CSlideShowDlg::UpdateData(bool saveAndValidate) {
    if (saveAndValidate) {
        // The delay first: a refusal leaves the whole model as it was.
        bool ok = false;
        const qlonglong delay = m_delay->text().trimmed().toLongLong(&ok);
        if (!ok || delay > std::numeric_limits<int>::max() ||
            delay < std::numeric_limits<int>::min())
            return RefuseDelay();
        m_model.delay = static_cast<int>(delay);
        m_model.loop = m_loop->isChecked() ? 1 : 0;
        m_model.showFileName = m_showFileName->isChecked() ? 1 : 0;
        m_model.useTransitions = m_transitions->isChecked() ? 1 : 0;
        m_model.useSound = m_useSound->isChecked() ? 1 : 0;
        m_model.soundLoop = m_soundLoop->isChecked() ? 1 : 0;
        m_model.soundFile = m_soundFile->text();
        m_model.advanceMode = m_automatic->isChecked() ? 1 : 0;
        return true;
    }
    m_exchanging = true;
    m_loop->setChecked(m_model.loop == 1);
    m_showFileName->setChecked(m_model.showFileName == 1);
    m_transitions->setChecked(m_model.useTransitions == 1);
    m_useSound->setChecked(m_model.useSound == 1);
    m_soundLoop->setChecked(m_model.soundLoop == 1);
    m_soundFile->setText(m_model.soundFile);
    m_delay->setText(QString::number(m_model.delay));
    (m_model.advanceMode == 1 ? m_automatic : m_keyboard)->setChecked(true);
    // The list shows one display name per entry; the selection is kept where it still fits.
    const QStringList names = m_model.DisplayNames();
    bool same = m_list->count() == names.size();
    for (int i = 0; same && i < names.size(); ++i)
        same = m_list->item(i)->text() == names[i];
    if (!same) {
        const int current = m_list->currentRow();
        m_list->clear();
        m_list->addItems(names);
        if (current >= 0 && current < m_list->count()) m_list->setCurrentRow(current);
    }
    m_exchanging = false;
    return true;
}

QString CSlideShowDlg::PreviewCaption() const {
    return m_preview->Caption();
}

QList<int> CSlideShowDlg::SelectedIndices() const {
    QList<int> rows;
    for (const QListWidgetItem* item : m_list->selectedItems())
        rows << m_list->row(item);
    std::sort(rows.begin(), rows.end());
    return rows;
}

void CSlideShowDlg::SelectOnly(int index) {
    m_list->clearSelection();
    if (index < 0 || index >= m_list->count()) return;
    m_list->setCurrentRow(index, QItemSelectionModel::ClearAndSelect);
}

} // namespace tsl
