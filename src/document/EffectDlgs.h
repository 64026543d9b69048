#pragma once
// The dialogs of the program's own effects: Blend (164), Drop Shadow (166) and Buttonize
// (167), each with a live preview (picture control 1107). Values come in pairs of a box and a
// scroll bar (CValueBar). A change re-renders the preview on the next turn of the event loop,
// so a burst of edits costs one render. Tests reach the controls through the accessors; the
// controls carry their numbers as object names.

#include "document/ButtonFile.h"
#include "document/Effects.h"

#include <QDialog>
#include <QImage>
#include <QLabel>

#include <functional>

class QLineEdit;
class QRadioButton;
class QCheckBox;
class QScrollArea;
class QScrollBar;
class QTimer;

namespace tsl {

class CColourPicker;

// A value box and its scroll bar. Typing moves the bar to the typed value limited to the bar's
// range; moving the bar writes its position into the box. Value() is the box's value limited
// to the range (text that is no number counts as 0).
class CValueBar : public QObject {
    Q_OBJECT
public:
    CValueBar(int boxId, int barId, int min, int max, int value, Qt::Orientation orientation,
              QObject* parent);
    int Value() const;
    void SetValue(int value); // box and bar, without a changed() signal
    QLineEdit* Box() const { return m_box; }
    QScrollBar* Bar() const { return m_bar; }
signals:
    void changed();

private:
    QLineEdit* m_box;
    QScrollBar* m_bar;
    int m_min, m_max;
    bool m_syncing = false;
};

// The picture control: shows a rendering, cut to its size (actual size) or fitted to it.
class CEffectPreview : public QLabel {
    Q_OBJECT
public:
    static constexpr int kBoxWidth = 320;
    static constexpr int kBoxHeight = 240;
    explicit CEffectPreview(QWidget* parent = nullptr);
    void Show(const QImage& image);
    const QImage& Shown() const { return m_shown; }
    int RenderCount() const { return m_renders; }

private:
    QImage m_shown;
    int m_renders = 0;
};

// Blend: a percentage 0..100 (box 1101, bar 1106), preview of the part blended with the
// overlay, both resized to fit the preview box.
class CBlendDlg : public QDialog {
    Q_OBJECT
public:
    CBlendDlg(const QString& caption, const CDdb& part, const CDdb& overlay, QWidget* parent = nullptr);
    int Percent() const { return m_percent->Value(); }
    CValueBar* PercentBar() const { return m_percent; }
    CEffectPreview* Preview() const { return m_preview; }
    void RenderNow();

private:
    CDdb m_part, m_overlay; // the preview's resized copies
    CValueBar* m_percent;
    CEffectPreview* m_preview;
    QTimer* m_timer;
};

// Drop Shadow: colour 1108, opacity 1109/1113, blur 1110/1114, offsets 1111/1115 and
// 1112/1117; the preview is the result inside the selection at actual size.
class CDropShadowDlg : public QDialog {
    Q_OBJECT
public:
    CDropShadowDlg(const CDdb& whole, const CRect& selection, COLORREF back, QWidget* parent = nullptr);
    CDropShadow Values() const;
    // The result inside DropShadowArea at the current values, and that area.
    CDdb Result(CRect* area);
    CColourPicker* ColourPicker() const { return m_colour; }
    CValueBar* Opacity() const { return m_opacity; }
    CValueBar* Blur() const { return m_blur; }
    CValueBar* HorizontalOffset() const { return m_dx; }
    CValueBar* VerticalOffset() const { return m_dy; }
    CEffectPreview* Preview() const { return m_preview; }
    void RenderNow();

private:
    const CDdb& Silhouette(const CDropShadow& values);

    const CDdb& m_whole;
    CRect m_selection;
    COLORREF m_back;
    CDdb m_part;
    CDdb m_silhouette;
    COLORREF m_silhouetteColour = kNoColour;
    int m_silhouetteBlur = -1;
    CColourPicker* m_colour;
    CValueBar *m_opacity, *m_blur, *m_dx, *m_dy;
    CEffectPreview* m_preview;
    QScrollArea* m_scroll;
    QTimer* m_timer;
};

// Buttonize: size 1106/1129, opacity 1109/1130, brightness 1127/1131, colours 1122 and 1123,
// Auto-set 1132, states Normal 1118, Pressed 1119, Roll-over 1120; Create Images, Save
// Settings..., Load Settings...; the preview shows the current state's rendering fitted.
class CButtonizeDlg : public QDialog {
    Q_OBJECT
public:
    using NewImage = std::function<void(const CDdb& image)>;
    CButtonizeDlg(const CDdb& part, COLORREF back, const CButtonRecords& records, NewImage newImage,
                  QWidget* parent = nullptr);

    int State() const { return m_state; }
    void SelectState(int state);
    // The records with the controls stored into the current one.
    const CButtonRecords& Records();
    CDdb Rendering();
    // What the colour buttons' choices run (Auto-set included).
    void PickUpperLeft(COLORREF colour);
    void PickBottomRight(COLORREF colour);
    void CreateImages();
    void SaveSettings();
    void LoadSettings();

    CValueBar* Size() const { return m_size; }
    CValueBar* Opacity() const { return m_opacity; }
    CValueBar* Brightness() const { return m_brightness; }
    CColourPicker* UpperLeft() const { return m_upperLeft; }
    CColourPicker* BottomRight() const { return m_bottomRight; }
    QCheckBox* AutoSet() const { return m_autoSet; }
    QRadioButton* StateButton(int state) const { return m_stateButtons[state]; }
    CEffectPreview* Preview() const { return m_preview; }
    void RenderNow();

private:
    void StoreControls();
    void ShowRecord();
    void Changed();

    CDdb m_part;
    COLORREF m_back;
    CButtonRecords m_records;
    NewImage m_newImage;
    int m_state = kButtonNormal;
    bool m_showing = false;
    CValueBar *m_size, *m_opacity, *m_brightness;
    CColourPicker *m_upperLeft, *m_bottomRight;
    QCheckBox* m_autoSet;
    QRadioButton* m_stateButtons[3];
    CEffectPreview* m_preview;
    QTimer* m_timer;
};

// Where Buttonize's file dialogs start: the program folder's "Bin".
QString ButtonSettingsFolder();

} // namespace tsl
