#include "platform/QtServices.h"

#include "platform/FileDialog.h"
#include "platform/FileFilter.h"

#include <QApplication>
#include <QClipboard>
#include <QColorDialog>
#include <QComboBox>
#include <QDesktopServices>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDialog>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QMessageBox>
#include <QMimeData>
#include <QPixmap>
#include <QPushButton>
#include <QSettings>
#include <QSoundEffect>
#include <QStandardPaths>
#include <QUrl>
#include <QVBoxLayout>

namespace tsl::platform {
namespace {

class QtPrompt final : public IPrompt {
public:
    int MessageBox(QWidget* parent, const QString& text, const QString& caption, Buttons buttons,
                   Icon icon) override {
        QMessageBox box(parent);
        box.setWindowTitle(caption.isEmpty() ? QStringLiteral("Tessaly") : caption);
        box.setText(text);
        switch (icon) {
        case Icon::Information: box.setIcon(QMessageBox::Information); break;
        case Icon::Warning: box.setIcon(QMessageBox::Warning); break;
        case Icon::Error: box.setIcon(QMessageBox::Critical); break;
        case Icon::Question: box.setIcon(QMessageBox::Question); break;
        case Icon::None: break;
        }
        switch (buttons) {
        case Buttons::Ok: box.setStandardButtons(QMessageBox::Ok); break;
        case Buttons::OkCancel: box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel); break;
        case Buttons::YesNo: box.setStandardButtons(QMessageBox::Yes | QMessageBox::No); break;
        case Buttons::YesNoCancel:
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
            break;
        }
        switch (box.exec()) {
        case QMessageBox::Ok: return IDOK;
        case QMessageBox::Yes: return IDYES;
        case QMessageBox::No: return IDNO;
        default: return buttons == Buttons::Ok ? IDOK : buttons == Buttons::YesNo ? IDNO : IDCANCEL;
        }
    }

    int AskSaveChanges(QWidget* parent, const QString& path) override {
        QMessageBox box(parent);
        box.setWindowTitle(QStringLiteral("Tessaly"));
        box.setIcon(QMessageBox::Question);
        box.setText(QStringLiteral("Save changes to %1?").arg(path));
        // One role for all five keeps them in this order whatever the platform's button layout
        // (which would group the yes and the no answers); Escape still means Cancel.
        QPushButton* yes = box.addButton(QStringLiteral("&Yes"), QMessageBox::ActionRole);
        QPushButton* no = box.addButton(QStringLiteral("&No"), QMessageBox::ActionRole);
        QPushButton* yesAll = box.addButton(QStringLiteral("Yes to &all"), QMessageBox::ActionRole);
        QPushButton* noAll = box.addButton(QStringLiteral("No to a&ll"), QMessageBox::ActionRole);
        QPushButton* cancel = box.addButton(QStringLiteral("Cancel"), QMessageBox::ActionRole);
        box.setDefaultButton(yes);
        box.setEscapeButton(cancel);
        box.exec();
        QAbstractButton* clicked = box.clickedButton();
        if (clicked == yes) return IDYES;
        if (clicked == no) return IDNO;
        if (clicked == yesAll) return IDYESTOALL;
        if (clicked == noAll) return IDNOTOALL;
        return IDCANCEL;
    }
};

class QtDialogRunner final : public IDialogRunner {
public:
    int RunModal(QDialog& dialog) override { return dialog.exec(); }
};

class QtFileDialogs final : public IFileDialogs {
public:
    QStringList GetOpenFileNames(QWidget* parent, const FileRequest& r) override {
        QFileDialog dialog(parent, r.caption, r.folder);
        Prepare(dialog, r);
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(r.multiple ? QFileDialog::ExistingFiles
                                      : (r.mustExist ? QFileDialog::ExistingFile
                                                     : QFileDialog::AnyFile));
        if (dialog.exec() != QDialog::Accepted) return {};
        return dialog.selectedFiles();
    }

    QString GetSaveFileName(QWidget* parent, const FileRequest& r) override {
        QFileDialog dialog(parent, r.caption, r.folder);
        Prepare(dialog, r);
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        if (!r.overwritePrompt) dialog.setOption(QFileDialog::DontConfirmOverwrite);
        if (!r.fileName.isEmpty()) dialog.selectFile(r.fileName);
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
        return dialog.selectedFiles().first();
    }

    int RunFileDialog(CFileDialog& dialog) override {
        return dialog.exec() == QDialog::Accepted ? IDOK : IDCANCEL;
    }

private:
    static void Prepare(QFileDialog& dialog, const FileRequest& r) {
        QStringList filters = ToQtFilters(r.filter);
        if (!filters.isEmpty()) dialog.setNameFilters(filters);
        // "*" is any extension: the name is returned as typed, never with a literal ".*".
        if (!r.defaultExtension.isEmpty() && r.defaultExtension != QLatin1String("*"))
            dialog.setDefaultSuffix(r.defaultExtension);
    }
};

class QtColourDialog final : public IColourDialog {
public:
    DialogResult GetColour(QWidget* parent, QColor& colour) override {
        QColorDialog dialog(colour, parent);
        if (dialog.exec() != QDialog::Accepted) return DialogResult::Cancel;
        colour = dialog.selectedColor();
        return DialogResult::Ok;
    }
};

// The sixteen colours a font dialog's colour list offers, as the desktop names them.
const std::pair<const char*, QRgb> kFontColours[] = {
    {"Black", 0x000000},  {"Maroon", 0x800000}, {"Green", 0x008000},  {"Olive", 0x808000},
    {"Navy", 0x000080},   {"Purple", 0x800080}, {"Teal", 0x008080},   {"Gray", 0x808080},
    {"Silver", 0xC0C0C0}, {"Red", 0xFF0000},    {"Lime", 0x00FF00},   {"Yellow", 0xFFFF00},
    {"Blue", 0x0000FF},   {"Fuchsia", 0xFF00FF}, {"Aqua", 0x00FFFF},  {"White", 0xFFFFFF},
};

class QtFontDialog final : public IFontDialog {
public:
    DialogResult GetFont(QWidget* parent, QFont& font, QColor* colour) override {
        if (!colour) {
            QFontDialog dialog(font, parent);
            if (dialog.exec() != QDialog::Accepted) return DialogResult::Cancel;
            font = dialog.selectedFont();
            return DialogResult::Ok;
        }
        // Qt's font dialog has no colour: it is embedded as a widget above a colour list.
        QDialog dialog(parent);
        dialog.setWindowTitle(QStringLiteral("Font"));
        auto* fonts = new QFontDialog(font, &dialog);
        fonts->setWindowFlags(Qt::Widget);
        fonts->setOptions(QFontDialog::NoButtons | QFontDialog::DontUseNativeDialog);
        auto* colours = new QComboBox(&dialog);
        colours->setObjectName(QStringLiteral("FontColour"));
        for (const auto& [name, rgb] : kFontColours) {
            QPixmap swatch(16, 12);
            swatch.fill(QColor::fromRgb(rgb));
            colours->addItem(QIcon(swatch), QString::fromLatin1(name), QColor::fromRgb(rgb));
        }
        int index = colours->findData(*colour);
        if (index < 0) {
            QPixmap swatch(16, 12);
            swatch.fill(*colour);
            colours->addItem(QIcon(swatch), QStringLiteral("Custom"), *colour);
            index = colours->count() - 1;
        }
        colours->setCurrentIndex(index);
        auto* colourLabel = new QLabel(QStringLiteral("Co&lor:"), &dialog);
        colourLabel->setBuddy(colours);
        auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
        QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
        QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
        auto* colourRow = new QHBoxLayout;
        colourRow->addWidget(colourLabel);
        colourRow->addWidget(colours, 1);
        auto* layout = new QVBoxLayout(&dialog);
        layout->addWidget(fonts);
        layout->addLayout(colourRow);
        layout->addWidget(buttons);
        if (dialog.exec() != QDialog::Accepted) return DialogResult::Cancel;
        font = fonts->currentFont();
        *colour = colours->currentData().value<QColor>();
        return DialogResult::Ok;
    }
};

class QtShell final : public IShell {
public:
    bool Open(const QString& target) override {
        if (target.isEmpty()) return false;
        QUrl url(target);
        if (url.scheme().size() <= 1) url = QUrl::fromLocalFile(target);
        return QDesktopServices::openUrl(url);
    }
};

class QtProfile final : public IProfile {
public:
    explicit QtProfile(const QString& path) : m_settings(path, QSettings::IniFormat) {}
    int GetInt(const QString& s, const QString& k, int def) override {
        bool ok = false;
        int v = m_settings.value(Key(s, k)).toInt(&ok);
        return ok ? v : def;
    }
    void WriteInt(const QString& s, const QString& k, int v) override {
        m_settings.setValue(Key(s, k), v);
        m_settings.sync();
    }
    QString GetString(const QString& s, const QString& k, const QString& def) override {
        return m_settings.value(Key(s, k), def).toString();
    }
    void WriteString(const QString& s, const QString& k, const QString& v) override {
        m_settings.setValue(Key(s, k), v);
        m_settings.sync();
    }
    void Remove(const QString& s, const QString& k) override {
        m_settings.remove(Key(s, k));
        m_settings.sync();
    }

private:
    static QString Key(const QString& s, const QString& k) { return s + QLatin1Char('/') + k; }
    QSettings m_settings;
};

class QtClipboard final : public IClipboard {
public:
    bool HasImage() override {
        const QMimeData* data = QApplication::clipboard()->mimeData();
        return data && data->hasImage();
    }
    QImage Image() override { return QApplication::clipboard()->image(); }
    void SetImage(const QImage& image) override { QApplication::clipboard()->setImage(image); }
    void Clear() override { QApplication::clipboard()->clear(); }
};

class QtSound final : public ISound {
public:
    void Beep() override { QApplication::beep(); }
    bool Play(const QString& wavPath) override {
        if (!QFileInfo::exists(wavPath)) return false;
        if (!m_effect) m_effect = std::make_unique<QSoundEffect>();
        m_effect->setSource(QUrl::fromLocalFile(wavPath));
        m_effect->play();
        return true;
    }

private:
    std::unique_ptr<QSoundEffect> m_effect;
};

class QtWaitCursor final : public IWaitCursor {
public:
    void Begin() override { QApplication::setOverrideCursor(Qt::WaitCursor); }
    void End() override { QApplication::restoreOverrideCursor(); }
};

} // namespace

struct QtServices::Impl {
    explicit Impl(const QString& profilePath) : profile(profilePath) {}
    QtPrompt prompt;
    QtDialogRunner dialogs;
    QtFileDialogs files;
    QtColourDialog colour;
    QtFontDialog font;
    QtShell shell;
    QtProfile profile;
    QtClipboard clipboard;
    QtSound sound;
    QtWaitCursor waitCursor;
};

QtServices::QtServices(const QString& profilePath) : m_impl(std::make_unique<Impl>(profilePath)) {
    m_services = {&m_impl->prompt, &m_impl->dialogs, &m_impl->files, &m_impl->colour,
                  &m_impl->font,   &m_impl->shell,   &m_impl->profile, &m_impl->clipboard,
                  &m_impl->sound,  &m_impl->waitCursor};
}

QtServices::~QtServices() = default;

QString DefaultProfilePath() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/Orvane/Tessaly.ini");
}

} // namespace tsl::platform

namespace tsl::platform {
std::unique_ptr<IClipboard> MakeQtClipboard() { return std::make_unique<QtClipboard>(); }
} // namespace tsl::platform
