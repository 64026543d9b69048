#include "platform/Scripted.h"

#include "platform/FileDialog.h"
#include "platform/QtServices.h"

#include <QDialog>

namespace tsl::platform {
namespace {

template <typename T> bool Take(std::deque<T>& queue, T& out) {
    if (queue.empty()) return false;
    out = std::move(queue.front());
    queue.pop_front();
    return true;
}

QString Key(const QString& s, const QString& k) { return s + QLatin1Char('/') + k; }

} // namespace

struct ScriptedPlatform::Impl : IPrompt,
                                IDialogRunner,
                                IFileDialogs,
                                IColourDialog,
                                IFontDialog,
                                IShell,
                                IProfile,
                                ISound,
                                IWaitCursor {
    explicit Impl(ScriptedPlatform& owner) : p(owner), clipboard(MakeQtClipboard()) {}
    ScriptedPlatform& p;
    std::unique_ptr<IClipboard> clipboard;

    int MessageBox(QWidget*, const QString& text, const QString& caption, Buttons buttons,
                   Icon) override {
        p.messages.push_back({text, caption, buttons});
        int answer = 0;
        if (Take(p.promptAnswers, answer)) return answer;
        switch (buttons) {
        case Buttons::Ok: return IDOK;
        case Buttons::YesNo: return IDNO;
        default: return IDCANCEL;
        }
    }
    int AskSaveChanges(QWidget*, const QString& path) override {
        p.messages.push_back({QStringLiteral("Save changes to %1?").arg(path), QString(),
                              Buttons::YesNoCancel});
        int answer = 0;
        return Take(p.promptAnswers, answer) ? answer : IDCANCEL;
    }
    int RunModal(QDialog& dialog) override {
        p.dialogTitles << dialog.windowTitle();
        std::function<int(QDialog&)> script;
        if (!Take(p.dialogScripts, script)) return QDialog::Rejected;
        return script(dialog);
    }
    QStringList GetOpenFileNames(QWidget*, const FileRequest& r) override {
        p.fileRequests.push_back(r);
        QStringList answer;
        Take(p.openAnswers, answer);
        return answer;
    }
    QString GetSaveFileName(QWidget*, const FileRequest& r) override {
        p.fileRequests.push_back(r);
        QString answer;
        Take(p.saveAnswers, answer);
        return answer;
    }
    int RunFileDialog(CFileDialog& dialog) override {
        if (dialog.IsFolderChooser())
            p.folderCaptions << dialog.windowTitle();
        else
            p.fileRequests.push_back(dialog.Request());
        std::function<int(CFileDialog&)> script;
        if (Take(p.fileDialogScripts, script)) return script(dialog) == IDOK ? IDOK : IDCANCEL;
        QStringList answer;
        if (dialog.IsFolderChooser()) {
            QString folder;
            if (Take(p.folderAnswers, folder) && !folder.isEmpty()) answer << folder;
        } else {
            Take(p.openAnswers, answer);
        }
        if (answer.isEmpty()) return IDCANCEL;
        dialog.Choose(answer);
        return IDOK;
    }
    DialogResult GetColour(QWidget*, QColor& colour) override {
        std::pair<DialogResult, QColor> answer{DialogResult::Cancel, {}};
        Take(p.colourAnswers, answer);
        if (answer.first == DialogResult::Ok) colour = answer.second;
        return answer.first;
    }
    DialogResult GetFont(QWidget*, QFont& font, QColor* colour) override {
        std::pair<DialogResult, QFont> answer{DialogResult::Cancel, {}};
        if (colour) p.fontColoursShown.push_back(*colour);
        Take(p.fontAnswers, answer);
        if (answer.first == DialogResult::Ok) {
            font = answer.second;
            QColor chosen;
            if (colour && Take(p.fontColourAnswers, chosen)) *colour = chosen;
        }
        return answer.first;
    }
    bool Open(const QString& target) override {
        p.opened << target;
        return p.shellSucceeds;
    }
    int GetInt(const QString& s, const QString& k, int def) override {
        bool ok = false;
        int v = p.profileValues.value(Key(s, k)).toInt(&ok);
        return ok ? v : def;
    }
    void WriteInt(const QString& s, const QString& k, int v) override {
        p.profileValues[Key(s, k)] = v;
    }
    QString GetString(const QString& s, const QString& k, const QString& def) override {
        return p.profileValues.value(Key(s, k), def).toString();
    }
    void WriteString(const QString& s, const QString& k, const QString& v) override {
        p.profileValues[Key(s, k)] = v;
    }
    void Remove(const QString& s, const QString& k) override { p.profileValues.remove(Key(s, k)); }
    void Beep() override { ++p.beeps; }
    bool Play(const QString& path) override {
        p.played << path;
        return true;
    }
    void Begin() override {
        ++p.waitCursorDepth;
        ++p.waitCursorUses;
    }
    void End() override { --p.waitCursorDepth; }
};

ScriptedPlatform::ScriptedPlatform() : m_impl(std::make_unique<Impl>(*this)) {
    Impl* i = m_impl.get();
    m_services = {i, i, i, i, i, i, i, i->clipboard.get(), i, i};
}

ScriptedPlatform::~ScriptedPlatform() = default;

} // namespace tsl::platform
