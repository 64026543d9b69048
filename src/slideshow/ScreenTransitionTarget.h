#pragma once
// The player's transition target: copies blocks of the composed frame into the window's buffer
// and presents that buffer about once per display frame, pacing the steps over the transition's
// period (a dissolve of a million register steps and a wipe of 480 strips both take about the
// same time). Input arriving meanwhile goes to the stop test.

#include "slideshow/Transition.h"

#include <QElapsedTimer>
#include <QImage>
#include <QRect>

namespace tsl {

class CSlideShowPlayer;

class CScreenTransitionTarget : public CTransitionTarget {
public:
    CScreenTransitionTarget(CSlideShowPlayer& player, const QImage& source, QImage& screen,
                            int milliseconds, qreal refreshRate);

    int SourceWidth() const override { return m_source.width(); }
    int SourceHeight() const override { return m_source.height(); }
    bool CopyBlock(int srcX, int srcY, int width, int height, int dstX, int dstY) override;
    bool TakeMessage(TransitionMessage& message) override;
    void Begin(std::uint32_t steps) override;
    void StepDone() override;
    void End() override;

    int Presented() const { return m_presented; }

private:
    void Present();

    CSlideShowPlayer& m_player;
    const QImage& m_source;
    QImage& m_screen;
    qint64 m_period; // nanoseconds for the whole transition
    qint64 m_frame;  // nanoseconds between presented frames
    std::uint32_t m_steps = 1;
    std::uint32_t m_done = 0;
    QElapsedTimer m_clock;
    qint64 m_lastPresent = 0;
    QRect m_dirty;
    int m_presented = 0;
};

} // namespace tsl
