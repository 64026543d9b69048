// The slide-show editor's handlers.

#include "slideshow/SlideShowDlg.h"

#include "core/Extensions.h"
#include "core/Services.h"
#include "core/SettingsFile.h"
#include "document/ImageFiles.h"
#include "platform/FileNames.h"
#include "platform/Platform.h"
#include "slideshow/SlideShowExport.h"
#include "slideshow/SlideShowPlayer.h"
#include "ui/BmpBtn.h"
#include "ui/PreviewDlg.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

namespace tsl {
namespace {

// String 144: what the media player plays (GStreamer's base and good plug-ins), sound and video.
constexpr const char* kSoundFilter =
    "Sound and video files (.wav;.mp3;.ogg;.oga;.opus;.flac;.aif;.aiff;.au;.snd;.mka;.webm;"
    ".mkv;.avi;.mp4;.m4a;.mov)|*.wav;*.mp3;*.ogg;*.oga;*.opus;*.flac;*.aif;*.aiff;*.au;*.snd;"
    "*.mka;*.webm;*.mkv;*.avi;*.mp4;*.m4a;*.mov|";

QString RememberedFolder(const char* purpose) {
    const std::string folder = Settings().ReadFolder(purpose);
    return DecodeFileName(QByteArray(folder.data(), static_cast<qsizetype>(folder.size())));
}

void RememberFolderOf(const char* purpose, const QString& file) {
    const QString path = AbsoluteFilePath(file);
    Settings().WriteFolder(purpose, NativePath(path.left(path.lastIndexOf(QLatin1Char('/')))));
}

} // namespace

QString CSlideShowDlg::ShowFolder() {
    return DecodeFileName(QByteArray::fromStdString(Resources().ProgramFolder())) +
           QStringLiteral("SlideShows");
}

QString CSlideShowDlg::SoundFilter() {
    return QString::fromLatin1(kSoundFilter) + QString::fromStdString(AllFilesFilter());
}

void CSlideShowDlg::SetMediaFile(const QString& path) {
    m_media.SetFileName(path);
    m_mediaName->setText(path.isEmpty() ? QString() : DisplayFileName(DisplayNameOf(path)));
    m_mediaName->setToolTip(DisplayFileName(path));
}

void CSlideShowDlg::AppendEntry(const QString& path) {
    m_model.imageEntries << path;
    m_list->addItem(DisplayNameOf(path));
}

void CSlideShowDlg::AddImages() {
    platform::FileRequest request;
    request.caption = QString::fromLatin1(kAddImagesTitle);
    request.filter = QString::fromStdString(ImageFilesFilter() + PerFormatFilter() + "|");
    request.defaultExtension = QStringLiteral("bmp");
    request.multiple = true;
    request.mustExist = true;
    request.folder = RememberedFolder(keys::Slideshow);
    CPreviewDlg2 dialog(request, &LoadPreviewImage, this);
    if (dialog.DoModal() != platform::IDOK) return;
    const QStringList files = dialog.GetPathNames();
    if (files.isEmpty()) return;
    RememberFolderOf(keys::Slideshow, files.first());
    for (const QString& file : files) {
        if (m_model.Count() >= kMaxShowImages) break; // what a show file can hold
        AppendEntry(AbsoluteFilePath(file));
    }
}

void CSlideShowDlg::Remove() {
    const QList<int> rows = SelectedIndices();
    int removed = 0;
    for (int row : rows) {
        const int at = row - removed++; // the items before it are gone already
        delete m_list->takeItem(at);
        m_model.imageEntries.removeAt(at);
    }
    UpdateData(false);
    RefreshPreview();
}

void CSlideShowDlg::Clear() {
    m_list->clear();
    m_model.imageEntries.clear();
    UpdateData(false);
    RefreshPreview();
}

void CSlideShowDlg::MoveImage(Move where) {
    if (!UpdateData(true)) return;
    const QList<int> rows = SelectedIndices();
    if (rows.size() > 1) {
        platform::Platform().prompt->MessageBox(this, QString::fromLatin1(kOneImageText),
                                                QStringLiteral("Tessaly"));
        return;
    }
    if (rows.isEmpty()) return;
    const int from = rows.first();
    const int count = m_model.Count();
    int to = from;
    switch (where) {
    case Move::First:
        to = 0;
        break;
    case Move::Up:
        to = from > 0 ? from - 1 : from;
        break;
    case Move::Down:
        to = from < count - 1 ? from + 1 : from;
        break;
    case Move::Last:
        to = count - 1;
        break;
    }
    if (to != from) {
        m_model.imageEntries.move(from, to);
        QListWidgetItem* item = m_list->takeItem(from);
        m_list->insertItem(to, item);
    }
    UpdateData(false);
    SelectOnly(to);
}

void CSlideShowDlg::Play() {
    if (!UpdateData(true)) return;
    if (m_model.Count() == 0) return;
    m_media.Stop();
    if (m_play)
        m_play(m_model);
    else
        CSlideShowPlayer::Play(m_model, this);
    // A click in an automatic show turned the model to keyboard control for that show only:
    // the controls still say how the show is made, and the next action takes them again.
}

void CSlideShowDlg::ChooseSound() {
    if (!UpdateData(true)) return;
    platform::FileRequest request;
    request.caption = QString::fromLatin1(kAddSoundTitle);
    request.filter = SoundFilter();
    request.mustExist = true;
    request.folder = RememberedFolder(keys::Sound);
    const QStringList files = platform::Platform().files->GetOpenFileNames(this, request);
    if (files.isEmpty()) return;
    RememberFolderOf(keys::Sound, files.first());
    m_model.soundFile = AbsoluteFilePath(files.first());
    UpdateData(false);
    SetMediaFile(m_model.soundFile);
}

void CSlideShowDlg::RefreshSoundControls(bool fromClick) {
    if (fromClick && !UpdateData(true)) return;
    const bool sound = m_model.useSound == 1;
    SetMediaFile(sound ? m_model.soundFile : QString());
    m_soundFile->setEnabled(sound);
    m_chooseSound->setEnabled(sound);
    m_soundLoop->setEnabled(sound);
    m_delay->setEnabled(m_model.advanceMode == 1);
}

void CSlideShowDlg::SoundTextChanged() {
    if (!UpdateData(true)) return;
    SetMediaFile(IsRegularFile(m_model.soundFile) ? m_model.soundFile : QString());
}

void CSlideShowDlg::Save() {
    platform::FileRequest request;
    request.caption = QString::fromLatin1(kSaveTitle);
    request.filter = QString::fromLatin1(kShowFilter);
    request.defaultExtension = QStringLiteral("show");
    request.overwritePrompt = true;
    request.mustExist = false;
    request.folder = ShowFolder();
    const QString path = platform::Platform().files->GetSaveFileName(this, request);
    if (path.isEmpty() || !UpdateData(true)) return;
    if (const QString error = WriteShowFile(m_model, path, ShowFileForm::FullPath);
        !error.isEmpty())
        ReportShowFileError(error, this);
}

void CSlideShowDlg::Open() {
    platform::FileRequest request;
    request.caption = QString::fromLatin1(kOpenTitle);
    request.filter = QString::fromLatin1(kShowFilter);
    request.defaultExtension = QStringLiteral("show");
    request.mustExist = true;
    request.folder = ShowFolder();
    const QStringList files = platform::Platform().files->GetOpenFileNames(this, request);
    if (files.isEmpty()) return;
    if (const QString error = ReadShowFile(m_model, files.first()); !error.isEmpty()) {
        ReportShowFileError(error, this);
        return;
    }
    m_list->clear(); // a new list: nothing stays selected
    UpdateData(false);
    RefreshSoundControls(false);
    RefreshPreview();
}

void CSlideShowDlg::Export() {
    ExportStandAloneShow(*this);
}

void CSlideShowDlg::RefreshPreview() {
    if (m_exchanging) return;
    const int current = m_list->currentRow();
    const QString path = current >= 0 && current < m_model.Count()
                             ? m_model.imageEntries.at(current)
                             : QStringLiteral("<NONE");
    if (m_preview->GetDirective(QStringLiteral("U")) != path)
        m_preview->SetDirective(QStringLiteral("U"), path);
}

void CSlideShowDlg::OpenForEditing() {
    if (!UpdateData(true)) return;
    const int current = m_list->currentRow();
    if (current < 0 || current >= m_model.Count()) return;
    if (m_openDocument) m_openDocument(m_model.imageEntries.at(current));
}

} // namespace tsl
