#pragma once
// The New Image dialog: width and height in pixels, inches or centimetres (72 pixels an inch),
// the background colour (a button that opens the colour dialog and shows the choice) and the
// colour depth. It starts from section "New" of the settings and writes it back on OK.

#include "core/Colour.h"

#include <QDialog>

class QButtonGroup;
class QLineEdit;
class QPushButton;

namespace tsl {

enum class Unit { Pixels = 0, Inches = 1, Centimetres = 2 };

// A box's text converted from one unit to another, as the dialog writes it: "%e" for inches
// and centimetres, a truncated decimal integer for pixels.
QString ConvertUnitText(const QString& text, Unit from, Unit to);
// A box's text in whole pixels, at least 1.
int PixelsOf(const QString& text, Unit unit);
// Colour depth index 0..5 to bits per pixel: 1, 4, 8, 16, 24, 32.
int DepthForIndex(int index);

class CNewImageDlg : public QDialog {
    Q_OBJECT
public:
    explicit CNewImageDlg(QWidget* parent = nullptr);

    int WidthPixels() const;
    int HeightPixels() const;
    int BitsPerPixel() const;
    COLORREF Background() const { return m_background; }

    QLineEdit* WidthBox() const { return m_width; }
    QLineEdit* HeightBox() const { return m_height; }
    QButtonGroup* Units() const { return m_units; }
    QButtonGroup* Depths() const { return m_depths; }
    QPushButton* ColourButton() const { return m_colour; }

    void accept() override;

private:
    void ChangeUnit(int unit);
    void ChooseColour();
    void PaintColourButton();

    QLineEdit* m_width;
    QLineEdit* m_height;
    QButtonGroup* m_units;
    QButtonGroup* m_depths;
    QPushButton* m_colour;
    Unit m_unit = Unit::Pixels;
    COLORREF m_background = RGB(255, 255, 255);
};

} // namespace tsl
