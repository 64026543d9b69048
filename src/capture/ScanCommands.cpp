#include "capture/ScanCommands.h"

#include "framework/Ids.h"
#include "imaging/ImagingFlags.h"
#include "imaging/LBase.h"

#include <cstdio>

namespace tsl {

CTslTwain::CTslTwain(ScanHandOff handOff) : m_handOff(std::move(handOff)) {
    LBase::EnableCallBack(true);
}

int CTslTwain::AcquireCallBack() {
    const QImage& image = Bitmap();
    if (image.isNull()) return 0; // no page, or one without a pixel
    ++m_scanCounter;
    char title[52];
    std::snprintf(title, sizeof title, " Twain Scan %d", m_scanCounter);
    if (m_handOff) m_handOff(image, QString::fromLatin1(title));
    return 1;
}

CTslIsis::CTslIsis(ScanHandOff handOff) : m_handOff(std::move(handOff)) {
    LBase::EnableCallBack(true);
}

int CTslIsis::AcquirePageCallBack(int page, const char* name) {
    const QImage& image = Bitmap();
    if (image.isNull()) return 0; // no page, or one without a pixel
    char title[256] = {};
    if (name) std::snprintf(title, sizeof title, "%s[%d]", name, page);
    else std::snprintf(title, sizeof title, "ISIS  [%d]", page);
    if (m_handOff) m_handOff(image, QString::fromLocal8Bit(title));
    return 1;
}

CScanCommands::CScanCommands(QWidget* frame, ScanHandOff handOff, std::function<void()> onAvailable)
    : m_twain(std::make_unique<CTslTwain>(handOff)), m_isis(std::make_unique<CTslIsis>(handOff)) {
    m_twain->SetWindow(frame);
    m_isis->SetWindow(frame);
    // Discovery runs on the scanning thread; the flag follows when it ends.
    m_twain->SetAvailabilityCallBack([this, onAvailable = std::move(onAvailable)](bool available) {
        m_twainAvailable = available;
        if (onAvailable) onAvailable();
    });
    OnCommand(ID_TWAIN_SELECT_SOURCE, [this] { m_twain->Select(); });
    OnUpdate(ID_TWAIN_SELECT_SOURCE, [this](CCmdUI& ui) { ui.Enable(m_twainAvailable); });
    OnCommand(ID_TWAIN_ACQUIRE_MULTI, [this] { OnAcquireMulti(); });
    OnUpdate(ID_TWAIN_ACQUIRE_MULTI, [this](CCmdUI& ui) { ui.Enable(m_twainAvailable && !m_busy); });
}

CScanCommands::~CScanCommands() = default;

void CScanCommands::OnAcquireMulti() {
    if (!m_twainAvailable || m_busy) return;
    m_busy = true;
    const int result = m_twain->Acquire(kTwainShowInterface | kTwainMultiPage);
    if (result != kSuccess && !m_twain->Abandoned()) LBase::DisplayErrorFromList(result);
    m_busy = false;
}

} // namespace tsl
