#pragma once
// Connects core's service interfaces (report, clipboard bitmap, program resources) to the
// installed platform services, so that codecs and the imaging layer reach the user through
// the same prompts and clipboard as the rest of the program.

#include "core/Services.h"

#include <QImage>
#include <QString>

namespace tsl::platform {

class CoreBridge final : public IReport, public IClipboardBitmap, public IResources {
public:
    // programFolder: the folder that holds the program's shipped files.
    explicit CoreBridge(const QString& programFolder);
    ~CoreBridge() override;
    void InstallIntoCore();

    void Report(const std::string& text, const std::string& caption) override;
    bool HasBitmap() override;
    std::vector<std::uint8_t> GetPackedDib() override;
    bool SetPackedDib(const std::vector<std::uint8_t>& dib) override;
    std::string ProgramFolder() override;
    std::vector<std::uint8_t> Resource(const std::string& name) override;

    void SetProgramFolder(const QString& folder);

private:
    std::string m_programFolder;
};

// Packed DIB <-> QImage through the BMP reader and writer of Qt (a packed DIB is a BMP file
// without its 14-byte file header).
QImage ImageFromPackedDib(const std::vector<std::uint8_t>& dib);
std::vector<std::uint8_t> PackedDibFromImage(const QImage& image);

} // namespace tsl::platform
