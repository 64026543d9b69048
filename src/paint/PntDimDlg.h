#pragma once
// "Enter Bitmap Dimensions" (template 28103): width and height in pixels, colour depth and
// "Crop to selection rectangle", opened by the paint control to create or reshape its image.
//
// SetValues fills the controls at once (a depth not in the list selects "256 Colors");
// SetCropAllowed(false) clears and disables the crop box. The width and height edits and their
// labels are enabled exactly when the crop box is clear.
//
// OK reads the numbers: a text that is not an integer is refused with "Please enter an
// integer."; a side outside 1..kSideLimit or an area above kPixelLimit is refused as well, so
// the caller never has to allocate an impossible image. Each refusal keeps the dialog open
// with the offending edit focused and selected. When the crop box is ticked the numbers are
// not read at all: the caller crops to its selection, whose size is the answer.
//
// Width() and Height() give the integer an edit holds, or the value last set or accepted when
// it holds none; Crop() is the ticked state of the crop box; BitsPerPixel() maps the
// chosen list index to 1, 4, 8, 16, 24 or 32 bits (8 for no index).

#include "paint/PntDlg.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;

namespace tsl {

class CPntDimDlg : public CPntDlg {
    Q_OBJECT
public:
    explicit CPntDimDlg(QWidget* parent = nullptr);

    void SetValues(int width, int height, int bitsPerPixel);
    void SetCropAllowed(bool allowed);

    int Width() const;
    int Height() const;
    bool Crop() const;
    int BitsPerPixel() const;

    // The controls, for tests and callers that script the dialog.
    QLineEdit* WidthEdit() const { return m_widthEdit; }
    QLineEdit* HeightEdit() const { return m_heightEdit; }
    QComboBox* DepthList() const { return m_depthList; }
    QCheckBox* CropBox() const { return m_cropBox; }
    QLabel* WidthLabel() const { return m_widthLabel; }
    QLabel* HeightLabel() const { return m_heightLabel; }

protected:
    bool TransferAndValidate() override;

private:
    void UpdateSizeControls();
    bool Refuse(QLineEdit* edit, const QString& text);

    QLabel* m_widthLabel;
    QLineEdit* m_widthEdit;
    QLabel* m_heightLabel;
    QLineEdit* m_heightEdit;
    QComboBox* m_depthList;
    QCheckBox* m_cropBox;
    int m_width = 0;
    int m_height = 0;
};

} // namespace tsl
