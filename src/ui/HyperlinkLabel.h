#pragma once
// A static text that draws itself in its own font and colours, follows a link when clicked,
// and can blink its text or flash its background.
//
// Click (left button press) dispatch on the link target, or on the label text when the target
// is empty:
//   "http:..." or "https:..."  opened with the desktop's handler. https is accepted as well
//                              because today's web addresses are https;
//   "mailto:..."               opened as it stands (never "mailto:mailto:...");
//   "msg:<decimal>"            emits commandRequested(<decimal>); the owner routes it as a
//                              command to the parent window. "msg:" without digits does nothing;
//   anything else with "@"     opened as "mailto:" + text;
//   anything else              nothing happens.
// Scheme prefixes are compared without regard to case, as URL schemes are.
//
// While linking is disabled the control receives no clicks at all: they pass through to the
// widget below it.
//
// Effects: mode 1 blinks the text, mode 2 flashes the background between the background colour
// and the face colour. Each Tick() toggles the phase; the owner's timer calls it, or
// StartEffect() runs a timer of the control's own.

#include <QColor>
#include <QLabel>
#include <QString>

class QCursor;
class QTimer;

namespace tsl {

class CHyperlinkLabel : public QLabel {
    Q_OBJECT
public:
    enum Effect : int { EffectNone = 0, EffectBlinkText = 1, EffectFlashBackground = 2 };

    explicit CHyperlinkLabel(QWidget* parent = nullptr);
    explicit CHyperlinkLabel(const QString& text, QWidget* parent = nullptr);
    ~CHyperlinkLabel() override;

    void SetTextColour(const QColor& colour);
    // An invalid colour removes the background: the face colour is painted instead.
    void SetBackgroundColour(const QColor& colour);
    void SetBold(bool bold);
    void SetUnderline(bool underline);
    // Character height in pixels; values below 1 are ignored.
    void SetFontHeight(int pixels);
    void SetLink(bool enabled, const QString& target = QString());
    void SetLinkCursor(const QCursor& cursor);
    void ClearLinkCursor();

    void SetEffectMode(int mode);
    // The text shown in the on phase of blinking.
    void SetEffectText(const QString& text);
    // Sets the mode and ticks it every intervalMs from a timer of the control's own. Blinking
    // with no effect text set blinks the current text.
    void StartEffect(int mode, int intervalMs);
    // Stops the own timer, leaves effect mode 0 and shows the effect text again after blinking.
    void StopEffect();

    QColor TextColour() const { return m_textColour; }
    QColor BackgroundColour() const { return m_background; } // invalid when none
    QColor FaceColour() const { return m_face; }
    // The colour painted behind the text now: the background colour when one is set, except in
    // the off phase of flashing, otherwise the face colour.
    QColor CurrentBackground() const;
    QString LinkTarget() const { return m_linkTarget; }
    bool IsLinkEnabled() const { return m_linkEnabled; }
    int EffectMode() const { return m_effectMode; }
    bool EffectPhase() const { return m_effectPhase; }
    QString EffectText() const { return m_effectText; }

public slots:
    // One effect step; does nothing in mode 0.
    void Tick();

signals:
    // A "msg:<id>" link was clicked.
    void commandRequested(int id);

protected:
    void changeEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void FollowLink();
    void ChangeFont(const QFont& font);

    QColor m_textColour;
    QColor m_background;
    QColor m_face;
    QString m_linkTarget;
    bool m_linkEnabled = true;
    int m_effectMode = EffectNone;
    bool m_effectPhase = false;
    QString m_effectText;
    QTimer* m_effectTimer = nullptr; // created by StartEffect
};

} // namespace tsl
