#pragma once
// CTessalyApp: the application object. InitInstance performs start-up in the program's order
// (profile and recent files, document template, main frame, imaging library, Settings.ini,
// command line, main window shown, Tip of the Day); the object then carries File New and File
// Open, the Help commands, the About box, opening documents by path and the hand-off of images
// that become new documents.

#include "framework/CmdTarget.h"

#include <QImage>
#include <QObject>
#include <QString>
#include <QStringList>

#include <memory>

namespace tsl {

class CCaptureCommands;
class CScanCommands;
class CDocument;
class CMainFrame;
class CMultiDocTemplate;

class CTessalyApp : public QObject, public CCmdTarget {
    Q_OBJECT
public:
    struct Options {
        QString programFolder;      // with a trailing '/'
        QString userSettingsFolder; // where Settings.ini goes when the program folder is read-only
        bool showTipAtStartUp = true;
    };

    explicit CTessalyApp(Options options);
    ~CTessalyApp() override;

    // Start-up; false ends the program.
    bool InitInstance(const QStringList& arguments);

    // Opens path as a document when the file exists; otherwise nothing happens and no message
    // is shown. An already open file's window is activated instead.
    CDocument* OpenDocumentFile(const QString& path);
    // Puts image into the hand-off slot and makes a new document of it.
    bool NewFromHandOff(const QImage* image, const QString& name = QString());
    void FirstRunCheck();
    // --slideshow FILE: plays the show file full screen on the primary screen, as the editor's
    // Play does, without the main window, the first-run actions or the Tip of the Day. The exit
    // status: 0 when the show was played, 1 when the file could not be read (a message said why).
    static int PlayShowFile(const QString& path);

    CMainFrame* MainFrame() const { return m_frame.get(); }
    CMultiDocTemplate* Template() const { return m_template.get(); }
    CCaptureCommands* Capture() const { return m_capture.get(); }
    CScanCommands* Scan() const { return m_scan.get(); }
    const QString& ProgramFolder() const { return m_options.programFolder; }

    // The template string of the image documents.
    static const char* const kTemplateString;
    static constexpr int kHandOffNameLength = 255;

    // Save All, Close All and Paste as New Image (the main frame's commands over documents).
    void OnSaveAll();
    void OnCloseAll();
    void OnPasteAsNewImage();
    bool CanPasteAsNewImage() const;

private:
    bool CloseAllPass();
    void OnFileNew();
    void OnFileOpen();
    void OnAppAbout();
    void OnTipOfTheDay();
    void OpenGeneralValue(const char* key);

    Options m_options;
    std::unique_ptr<CMultiDocTemplate> m_template;
    std::unique_ptr<CMainFrame> m_frame;
    std::unique_ptr<CCaptureCommands> m_capture;
    std::unique_ptr<CScanCommands> m_scan;
};

} // namespace tsl
