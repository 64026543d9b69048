#include "platform/CoreBridge.h"

#include "platform/Platform.h"

#include "core/DibHeader.h"

#include <QBuffer>
#include <QFile>
#include <QImage>

#include <cstring>

namespace tsl::platform {

CoreBridge::CoreBridge(const QString& programFolder) { SetProgramFolder(programFolder); }

CoreBridge::~CoreBridge() {
    if (&tsl::Report() == this) tsl::InstallReport(nullptr);
    if (&tsl::ClipboardBitmap() == this) tsl::InstallClipboardBitmap(nullptr);
    if (&tsl::Resources() == this) tsl::InstallResources(nullptr);
}

void CoreBridge::InstallIntoCore() {
    tsl::InstallReport(this);
    tsl::InstallClipboardBitmap(this);
    tsl::InstallResources(this);
}

void CoreBridge::SetProgramFolder(const QString& folder) {
    m_programFolder = folder.toStdString();
    if (m_programFolder.empty() || m_programFolder.back() != '/') m_programFolder += '/';
}

void CoreBridge::Report(const std::string& text, const std::string& caption) {
    Platform().prompt->MessageBox(nullptr, QString::fromStdString(text),
                                  QString::fromStdString(caption), Buttons::Ok, Icon::Error);
}

bool CoreBridge::HasBitmap() { return Platform().clipboard->HasImage(); }

std::vector<std::uint8_t> CoreBridge::GetPackedDib() {
    if (!Platform().clipboard->HasImage()) return {};
    return PackedDibFromImage(Platform().clipboard->Image());
}

bool CoreBridge::SetPackedDib(const std::vector<std::uint8_t>& dib) {
    QImage image = ImageFromPackedDib(dib);
    if (image.isNull()) return false;
    Platform().clipboard->SetImage(image);
    return true;
}

std::string CoreBridge::ProgramFolder() { return m_programFolder; }

std::vector<std::uint8_t> CoreBridge::Resource(const std::string& name) {
    QFile file(QStringLiteral(":/tsl/") + QString::fromStdString(name));
    if (!file.open(QIODevice::ReadOnly)) return {};
    QByteArray bytes = file.readAll();
    return {bytes.begin(), bytes.end()};
}

QImage ImageFromPackedDib(const std::vector<std::uint8_t>& dib) {
    if (dib.size() < 40) return {};
    const auto header = ReadDibHeader(dib.data(), dib.size());
    if (!header) return {};
    // The file header's offset to the pixels: header, then the colour table (of a header of 40
    // bytes or more; a 40-byte BI_BITFIELDS header is followed by its masks instead).
    DibLayoutOptions options;
    options.rowsInBlock = false;
    options.maskBytes = 0;
    options.tableEntries = 0;
    if (header->size >= 40) {
        if (header->StoredEntries() > 256) return {};
        if (header->info.biCompression == BI_BITFIELDS && header->size == 40)
            options.maskBytes = 12;
        else
            options.tableEntries = header->StoredEntries();
    }
    const auto layout = LayOutDib(*header, dib.size(), options);
    const std::uint64_t fileSize = 14ull + dib.size();
    if (!layout || fileSize > 0xFFFFFFFFull) return {};
    const std::uint64_t offset = 14ull + layout->bitsOffset;
    QByteArray file(14, '\0');
    file[0] = 'B';
    file[1] = 'M';
    for (int i = 0; i < 4; ++i) {
        file[2 + i] = static_cast<char>((fileSize >> (8 * i)) & 0xFF);
        file[10 + i] = static_cast<char>((offset >> (8 * i)) & 0xFF);
    }
    file.append(reinterpret_cast<const char*>(dib.data()), static_cast<qsizetype>(dib.size()));
    QImage image;
    image.loadFromData(file, "BMP");
    return image;
}

std::vector<std::uint8_t> PackedDibFromImage(const QImage& image) {
    if (image.isNull()) return {};
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    const QImage flat = image.hasAlphaChannel() ? image.convertToFormat(QImage::Format_RGB32)
                                                : image;
    if (!flat.save(&buffer, "BMP") || bytes.size() <= 14) return {};
    return {bytes.begin() + 14, bytes.end()};
}

} // namespace tsl::platform
