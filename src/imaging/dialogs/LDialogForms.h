#pragma once
// The forms LDialog shows (imaging/dialogs/LDialog.h): the angle dialog and the size dialog,
// each with a live preview (CImagePreview). Tests reach the controls through the accessors.

#include "core/Colour.h"
#include "imaging/LBitmap.h"
#include "imaging/dialogs/LDialog.h"

#include <QDialog>
#include <QImage>
#include <QLabel>

#include <functional>

class QCheckBox;
class QLayout;
class QComboBox;
class QDoubleSpinBox;
class QRadioButton;
class QSpinBox;
class QTimer;

namespace tsl {

class CColourPicker;

// Lays out a parameter dialog: the form beside the preview, OK and Cancel below.
void LayOutWithPreview(QDialog& dialog, QLayout* form, QWidget* preview);

// A preview box: holds a copy of the picture that fits the box (made once), and shows what a
// render function makes of it. Changes are coalesced: Schedule() re-renders on the next turn of
// the event loop, so a burst of edits costs one render.
class CImagePreview : public QLabel {
    Q_OBJECT
public:
    static constexpr int kBoxWidth = 320;
    static constexpr int kBoxHeight = 240;
    using Render = std::function<void(LBitmapBase& copy)>;

    CImagePreview(const LBitmapBase& picture, Render render, QWidget* parent = nullptr);

    // The copy the renders start from (a fresh one each time), its scale to the picture.
    const LBitmapBase& Copy() const { return m_copy; }
    double Scale() const { return m_scale; }
    void Schedule();
    // Renders now (what the scheduled render runs).
    void RenderNow();
    const QImage& Shown() const { return m_shown; }
    int RenderCount() const { return m_renders; }

    // A copy of picture that fits w x h (never enlarged): sampled to twice the size, then
    // averaged down, so a 24-megapixel picture is read once, sparsely.
    static LBitmapBase FittingCopy(const LBitmapBase& picture, int w, int h, double* scale);

private:
    LBitmapBase m_copy;
    double m_scale = 1.0;
    Render m_render;
    QTimer* m_timer;
    QImage m_shown;
    int m_renders = 0;
};

class CAngleDlg : public QDialog {
    Q_OBJECT
public:
    CAngleDlg(const LBitmapBase& picture, unsigned kind, QWidget* parent = nullptr);

    bool IsShear() const { return m_shear; }
    int Angle() const;               // hundredths of a degree
    unsigned AngleFlag() const;
    COLORREF BackColour() const;
    void SetAngle(int hundredths);
    void SetBackColour(COLORREF colour);

    QDoubleSpinBox* AngleBox() const { return m_angle; }
    QCheckBox* ResizeBox() const { return m_resize; }
    QRadioButton* HorizontalButton() const { return m_horizontal; }
    QRadioButton* VerticalButton() const { return m_vertical; }
    CColourPicker* ColourPicker() const { return m_colour; }
    CImagePreview* Preview() const { return m_preview; }

private:
    bool m_shear;
    QDoubleSpinBox* m_angle;
    QCheckBox* m_resize = nullptr;
    QRadioButton* m_horizontal = nullptr;
    QRadioButton* m_vertical = nullptr;
    CColourPicker* m_colour;
    CImagePreview* m_preview;
};

class CSizeDlg : public QDialog {
    Q_OBJECT
public:
    CSizeDlg(const LBitmapBase& picture, int width, int height, unsigned method,
             QWidget* parent = nullptr);

    int NewWidth() const;  // pixels
    int NewHeight() const;
    unsigned Method() const; // a Size flag
    // Sets the size in pixels (shown in the current unit); with keep-aspect on, height follows.
    void SetPixels(int width, int height);

    QSpinBox* WidthBox() const { return m_width; }
    QSpinBox* HeightBox() const { return m_height; }
    QComboBox* UnitBox() const { return m_unit; }
    QCheckBox* KeepAspectBox() const { return m_keepAspect; }
    QComboBox* MethodBox() const { return m_method; }
    CImagePreview* Preview() const { return m_preview; }

private:
    bool Percent() const;
    // With keep-aspect on, `to` follows a change of `from` (sides of fromBase and toBase pixels).
    void Follow(QSpinBox* from, int fromBase, QSpinBox* to, int toBase);
    void OnWidthChanged();
    void OnHeightChanged();
    void OnUnitChanged();
    // A box value in pixels of a side of `base` pixels.
    long long PixelsOf(int value, int base) const;

    int m_baseWidth;
    int m_baseHeight;
    QSpinBox* m_width;
    QSpinBox* m_height;
    QComboBox* m_unit;
    QCheckBox* m_keepAspect;
    QComboBox* m_method;
    CImagePreview* m_preview;
    bool m_linking = false;
    int m_lastUnit = 0;
};

} // namespace tsl
