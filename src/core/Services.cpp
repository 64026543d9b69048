#include "core/Services.h"

#include <cstdio>

namespace tsl {
namespace {

class StderrReport final : public IReport {
public:
    void Report(const std::string& text, const std::string& caption) override {
        std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
    }
};

class NoClipboard final : public IClipboardBitmap {
public:
    bool HasBitmap() override { return false; }
    std::vector<std::uint8_t> GetPackedDib() override { return {}; }
    bool SetPackedDib(const std::vector<std::uint8_t>&) override { return false; }
};

class NoResources final : public IResources {
public:
    std::string ProgramFolder() override { return "./"; }
    std::vector<std::uint8_t> Resource(const std::string&) override { return {}; }
};

class SilentReport final : public IReport {
public:
    void Report(const std::string&, const std::string&) override {}
};

StderrReport g_stderrReport;
SilentReport g_silentReport;
thread_local int t_quietDepth = 0;
NoClipboard g_noClipboard;
NoResources g_noResources;
IReport* g_report = &g_stderrReport;
IClipboardBitmap* g_clipboard = &g_noClipboard;
IResources* g_resources = &g_noResources;

} // namespace

IReport& Report() { return t_quietDepth > 0 ? g_silentReport : *g_report; }
CQuietReports::CQuietReports() { ++t_quietDepth; }
CQuietReports::~CQuietReports() { --t_quietDepth; }
IClipboardBitmap& ClipboardBitmap() { return *g_clipboard; }
IResources& Resources() { return *g_resources; }
void InstallReport(IReport* report) { g_report = report ? report : &g_stderrReport; }
void InstallClipboardBitmap(IClipboardBitmap* clipboard) {
    g_clipboard = clipboard ? clipboard : &g_noClipboard;
}
void InstallResources(IResources* resources) {
    g_resources = resources ? resources : &g_noResources;
}

} // namespace tsl
