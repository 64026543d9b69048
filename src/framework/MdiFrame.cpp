#include "framework/MdiFrame.h"

#include "framework/ChildFrame.h"
#include "framework/CommandTrigger.h"
#include "framework/Document.h"
#include "framework/Ids.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QStyle>
#include <QTimer>
#include <QToolBar>

#include <set>

namespace tsl {
namespace {
constexpr const char* kIdProperty = "tslCommandId";
constexpr int kIdleMs = 250;
} // namespace

CMdiFrame::CMdiFrame(QWidget* parent)
    : QMainWindow(parent), m_area(new QMdiArea(this)), m_idleTimer(new QTimer(this)),
      m_router([this] { return CommandChain(); }) {
    setCentralWidget(m_area);
    m_area->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_area->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_idleTimer->setInterval(kIdleMs);
    connect(m_idleTimer, &QTimer::timeout, this, &CMdiFrame::UpdateCommandUI);
    m_idleTimer->start();
    connect(m_area, &QMdiArea::subWindowActivated, this, [this](QMdiSubWindow* window) {
        if (auto* child = qobject_cast<CChildFrame*>(window); child && child->View())
            child->View()->OnActivateView(true);
        UpdateCommandUI();
    });
    const int lastRecent = ID_FILE_MRU_FILE1 + m_recent.Size() - 1;
    OnCommandRange(ID_FILE_MRU_FILE1, lastRecent,
                   [this](int id) { OpenRecentFile(id - ID_FILE_MRU_FILE1); });
    OnUpdateRange(ID_FILE_MRU_FILE1, lastRecent, [this](CCmdUI& ui) {
        ui.Enable(ui.Id() - ID_FILE_MRU_FILE1 < m_recent.Files().size());
    });
    auto* menuKey = new QAction(this);
    menuKey->setShortcut(QKeySequence(Qt::Key_F10));
    menuKey->setShortcutContext(Qt::WindowShortcut);
    connect(menuKey, &QAction::triggered, this, [this] {
        const QList<QAction*> menus = menuBar()->actions();
        if (!menus.isEmpty()) menuBar()->setActiveAction(menus.first());
    });
    addAction(menuKey);
    qApp->installEventFilter(this);
    CCommandTrigger::Track();
}

CMdiFrame::~CMdiFrame() = default;

CChildFrame* CMdiFrame::ActiveChild() const {
    return qobject_cast<CChildFrame*>(m_area->activeSubWindow());
}

std::vector<CCmdTarget*> CMdiFrame::CommandChain() {
    std::vector<CCmdTarget*> chain;
    if (CChildFrame* child = ActiveChild()) {
        if (CView* view = child->View()) {
            chain.push_back(view->CommandPrelude());
            chain.push_back(view);
            chain.push_back(view->GetDocument());
        }
        chain.push_back(child);
    }
    chain.push_back(this);
    return chain;
}

bool CMdiFrame::ExecuteCommand(int id) {
    if (!m_router.Evaluate(id).IsEnabled()) return false;
    bool handled = m_router.Execute(id);
    UpdateCommandUI();
    return handled;
}

CCmdUI CMdiFrame::CommandState(int id) const { return m_router.Evaluate(id); }

void CMdiFrame::Apply(int id, const CCmdUI& ui) {
    auto range = m_actions.equal_range(id);
    for (auto it = range.first; it != range.second; ++it) {
        QAction* action = it->second;
        action->setEnabled(ui.IsEnabled());
        if (ui.IsChecked() != action->isChecked()) {
            action->setCheckable(true);
            action->setChecked(ui.IsChecked());
        }
        if (!ui.Text().isEmpty()) action->setText(ui.Text());
    }
}

void CMdiFrame::UpdateCommandUI() {
    std::set<int> done;
    for (const auto& [id, action] : m_actions) {
        if (!done.insert(id).second) continue;
        Apply(id, m_router.Evaluate(id));
    }
}

void CMdiFrame::UpdateMenu(QMenu* menu) {
    for (QAction* action : menu->actions()) {
        QVariant id = action->property(kIdProperty);
        if (id.isValid()) Apply(id.toInt(), m_router.Evaluate(id.toInt()));
    }
}

void CMdiFrame::LoadStringTable(const std::vector<StringEntry>& strings) {
    for (const StringEntry& s : strings) m_strings[s.id] = QString::fromUtf8(s.text);
}

QString CMdiFrame::StringPrompt(int id) const {
    auto it = m_strings.find(id);
    return it == m_strings.end() ? QString() : it->second.section(QLatin1Char('\n'), 0, 0);
}

QAction* CMdiFrame::AddCommandAction(QObject* owner, int id, const QString& text) {
    auto* action = new QAction(text, owner);
    action->setProperty(kIdProperty, id);
    auto it = m_strings.find(id);
    if (it != m_strings.end()) {
        action->setStatusTip(it->second.section(QLatin1Char('\n'), 0, 0));
        QString tip = it->second.section(QLatin1Char('\n'), 1, 1);
        if (!tip.isEmpty()) action->setToolTip(tip);
    }
    connect(action, &QAction::triggered, this, [this, id] {
        const CCommandTrigger::Scope trigger(CCommandTrigger::LastInput());
        ExecuteCommand(id);
    });
    m_actions.emplace(id, action);
    return action;
}

void CMdiFrame::LoadMenus(const std::vector<MenuResource>& menus) {
    for (const MenuResource& resource : menus) {
        std::vector<QMenu*> top;
        std::vector<QMenu*> stack;
        for (const MenuEntry& e : resource.entries) {
            stack.resize(static_cast<std::size_t>(e.depth));
            QMenu* parentMenu = stack.empty() ? nullptr : stack.back();
            const QString text = QString::fromUtf8(e.text ? e.text : "");
            switch (e.kind) {
            case MenuEntry::Popup: {
                auto* menu = new QMenu(text, this);
                connect(menu, &QMenu::aboutToShow, this, [this, menu] { UpdateMenu(menu); });
                if (parentMenu)
                    parentMenu->addMenu(menu);
                else
                    top.push_back(menu);
                stack.push_back(menu);
                break;
            }
            case MenuEntry::Item:
                if (parentMenu) parentMenu->addAction(AddCommandAction(parentMenu, e.id, text));
                break;
            case MenuEntry::Separator:
                if (parentMenu) parentMenu->addSeparator();
                break;
            case MenuEntry::RecentFiles:
            case MenuEntry::WindowList: {
                if (!parentMenu) break;
                QAction* placeholder = parentMenu->addSeparator();
                placeholder->setVisible(false);
                const bool recent = e.kind == MenuEntry::RecentFiles;
                connect(parentMenu, &QMenu::aboutToShow, this, [this, parentMenu, placeholder, recent] {
                    if (recent)
                        FillRecentFiles(parentMenu, placeholder);
                    else
                        FillWindowList(parentMenu, placeholder);
                });
                break;
            }
            }
        }
        m_menus[resource.id] = top;
    }
}

std::vector<QMenu*> CMdiFrame::Menus(int id) const {
    auto it = m_menus.find(id);
    return it == m_menus.end() ? std::vector<QMenu*>() : it->second;
}

void CMdiFrame::SetMenuResource(int id) {
    if (id == m_currentMenu) return;
    m_currentMenu = id;
    menuBar()->clear();
    for (QMenu* menu : Menus(id)) menuBar()->addMenu(menu);
}

void CMdiFrame::FillRecentFiles(QMenu* menu, QAction* placeholder) {
    for (QAction* action : menu->actions())
        if (action->property("tslRecent").toBool()) {
            auto it = std::find_if(m_actions.begin(), m_actions.end(),
                                   [action](const auto& p) { return p.second == action; });
            if (it != m_actions.end()) m_actions.erase(it);
            menu->removeAction(action);
            action->deleteLater();
        }
    const QStringList& files = m_recent.Files();
    QList<QAction*> items;
    if (files.isEmpty()) {
        auto* none = new QAction(QStringLiteral("Recent File"), menu);
        none->setEnabled(false);
        none->setProperty("tslRecent", true);
        items << none;
    }
    for (int i = 0; i < files.size(); ++i) {
        QString text = QStringLiteral("&%1 %2").arg(i + 1).arg(files[i]);
        QAction* action = AddCommandAction(menu, ID_FILE_MRU_FILE1 + i, text);
        action->setProperty("tslRecent", true);
        items << action;
    }
    QAction* separator = new QAction(menu);
    separator->setSeparator(true);
    separator->setProperty("tslRecent", true);
    items << separator;
    menu->insertActions(placeholder, items);
    UpdateMenu(menu);
}

void CMdiFrame::FillWindowList(QMenu* menu, QAction* placeholder) {
    for (QAction* action : menu->actions())
        if (action->property("tslWindow").toBool()) {
            menu->removeAction(action);
            action->deleteLater();
        }
    const QList<QMdiSubWindow*> windows = m_area->subWindowList();
    QList<QAction*> items;
    if (!windows.isEmpty()) {
        QAction* separator = new QAction(menu);
        separator->setSeparator(true);
        separator->setProperty("tslWindow", true);
        items << separator;
    }
    for (int i = 0; i < windows.size(); ++i) {
        QMdiSubWindow* window = windows[i];
        auto* action = new QAction(QStringLiteral("&%1 %2").arg(i + 1).arg(window->windowTitle()), menu);
        action->setProperty("tslWindow", true);
        action->setCheckable(true);
        action->setChecked(window == m_area->activeSubWindow());
        connect(action, &QAction::triggered, this, [this, window] {
            if (m_area->subWindowList().contains(window)) m_area->setActiveSubWindow(window);
        });
        items << action;
    }
    menu->insertActions(placeholder, items);
}

void CMdiFrame::LoadAccelerators(const std::vector<Accelerator>& accelerators) {
    std::map<int, QList<QKeySequence>> keys;
    for (const Accelerator& a : accelerators) {
        keys[a.id].append(QKeySequence(a.key));
        // Alt+letter may also be a menu title's mnemonic, which Qt would find ambiguous; a
        // keypad key never matches a shortcut. Both are translated here first.
        const Qt::KeyboardModifiers mods = a.key.keyboardModifiers();
        const Qt::Key key = a.key.key();
        const bool altLetter = mods == Qt::AltModifier &&
                               ((key >= Qt::Key_A && key <= Qt::Key_Z) ||
                                (key >= Qt::Key_0 && key <= Qt::Key_9));
        if (altLetter || (mods & Qt::KeypadModifier)) m_claimedKeys[a.key.toCombined()] = a.id;
    }
    for (const auto& [id, sequences] : keys) {
        QAction* action = AddCommandAction(this, id, QString());
        action->setShortcuts(sequences);
        action->setShortcutContext(Qt::WindowShortcut);
        addAction(action);
    }
}

QToolBar* CMdiFrame::LoadToolBar(const ToolBarResource& resource,
                                 const std::function<QIcon(int)>& icons, QToolBar* bar) {
    if (!bar) bar = new QToolBar(this);
    bar->setWindowTitle(QString::fromUtf8(resource.title));
    bar->setObjectName(QStringLiteral("ToolBar%1").arg(resource.id));
    bar->setIconSize(QSize(16, 16));
    for (int id : resource.buttons) {
        if (id == ID_SEPARATOR) {
            bar->addSeparator();
            continue;
        }
        QString tip = m_strings.count(id) ? m_strings[id].section(QLatin1Char('\n'), 1, 1) : QString();
        QAction* action = AddCommandAction(bar, id, tip);
        if (icons) action->setIcon(icons(id));
        bar->addAction(action);
    }
    addToolBar(Qt::TopToolBarArea, bar);
    return bar;
}

void CMdiFrame::CreateStatusBar(const std::vector<std::pair<int, QString>>& panes) {
    QStatusBar* bar = statusBar();
    m_panes.clear();
    m_panes.push_back(nullptr); // the message pane is the status bar's own message area
    for (const auto& [id, sizeText] : panes) {
        auto* label = new QLabel(bar);
        label->setObjectName(QStringLiteral("Pane%1").arg(id));
        label->setFrameShape(QFrame::Panel);
        label->setFrameShadow(QFrame::Sunken);
        label->setAlignment(Qt::AlignCenter);
        label->setMinimumWidth(label->fontMetrics().horizontalAdvance(sizeText) + 8);
        bar->addPermanentWidget(label);
        m_panes.push_back(label);
    }
}

QLabel* CMdiFrame::Pane(int index) const {
    return index > 0 && index < static_cast<int>(m_panes.size()) ? m_panes[index] : nullptr;
}

void CMdiFrame::SetPaneText(int index, const QString& text) {
    if (index == 0)
        statusBar()->showMessage(text);
    else if (QLabel* pane = Pane(index))
        pane->setText(text);
}

QString CMdiFrame::PaneText(int index) const {
    if (index == 0) return statusBar()->currentMessage();
    QLabel* pane = Pane(index);
    return pane ? pane->text() : QString();
}

int CMdiFrame::ClaimedAccelerator(QKeyCombination key) const {
    auto it = m_claimedKeys.find(key.toCombined());
    return it == m_claimedKeys.end() ? 0 : it->second;
}

int CMdiFrame::CaptionWidth(const QWidget& window) {
    QFont font = QApplication::font();
    font.setBold(true);
    const QFontMetrics metrics(font);
    // Title bars draw their buttons about a line and a half high, with a little padding.
    const int button = metrics.height() * 3 / 2 + 4;
    return metrics.horizontalAdvance(window.windowTitle()) + 4 * button + 24;
}

bool CMdiFrame::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (type == QEvent::Show) {
        // Shown, but not yet mapped: the window manager gets the wider size.
        if (auto* dialog = qobject_cast<QDialog*>(watched); dialog && dialog->isWindow()) {
            const int needed = CaptionWidth(*dialog);
            if (dialog->width() < needed) {
                dialog->setMinimumWidth(std::min(needed, 2000));
                dialog->resize(needed, dialog->height());
            }
        }
        return false;
    }
    if (type != QEvent::ShortcutOverride && type != QEvent::KeyPress) return false;
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget || widget->window() != this || QApplication::activePopupWidget()) return false;
    auto* key = static_cast<QKeyEvent*>(event);
    const int id = ClaimedAccelerator(key->keyCombination());
    if (id == 0) return false;
    // Taking the override keeps the key from Qt's shortcut map (and the menu bar's
    // mnemonics); the key press that follows runs the command.
    event->accept();
    if (type == QEvent::KeyPress) {
        const CCommandTrigger::Scope trigger(key->modifiers());
        ExecuteCommand(id);
    }
    return true;
}

int CMdiFrame::CascadeStep() const {
    const int title = style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, m_area);
    const int border = style()->pixelMetric(QStyle::PM_MdiSubWindowFrameWidth, nullptr, m_area);
    return std::max(title + border, 8);
}

namespace {
// A cascade position that leaves less than a third of the client area's width or height for the
// window starts again at the top-left corner.
QPoint WrapCascade(QPoint p, QSize area) {
    if (p.x() > area.width() * 2 / 3 || p.y() > area.height() * 2 / 3) return {0, 0};
    return p;
}
} // namespace

QPoint CMdiFrame::NextChildPosition() const {
    QMdiSubWindow* active = m_area->activeSubWindow();
    if (!active) {
        const QList<QMdiSubWindow*> windows = m_area->subWindowList(QMdiArea::StackingOrder);
        if (!windows.isEmpty()) active = windows.back();
    }
    if (!active || active->isMinimized() || active->isMaximized()) return {0, 0};
    const int step = CascadeStep();
    return WrapCascade(active->pos() + QPoint(step, step), ClientSize());
}

QSize CMdiFrame::ClientSize() const {
    // Before the frame is first shown its client area has no layout yet: the frame's own size
    // stands in for it.
    return m_area->isVisible() ? m_area->viewport()->size() : size();
}

void CMdiFrame::CascadeChildren() {
    const int step = CascadeStep();
    QPoint next(0, 0);
    for (QMdiSubWindow* window : m_area->subWindowList(QMdiArea::StackingOrder)) {
        if (window->isMinimized()) continue;
        if (window->isMaximized()) window->showNormal();
        window->move(next);
        window->raise();
        if (auto* child = qobject_cast<CChildFrame*>(window); child && child->View())
            child->View()->OnFrameArranged();
        next = WrapCascade(next + QPoint(step, step), ClientSize());
    }
}

std::vector<QAction*> CMdiFrame::ActionsFor(int id) const {
    std::vector<QAction*> out;
    auto range = m_actions.equal_range(id);
    for (auto it = range.first; it != range.second; ++it) out.push_back(it->second);
    return out;
}

} // namespace tsl
