#pragma once
// CBmpBtn: a push button that draws itself from its caption, a string of directives
// (BmpBtnCaption.h): images for its states, colours, bevel style, font, text, cursor, click
// sound, and whether it acts as a push button ('P', 'I'), check box ('C'), radio button ('R')
// or auto-repeat button ('S'). The caption is the button's text().
//
// Drawing states: up, down (pressed or checked), disabled and rollover (mouse over a button
// with a rollover image). Pixel arithmetic: with the outline flag set the item rectangle's
// border is the one-pixel black outline and the drawing rectangle lies inside it; without it
// the drawing rectangle is the whole item. Bevels are drawn inside the drawing rectangle, the
// top and left lines first, the bottom and right lines over their corners. In the group-box
// form the caption text is drawn on a strip of the face colour so the frame line does not
// cross it.
//
// Behaviour:
// - Press (mouse or space): the down state, with a black frame one pixel inside the drawing
//   rectangle when the outer bevel width is above 0 (a checked check box shows up instead).
//   An auto-repeat button emits notified(id, 5) at once and again at each tick of its repeat
//   timer (repeat digit x 100 ms, digit 0 counting as 1) while it stays down; leaving the
//   button while held ends the repeats. Then the click sound plays through the platform.
// - Release inside: a check box toggles, a radio button becomes checked and unchecks the
//   other buttons of its group; clicked() is emitted as for any button.
// - Radio group: Qt has no dialog item ids or group style, so each button carries an integer
//   control id and a group-start flag (properties any widget may carry). The buttons of the
//   group are the parent widget's direct children with ids counting down from this button's
//   (itself first, then at most 17 more; stops after a group start) and up (at most 17; stops
//   before a group start); both walks stop at a missing id or a widget that is not a CBmpBtn.
// - Mouse over: a button with a cursor (u) shows it and emits cursorCommand(id + 1024) at each
//   mouse move; otherwise a push button ('P') emits notified(id, 5) at each mouse move, and a
//   button with a rollover image draws its rollover state while the mouse is inside (tracked
//   by enter and leave events), with a focus mark when it has the focus.

#include "codecs/CBmp.h"
#include "ui/BmpBtnCaption.h"

#include <QAbstractButton>
#include <QCursor>

#include <map>
#include <optional>

class QTimer;

namespace tsl {

class CBmpBtn : public QAbstractButton {
    Q_OBJECT
public:
    static constexpr int kNotifyCode = 5;
    static constexpr int kCursorCommandOffset = 1024;
    static constexpr int kGroupWalk = 17;
    static constexpr const char* kControlIdProperty = "tslControlId";
    static constexpr const char* kGroupStartProperty = "tslGroupStart";

    enum class State { Up, Down, Disabled, Rollover };

    explicit CBmpBtn(QWidget* parent = nullptr);
    CBmpBtn(const QString& caption, int controlId, QWidget* parent = nullptr);
    ~CBmpBtn() override;

    // The caption; setting it forgets the images read for the previous one.
    void SetCaption(const QString& caption);
    QString Caption() const { return text(); }
    BmpBtnCaption Parsed() const { return ParseBmpBtnCaption(text()); }

    QString GetDirective(const QString& key) const { return CaptionDirective(text(), key); }
    void SetDirective(const QString& key, const QString& value);
    // Writes "W:R<r>G<g>B<b>~"; the face colour reads the W item back (0xC0C0C0 without one).
    void SetFaceColour(COLORREF colour);
    COLORREF FaceColour() const;

    void SetControlId(int id);
    int ControlId() const;
    void SetGroupStart(bool start);
    bool IsGroupStart() const;

    // 'U' (up) or 'C' (checked); only check boxes and radio buttons are ever checked.
    QChar CheckState() const { return isChecked() ? QLatin1Char('C') : QLatin1Char('U'); }
    void SetCheckState(QChar state);
    QChar ButtonType() const { return Parsed().type; }

    bool IsHot() const { return m_hot; }
    bool HasCursor() const { return m_cursor.has_value(); }
    QTimer* RepeatTimer() const { return m_repeat; }
    // The state whole redraws show now (pressed and rollover included).
    State CurrentState() const;

    // Draws one state of the button into painter over rect() (no pressed frame, no focus).
    void DrawState(QPainter& painter, State state);

    QSize sizeHint() const override;

public slots:
    // One auto-repeat step: notifies again while the button is still down, else stops.
    void RepeatTick();

signals:
    // Notification code 5 with the control id (auto-repeat presses and repeats, mouse moves
    // over push buttons).
    void notified(int controlId, int code);
    // Control id + 1024: the mouse moved over a button with a cursor.
    void cursorCommand(int commandId);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void changeEvent(QEvent* event) override;
    void nextCheckState() override;

private:
    // Parses the caption, follows its type (checkable or not) and loads its cursor once.
    BmpBtnCaption Refresh();
    void OnPressed();
    void OnReleased();
    void ClearRadioGroup();
    QWidget* Sibling(int id) const;
    CBmp* Image(const QString& name);
    void PlaySound(const QString& sound);

    std::map<QString, CBmp> m_images; // images read for the current caption, by name
    std::optional<QCursor> m_cursor;
    bool m_cursorTried = false;
    bool m_hot = false;
    QTimer* m_repeat;
};

} // namespace tsl
