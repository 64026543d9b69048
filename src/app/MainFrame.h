#pragma once
// CMainFrame: the program's main window. It creates the main toolbar and the common operations
// bar (customisable toolbars keeping their layouts in the profile sections "Main Toolbar" and
// "Common Operations Bar", their View commands' ids serving as control ids), the paint tool bar
// "Tools" (docked left, dockable on every side, driving the paint control of the active image
// view, refreshed from it on every update pass) and the status bar, switches between the menus
// without and with a document, records where the program is ("Tsl") and the name of its
// hand-off server ("Tslh"), receives paths from other processes and files dropped on it, and
// carries the frame-level commands.

#include "framework/MdiFrame.h"
#include "ui/CustToolBar.h"

#include <QList>
#include <QString>
#include <QUrl>

class QLocalServer;
class QLocalSocket;

namespace tsl {

class CImageBrowser;
class CPntCtrl;
class CPntToolBar;
class CTessalyApp;

class CMainFrame : public CMdiFrame {
    Q_OBJECT
public:
    explicit CMainFrame(CTessalyApp* app);
    ~CMainFrame() override;

    // Creates the bars, the menus, the hand-off server and starts the first-run timer.
    bool Create();
    // Menus, title and command states follow the set of open documents.
    void OnDocumentsChanged();

    static constexpr const char* kMainBarSection = "Main Toolbar";
    static constexpr const char* kCommonBarSection = "Common Operations Bar";
    CCustToolBar* MainBar() const { return m_mainBar; }
    CCustToolBar* CommonBar() const { return m_commonBar; }
    CPntToolBar* PaintBar() const { return m_paintBar; }
    // The image browser, created hidden with the frame; command 32772 shows and hides it.
    CImageBrowser* Browser() const { return m_browser; }
    void ToggleBrowser();
    // The paint control the paint bar drives (the active image view's); null detaches it.
    void SetActivePaintCtrl(CPntCtrl* ctrl);
    CPntCtrl* ActivePaintCtrl() const;
    // The name of the local server that receives paths; empty when not listening.
    QString HandOffServerName() const { return m_serverName; }
    // Handles one hand-off message: the bytes of a path, not necessarily terminated.
    void ReceivePath(const QByteArray& bytes);
    // Files dropped on the window open as documents; other links are ignored.
    void OpenDroppedFiles(const QList<QUrl>& urls);

    static constexpr int kMaxHandOffBytes = 4096;

protected:
    std::vector<CCmdTarget*> CommandChain() override;
    void OpenRecentFile(int index) override;
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void StartHandOffServer();
    void OnHandOffConnection();
    void BringToFront();
    void ArrangeIcons();
    void ToggleBar(QWidget* bar);
    CCustToolBar* CreateToolBar(const ToolBarResource& resource, int controlId,
                                const char* section);

    CTessalyApp* m_app;
    CCustToolBar* m_mainBar = nullptr;
    CCustToolBar* m_commonBar = nullptr;
    CPntToolBar* m_paintBar = nullptr;
    CImageBrowser* m_browser = nullptr;
    QLocalServer* m_server = nullptr;
    QString m_serverName;
};

// The values under the maker's key: "Tsl" (the program's path) and "Tslh" (hand-off server).
QString VendorValue(const QString& name);
void WriteVendorValue(const QString& name, const QString& value);

} // namespace tsl
