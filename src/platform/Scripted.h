#pragma once
// Scripted platform services for tests: every question the program asks the user is answered
// from a queue the test fills, and every text shown is recorded. An empty queue gives the
// answer that changes nothing (Cancel, No, or OK where OK is the only button). The clipboard
// is the real one.

#include "platform/Platform.h"

#include <QMap>

#include <deque>
#include <functional>
#include <memory>
#include <vector>

namespace tsl::platform {

class CFileDialog;

struct ShownMessage {
    QString text;
    QString caption;
    Buttons buttons = Buttons::Ok;
};

class ScriptedPlatform {
public:
    ScriptedPlatform();
    ~ScriptedPlatform();
    ScriptedPlatform(const ScriptedPlatform&) = delete;
    ScriptedPlatform& operator=(const ScriptedPlatform&) = delete;

    const Services& services() const { return m_services; }
    void Install() const { platform::Install(m_services); }

    // Answers, consumed in order.
    std::deque<int> promptAnswers;                         // message boxes and dialog 144
    std::deque<std::function<int(QDialog&)>> dialogScripts; // fill the dialog, return 1 or 0
    std::deque<QStringList> openAnswers;   // open dialogs, the program's own ones too
    std::deque<QString> saveAnswers;
    std::deque<QString> folderAnswers;     // folder choosers
    // The program's own file dialogs: the callback gets the real dialog (to show, navigate,
    // select and press its buttons) and returns IDOK or IDCANCEL; it goes before the answers
    // above.
    std::deque<std::function<int(CFileDialog&)>> fileDialogScripts;
    std::deque<std::pair<DialogResult, QColor>> colourAnswers;
    std::deque<std::pair<DialogResult, QFont>> fontAnswers;
    std::deque<QColor> fontColourAnswers; // colours of font dialogs that offer one and end OK
    std::vector<QColor> fontColoursShown; // the colour each such dialog started with
    bool shellSucceeds = true;

    // What the program showed or asked for.
    std::vector<ShownMessage> messages;
    std::vector<FileRequest> fileRequests; // open and save dialogs
    QStringList folderCaptions;            // folder choosers' titles
    QStringList dialogTitles;
    QStringList opened; // shell-open targets
    QStringList played; // sounds
    int beeps = 0;
    int waitCursorDepth = 0;
    int waitCursorUses = 0;
    QMap<QString, QVariant> profileValues; // "Section/Key" -> value

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
    Services m_services;
};

} // namespace tsl::platform
