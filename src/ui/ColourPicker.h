#pragma once
// CColourPicker: a CCoolCombo whose cells are colours (16 x 16, eight to a row). The face
// shows the current colour as a swatch (the highlighted one while the popup is open); the
// default entry ("Automatic" unless the owner sets another text) makes the colour -1, shown
// as the button face with an outline; the extra entry "More Colors..." opens the platform's
// colour dialog.
//
// Face rules: the swatch is filled with the colour (a palette-relative reference is drawn as
// its RGB value: the screen has no palette, so the picker's palette and its use-palette flag
// change nothing on it); a colour whose squared red, green and blue distance from the button
// face is below 255 gets a black one-pixel outline, the default entry one in the button-shadow
// colour; a disabled picker draws the swatch as an etched rectangle. With a face picture (a
// tool bar image) the picture is drawn above a swatch strip four pixels high.
//
// More Colors: the popup is already closed; 1985 is sent, the colour dialog opens with the
// current colour (black for the default); OK selects the chosen colour and sends 1978 with it,
// Cancel sends 1979, and a dialog that cannot be shown gives the message "Unable to display
// colour chooser dialog". Other extra entries the owner adds send 1981 as in CCoolCombo.

#include "core/Colour.h"
#include "core/Dib.h"
#include "ui/CoolCombo.h"

#include <QString>

#include <array>
#include <vector>

namespace tsl {

struct ColourEntry {
    COLORREF colour;
    QString name; // at most 64 characters are kept
};

class CColourPicker : public CCoolCombo {
    Q_OBJECT
public:
    static constexpr int kDefaultCount = 40;
    static constexpr int kCellSize = 16;
    static constexpr int kMaxNameLength = 64;

    explicit CColourPicker(QWidget* parent = nullptr);
    ~CColourPicker() override;

    static const std::vector<ColourEntry>& DefaultColours();

    // Copies n entries; with none (nullptr or n <= 0) the 40 default colours.
    void SetColourList(const ColourEntry* entries, int n);
    void SetColourList(const std::vector<ColourEntry>& entries) {
        SetColourList(entries.data(), static_cast<int>(entries.size()));
    }
    const std::vector<ColourEntry>& Colours() const { return m_colours; }
    int ItemCount() const override { return static_cast<int>(m_colours.size()); }

    void SelectColour(COLORREF colour);
    COLORREF Colour() const { return m_colour; }
    // The list index of a colour; else 1000 (the "More Colors..." entry), or -1 when that
    // entry has been removed.
    int LookUp(COLORREF colour) const;

    void SetUsePalette(bool use) { m_usePalette = use; }
    bool UsesPalette() const { return m_usePalette; }
    // The palette made from the list: exactly its colours.
    const std::vector<RGBQUAD>& Palette() const { return m_palette; }
    void SetCustomColours(const std::array<COLORREF, 16>& colours) { m_custom = colours; }
    const std::array<COLORREF, 16>& CustomColours() const { return m_custom; }

    // The colour the face swatch shows now, and whether it is outlined, in which colour.
    QColor SwatchColour() const;
    QColor SwatchOutline() const; // invalid: none
    QRect SwatchRect() const;

    QSize sizeHint() const override;

protected:
    void DrawCell(QPainter& painter, const QRect& cell, int index, bool enabled) override;
    void DrawFace(QPainter& painter, const QRect& face) override;
    int CurrentSlot() const override;
    int CellData(int index) const override;
    QString CellTip(int index) const override;
    void ChooseCell(int index) override;
    void ChooseDefault() override;
    void ChooseExtra(int index) override;

private:
    COLORREF ShownColour() const;
    void MoreColours();

    std::vector<ColourEntry> m_colours;
    std::vector<RGBQUAD> m_palette;
    bool m_usePalette = true;
    COLORREF m_colour = kNoColour;
    std::array<COLORREF, 16> m_custom{};
};

// A colour reference as a colour to draw (the palette-relative flag dropped).
QColor ColourOfRef(COLORREF colour);
COLORREF RefOfColour(const QColor& colour);

} // namespace tsl
