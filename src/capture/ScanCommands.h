#pragma once
// The scanning commands: TWAIN Select Source and TWAIN Acquire Multi, with the two flags that
// enable them (a source was found at start-up; no acquisition is running). The program's
// TWAIN object makes each page a new document titled " Twain Scan %d" with a counter that
// rises over the whole run; its ISIS object titles pages "<name>[<page>]" or "ISIS  [<page>]".

#include "capture/LTwain.h"
#include "framework/CmdTarget.h"

#include <QImage>
#include <QString>

#include <functional>
#include <memory>

class QWidget;

namespace tsl {

using ScanHandOff = std::function<bool(const QImage& image, const QString& title)>;

class CTslTwain : public LTwain {
public:
    explicit CTslTwain(ScanHandOff handOff);
    int ScanCounter() const { return m_scanCounter; }

protected:
    int AcquireCallBack() override;

private:
    ScanHandOff m_handOff;
    std::int32_t m_scanCounter = 0;
};

class CTslIsis : public LIsis {
public:
    explicit CTslIsis(ScanHandOff handOff);

protected:
    int AcquirePageCallBack(int page, const char* name) override;

private:
    ScanHandOff m_handOff;
};

class CScanCommands : public CCmdTarget {
public:
    // frame: the owner of the dialogs; handOff makes a new document of a page; onAvailable
    // runs when discovery has set the available flag.
    CScanCommands(QWidget* frame, ScanHandOff handOff, std::function<void()> onAvailable = {});
    ~CScanCommands() override;

    bool TwainAvailable() const { return m_twainAvailable; }
    bool AcquisitionBusy() const { return m_busy; }
    CTslTwain& Twain() { return *m_twain; }
    CTslIsis& Isis() { return *m_isis; }

    void OnAcquireMulti();

private:
    std::unique_ptr<CTslTwain> m_twain;
    std::unique_ptr<CTslIsis> m_isis;
    bool m_twainAvailable = false;
    bool m_busy = false;
};

} // namespace tsl
