#pragma once
// CToolBarEx: a flat tool bar that paints its own buttons. A button is flat until the mouse is
// over it (hot: raised), sunken while pressed, sunken on a dithered background while latched
// (checked), and shows an embossed image while disabled (the dark pixels of its icon, first in
// the highlight colour one pixel down and right, then in the shadow colour). A gripper of two
// etched 3-pixel bars lies along the left edge (along the top when docked vertically) unless
// the bar floats, cannot move, or the gripper flag is clear.
//
// Hot tracking follows the buttons' enter and leave events, so a button is repainted the
// moment the mouse leaves it. The colours (button face, highlight, shadow and 3-D light; the
// highlight stands in for a 3-D light equal to the face) are read from the palette at
// construction and again when it changes.
//
// Buttons carry their command identifier in the action property "tslCommandId", as the
// frame's command actions do. A child control (a chooser, a combo box) takes the place of the
// entry of a command identifier: SetButtonControl puts it there, and it moves with that place
// when the layout changes.
//
// customDraw is emitted while painting, so an owner can draw over the bar and its buttons:
// PrePaint and PostPaint for the bar (index -1), ItemPrePaint and ItemPostPaint for each
// button with its index among the bar's actions.

#include <QColor>
#include <QToolBar>

#include <map>

class QToolButton;
class QWidgetAction;

namespace tsl {

class CToolBarEx : public QToolBar {
    Q_OBJECT
public:
    enum CustomDrawStage { PrePaint, PostPaint, ItemPrePaint, ItemPostPaint };
    static constexpr const char* kCommandProperty = "tslCommandId";

    explicit CToolBarEx(const QString& title, QWidget* parent = nullptr);
    ~CToolBarEx() override;

    // The command identifier of an entry: 0 for separators and plain actions.
    static int CommandOf(const QAction* action);
    // The bar's entry for a command (a button or a control's place); null when none.
    QAction* EntryFor(int command) const;
    // The index of an entry among the bar's actions; -1 when absent.
    int IndexOf(const QAction* action) const;
    QRect ButtonRect(int index) const;

    // Puts control in the place of the command's entry, or at the end when the bar has none.
    QAction* SetButtonControl(int command, QWidget* control);
    QWidget* ButtonControl(int command) const;
    // The action that carries a control on the bar.
    QWidgetAction* ControlAction(int command) const;

    int HotButton() const { return m_hot; }
    void SetGripper(bool on);
    bool HasGripper() const { return m_gripper; }
    // Whether the gripper is drawn now (flag set, movable, docked).
    bool ShowsGripper() const;

    QColor FaceColour() const { return m_face; }
    QColor HighlightColour() const { return m_highlight; }
    QColor ShadowColour() const { return m_shadow; }
    QColor LightColour() const { return m_light; }

    // The embossed image of a disabled button: transparent, with the icon's dark pixels in the
    // highlight colour moved one pixel down and right and in the shadow colour on top.
    QImage EmbossedImage(const QImage& icon) const;

signals:
    void customDraw(int stage, int index, QPainter* painter, const QRect& rect);

protected:
    void actionEvent(QActionEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ReadColours();
    void AdoptButton(QWidget* widget);
    void PaintButton(QToolButton* button);
    void DrawGripper(QPainter& painter);

    QColor m_face, m_highlight, m_shadow, m_light;
    int m_hot = -1;
    bool m_gripper = true;
    std::map<int, QWidgetAction*> m_controls;
};

} // namespace tsl
