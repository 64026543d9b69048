#pragma once
// The dialogs of the image commands: Trim Image (170), Color Depth (168), Image Size (169) and
// Image Transparency (172). Each names itself "Dialog<id>" and its controls "Control<id>", so
// tests find them by their resource numbers; none remembers anything between uses.

#include "core/Colour.h"

#include <QDialog>

class QButtonGroup;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSlider;

namespace tsl {

class CBmpBtn;

inline constexpr int IDD_COLOR_DEPTH = 168;
inline constexpr int IDD_IMAGE_SIZE = 169;
inline constexpr int IDD_TRIM_IMAGE = 170;
inline constexpr int IDD_IMAGE_TRANSPARENCY = 172;
inline constexpr int IDC_SIZE_WIDTH = 1105;
inline constexpr int IDC_SIZE_HEIGHT = 1106;
inline constexpr int IDC_TRIM_VALUE = 1117;
inline constexpr int IDC_TRIM_SLIDER = 1118;
inline constexpr int IDC_DEPTH_1 = 1135;
inline constexpr int IDC_DEPTH_4 = 1136;
inline constexpr int IDC_DEPTH_8 = 1137;
inline constexpr int IDC_DEPTH_24 = 1138;
inline constexpr int IDC_SIZE_CENTER = 1141;
inline constexpr int IDC_TRANSPARENCY_NONE = 1151;
inline constexpr int IDC_TRANSPARENCY_BACK = 1152;
inline constexpr int IDC_TRANSPARENCY_FORE = 1153;
inline constexpr int IDC_TRANSPARENCY_COLOUR = 1154;
inline constexpr int IDC_TRANSPARENCY_BUTTON = 1155;

// Trim Image: slider 1118 (0..244, starting at 30) and the read-only box 1117 showing its
// position as "%d". The threshold is the box's decimal value.
class CTrimDlg : public QDialog {
    Q_OBJECT
public:
    explicit CTrimDlg(QWidget* parent = nullptr);
    int Threshold() const;
    QSlider* Slider() const { return m_slider; }
    QLineEdit* ValueBox() const { return m_value; }

private:
    QSlider* m_slider;
    QLineEdit* m_value;
};

// Color Depth: four options 1135..1138 for 1, 4, 8 and 24 bits; the document's depth is
// selected on opening (none for another depth). ChosenDepth: the option's bits, 24 with none.
class CColorDepthDlg : public QDialog {
    Q_OBJECT
public:
    CColorDepthDlg(int currentDepth, QWidget* parent = nullptr);
    int ChosenDepth() const;
    QButtonGroup* Options() const { return m_options; }

private:
    QButtonGroup* m_options;
};

// Image Size: "Width" (1105) and "Height" (1106) starting at the image's size, "Center Image"
// (1141) on. OK is enabled only while both boxes hold a whole number of at least 1, so a zero,
// negative or non-numeric size can never be confirmed.
class CImageSizeDlg : public QDialog {
    Q_OBJECT
public:
    CImageSizeDlg(int width, int height, QWidget* parent = nullptr);
    // The boxes' decimal values; 0 when a box holds no valid size.
    int NewWidth() const;
    int NewHeight() const;
    bool Centre() const;
    QLineEdit* WidthBox() const { return m_width; }
    QLineEdit* HeightBox() const { return m_height; }
    QCheckBox* CentreBox() const { return m_centre; }
    QPushButton* OkButton() const { return m_ok; }

private:
    QLineEdit* m_width;
    QLineEdit* m_height;
    QCheckBox* m_centre;
    QPushButton* m_ok;
};

// Image Transparency: options 1151..1154, the colour button 1155 ("L:1~" with the chosen colour
// as its face) enabled for every option but "No transparency", and the note on GIF files.
// "current background/foreground color" take the control's colours; the button opens the
// colour dialog.
class CTransparencyDlg : public QDialog {
    Q_OBJECT
public:
    CTransparencyDlg(bool transparent, COLORREF colour, COLORREF fore, COLORREF back,
                     QWidget* parent = nullptr);
    // The option chosen: 0 none, 1 background, 2 foreground, 3 set colour.
    int Option() const;
    void SetOption(int option);
    COLORREF Colour() const { return m_colour; }
    QButtonGroup* Options() const { return m_options; }
    CBmpBtn* ColourButton() const { return m_button; }
    QLabel* Note() const { return m_note; }
    // The colour button's action: the colour dialog, starting from the chosen colour.
    void ChooseColour();

private:
    void SetColour(COLORREF colour);
    QButtonGroup* m_options;
    CBmpBtn* m_button;
    QLabel* m_note;
    COLORREF m_colour;
    COLORREF m_fore;
    COLORREF m_back;
};

} // namespace tsl
