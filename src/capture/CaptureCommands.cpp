#include "capture/CaptureCommands.h"

#include "capture/CaptureSetupDlg.h"
#include "document/HandOff.h"
#include "framework/Ids.h"
#include "platform/Platform.h"

#include <QTimer>
#include <QWidget>

namespace tsl {

QString CaptureKindName(int kind) {
    static const char* const kNames[] = {
        nullptr,
        "Capture Full Screen",
        "Capture Client Window",
        "Capture Active Window",
        "Capture Window under Cursor",
        "Capture Menu Under Cursor",
        "Capture Selected Object",
        "Capture Selected Area",
        "Capture Mouse Cursor",
        "Capture WallPaper",
        "Capture From Exe Dlg Tree",
        "Capture From Tabbed View",
    };
    if (kind < 1 || kind > kCaptureExeTabbed) return {};
    return QString::fromLatin1(kNames[kind]);
}

CTslScreenCapture::CTslScreenCapture(HandOff handOff, std::unique_ptr<IScreenGrabber> grabber)
    : LScreenCapture(std::move(grabber)), m_handOff(std::move(handOff)) {}

int CTslScreenCapture::CaptureCallBack(const QImage& image) {
    if (image.isNull() || image.width() < 1 || image.height() < 1) return 0;
    platform::Platform().sound->Beep();
    ++m_counter;
    const QString title = QStringLiteral("%1[%2]").arg(CaptureKindName(m_currentKind)).arg(m_counter);
    if (m_handOff) m_handOff(image, title.left(255));
    return 1;
}

CCaptureCommands::CCaptureCommands(QWidget* frame, CTslScreenCapture::HandOff handOff,
                                   std::unique_ptr<IScreenGrabber> grabber)
    : m_frame(frame),
      m_capture(std::make_unique<CTslScreenCapture>(std::move(handOff), std::move(grabber))),
      m_rearm(std::make_unique<QTimer>()) {
    m_capture->SetDefaultAreaOptions();
    m_capture->SetDefaultCaptureOptions();
    m_capture->SetDefaultObjectOptions();
    m_rearm->setSingleShot(true);
    m_rearm->setInterval(kRearmMs);
    QObject::connect(m_rearm.get(), &QTimer::timeout, [this] { OnRearmTimer(); });

    OnCommand(ID_CAPTURE_SETUP, [this] { OnSetup(); });
    OnCommand(ID_CAPTURE_START, [this] { OnStart(); });
    OnCommand(ID_CAPTURE_STOP, [this] { OnStop(); });
    OnUpdate(ID_CAPTURE_STOP, [this](CCmdUI& ui) { ui.Enable(m_capture->IsCaptureActive()); });
    OnCommand(ID_CAPTURE_MULTIPLE, [this] { SetMultipleCaptures(!MultipleCaptures()); });
    OnUpdate(ID_CAPTURE_MULTIPLE, [this](CCmdUI& ui) { ui.SetCheck(MultipleCaptures()); });
    for (int id : {ID_CAPTURE_EXE_TREE, ID_CAPTURE_EXE_TREE_NODOC, ID_CAPTURE_EXE_TABBED,
                   ID_CAPTURE_EXE_TABBED_NODOC}) {
        const int kind = id == ID_CAPTURE_EXE_TREE || id == ID_CAPTURE_EXE_TREE_NODOC ? kCaptureExeTree
                                                                                       : kCaptureExeTabbed;
        OnCommand(id, [this, kind] { OnResourceCapture(kind); });
        OnUpdate(id, [this, kind](CCmdUI& ui) {
            ui.Enable(!m_capture->IsCaptureActive());
            ui.SetCheck(m_capture->m_currentKind == kind);
        });
    }
    OnCommand(ID_CAPTURE_REARM, [this] { OnRearm(); });
}

CCaptureCommands::~CCaptureCommands() {
    m_rearm->stop();
    m_capture->StopCapture();
    HandOff().multipleCaptures = false;
}

bool CCaptureCommands::MultipleCaptures() const { return HandOff().multipleCaptures; }
void CCaptureCommands::SetMultipleCaptures(bool on) { HandOff().multipleCaptures = on; }

void CCaptureCommands::OnSetup() {
    CCaptureSetupDlg dialog(m_selectedKind, MultipleCaptures(), *m_capture, m_frame);
    if (platform::Platform().dialogs->RunModal(dialog) != QDialog::Accepted) return;
    m_selectedKind = dialog.Kind();
    SetMultipleCaptures(dialog.Multiple());
    if (dialog.StartRequested()) OnStart();
}

void CCaptureCommands::OnStart() {
    if (m_frame) m_frame->showMinimized();
    StartCapture(m_selectedKind);
}

void CCaptureCommands::StartCapture(int kind) {
    if (m_capture->IsCaptureActive()) return;
    CTslScreenCapture& c = *m_capture;
    c.m_currentKind = kind;
    c.m_counter = 0;
    switch (kind) {
    case kCaptureFull: c.CaptureFullScreen(); break;
    case kCaptureClient: c.CaptureActiveClient(); break;
    case kCaptureActive: c.CaptureActiveWindow(); break;
    case kCaptureUnderCursor: c.CaptureWindowUnderCursor(); break;
    case kCaptureMenu: c.CaptureMenuUnderCursor(); break;
    case kCaptureObject: c.CaptureSelectedObject(); break;
    case kCaptureArea: c.CaptureArea(); break;
    case kCaptureCursor: c.CaptureMouseCursor(0xFFFFFF); break;
    case kCaptureWallpaper: c.CaptureWallpaper(); break;
    case kCaptureExeTree: c.CaptureFromEXEDlg(m_frame, kExeDialogTree); break;
    case kCaptureExeTabbed: c.CaptureFromEXEDlg(m_frame, kExeDialogTabbed); break;
    default: break;
    }
    c.m_currentKind = 0;
}

void CCaptureCommands::OnStop() {
    m_capture->m_currentKind = 0;
    m_capture->StopCapture();
}

void CCaptureCommands::OnRearm() {
    OnStop();
    m_rearm->start();
}

bool CCaptureCommands::RearmPending() const { return m_rearm->isActive(); }

void CCaptureCommands::OnRearmTimer() {
    m_rearm->stop();
    StartCapture(m_selectedKind);
}

void CCaptureCommands::OnResourceCapture(int kind) { StartCapture(kind); }

} // namespace tsl
