#pragma once
// CSlideShowPlayer: plays a slide-show model full screen, one slide at a time. Each slide is
// composed off screen in the frame (black, the picture at its own size, centred when smaller
// and from its top-left corner when larger, the caption "%d of %d: %s" in blue in the bottom
// 30-pixel band) and reaches the window at once or through a random transition effect.
// Keys follow accelerator table 161; timer 1 advances in automatic mode until the first left
// click; dragging pans a picture larger than the screen. The show ends on Escape or Enter, or
// when it runs past its last slide without loop.
//
// Transitions are drawn into the window's buffer and presented at the display's refresh rate,
// each kind paced to last kTransitionMilliseconds; a key or mouse press during one completes the
// slide within a frame and is not taken as navigation. The next slide is decoded on a worker
// while the current one shows. The screen saver is held off while the show plays.
//
// Randomness and the timer come from injectable sources so that tests can drive them.

#include "slideshow/MediaPlayer2.h"
#include "slideshow/ScreenSaverInhibitor.h"
#include "slideshow/SlideDecoder.h"
#include "slideshow/Transition.h"

#include <QCursor>
#include <QDialog>
#include <QImage>

#include <deque>
#include <functional>
#include <memory>
#include <vector>

class QScreen;

namespace tsl {

class CSlideShowModel;

// Commands of accelerator table 161.
inline constexpr int ID_SLIDE_NEXT = 32809;
inline constexpr int ID_SLIDE_PREVIOUS = 32810;
inline constexpr int ID_SLIDE_FIRST = 32811;
inline constexpr int ID_SLIDE_LAST = 32812;
inline constexpr int ID_SLIDE_FORWARD_TEN = 32863;
inline constexpr int ID_SLIDE_BACK_TEN = 32864;
inline constexpr int ID_SLIDE_OK = 1;
inline constexpr int ID_SLIDE_CANCEL = 2;
inline constexpr int IDR_SLIDE_SHOW_ACCELERATORS = 161;

struct SlideAccelerator {
    int key; // Qt::Key, without modifiers
    int command;
};
// Accelerator table 161.
const std::vector<SlideAccelerator>& SlideShowAccelerators();

// Timer 1 of automatic mode.
class ISlideTimer {
public:
    virtual ~ISlideTimer() = default;
    virtual void Start(int milliseconds) = 0; // (re)starts with that period
    virtual void Stop() = 0;
    virtual bool IsActive() const = 0;
    std::function<void()> onTick;
};

class CSlideShowPlayer : public QDialog {
    Q_OBJECT
public:
    // The period of one transition on any screen.
    static constexpr int kTransitionMilliseconds = 1000;
    static constexpr int kCaptionBand = 30;
    static constexpr int kSoundLoopCount = 10000;

    // Plays on screen (the primary one when null); the model stays the caller's.
    CSlideShowPlayer(CSlideShowModel* model, QWidget* parent = nullptr, QScreen* screen = nullptr);
    ~CSlideShowPlayer() override;

    // Constructs a player on the model, shows it full screen on the screen of parent's window
    // (the primary one without a parent) and runs it modally.
    static void Play(CSlideShowModel& model, QWidget* parent = nullptr);

    // The start of the show: size, frame, sound, the first slide, the timer of automatic mode.
    void Start();
    void ExecuteCommand(int command);
    // One tick of timer 1.
    void Tick();

    using RandomSource = std::function<int()>; // 0 .. 32767
    void SetRandomSource(RandomSource source) { m_random = std::move(source); }
    void SetTimer(std::unique_ptr<ISlideTimer> timer);
    // The pacing of transitions; 0 draws them as fast as the copies go.
    void SetTransitionMilliseconds(int milliseconds) { m_transitionMs = milliseconds; }

    // What the player holds, for those who watch it.
    int CurrentIndex() const { return m_index; }
    const QString& CurrentPath() const { return m_path; }
    QSize ScreenSize() const { return {m_width, m_height}; }
    QPoint PanOffset() const { return {m_panX, m_panY}; }
    bool HasPicture() const { return !m_picture.isNull(); }
    const QImage& Frame() const { return m_frame; }
    const QImage& Shown() const { return m_shown; }
    bool TimerActive() const { return m_timerActive; }
    bool Ended() const { return m_ended; }
    int LastVariant() const { return m_lastVariant; }
    bool Panning() const { return m_panning; }
    CMediaPlayer2& Media() { return m_media; }
    const CSlideDecoder& Decoder() const { return m_decoder; }

    // The descriptor of transition variant v (0 to 11).
    static TRANSITION TransitionForVariant(int variant);

signals:
    // After every transition: its variant and PaintTransition's result.
    void transitionPainted(int variant, int result);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

public slots:
    void accept() override { End(); }
    void reject() override { End(); }

private:
    friend class CScreenTransitionTarget;

    void Next(int step);
    void Previous(int step);
    void GoTo(int index);
    void LoadSlide();
    void ComposeAndShow(bool transition);
    void RunTransition();
    void PanTo(int x, int y);
    void UpdateCursor();
    void KillTimer();
    void End();
    void Prefetch();
    void Present(const QRect& dirty);
    QPoint DevicePosition(const QMouseEvent* event) const;

    // Input during a transition: presses are kept for the stop test, not delivered.
    void BeginTransitionInput();
    void EndTransitionInput();
    bool TakeTransitionInput(TransitionMessage& message);

    CSlideShowModel* m_model;
    QScreen* m_screen;
    int m_index = 0;
    QString m_path;
    int m_width = 0;
    int m_height = 0;
    qreal m_ratio = 1;
    QImage m_frame; // the composed slide
    QImage m_shown; // what the window shows
    QImage m_picture;
    int m_panX = 0;
    int m_panY = 0;
    bool m_wider = false;
    bool m_taller = false;
    bool m_timerActive = false;
    int m_lastVariant = -1;
    QCursor m_hand;
    CMediaPlayer2 m_media;
    std::unique_ptr<ISlideTimer> m_timer;
    RandomSource m_random;
    int m_transitionMs = kTransitionMilliseconds;
    bool m_started = false;
    bool m_ended = false;
    bool m_panning = false;
    QPoint m_lastMouse;
    int m_busy = 0; // inside a transition or a message: timer ticks are dropped
    bool m_inTransition = false;
    std::deque<TransitionMessage> m_input;
    CSlideDecoder m_decoder;
    CScreenSaverInhibitor m_inhibitor;
};

} // namespace tsl
