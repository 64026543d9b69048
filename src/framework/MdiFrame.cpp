#include "framework/MdiFrame.h"

#include "framework/ChildFrame.h"
#include "framework/Document.h"
#include "framework/Ids.h"

#include <QAction>
#include <QFileInfo>
#include <QLabel>
#include <QMdiArea>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
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
    connect(action, &QAction::triggered, this, [this, id] { ExecuteCommand(id); });
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
    for (const Accelerator& a : accelerators) keys[a.id].append(QKeySequence(a.key));
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

std::vector<QAction*> CMdiFrame::ActionsFor(int id) const {
    std::vector<QAction*> out;
    auto range = m_actions.equal_range(id);
    for (auto it = range.first; it != range.second; ++it) out.push_back(it->second);
    return out;
}

} // namespace tsl
