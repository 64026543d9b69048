#pragma once
// Service interfaces through which layers below the user interface reach the user or the
// desktop. The application installs the real implementations at start-up; tests install
// doubles. Nothing here depends on Qt.

#include <cstdint>
#include <string>
#include <vector>

namespace tsl {

// Shows a message to the user (a plain message box with an OK button).
class IReport {
public:
    virtual ~IReport() = default;
    virtual void Report(const std::string& text, const std::string& caption) = 0;
};

// The clipboard's bitmap format, exchanged as a packed DIB: 40-byte header, colour table,
// bottom-up rows padded to 4 bytes.
class IClipboardBitmap {
public:
    virtual ~IClipboardBitmap() = default;
    virtual bool HasBitmap() = 0;
    virtual std::vector<std::uint8_t> GetPackedDib() = 0; // empty when none
    virtual bool SetPackedDib(const std::vector<std::uint8_t>& dib) = 0;
};

// Files that ship with the program: read by name relative to the program folder, or from the
// resources compiled into the program.
class IResources {
public:
    virtual ~IResources() = default;
    virtual std::string ProgramFolder() = 0; // with a trailing '/'
    // Bytes of a built-in resource ("name") or empty when there is none.
    virtual std::vector<std::uint8_t> Resource(const std::string& name) = 0;
};

// The installed services. Each pointer is never null: until something is installed a quiet
// default serves (reports go to stderr, the clipboard is empty, resources are absent).
IReport& Report();
IClipboardBitmap& ClipboardBitmap();
IResources& Resources();
void InstallReport(IReport* report);
void InstallClipboardBitmap(IClipboardBitmap* clipboard);
void InstallResources(IResources* resources);

// Silences Report() on the calling thread while the object lives: work done off the
// user-interface thread (previews, thumbnails) fails quietly instead of showing a message.
class CQuietReports {
public:
    CQuietReports();
    ~CQuietReports();
    CQuietReports(const CQuietReports&) = delete;
    CQuietReports& operator=(const CQuietReports&) = delete;
};

} // namespace tsl
