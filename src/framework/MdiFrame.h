#pragma once
// CMdiFrame: the main window of a multiple-document program. It builds menus, accelerators and
// toolbars from resource tables, routes every command through the chain of command targets
// (CommandChain) and keeps menu items and buttons enabled and checked through update handlers,
// evaluated when a menu opens, after each command and on an idle timer.
//
// Keys: an accelerator is translated before the menu bar's mnemonics, so Alt+letter reaches its
// command even where a menu title has the same mnemonic, and keypad accelerators (which Qt's
// shortcut map cannot tell from the main keyboard's keys) are matched with their keypad flag.
// F10 opens the first menu, so every menu stays reachable from the keyboard.
//
// Dialogs: every dialog shown while the frame lives is at least as wide as its caption needs
// in a window manager's title bar (CaptionWidth), so no title is cut short.
//
// Child windows: a new one is placed one cascade step below and right of the active one (back
// at the top-left corner when that would leave too little of the client area); Cascade lines
// them all up so, keeping their sizes, and tells each view (CView::OnFrameArranged).

#include "framework/CmdTarget.h"
#include "framework/RecentFileList.h"
#include "framework/Resource.h"

#include <QIcon>
#include <QMainWindow>

#include <functional>
#include <map>
#include <vector>

class QAction;
class QLabel;
class QMdiArea;
class QMenu;
class QTimer;
class QToolBar;

namespace tsl {

class CChildFrame;

class CMdiFrame : public QMainWindow, public CCmdTarget {
    Q_OBJECT
public:
    explicit CMdiFrame(QWidget* parent = nullptr);
    ~CMdiFrame() override;

    QMdiArea* MdiArea() const { return m_area; }
    CChildFrame* ActiveChild() const;

    // Offers id to the command chain; false when nothing handles it or it is disabled.
    bool ExecuteCommand(int id);
    // The enabled and checked state the chain gives id now.
    CCmdUI CommandState(int id) const;
    // Applies update handlers to every menu item, button and accelerator.
    void UpdateCommandUI();

    void LoadStringTable(const std::vector<StringEntry>& strings);
    QString StringPrompt(int id) const; // the status-bar prompt of id
    void LoadMenus(const std::vector<MenuResource>& menus);
    void SetMenuResource(int id);
    int CurrentMenuResource() const { return m_currentMenu; }
    // The top-level popups of a menu resource, in order.
    std::vector<QMenu*> Menus(int id) const;
    void LoadAccelerators(const std::vector<Accelerator>& accelerators);
    // Fills bar with the resource's buttons and docks it at the top; without a bar (one of a
    // toolbar class of the caller's) a plain toolbar is made.
    QToolBar* LoadToolBar(const ToolBarResource& toolbar, const std::function<QIcon(int)>& icons,
                          QToolBar* bar = nullptr);

    // Status bar: pane 0 is the message pane; panes 1.. are sized to fit their size texts.
    void CreateStatusBar(const std::vector<std::pair<int, QString>>& panes);
    void SetPaneText(int index, const QString& text);
    QString PaneText(int index) const;
    QLabel* Pane(int index) const;

    CRecentFileList& RecentFiles() { return m_recent; }
    // Every action that carries command id (menu items, buttons, accelerators).
    std::vector<QAction*> ActionsFor(int id) const;
    // The command of an accelerator that is matched ahead of Qt's shortcuts (Alt+letter and
    // keypad keys); 0 for any other key.
    int ClaimedAccelerator(QKeyCombination key) const;

    // The width a top-level window needs to show its whole caption: the title in a bold
    // default font beside an icon and three title-bar buttons.
    static int CaptionWidth(const QWidget& window);

    // The offset between cascaded child windows: a title bar and a frame border.
    int CascadeStep() const;
    // Where a new child window goes.
    QPoint NextChildPosition() const;
    // Cascades the child windows in their stacking order, the active one last and on top.
    void CascadeChildren();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    // The targets a command is offered to, first to last.
    virtual std::vector<CCmdTarget*> CommandChain();
    // Called when a recent-file item is chosen.
    virtual void OpenRecentFile(int index) { (void)index; }

private:
    QAction* AddCommandAction(QObject* owner, int id, const QString& text);
    QSize ClientSize() const; // the MDI area's viewport
    void FillRecentFiles(QMenu* menu, QAction* placeholder);
    void FillWindowList(QMenu* menu, QAction* placeholder);
    void UpdateMenu(QMenu* menu);
    void Apply(int id, const CCmdUI& ui);

    QMdiArea* m_area;
    QTimer* m_idleTimer;
    CCommandRouter m_router;
    std::multimap<int, QAction*> m_actions;
    std::map<int, int> m_claimedKeys; // combined key -> command id
    std::map<int, QString> m_strings;
    std::map<int, std::vector<QMenu*>> m_menus;
    std::vector<QLabel*> m_panes;
    int m_currentMenu = 0;
    CRecentFileList m_recent{4};
    std::vector<QAction*> m_dynamic; // recent-file and window-list items of open menus
};

} // namespace tsl
