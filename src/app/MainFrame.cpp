#include "app/MainFrame.h"

#include "app/ResourceTables.h"
#include "app/TessalyApp.h"
#include "browser/ImageBrowser.h"
#include "capture/CaptureCommands.h"
#include "capture/ScanCommands.h"
#include "batch/ImageProcessorDlg.h"
#include "document/PntUtilDoc.h"
#include "document/PntUtilView.h"
#include "framework/ChildFrame.h"
#include "framework/DocTemplate.h"
#include "framework/Document.h"
#include "framework/Ids.h"
#include "imaging/LBase.h"
#include "paint/PntToolBar.h"
#include "platform/Platform.h"
#include "slideshow/QuickSlideShow.h"
#include "slideshow/SlideShowDlg.h"
#include "ui/CustToolBar.h"
#include "ui/IconPainter.h"

#include <QCloseEvent>
#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QMdiArea>
#include <QMenuBar>
#include <QMimeData>
#include <QSettings>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTimer>

#include <memory>

#include <unistd.h>

namespace tsl {
namespace {

QString ConfigFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
}

QSettings VendorSettings() {
    return QSettings(ConfigFolder() + QStringLiteral("/Orvane.ini"), QSettings::IniFormat);
}

// One server per user and configuration folder: the name carries the user id and a digest of
// the folder, so two users or two test runs never meet.
QString ServerNameFor(const QString& configFolder) {
    const QByteArray digest =
        QCryptographicHash::hash(configFolder.toUtf8(), QCryptographicHash::Sha1).toHex().left(12);
    return QStringLiteral("tessaly-%1-%2").arg(::getuid()).arg(QString::fromLatin1(digest));
}

} // namespace

QString VendorValue(const QString& name) { return VendorSettings().value(name).toString(); }

void WriteVendorValue(const QString& name, const QString& value) {
    QSettings settings = VendorSettings();
    settings.setValue(name, value);
    settings.sync();
}

CMainFrame::CMainFrame(CTessalyApp* app) : m_app(app) {
    setObjectName(QStringLiteral("MainFrame"));
    setWindowTitle(QStringLiteral("Tessaly"));
    setWindowIcon(ApplicationIcon());
    setDockOptions(QMainWindow::AnimatedDocks | QMainWindow::AllowTabbedDocks);

    OnCommand(ID_APP_EXIT, [this] { close(); });
    OnCommand(ID_FILE_CLOSE, [this] {
        if (QMdiSubWindow* child = MdiArea()->activeSubWindow()) child->close();
    });
    OnUpdate(ID_FILE_CLOSE, [this](CCmdUI& ui) { ui.Enable(MdiArea()->activeSubWindow()); });
    OnCommand(ID_WINDOW_CASCADE, [this] { CascadeChildren(); });
    OnCommand(ID_WINDOW_TILE_HORZ, [this] { MdiArea()->tileSubWindows(); });
    OnCommand(ID_WINDOW_ARRANGE, [this] { ArrangeIcons(); });
    for (int id : {ID_WINDOW_CASCADE, ID_WINDOW_TILE_HORZ, ID_WINDOW_ARRANGE})
        OnUpdate(id, [this](CCmdUI& ui) { ui.Enable(!MdiArea()->subWindowList().isEmpty()); });
    OnCommand(ID_NEXT_PANE, [this] { MdiArea()->activateNextSubWindow(); });
    OnCommand(ID_PREV_PANE, [this] { MdiArea()->activatePreviousSubWindow(); });
    OnCommand(ID_VIEW_TOOLBAR, [this] { ToggleBar(m_mainBar); });
    OnUpdate(ID_VIEW_TOOLBAR, [this](CCmdUI& ui) { ui.SetCheck(m_mainBar && m_mainBar->isVisibleTo(this)); });
    OnCommand(ID_VIEW_COMMON_BAR, [this] { ToggleBar(m_commonBar); });
    OnUpdate(ID_VIEW_COMMON_BAR,
             [this](CCmdUI& ui) { ui.SetCheck(m_commonBar && m_commonBar->isVisibleTo(this)); });
    OnCommand(ID_VIEW_PAINT_BAR, [this] { ToggleBar(m_paintBar); });
    OnUpdate(ID_VIEW_PAINT_BAR, [this](CCmdUI& ui) {
        // Every update pass (the idle timer, a command, an opening menu) evaluates this item,
        // which the View menu and the End key carry: the paint bar's idle refresh rides on it.
        if (m_paintBar) m_paintBar->RefreshFromControl();
        ui.SetCheck(m_paintBar && m_paintBar->isVisibleTo(this));
    });
    OnCommand(ID_VIEW_STATUS_BAR, [this] { ToggleBar(statusBar()); });
    OnUpdate(ID_VIEW_STATUS_BAR, [this](CCmdUI& ui) { ui.SetCheck(statusBar()->isVisibleTo(this)); });
    OnCommand(ID_RESTORE_FRAME, [this] { BringToFront(); });
    OnCommand(ID_IMAGE_PROCESSOR, [this] {
        // A fresh dialog with its defaults on every use.
        CImageProcessorDlg dialog(this);
        platform::Platform().dialogs->RunModal(dialog);
    });
    OnCommand(ID_SLIDE_SHOW, [this] {
        // A fresh editor on every use: its show lives until Close unless saved.
        CSlideShowDlg editor(this);
        editor.SetOpenDocumentFunction([this](const QString& path) { m_app->OpenDocumentFile(path); });
        platform::Platform().dialogs->RunModal(editor);
    });
    OnCommand(ID_QUICK_SLIDE_SHOW, [this] { RunQuickSlideShow(this, false); });
    OnCommand(ID_QUICK_MULTI_SLIDE_SHOW, [this] { RunQuickSlideShow(this, true); });
    OnCommand(ID_BROWSE, [this] { ToggleBrowser(); });
    OnUpdate(ID_BROWSE, [this](CCmdUI& ui) { ui.SetCheck(m_browser && m_browser->isVisible()); });
}

void CMainFrame::ToggleBrowser() {
    if (!m_browser) return;
    if (m_browser->isVisible()) {
        m_browser->hide();
    } else {
        m_browser->show();
        m_browser->raise();
        m_browser->activateWindow();
    }
}

CMainFrame::~CMainFrame() {
    LBase::UnloadLibraries(kAllLibraries);
    if (m_server) {
        m_server->close();
        if (VendorValue(QStringLiteral("Tslh")) == m_serverName)
            WriteVendorValue(QStringLiteral("Tslh"), QString());
    }
}

bool CMainFrame::Create() {
    LoadStringTable(StringTable());
    m_mainBar = CreateToolBar(MainToolBar(), ID_VIEW_TOOLBAR, kMainBarSection);
    m_commonBar = CreateToolBar(CommonOperationsBar(), ID_VIEW_COMMON_BAR, kCommonBarSection);
    m_paintBar = new CPntToolBar(this); // no control until an image view becomes active
    m_paintBar->SetColourCountSource([](const CPntCtrl& ctrl) {
        // The document's depth: the control holds every image at the screen's 32 bits.
        const auto* view = qobject_cast<const CPntUtilView*>(ctrl.parentWidget());
        const CPntUtilDoc* doc = view ? view->Document() : nullptr;
        if (!doc) return ctrl.Image().ColourCount();
        const int bpp = doc->BitsPerPixel();
        return bpp >= 1 && bpp <= 8 ? 1 << bpp : 0;
    });
    addToolBar(Qt::LeftToolBarArea, m_paintBar);
    CreateStatusBar(StatusPanes());
    statusBar()->showMessage(QStringLiteral("Ready"));
    LoadMenus(MainMenus());
    LoadAccelerators(MainAccelerators());
    RecentFiles().ReadList();
    SetMenuResource(IDR_MAINFRAME);
    connect(MdiArea(), &QMdiArea::subWindowActivated, this, [this] { OnDocumentsChanged(); });

    WriteVendorValue(QStringLiteral("Tsl"),
                     QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath());
    StartHandOffServer();

    m_browser = new CImageBrowser(this); // hidden until the Browse command
    m_browser->SetOpenFunction([this](const QString& path) { m_app->OpenDocumentFile(path); });

    QTimer::singleShot(1, this, [this] { m_app->FirstRunCheck(); });
    resize(1000, 720);
    return true;
}

void CMainFrame::OnDocumentsChanged() {
    const bool anyDocument = !MdiArea()->subWindowList().isEmpty();
    SetMenuResource(anyDocument ? IDR_IMAGE_TYPE : IDR_MAINFRAME);
    CChildFrame* child = ActiveChild();
    CDocument* document = child ? child->Document() : nullptr;
    setWindowTitle(document ? QStringLiteral("Tessaly - %1").arg(document->GetTitle())
                            : QStringLiteral("Tessaly"));
    // Without an image window the readouts belong to no view.
    if (!anyDocument)
        for (int pane = 1; pane <= 3; ++pane) SetPaneText(pane, QString());
    UpdateCommandUI();
}

std::vector<CCmdTarget*> CMainFrame::CommandChain() {
    std::vector<CCmdTarget*> chain = CMdiFrame::CommandChain();
    chain.push_back(m_app);
    chain.push_back(m_app->Capture()); // null until start-up made it
    chain.push_back(m_app->Scan());
    return chain;
}

void CMainFrame::OpenRecentFile(int index) {
    const QStringList& files = RecentFiles().Files();
    if (index < 0 || index >= files.size()) return;
    if (!m_app->OpenDocumentFile(files[index])) RecentFiles().Remove(index);
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    CMultiDocTemplate* documents = m_app->Template();
    if (documents && !documents->SaveAllModified()) {
        event->ignore();
        return;
    }
    if (documents) documents->CloseAllDocuments();
    event->accept();
}

void CMainFrame::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void CMainFrame::dropEvent(QDropEvent* event) {
    OpenDroppedFiles(event->mimeData()->urls());
    event->acceptProposedAction();
}

void CMainFrame::OpenDroppedFiles(const QList<QUrl>& urls) {
    for (const QUrl& url : urls)
        if (url.isLocalFile()) m_app->OpenDocumentFile(url.toLocalFile());
    BringToFront();
}

CCustToolBar* CMainFrame::CreateToolBar(const ToolBarResource& resource, int controlId,
                                        const char* section) {
    auto* bar = new CCustToolBar(QString(), controlId, this);
    LoadToolBar(resource, CommandIcon, bar);
    bar->LoadToolBar();
    bar->LoadState(QString::fromLatin1(section), true);
    return bar;
}

void CMainFrame::SetActivePaintCtrl(CPntCtrl* ctrl) {
    if (m_paintBar) m_paintBar->Attach(ctrl);
}

CPntCtrl* CMainFrame::ActivePaintCtrl() const {
    return m_paintBar ? m_paintBar->Attached() : nullptr;
}

void CMainFrame::ToggleBar(QWidget* bar) {
    if (bar) bar->setVisible(!bar->isVisibleTo(this));
}

void CMainFrame::ArrangeIcons() {
    // Lines the minimised windows up along the bottom of the client area.
    int x = 0;
    const int bottom = MdiArea()->viewport()->height();
    for (QMdiSubWindow* child : MdiArea()->subWindowList()) {
        if (!child->isMinimized()) continue;
        child->move(x, bottom - child->height());
        x += child->width();
    }
}

void CMainFrame::BringToFront() {
    if (isMinimized()) showNormal();
    raise();
    activateWindow();
}

void CMainFrame::StartHandOffServer() {
    const QString name = ServerNameFor(ConfigFolder());
    {
        // A server that answers belongs to a running copy; one that does not is stale.
        QLocalSocket probe;
        probe.connectToServer(name);
        if (probe.waitForConnected(200)) return;
    }
    QLocalServer::removeServer(name);
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_server->listen(name)) {
        delete m_server;
        m_server = nullptr;
        return;
    }
    m_serverName = name;
    WriteVendorValue(QStringLiteral("Tslh"), name);
    connect(m_server, &QLocalServer::newConnection, this, &CMainFrame::OnHandOffConnection);
}

void CMainFrame::OnHandOffConnection() {
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        struct Message {
            QByteArray bytes;
            bool done = false;
        };
        auto message = std::make_shared<Message>();
        auto finish = [this, socket, message] {
            if (message->done) return;
            message->done = true;
            if (message->bytes.size() <= kMaxHandOffBytes) ReceivePath(message->bytes);
            if (socket->state() == QLocalSocket::ConnectedState) {
                socket->write("1");
                socket->flush();
                socket->disconnectFromServer();
            }
            socket->deleteLater();
        };
        // A message ends at a NUL byte or when the sender disconnects; longer than
        // kMaxHandOffBytes it is dropped.
        auto read = [socket, message, finish] {
            if (message->done) return;
            message->bytes.append(socket->readAll());
            if (message->bytes.contains('\0') || message->bytes.size() > kMaxHandOffBytes)
                finish();
        };
        connect(socket, &QLocalSocket::readyRead, this, read);
        connect(socket, &QLocalSocket::disconnected, this, [socket, message, finish] {
            if (!message->done) message->bytes.append(socket->readAll());
            finish();
        });
        if (socket->bytesAvailable() > 0) read();
    }
}

void CMainFrame::ReceivePath(const QByteArray& bytes) {
    QByteArray path = bytes.left(kMaxHandOffBytes);
    const int nul = path.indexOf('\0');
    if (nul >= 0) path.truncate(nul);
    const QString file = QString::fromUtf8(path);
    if (!file.isEmpty() && QFileInfo(file).isFile()) m_app->OpenDocumentFile(file);
    BringToFront();
}

} // namespace tsl
