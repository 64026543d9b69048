#include "platform/CoreBridge.h"

#include "platform/Platform.h"

#include <QBuffer>
#include <QFile>
#include <QImage>

#include <cstring>

namespace tsl::platform {
namespace {

std::uint32_t Le32(const std::uint8_t* p) {
    return p[0] | (p[1] << 8) | (p[2] << 16) | (std::uint32_t(p[3]) << 24);
}

} // namespace

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
    const std::uint32_t headerSize = Le32(dib.data());
    if (headerSize < 12 || headerSize > dib.size()) return {};
    // The file header's offset to the pixels: header, then the colour table.
    std::uint32_t colours = 0;
    if (headerSize >= 40) {
        const std::uint16_t bits = dib[14] | (dib[15] << 8);
        colours = Le32(dib.data() + 32);
        if (colours == 0 && bits <= 8) colours = 1u << bits;
        if (colours > 256) return {};
        const std::uint32_t compression = Le32(dib.data() + 16);
        if (compression == 3 && headerSize == 40) colours = 3; // BI_BITFIELDS masks
    }
    const std::uint64_t offset = 14ull + headerSize + 4ull * colours;
    const std::uint64_t fileSize = 14ull + dib.size();
    if (offset > fileSize || fileSize > 0xFFFFFFFFull) return {};
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
