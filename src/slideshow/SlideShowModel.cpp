#include "slideshow/SlideShowModel.h"

#include "core/Files.h"
#include "platform/FileNames.h"
#include "platform/Platform.h"

#include <QFile>
#include <QFileInfo>

#include <span>

namespace tsl {
namespace {

// Show files larger than this are refused unread: 32767 entries of 4096 bytes take 134 MB.
constexpr std::uint64_t kMaxShowFileBytes = std::uint64_t{256} << 20;

std::string Stored(const QString& text) {
    const QByteArray bytes = EncodeFileName(text);
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

QString Loaded(const std::string& text) {
    return DecodeFileName(QByteArray(text.data(), static_cast<qsizetype>(text.size())));
}

QString DamagedText(const QString& path, const QString& why) {
    return QStringLiteral("The slide show file %1 is damaged: %2").arg(path, why);
}

} // namespace

QString CSlideShowModel::PlayPath(int index) const {
    const QString& entry = imageEntries.at(index);
    return folderPrefix.isEmpty() ? entry : folderPrefix + entry;
}

QStringList CSlideShowModel::DisplayNames() const {
    QStringList names;
    names.reserve(imageEntries.size());
    for (const QString& entry : imageEntries)
        names << DisplayNameOf(entry);
    return names;
}

QString DisplayNameOf(const QString& path) {
    // The file name is what follows the last separator; the extension what follows its last dot.
    const QString name = path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
    const int dot = static_cast<int>(name.lastIndexOf(QLatin1Char('.')));
    if (dot < 0) return name + QLatin1Char('.');
    return name.left(dot) + QLatin1Char('.') + name.mid(dot + 1);
}

QString CouldNotSaveText(const QString& path) {
    return QStringLiteral("Could not save file ") + path +
           QStringLiteral("\n\rPlease check write permissions");
}

QString CouldNotLoadText(const QString& path) {
    return QStringLiteral("Could not load file ") + path +
           QStringLiteral("\n\rPlease check write permissions");
}

QString WriteShowFile(const CSlideShowModel& model, const QString& path, ShowFileForm form) {
    if (model.Count() > kMaxShowImages)
        return QStringLiteral("A slide show holds at most %1 images; this one has %2, so %3 was "
                              "not saved.")
            .arg(kMaxShowImages)
            .arg(model.Count())
            .arg(path);
    const bool nameOnly = form == ShowFileForm::NameOnly;
    ShowFileData data;
    data.entries.reserve(static_cast<std::size_t>(model.Count()));
    for (const QString& entry : model.imageEntries)
        data.entries.push_back(Stored(nameOnly ? DisplayNameOf(entry) : entry));
    data.loop = model.loop;
    data.useSound = model.useSound;
    data.showFileName = model.showFileName;
    data.useTransitions = model.useTransitions;
    data.soundFile = Stored(nameOnly ? DisplayNameOf(model.soundFile) : model.soundFile);
    data.delay = model.delay;
    data.soundLoop = model.soundLoop;
    data.advanceMode = model.advanceMode;
    const std::vector<std::uint8_t> bytes = FormatShowFile(data);
    if (!ReplaceFileContents(EncodeFileName(path).toStdString(), bytes)) return CouldNotSaveText(path);
    return {};
}

QString ReadShowFile(CSlideShowModel& model, const QString& path) {
    std::vector<std::uint8_t> bytes;
    if (!ReadWholeFile(EncodeFileName(path).toStdString(), bytes, kMaxShowFileBytes)) {
        if (QFileInfo(path).isFile() && QFileInfo(path).size() > qint64(kMaxShowFileBytes))
            return DamagedText(path, QStringLiteral("it is larger than any slide show."));
        return CouldNotLoadText(path);
    }
    ShowFileData data;
    std::int64_t count = 0;
    switch (ParseShowFile(bytes, data, &count)) {
    case ShowParse::Ok:
        break;
    case ShowParse::BadMagic:
        return QString::fromLatin1(kNotAShowFileText);
    case ShowParse::EndsEarly:
        return DamagedText(path, QStringLiteral("it ends early."));
    case ShowParse::BadCount:
        return DamagedText(path, QStringLiteral("it counts %1 images, and a show holds 0 to %2.")
                                     .arg(count)
                                     .arg(kMaxShowImages));
    case ShowParse::TextTooLong:
        return DamagedText(path, QStringLiteral("a text in it is longer than the file."));
    }
    model.imageEntries.clear();
    model.imageEntries.reserve(static_cast<qsizetype>(data.entries.size()));
    for (const std::string& entry : data.entries)
        model.imageEntries << Loaded(entry);
    model.loop = data.loop;
    model.useSound = data.useSound;
    model.showFileName = data.showFileName;
    model.useTransitions = data.useTransitions;
    model.soundFile = Loaded(data.soundFile);
    model.delay = data.delay;
    model.soundLoop = data.soundLoop;
    model.advanceMode = data.advanceMode;
    return {};
}

void ReportShowFileError(const QString& message, QWidget* parent) {
    platform::Platform().prompt->MessageBox(parent, message, QStringLiteral("Tessaly"),
                                            platform::Buttons::Ok);
}

} // namespace tsl
