#include "ui/CustomizeToolBarDlg.h"

#include "ui/CustToolBar.h"

#include <QGridLayout>
#include <QInputEvent>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

namespace tsl {
namespace {

constexpr int kCommandRole = Qt::UserRole;
const QString kSeparatorText = QStringLiteral("Separator");

// The list icon of a separator: an etched vertical line.
QIcon SeparatorIcon(const QPalette& palette) {
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setPen(palette.color(QPalette::Dark));
    p.drawLine(7, 1, 7, 14);
    p.setPen(palette.color(QPalette::Light));
    p.drawLine(8, 1, 8, 14);
    return QIcon(pixmap);
}

QStringList Texts(const QListWidget* list) {
    QStringList texts;
    for (int i = 0; i < list->count(); ++i)
        texts << list->item(i)->text();
    return texts;
}

} // namespace

CCustomizeToolBarDlg::CCustomizeToolBarDlg(CCustToolBar* bar, QWidget* parent)
    : QDialog(parent), m_bar(bar), m_available(new QListWidget(this)),
      m_current(new QListWidget(this)),
      m_insert(new QPushButton(QStringLiteral("&Insert ->"), this)),
      m_remove(new QPushButton(QStringLiteral("<- &Remove"), this)),
      m_up(new QPushButton(QStringLiteral("Move &Up"), this)),
      m_down(new QPushButton(QStringLiteral("Move &Down"), this)),
      m_reset(new QPushButton(QStringLiteral("R&eset"), this)),
      m_help(new QPushButton(QStringLiteral("&Help"), this)),
      m_close(new QPushButton(QStringLiteral("&Close"), this)) {
    setWindowTitle(QStringLiteral("Customize Toolbar"));
    for (QListWidget* list : {m_available, m_current}) {
        list->setIconSize(QSize(16, 16));
        list->setMinimumSize(200, 260);
    }
    auto* grid = new QGridLayout(this);
    auto* availableLabel = new QLabel(QStringLiteral("A&vailable toolbar buttons:"), this);
    availableLabel->setBuddy(m_available);
    auto* currentLabel = new QLabel(QStringLiteral("&Toolbar buttons:"), this);
    currentLabel->setBuddy(m_current);
    grid->addWidget(availableLabel, 0, 0);
    grid->addWidget(currentLabel, 0, 2);
    grid->addWidget(m_available, 1, 0);
    grid->addWidget(m_current, 1, 2);
    auto* middle = new QVBoxLayout;
    middle->addStretch();
    middle->addWidget(m_insert);
    middle->addWidget(m_remove);
    middle->addStretch();
    grid->addLayout(middle, 1, 1);
    auto* side = new QVBoxLayout;
    for (QPushButton* button : {m_close, m_reset, m_help})
        side->addWidget(button);
    side->addSpacing(16);
    side->addWidget(m_up);
    side->addWidget(m_down);
    side->addStretch();
    grid->addLayout(side, 1, 3);
    m_close->setDefault(true);

    connect(m_insert, &QPushButton::clicked, this,
            [this] { Insert(m_available->currentRow(), m_current->currentRow()); });
    connect(m_available, &QListWidget::itemDoubleClicked, this,
            [this] { Insert(m_available->currentRow(), m_current->currentRow()); });
    connect(m_remove, &QPushButton::clicked, this, [this] { Remove(m_current->currentRow()); });
    connect(m_current, &QListWidget::itemDoubleClicked, this,
            [this] { Remove(m_current->currentRow()); });
    connect(m_up, &QPushButton::clicked, this, [this] { MoveUp(m_current->currentRow()); });
    connect(m_down, &QPushButton::clicked, this, [this] { MoveDown(m_current->currentRow()); });
    m_reset->installEventFilter(this);
    connect(m_reset, &QPushButton::clicked, this,
            [this] { Reset(m_resetModifiers.testFlag(Qt::ControlModifier)); });
    connect(m_help, &QPushButton::clicked, this, &CCustomizeToolBarDlg::Help);
    connect(m_close, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_available, &QListWidget::currentRowChanged, this, [this] { UpdateButtons(); });
    connect(m_current, &QListWidget::currentRowChanged, this, [this] { UpdateButtons(); });
    Refresh(0);
}

CCustomizeToolBarDlg::~CCustomizeToolBarDlg() = default;

QStringList CCustomizeToolBarDlg::AvailableTexts() const {
    return Texts(m_available);
}
QStringList CCustomizeToolBarDlg::CurrentTexts() const {
    return Texts(m_current);
}

void CCustomizeToolBarDlg::Refresh(int selectCurrent) {
    const ToolBarLayout layout = m_bar->CurrentLayout();
    auto item = [this](QListWidget* list, int command) {
        auto* entry = new QListWidgetItem(list);
        entry->setData(kCommandRole, command);
        if (command == 0) {
            entry->setText(kSeparatorText);
            entry->setIcon(SeparatorIcon(palette()));
            return;
        }
        entry->setText(m_bar->ButtonText(command));
        if (const QAction* action = m_bar->ButtonAction(command)) entry->setIcon(action->icon());
    };
    const int availableRow = std::max(0, m_available->currentRow());
    m_available->clear();
    m_current->clear();
    item(m_available, 0);
    for (const ToolBarButton& b : m_bar->AvailableButtons()) {
        const bool onBar = std::any_of(layout.begin(), layout.end(), [&](const ToolBarButton& e) {
            return !e.IsSeparator() && e.command == b.command;
        });
        if (!onBar) item(m_available, b.command);
    }
    for (const ToolBarButton& b : layout)
        item(m_current, b.IsSeparator() ? 0 : b.command);
    m_available->setCurrentRow(std::min(availableRow, m_available->count() - 1));
    if (m_current->count() > 0)
        m_current->setCurrentRow(std::clamp(selectCurrent, 0, m_current->count() - 1));
    UpdateButtons();
}

void CCustomizeToolBarDlg::UpdateButtons() {
    const int row = m_current->currentRow();
    m_insert->setEnabled(m_available->currentRow() >= 0);
    m_remove->setEnabled(row >= 0);
    m_up->setEnabled(row > 0);
    m_down->setEnabled(row >= 0 && row + 1 < m_current->count());
}

void CCustomizeToolBarDlg::Insert(int availableRow, int currentRow) {
    if (availableRow < 0 || availableRow >= m_available->count()) return;
    const int command = m_available->item(availableRow)->data(kCommandRole).toInt();
    ToolBarButton record;
    if (command == 0) {
        record.style = ToolBarButton::kSeparator;
    } else {
        for (const ToolBarButton& b : m_bar->AvailableButtons())
            if (b.command == command) record = b;
    }
    ToolBarLayout layout = m_bar->CurrentLayout();
    const int at = currentRow < 0 || currentRow > static_cast<int>(layout.size())
                       ? static_cast<int>(layout.size())
                       : currentRow;
    layout.insert(layout.begin() + at, record);
    m_bar->ApplyLayout(layout);
    m_bar->ToolBarChanged();
    Refresh(at);
}

void CCustomizeToolBarDlg::Remove(int currentRow) {
    ToolBarLayout layout = m_bar->CurrentLayout();
    if (currentRow < 0 || currentRow >= static_cast<int>(layout.size())) return;
    layout.erase(layout.begin() + currentRow);
    m_bar->ApplyLayout(layout);
    m_bar->ToolBarChanged();
    Refresh(currentRow);
}

void CCustomizeToolBarDlg::MoveUp(int currentRow) {
    ToolBarLayout layout = m_bar->CurrentLayout();
    if (currentRow <= 0 || currentRow >= static_cast<int>(layout.size())) return;
    std::swap(layout[currentRow - 1], layout[currentRow]);
    m_bar->ApplyLayout(layout);
    m_bar->ToolBarChanged();
    Refresh(currentRow - 1);
}

void CCustomizeToolBarDlg::MoveDown(int currentRow) {
    ToolBarLayout layout = m_bar->CurrentLayout();
    if (currentRow < 0 || currentRow + 1 >= static_cast<int>(layout.size())) return;
    std::swap(layout[currentRow], layout[currentRow + 1]);
    m_bar->ApplyLayout(layout);
    m_bar->ToolBarChanged();
    Refresh(currentRow + 1);
}

void CCustomizeToolBarDlg::Reset(bool control) {
    m_bar->Reset(control);
    Refresh(0);
}

void CCustomizeToolBarDlg::Help() {
    m_bar->ShowHelp();
}

bool CCustomizeToolBarDlg::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_reset) {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
            m_resetModifiers = static_cast<QInputEvent*>(event)->modifiers();
            break;
        default:
            break;
        }
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace tsl
