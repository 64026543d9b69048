#pragma once
// The filter forms LDialog shows (imaging/dialogs/LDialog.h): change value, noise, emboss and
// spatial filter, each with a live preview of the bound picture (CImagePreview). Filters whose
// value is a size in pixels (blur, median, oilify and mosaic) preview on the box-sized copy with
// that size scaled by the copy's scale, so the preview looks like the final result.

#include "imaging/dialogs/LDialogForms.h"

#include <vector>

class QComboBox;
class QSlider;
class QSpinBox;

namespace tsl {

class CChangeDlg : public QDialog {
    Q_OBJECT
public:
    // flag: one of the kChange... values of LDialog.h (known; LDialog checks it).
    CChangeDlg(const LBitmapBase& picture, unsigned flag, int start, QWidget* parent = nullptr);
    int Change() const;
    // The range and default of a flag's value; false for an unknown flag.
    static bool Range(unsigned flag, int& min, int& max, int& standard);
    // The value the preview uses for the copy at `scale`.
    static int PreviewValue(unsigned flag, int value, double scale);
    // Runs the flag's filter on picture.
    static int Apply(LBitmap& picture, unsigned flag, int value);

    QSpinBox* ValueBox() const { return m_value; }
    QSlider* Slider() const { return m_slider; }
    CImagePreview* Preview() const { return m_preview; }

private:
    unsigned m_flag;
    QSpinBox* m_value;
    QSlider* m_slider;
    CImagePreview* m_preview;
};

class CNoiseDlg : public QDialog {
    Q_OBJECT
public:
    CNoiseDlg(const LBitmapBase& picture, int range, int channel, QWidget* parent = nullptr);
    int Range() const;
    int Channel() const; // kNoiseChannel...
    QSpinBox* RangeBox() const { return m_range; }
    QComboBox* ChannelBox() const { return m_channel; }
    CImagePreview* Preview() const { return m_preview; }

private:
    QSpinBox* m_range;
    QComboBox* m_channel;
    CImagePreview* m_preview;
};

class CEmbossDlg : public QDialog {
    Q_OBJECT
public:
    CEmbossDlg(const LBitmapBase& picture, int direction, int depth, QWidget* parent = nullptr);
    int Direction() const; // degrees, a multiple of 45
    int Depth() const;
    QComboBox* DirectionBox() const { return m_direction; }
    QSpinBox* DepthBox() const { return m_depth; }
    CImagePreview* Preview() const { return m_preview; }

private:
    QComboBox* m_direction;
    QSpinBox* m_depth;
    CImagePreview* m_preview;
};

class CFilterDlg : public QDialog {
    Q_OBJECT
public:
    // family: kSpatialFamily... flags (several may be combined); ids lists the offered filters.
    CFilterDlg(const LBitmapBase& picture, unsigned family, int start, QWidget* parent = nullptr);
    int Filter() const; // the chosen filter id
    const std::vector<int>& Ids() const { return m_ids; }
    QComboBox* FilterBox() const { return m_filter; }
    CImagePreview* Preview() const { return m_preview; }

private:
    std::vector<int> m_ids;
    QComboBox* m_filter;
    CImagePreview* m_preview;
};

} // namespace tsl
