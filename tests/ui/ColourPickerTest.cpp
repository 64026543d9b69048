#include "ui/ColourPicker.h"

#include "support/TestEnvironment.h"

#include <QImage>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace tsl {
namespace {

using test::Script;
using Note = std::pair<int, int>;

QString S(const char* text) {
    return QString::fromLatin1(text);
}

// Records every notification in order.
struct Notes {
    std::vector<Note> list;
    explicit Notes(CCoolCombo& combo) {
        QObject::connect(&combo, &CCoolCombo::notified,
                         [this](int code, int data) { list.emplace_back(code, data); });
    }
    std::vector<int> Codes() const {
        std::vector<int> codes;
        for (const Note& n : list)
            codes.push_back(n.first);
        return codes;
    }
    void Clear() { list.clear(); }
};

void Hover(QWidget& widget, QPoint at) {
    QMouseEvent event(QEvent::MouseMove, QPointF(at), widget.mapToGlobal(QPointF(at)), Qt::NoButton,
                      Qt::NoButton, {});
    QApplication::sendEvent(&widget, &event);
}

void Key(QWidget& widget, int key) {
    QKeyEvent event(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(&widget, &event);
}

QRgb Pixel(QWidget& widget, QPoint at) {
    return widget.grab().toImage().pixel(at) & 0xFFFFFF;
}

TEST(ColourPicker, ConstructionAndTheFortyDefaultColours) {
    CColourPicker picker;
    EXPECT_EQ(picker.Title(), S("Choose Color"));
    EXPECT_EQ(picker.DefaultEntryText(), S("Automatic"));
    EXPECT_EQ(picker.ExtraEntries(), QStringList{S("More Colors...")});
    EXPECT_EQ(picker.Colour(), kNoColour);
    EXPECT_EQ(picker.CellSize(), QSize(16, 16));
    const std::vector<std::pair<COLORREF, const char*>> expected = {{0x000000, "Black"},
                                                                    {0x002AA5, "Brown"},
                                                                    {0x404000, "Dark Olive Green"},
                                                                    {0x008000, "Dark Green"},
                                                                    {0x5E0000, "Dark Teal"},
                                                                    {0x800000, "Dark Blue"},
                                                                    {0x82004B, "Indigo"},
                                                                    {0x282828, "Dark grey"},
                                                                    {0x000080, "Dark red"},
                                                                    {0x2068FF, "Orange"},
                                                                    {0x008080, "Dark yellow"},
                                                                    {0x009300, "Green"},
                                                                    {0x808000, "Dark Cyan"},
                                                                    {0xFF0000, "Blue"},
                                                                    {0xC07B7B, "Blue-grey"},
                                                                    {0x666666, "Grey - 40%"},
                                                                    {0x0000FF, "Red"},
                                                                    {0x5BADFF, "Light orange"},
                                                                    {0x32CD32, "Lime"},
                                                                    {0x71B33C, "Sea green"},
                                                                    {0xFFFF00, "Cyan"},
                                                                    {0xC09E7D, "Light blue"},
                                                                    {0x800080, "Dark Magenta"},
                                                                    {0x808080, "Grey - 50%"},
                                                                    {0xCBC0FF, "Pink"},
                                                                    {0x00D7FF, "Gold"},
                                                                    {0x00FFFF, "Yellow"},
                                                                    {0x00FF00, "Bright green"},
                                                                    {0xD0E040, "Turquoise"},
                                                                    {0xFFFF80, "Light Cyan"},
                                                                    {0xFF00FF, "Magenta"},
                                                                    {0xC0C0C0, "Light grey"},
                                                                    {0xE1E4FF, "Rose"},
                                                                    {0x8CB4D2, "Tan"},
                                                                    {0x80FFFF, "Light yellow"},
                                                                    {0x80FF80, "Light green "},
                                                                    {0xEEEEAF, "Pale turquoise"},
                                                                    {0x8B8368, "Pale blue"},
                                                                    {0xFAE6E6, "Lavender"},
                                                                    {0xFFFFFF, "White"}};
    ASSERT_EQ(picker.Colours().size(), 40u);
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(picker.Colours()[i].colour, expected[i].first) << i;
        EXPECT_EQ(picker.Colours()[i].name, S(expected[i].second)) << i;
        EXPECT_EQ(picker.Palette()[i].rgbRed, GetRValue(expected[i].first)) << i;
        EXPECT_EQ(picker.Palette()[i].rgbBlue, GetBValue(expected[i].first)) << i;
    }
}

TEST(ColourPicker, PopupGridHighlightAndChoice) {
    CColourPicker picker;
    picker.resize(40, 22);
    Notes notes(picker);
    QTest::mouseClick(&picker, Qt::LeftButton);
    ASSERT_TRUE(picker.IsPopupOpen());
    EXPECT_EQ(notes.Codes(), (std::vector<int>{1982, 1976}));
    CCoolComboPopup& popup = *picker.Popup();
    // 40 cells of 16 x 16, eight to a row, under the default entry; nothing beyond.
    for (int i = 0; i < 40; ++i)
        EXPECT_EQ(popup.SlotRect(i).size(), QSize(16, 16)) << i;
    EXPECT_TRUE(popup.SlotRect(40).isEmpty());
    EXPECT_EQ(popup.SlotRect(8).top(), popup.SlotRect(0).bottom() + 1);
    EXPECT_LT(popup.SlotRect(-1).bottom(), popup.SlotRect(0).top());
    EXPECT_GT(popup.SlotRect(1000).top(), popup.SlotRect(39).bottom());
    EXPECT_EQ(popup.HotSlot(), -1) << "the current entry is the default";

    // Hovering a cell highlights it (1975 with its colour) and previews it on the face.
    notes.Clear();
    Hover(popup, popup.SlotRect(16).center());
    EXPECT_EQ(popup.HotSlot(), 16);
    ASSERT_EQ(notes.list.size(), 1u);
    EXPECT_EQ(notes.list[0], Note(1975, 0x0000FF));
    EXPECT_EQ(picker.SwatchColour(), QColor(255, 0, 0));
    Hover(popup, popup.SlotRect(1000).center());
    EXPECT_EQ(notes.list.back(), Note(1984, 1000));

    // A click closes the popup, then reports the colour.
    notes.Clear();
    QTest::mouseClick(&popup, Qt::LeftButton, {}, popup.SlotRect(13).center());
    EXPECT_FALSE(picker.IsPopupOpen());
    EXPECT_EQ(notes.list, (std::vector<Note>{{1977, 0}, {1978, 0xFF0000}}));
    EXPECT_EQ(picker.Colour(), 0xFF0000u);
    EXPECT_EQ(picker.SwatchColour(), QColor(0, 0, 255));
    EXPECT_EQ(Pixel(picker, picker.SwatchRect().center()), 0x0000FFu);
    EXPECT_FALSE(picker.SwatchOutline().isValid());

    // Reopened, the current colour is the highlighted cell; SelectColour moves it.
    picker.ShowPopup();
    EXPECT_EQ(picker.Popup()->HotSlot(), 13);
    picker.SelectColour(0xFFFFFF);
    EXPECT_EQ(picker.Popup()->HotSlot(), 39);
    picker.SelectColour(0x123456);
    EXPECT_EQ(picker.Popup()->HotSlot(), 1000) << "a colour not in the list is a custom one";
    picker.ClosePopup();
}

TEST(ColourPicker, DefaultEntryShowsTheButtonFaceWithAnOutline) {
    CColourPicker picker;
    picker.resize(40, 22);
    picker.SetDefaultEntryText(S("None"));
    picker.SelectColour(0x00FF00);
    Notes notes(picker);
    picker.ShowPopup();
    notes.Clear();
    QTest::mouseClick(picker.Popup(), Qt::LeftButton, {}, picker.Popup()->SlotRect(-1).center());
    EXPECT_EQ(notes.list, (std::vector<Note>{{1977, 0}, {1980, -1}}));
    EXPECT_EQ(picker.Colour(), kNoColour);
    const QColor face = picker.palette().color(QPalette::Button);
    const QColor shadow = picker.palette().color(QPalette::Dark);
    EXPECT_EQ(picker.SwatchColour(), face);
    EXPECT_EQ(picker.SwatchOutline(), shadow);
    const QRect swatch = picker.SwatchRect();
    EXPECT_EQ(Pixel(picker, swatch.topLeft()), shadow.rgb() & 0xFFFFFF);
    EXPECT_EQ(Pixel(picker, swatch.center()), face.rgb() & 0xFFFFFF);
    EXPECT_EQ(picker.DefaultEntryText(), S("None"));

    // A colour close to the button face gets a black outline; a distant one none.
    picker.SelectColour(RGB(face.red() - 5, face.green() - 5, face.blue() - 5));
    EXPECT_EQ(picker.SwatchOutline(), QColor(Qt::black));
    EXPECT_EQ(Pixel(picker, swatch.topLeft()), 0u);
    picker.SelectColour(RGB(face.red() - 10, face.green() - 10, face.blue() - 10));
    EXPECT_FALSE(picker.SwatchOutline().isValid());

    // Disabled: an etched rectangle instead of the colour.
    picker.SelectColour(0x0000FF);
    picker.setEnabled(false);
    const QImage image = picker.grab().toImage();
    EXPECT_NE(image.pixel(swatch.center()) & 0xFFFFFF, 0xFF0000u);
    EXPECT_EQ(image.pixel(swatch.topLeft()) & 0xFFFFFF,
              picker.palette().color(QPalette::Dark).rgb() & 0xFFFFFF);
    EXPECT_EQ(image.pixel(swatch.bottomRight()) & 0xFFFFFF,
              picker.palette().color(QPalette::Light).rgb() & 0xFFFFFF);
    picker.ShowPopup();
    EXPECT_FALSE(picker.IsPopupOpen()) << "a disabled picker does not open";
}

TEST(ColourPicker, MoreColorsClosesThePopupThenAsksTheColourDialog) {
    CColourPicker picker;
    picker.resize(40, 22);
    Notes notes(picker);
    bool openAtDialog = true;
    QObject::connect(&picker, &CCoolCombo::notified, [&](int code, int) {
        if (code == CCoolCombo::kNotifyMoreColours) openAtDialog = picker.IsPopupOpen();
    });
    Script().colourAnswers.push_back({platform::DialogResult::Ok, QColor(1, 2, 3)});
    picker.ShowPopup();
    notes.Clear();
    QTest::mouseClick(picker.Popup(), Qt::LeftButton, {}, picker.Popup()->SlotRect(1000).center());
    EXPECT_FALSE(openAtDialog);
    EXPECT_EQ(notes.list, (std::vector<Note>{{1977, 0}, {1985, 0}, {1978, int(RGB(1, 2, 3))}}));
    EXPECT_EQ(picker.Colour(), RGB(1, 2, 3));
    EXPECT_EQ(picker.SwatchColour(), QColor(1, 2, 3)) << "a colour outside the list still shows";
    EXPECT_EQ(picker.LookUp(RGB(1, 2, 3)), 1000);

    // Cancel changes nothing; a dialog that fails says so.
    notes.Clear();
    Script().colourAnswers.push_back({platform::DialogResult::Cancel, QColor(9, 9, 9)});
    picker.ShowPopup();
    picker.Popup()->ChooseSlot(1000);
    EXPECT_EQ(notes.Codes(), (std::vector<int>{1982, 1976, 1977, 1985, 1979}));
    EXPECT_EQ(picker.Colour(), RGB(1, 2, 3));
    EXPECT_TRUE(Script().messages.empty());
    Script().colourAnswers.push_back({platform::DialogResult::Failed, QColor()});
    picker.ShowPopup();
    picker.Popup()->ChooseSlot(1000);
    ASSERT_EQ(Script().messages.size(), 1u);
    EXPECT_EQ(Script().messages[0].text, S("Unable to display colour chooser dialog"));
    EXPECT_EQ(picker.Colour(), RGB(1, 2, 3));
}

TEST(ColourPicker, ShortListsAndKeyboard) {
    CColourPicker picker;
    picker.resize(40, 22);
    const std::vector<ColourEntry> two = {{0x000000, S("Black")}, {0xFFFFFF, S("White")}};
    picker.SetColourList(two);
    ASSERT_EQ(picker.ItemCount(), 2);
    picker.ShowPopup();
    EXPECT_FALSE(picker.Popup()->SlotRect(1).isEmpty());
    EXPECT_TRUE(picker.Popup()->SlotRect(2).isEmpty());
    EXPECT_EQ(picker.LookUp(0x0000FF), 1000);

    Notes notes(picker);
    Key(*picker.Popup(), Qt::Key_Down); // from the default entry to the first cell
    Key(*picker.Popup(), Qt::Key_Right);
    EXPECT_EQ(picker.Popup()->HotSlot(), 1);
    Key(*picker.Popup(), Qt::Key_Return);
    EXPECT_EQ(picker.Colour(), 0xFFFFFFu);
    EXPECT_EQ(notes.list.back(), Note(1978, 0xFFFFFF));

    notes.Clear();
    picker.ShowPopup();
    Key(*picker.Popup(), Qt::Key_Escape);
    EXPECT_FALSE(picker.IsPopupOpen());
    EXPECT_EQ(notes.Codes(), (std::vector<int>{1982, 1976, 1977, 1979}));
    EXPECT_EQ(picker.Colour(), 0xFFFFFFu);

    picker.SetColourList(nullptr, 0);
    EXPECT_EQ(picker.ItemCount(), 40);
    const std::vector<ColourEntry> longName = {{1, QString(100, QLatin1Char('n'))}};
    picker.SetColourList(longName);
    EXPECT_EQ(picker.Colours()[0].name.size(), 64);
}

TEST(CoolCombo, PictureChooserReportsIndexesDefaultAndExtraEntries) {
    // Five 32-pixel cells; light grey is transparent.
    QImage strip(160, 12, QImage::Format_RGB32);
    strip.fill(qRgb(192, 192, 192));
    for (int i = 0; i < 5; ++i)
        strip.setPixel(i * 32 + 16, 6, qRgb(0, 0, 0));
    CCoolCombo combo;
    combo.resize(60, 24);
    combo.SetItemStrip(strip, 32, qRgb(192, 192, 192));
    ASSERT_EQ(combo.ItemCount(), 5);
    const QImage first = combo.Item(0).toImage();
    EXPECT_EQ(first.size(), QSize(32, 12));
    EXPECT_EQ(qAlpha(first.pixel(0, 0)), 0);
    EXPECT_EQ(first.pixel(16, 6), qRgb(0, 0, 0));
    combo.SetExtraEntries({S("Custom...")});
    Notes notes(combo);

    combo.ShowPopup();
    ASSERT_TRUE(combo.Popup());
    EXPECT_EQ(combo.Popup()->SlotRect(0).size(), QSize(36, 16));
    EXPECT_EQ(combo.Popup()->SlotRect(1).top(), combo.Popup()->SlotRect(0).bottom() + 1)
        << "one column";
    notes.Clear();
    combo.Popup()->ChooseSlot(3);
    EXPECT_EQ(notes.list, (std::vector<Note>{{1977, 0}, {1978, 3}}));
    EXPECT_EQ(combo.CurrentIndex(), 3);
    combo.ShowPopup();
    combo.Popup()->ChooseSlot(1000);
    EXPECT_EQ(notes.list.back(), Note(1981, 0));
    EXPECT_EQ(combo.CurrentIndex(), 1000);
    combo.ShowPopup();
    combo.Popup()->ChooseSlot(-1);
    EXPECT_EQ(notes.list.back(), Note(1980, -1));
    EXPECT_EQ(combo.CurrentIndex(), -1);
    combo.EnableDefaultEntry(false);
    combo.ShowPopup();
    EXPECT_TRUE(combo.Popup()->SlotRect(-1).isEmpty());
    combo.Popup()->ChooseSlot(-1);
    EXPECT_TRUE(combo.IsPopupOpen()) << "no such entry";
    combo.ClosePopup();
    // The face shows the current item's picture.
    combo.SetCurrentIndex(2);
    const QImage face = combo.grab().toImage();
    int black = 0;
    for (int y = 0; y < face.height(); ++y)
        for (int x = 0; x < combo.width() - CCoolCombo::kArrowWidth - 2; ++x)
            black += (face.pixel(x, y) & 0xFFFFFF) == 0;
    EXPECT_EQ(black, 1);
}

} // namespace
} // namespace tsl
