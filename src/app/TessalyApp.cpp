#include "app/TessalyApp.h"

#include "app/AboutDlg.h"
#include "app/MainFrame.h"
#include "app/ResourceTables.h"
#include "browser/ImageBrowser.h"
#include "capture/CaptureCommands.h"
#include "capture/ScanCommands.h"
#include "codecs/Compressor.h"
#include "core/Extensions.h"
#include "core/SettingsFile.h"
#include "document/HandOff.h"
#include "document/ImageFiles.h"
#include "document/PntUtilDoc.h"
#include "document/PntUtilView.h"
#include "framework/ChildFrame.h"
#include "framework/DocTemplate.h"
#include "framework/Ids.h"
#include "imaging/LBase.h"
#include "platform/FileNames.h"
#include "platform/Platform.h"
#include "slideshow/SlideShowModel.h"
#include "slideshow/SlideShowPlayer.h"
#include "ui/BmpBtnCaption.h"
#include "ui/PreviewDlg.h"
#include "ui/TipDlg.h"

#include <QFileInfo>
#include <QMdiArea>

namespace tsl {

using platform::Platform;

const char* const CTessalyApp::kTemplateString =
    "\nImage\n\nBitmap Files (*.bmp)\n.bmp\nTessaly.Document\n";

CTessalyApp::CTessalyApp(Options options) : m_options(std::move(options)) {
    if (!m_options.programFolder.endsWith(QLatin1Char('/'))) m_options.programFolder += '/';
    OnCommand(ID_FILE_NEW, [this] { OnFileNew(); });
    OnCommand(ID_FILE_OPEN, [this] { OnFileOpen(); });
    OnCommand(ID_FILE_SAVE_ALL, [this] { OnSaveAll(); });
    OnCommand(ID_FILE_CLOSE_ALL, [this] { OnCloseAll(); });
    OnCommand(ID_PASTE_AS_NEW_IMAGE, [this] { OnPasteAsNewImage(); });
    OnUpdate(ID_FILE_SAVE_ALL, [this](CCmdUI& ui) { ui.Enable(m_template && !m_template->Documents().empty()); });
    OnUpdate(ID_PASTE_AS_NEW_IMAGE, [this](CCmdUI& ui) { ui.Enable(CanPasteAsNewImage()); });
    OnCommand(ID_APP_ABOUT, [this] { OnAppAbout(); });
    OnCommand(ID_HELP_TIP_OF_THE_DAY, [this] { OnTipOfTheDay(); });
    OnCommand(ID_HELP_MANUAL, [this] {
        Platform().shell->Open(m_options.programFolder + QStringLiteral("ManualTsl.html"));
    });
    OnCommand(ID_HELP_WEB, [this] { OpenGeneralValue(keys::Product); });
    OnCommand(ID_HELP_DOWNLOAD, [this] { OpenGeneralValue(keys::Download); });
    OnCommand(ID_HELP_NEWSLETTER, [this] { OpenGeneralValue(keys::MailList); });
    OnCommand(ID_HELP_EMAIL, [this] { OpenGeneralValue(keys::Email); });
}

CTessalyApp::~CTessalyApp() {
    CPntUtilView::SetActivationHook({});
    CPntUtilView::SetNewImageHook({});
    SetBmpBtnStringLoader({});
    if (m_frame) m_frame->close();
    m_scan.reset();
    m_capture.reset();
    m_frame.reset();
    m_template.reset();
}

bool CTessalyApp::InitInstance(const QStringList& arguments) {
    // The profile (recent files, Tip of the Day, toolbar states) is the installed profile
    // service; the document template comes first so the frame can route to it.
    m_template = std::make_unique<CMultiDocTemplate>(
        IDR_IMAGE_TYPE, QString::fromLatin1(kTemplateString),
        CMultiDocTemplate::Factories{[] { return new CPntUtilDoc; },
                                     [] { return new CChildFrame; },
                                     [](CDocument*) { return new CPntUtilView; }});

    m_frame = std::make_unique<CMainFrame>(this);
    if (!m_frame->Create()) return false;
    m_template->SetMdiArea(m_frame->MdiArea());
    // Bitmap-button captions name string resources by number (their c directive).
    SetBmpBtnStringLoader([](int id) {
        for (const StringEntry& entry : StringTable())
            if (entry.id == id) return QString::fromUtf8(entry.text);
        return QString();
    });
    // The active view's paint control drives the paint bar.
    CPntUtilView::SetActivationHook([frame = m_frame.get()](CPntCtrl* ctrl) {
        frame->SetActivePaintCtrl(ctrl);
    });
    CPntUtilView::SetNewImageHook([this](const QImage& image) { NewFromHandOff(&image); });
    m_template->onDocumentOpened = [this](CDocument* document) {
        // A Save As renames the document: the main frame's caption follows.
        QObject::connect(document, &CDocument::titleChanged, m_frame.get(),
                         [this] { m_frame->OnDocumentsChanged(); });
        m_frame->OnDocumentsChanged();
    };

    LBase::LoadLibraries(kAllLibraries);
    // Screen capture: its options reset, its commands routed after the application's.
    m_capture = std::make_unique<CCaptureCommands>(
        m_frame.get(), [this](const QImage& image, const QString& title) { return NewFromHandOff(&image, title); });
    // Scanning: device discovery starts here on the scanning thread and never holds up the main
    // window; the TWAIN commands' state follows when it ends.
    m_scan = std::make_unique<CScanCommands>(
        m_frame.get(), [this](const QImage& image, const QString& title) { return NewFromHandOff(&image, title); },
        [this] {
            if (m_frame) m_frame->UpdateCommandUI();
        });
    InstallSettingsCompression(); // the store's compressed mode; the program itself saves plain
    const std::string path = ResolveSettingsPath(m_options.programFolder.toStdString(),
                                                 m_options.userSettingsFolder.toStdString());
    Settings().Load(path);
    Settings().SetPath(path);

    // Every argument that is not an option names a file to open; a plain start opens nothing.
    // "--browse DIR" (or a folder among the arguments) starts with the image browser shown on
    // DIR.
    QString browseFolder;
    bool browse = false;
    for (int i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (argument == QLatin1String("--browse")) {
            browse = true;
            if (i + 1 < arguments.size()) browseFolder = arguments[++i];
            continue;
        }
        if (argument.startsWith(QLatin1String("--browse="))) {
            browse = true;
            browseFolder = argument.mid(9);
            continue;
        }
        if (argument.startsWith(QLatin1Char('-'))) continue;
        if (QFileInfo(argument).isDir()) { // a folder given by the desktop: browse it
            browse = true;
            browseFolder = argument;
            continue;
        }
        OpenDocumentFile(argument);
    }

    m_frame->showNormal();
    m_frame->setAcceptDrops(true);
    if (browse) {
        m_frame->ToggleBrowser();
        if (QFileInfo(browseFolder).isDir()) m_frame->Browser()->SelectFolder(browseFolder);
    }

    if (m_options.showTipAtStartUp && CTipDlg::ShowAtStartUp()) OnTipOfTheDay();
    return true;
}

CDocument* CTessalyApp::OpenDocumentFile(const QString& path) {
    // By the name's own bytes: a name that is not UTF-8 opens too.
    if (path.isEmpty() || !IsRegularFile(path)) return nullptr;
    const QString full = AbsoluteFilePath(path);
    for (CDocument* document : m_template->Documents()) {
        if (document->GetPathName() == full) {
            if (CChildFrame* frame = document->Frame()) m_frame->MdiArea()->setActiveSubWindow(frame);
            return document;
        }
    }
    CDocument* document = m_template->OpenDocumentFile(full);
    if (document) m_frame->RecentFiles().Add(full);
    return document;
}

bool CTessalyApp::NewFromHandOff(const QImage* image, const QString& name) {
    if (!image || image->isNull()) {
        LBase::DisplayError("Error : Create window");
        return false;
    }
    HandOff().image = *image;
    HandOff().name = name.isEmpty() ? QStringLiteral("Bitmap") : name.left(kHandOffNameLength);
    if (HandOff().IsAllocated()) OnFileNew();
    return true;
}

void CTessalyApp::FirstRunCheck() {
    int value = 0;
    if (!Settings().ReadInt(keys::General, keys::FirstTimeUser, value)) {
        Settings().WriteInt(keys::General, keys::FirstTimeUser, 1);
        Settings().Save();
        Platform().shell->Open(m_options.programFolder + QStringLiteral("WelcomeTsl.htm"));
        OpenDocumentFile(m_options.programFolder + QStringLiteral("WelcomeTsl.gif"));
    }
    for (int pane = 1; pane <= 3; ++pane) m_frame->SetPaneText(pane, QString());
    // Files opened from the command line came first: the active one shows its readouts again.
    if (CChildFrame* child = m_frame->ActiveChild(); child && child->View())
        child->View()->OnActivateView(true);
}

void CTessalyApp::OnFileNew() {
    m_template->OpenDocumentFile(QString());
}

void CTessalyApp::OnFileOpen() {
    platform::FileRequest request;
    request.filter = QString::fromStdString(ImageFilesFilter() + PerFormatFilter() +
                                            AllFilesFilter());
    request.defaultExtension = QStringLiteral("bmp");
    request.multiple = true;
    request.mustExist = true;
    request.folder = QString::fromStdString(Settings().ReadFolder(keys::OpenSave));
    CPreviewDlg2 dialog(request, &LoadPreviewImage, m_frame.get());
    if (dialog.DoModal() != platform::IDOK) return;
    const QStringList files = dialog.GetPathNames();
    if (files.isEmpty()) return;
    Settings().WriteFolder(keys::OpenSave, QFileInfo(files.first()).absolutePath().toStdString());
    for (const QString& file : files) OpenDocumentFile(file);
}

void CTessalyApp::OnAppAbout() {
    CAboutDlg about(m_frame.get());
    Platform().dialogs->RunModal(about);
}

void CTessalyApp::OnTipOfTheDay() {
    CTipDlg tip(m_frame.get());
    Platform().dialogs->RunModal(tip);
}

void CTessalyApp::OpenGeneralValue(const char* key) {
    const QString target = QString::fromStdString(Settings().ReadGeneral(key));
    if (!target.isEmpty()) Platform().shell->Open(target);
}

int CTessalyApp::PlayShowFile(const QString& path) {
    CSlideShowModel model;
    if (const QString error = ReadShowFile(model, path); !error.isEmpty()) {
        ReportShowFileError(error);
        return 1;
    }
    LBase::LoadLibraries(kAllLibraries);
    CSlideShowPlayer::Play(model);
    LBase::UnloadLibraries(kAllLibraries);
    return 0;
}

} // namespace tsl
