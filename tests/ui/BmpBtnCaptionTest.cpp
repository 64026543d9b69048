#include "ui/BmpBtnCaption.h"

#include <QFontMetrics>
#include <QGuiApplication>

#include <gtest/gtest.h>

namespace tsl {
namespace {

BmpBtnCaption Parse(const char* caption) {
    return ParseBmpBtnCaption(QString::fromLatin1(caption));
}

QString S(const char* text) {
    return QString::fromLatin1(text);
}

TEST(BmpBtnCaption, PlainTextAndDefaults) {
    const BmpBtnCaption c = Parse("Cancel");
    EXPECT_EQ(c.text, S("Cancel"));
    const std::array<std::int32_t, 15> defaults = {0xC0C0C0, 0xFFFFFF, 0x808080, 0x808080, 0xFFFFFF,
                                                   0x000000, 0,        0,        0xFFFFFF, 1,
                                                   1,        2,        2,        6,        1};
    EXPECT_EQ(c.style.v, defaults);
    EXPECT_EQ(c.style.disabledText, S("8"));
    EXPECT_EQ(QString() + c.frame + c.textAlign + c.bevelAlign + c.tiling + c.type, S("SCC0P"));
    EXPECT_FALSE(c.font.set);
    // With any ':' the caption is directives and the text starts empty.
    EXPECT_TRUE(Parse("L:1~").text.isEmpty());
    EXPECT_EQ(Parse("x~y").text, S("x~y"));
}

TEST(BmpBtnCaption, ItemGrammar) {
    // The documented preview caption.
    BmpBtnCaption c = Parse("W:7~U:<NONE~L:1~O:0~");
    EXPECT_EQ(c.style[kFace], 0xC0C0C0);
    EXPECT_EQ(c.upImage, S("<NONE"));
    EXPECT_EQ(c.style[kOuterWidth], 1);
    EXPECT_EQ(c.style[kOutline], 0);
    // The last value may lack its tilde; only the key's first character counts; an empty key
    // is skipped; a later item overrides an earlier one.
    c = Parse("Lines:3~:junk~C:first~C:second");
    EXPECT_EQ(c.style[kOuterWidth], 3);
    EXPECT_EQ(c.text, S("second"));
    // Values may hold ':' (the value runs to the tilde).
    EXPECT_EQ(Parse("U:/a:b/c.png~").upImage, S("/a:b/c.png"));
    // Unknown keys change nothing.
    EXPECT_EQ(Parse("Z:9~q:1~").style, BmpBtnStyle{});
    // One-digit values ignore non-digits.
    EXPECT_EQ(Parse("L:x~O:~").style, BmpBtnStyle{});
}

TEST(BmpBtnCaption, OnlyTheFirst255CharactersAreRead) {
    const QString filler = QString(240, QLatin1Char('a'));
    // "C:" + 240 + "~" = 243 characters; "L:5~" ends at 247: read.
    BmpBtnCaption c = ParseBmpBtnCaption(S("C:") + filler + S("~L:5~O:0~U:abcdefghij~"));
    EXPECT_EQ(c.text, filler);
    EXPECT_EQ(c.style[kOuterWidth], 5);
    EXPECT_EQ(c.style[kOutline], 0);
    // The U value starts at 253 and is cut at 255.
    EXPECT_EQ(c.upImage, S("ab"));
    // An item entirely past the limit has no effect.
    c = ParseBmpBtnCaption(S("C:") + QString(260, QLatin1Char('b')) + S("~L:7~"));
    EXPECT_EQ(c.style[kOuterWidth], 2);
    EXPECT_EQ(c.text.size(), 253);
    // Plain text is cut the same way.
    EXPECT_EQ(ParseBmpBtnCaption(QString(300, QLatin1Char('x'))).text.size(), 255);
}

TEST(BmpBtnCaption, SimpleDirectives) {
    const BmpBtnCaption c =
        Parse("B:L~C:Hello~D:down.gif~J:R~N:1~P:off.bmp~R:over.png~U:up.png~u:IDC_HAND~w:click~");
    EXPECT_EQ(c.bevelAlign, QLatin1Char('L'));
    EXPECT_EQ(c.text, S("Hello"));
    EXPECT_EQ(c.downImage, S("down.gif"));
    EXPECT_EQ(c.textAlign, QLatin1Char('R'));
    EXPECT_EQ(c.tiling, QLatin1Char('1'));
    EXPECT_EQ(c.disabledImage, S("off.bmp"));
    EXPECT_EQ(c.rolloverImage, S("over.png"));
    EXPECT_EQ(c.upImage, S("up.png"));
    EXPECT_EQ(c.cursor, S("IDC_HAND"));
    EXPECT_EQ(c.sound, S("click.wav"));
    EXPECT_TRUE(Parse("w:~").sound.isEmpty());
    EXPECT_EQ(Parse("o:3~").style[kShadowX], 3);
    EXPECT_EQ(Parse("o:3~").style[kShadowY], 3);
    EXPECT_EQ(Parse("o:0~").style[kShadowX], 0);
    EXPECT_EQ(Parse("d:C~").style.disabledText, S("C"));
    EXPECT_EQ(Parse("S:T~").frame, QLatin1Char('T'));
}

TEST(BmpBtnCaption, FontDirective) {
    struct Row {
        const char* caption;
        const char* description;
    };
    const Row rows[] = {
        {"F:d~", "-11,0,0,Arial"},
        {"F:D~", "16,0,0,Arial"},
        {"F:12,1,1,Times New Roman~", "12,1,1,Times New Roman"},
        {"F:-20,0,5,DejaVu Sans~", "-20,0,1,DejaVu Sans"},
        {"F:14,b,0,A,B~", "14,1,0,A,B"},
        {"F:14~", "14,0,0,"},
        {"F:-9,0~", "-9,0,0,"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.caption);
        const BmpBtnFont font = Parse(row.caption).font;
        EXPECT_TRUE(font.set);
        EXPECT_EQ(font.Description(), S(row.description));
    }
    // A negative height is the characters' pixel size; a positive one the whole line's.
    const QFont base(S("DejaVu Sans"), 9);
    const QFont pixels = Parse("F:-11,1,1,DejaVu Sans~").font.ToFont(base);
    EXPECT_EQ(pixels.pixelSize(), 11);
    EXPECT_EQ(pixels.weight(), QFont::Bold);
    EXPECT_TRUE(pixels.italic());
    const QFont cell = Parse("F:16,0,0,DejaVu Sans~").font.ToFont(base);
    EXPECT_LE(QFontMetrics(cell).height(), 16);
    EXPECT_GE(QFontMetrics(cell).height(), 12);
    EXPECT_EQ(cell.weight(), QFont::Normal);
    EXPECT_EQ(Parse("F:0,0,0,~").font.ToFont(base).pointSize(), 9);
}

TEST(BmpBtnCaption, ColourLettersAndFaceValues) {
    const std::pair<char, COLORREF> letters[] = {
        {'0', 0x000000},   {'1', 0x000080}, {'2', 0x008000}, {'3', 0x008080}, {'4', 0x800000},
        {'5', 0x800080},   {'6', 0x808000}, {'7', 0xC0C0C0}, {'8', 0x808080}, {'9', 0x0000FF},
        {'A', 0x00FF00},   {'B', 0x00FFFF}, {'C', 0xFF0000}, {'D', 0xFF00FF}, {'E', 0xFFFF00},
        {'G', 0x02F0CAA6}, {'F', 0xFFFFFF}, {'a', 0xFFFFFF}, {'Z', 0xFFFFFF}, {' ', 0xFFFFFF}};
    for (auto [letter, colour] : letters) {
        EXPECT_EQ(BmpBtnColourLetter(QLatin1Char(letter)), colour) << letter;
        EXPECT_EQ(
            static_cast<COLORREF>(Parse((std::string("W:") + letter + "~").c_str()).style[kFace]),
            colour)
            << letter;
    }
    EXPECT_EQ(BmpBtnFaceValue(S("R10G20B30")), RGB(10, 20, 30));
    EXPECT_EQ(BmpBtnFaceValue(S("R300G-5B255")), RGB(255, 0, 255));
    EXPECT_EQ(BmpBtnFaceValue(S("R1G2")), RGB(1, 2, 0));
    EXPECT_EQ(BmpBtnFaceValue(S("R")), 0xFFFFFFu) << "not the RGB form: a letter";
    EXPECT_EQ(BmpBtnFaceDirective(RGB(1, 2, 3)), S("R1G2B3"));
}

TEST(BmpBtnCaption, FrameAndTypeDirectives) {
    BmpBtnCaption c = Parse("S:D2174~");
    EXPECT_EQ(c.frame, QLatin1Char('D'));
    EXPECT_EQ(c.style[kOuterWidth], 2);
    EXPECT_EQ(c.style[kInnerInset], 1);
    EXPECT_EQ(c.style[kInnerWidth], 7);
    EXPECT_EQ(c.style[kOutline], 4);
    c = Parse("S:D3x~");
    EXPECT_EQ(c.style[kOuterWidth], 3);
    EXPECT_EQ(c.style[kInnerInset], 6);

    c = Parse("T:SU5~");
    EXPECT_EQ(c.type, QLatin1Char('S'));
    EXPECT_EQ(c.repeatDigit, 5);
    EXPECT_EQ(c.upImage, S("=sU"));
    EXPECT_EQ(c.downImage, S("=sUH"));
    EXPECT_EQ(c.disabledImage, S("=sUD"));
    EXPECT_EQ(c.style[kOuterWidth], 0);
    EXPECT_EQ(c.style[kOutline], 0);
    EXPECT_EQ(Parse("T:SD~").repeatDigit, 0);
    c = Parse("T:S~");
    EXPECT_EQ(c.type, QLatin1Char('S'));
    EXPECT_TRUE(c.upImage.isEmpty());
    for (const char* type : {"P", "C", "R", "I"})
        EXPECT_EQ(Parse((std::string("T:") + type + "~").c_str()).type, QLatin1Char(type[0]));
}

TEST(BmpBtnCaption, StyleIndexDirective) {
    BmpBtnCaption c = Parse("f:0#9~f:1#0~f:2#E~f:3#1~f:4#2~f:8#C~");
    EXPECT_EQ(c.style[kFace], 0x0000FF);
    EXPECT_EQ(c.style[kOuterHighlight], 0x000000);
    EXPECT_EQ(c.style[kOuterShadow], 0xFFFF00);
    EXPECT_EQ(c.style[kInnerHighlight], 0x000080);
    EXPECT_EQ(c.style[kInnerShadow], 0x008000);
    EXPECT_EQ(c.style[kTextShadowColour], 0xFF0000);
    // Index 5: a letter when one character, else a number.
    EXPECT_EQ(Parse("f:5#9~").style[kTextColour], 0x0000FF);
    EXPECT_EQ(Parse("f:5#255~").style[kTextColour], 255);
    c = Parse("f:6#12~f:7#-3~f:9#4~f:10#5~f:11#3~f:12#1~f:13#2~f:14#0~");
    EXPECT_EQ(c.style[kTextX], 12);
    EXPECT_EQ(c.style[kTextY], -3);
    EXPECT_EQ(c.style[kShadowX], 4);
    EXPECT_EQ(c.style[kShadowY], 5);
    EXPECT_EQ(c.style[kOuterWidth], 3);
    EXPECT_EQ(c.style[kInnerWidth], 1);
    EXPECT_EQ(c.style[kInnerInset], 2);
    EXPECT_EQ(c.style[kOutline], 0);
    // Index 15 copies at most 7 characters.
    EXPECT_EQ(Parse("f:15#ABCDEFGHIJ~").style.disabledText, S("ABCDEFG"));
    // Indexes outside 0-15 and items without '#' change nothing.
    for (const char* bad : {"f:16#5~", "f:-1#5~", "f:99#1~", "f:5~", "f:#5~", "f:x#5~"})
        EXPECT_EQ(Parse(bad).style, BmpBtnStyle{}) << bad;
}

TEST(BmpBtnCaption, StyleStringsFromTheStringTable) {
    SetBmpBtnStringLoader([](int id) {
        if (id == 300) return S("9E1234,5,6,C,2,3,1,4,5,0");
        if (id == 301) return S("0A");
        return QString();
    });
    BmpBtnCaption c = Parse("c:300~");
    EXPECT_EQ(c.style[kFace], 0x0000FF);
    EXPECT_EQ(c.style[kOuterHighlight], 0xFFFF00);
    EXPECT_EQ(c.style[kOuterShadow], 0x000080);
    EXPECT_EQ(c.style[kInnerHighlight], 0x008000);
    EXPECT_EQ(c.style[kInnerShadow], 0x008080);
    EXPECT_EQ(c.style[kTextColour], 0x800000);
    EXPECT_EQ(c.style[kTextX], 5);
    EXPECT_EQ(c.style[kTextY], 6);
    EXPECT_EQ(c.style[kTextShadowColour], 0xFF0000);
    EXPECT_EQ(c.style[kShadowX], 2);
    EXPECT_EQ(c.style[kShadowY], 3);
    EXPECT_EQ(c.style[kOuterWidth], 1);
    EXPECT_EQ(c.style[kInnerWidth], 4);
    EXPECT_EQ(c.style[kInnerInset], 5);
    EXPECT_EQ(c.style[kOutline], 0);
    // A short string sets what it has; a later directive still overrides.
    c = Parse("c:301~L:4~");
    EXPECT_EQ(c.style[kFace], 0x000000);
    EXPECT_EQ(c.style[kOuterHighlight], 0x00FF00);
    EXPECT_EQ(c.style[kOuterShadow], 0x808080);
    EXPECT_EQ(c.style[kOuterWidth], 4);
    EXPECT_EQ(Parse("c:999~").style, BmpBtnStyle{});
    SetBmpBtnStringLoader({});
    EXPECT_EQ(Parse("c:300~").style, BmpBtnStyle{});
}

TEST(BmpBtnCaption, Presets) {
    BmpBtnCaption c = Parse("s:B~");
    EXPECT_EQ(c.frame, QLatin1Char('R'));
    EXPECT_EQ(c.textAlign, QLatin1Char('G'));
    EXPECT_EQ(c.style.disabledText, S("C"));
    c = Parse("s:G~");
    EXPECT_EQ(c.frame, QLatin1Char('R'));
    EXPECT_EQ(c.textAlign, QLatin1Char('G'));
    EXPECT_EQ(c.style.disabledText, S("0"));
    c = Parse("s:L~");
    EXPECT_EQ(c.style[kOuterWidth], 0);
    EXPECT_EQ(c.style[kOutline], 0);
    EXPECT_EQ(c.textAlign, QLatin1Char('L'));
    EXPECT_EQ(c.style.disabledText, S("0"));
    c = Parse("s:H~");
    EXPECT_EQ(c.tiling, QLatin1Char('1'));
    EXPECT_EQ(c.disabledImage, S("_H"));
    c = Parse("s:P~");
    EXPECT_EQ(c.tiling, QLatin1Char('1'));
    EXPECT_EQ(c.disabledImage, S("_P"));
    struct Check {
        const char* caption;
        char type;
        const char* up;
        const char* down;
        const char* disabled;
    };
    for (const Check& k :
         {Check{"s:C~", 'C', "=C", "=T", "=L"}, Check{"s:T~", 'C', "=C", "=F", "=L"},
          Check{"s:R~", 'R', "=U", "=D", "=P"}}) {
        SCOPED_TRACE(k.caption);
        c = Parse(k.caption);
        EXPECT_EQ(c.type, QLatin1Char(k.type));
        EXPECT_EQ(c.upImage, S(k.up));
        EXPECT_EQ(c.downImage, S(k.down));
        EXPECT_EQ(c.disabledImage, S(k.disabled));
        EXPECT_EQ(c.style[kOuterWidth], 0);
        EXPECT_EQ(c.textAlign, QLatin1Char('L'));
        EXPECT_EQ(c.bevelAlign, QLatin1Char('L'));
        EXPECT_EQ(c.style[kTextX], 19);
    }
    c = Parse("s:V~");
    EXPECT_EQ(c.frame, QLatin1Char('D'));
    EXPECT_EQ(c.style[kOuterWidth], 1);
    EXPECT_EQ(c.style[kInnerWidth], 1);
    EXPECT_EQ(c.style[kInnerInset], 1);
    EXPECT_EQ(c.style[kOutline], 0);
    EXPECT_EQ(Parse("s:Q~").style, BmpBtnStyle{});
    // Presets and later items combine in order.
    EXPECT_EQ(Parse("s:C~U:box.png~").upImage, S("box.png"));
    EXPECT_EQ(Parse("U:box.png~s:C~").upImage, S("=C"));
}

TEST(BmpBtnCaption, GetAndSetDirective) {
    const QString caption = S("W:7~U:<NONE~f:5#9~f:11#3~L:1");
    EXPECT_EQ(CaptionDirective(caption, S("U")), S("<NONE"));
    EXPECT_EQ(CaptionDirective(caption, S("L")), S("1"));
    EXPECT_EQ(CaptionDirective(caption, S("f11")), S("3"));
    EXPECT_EQ(CaptionDirective(caption, S("f5")), S("9"));
    EXPECT_TRUE(CaptionDirective(caption, S("f1")).isEmpty());
    EXPECT_TRUE(CaptionDirective(caption, S("D")).isEmpty());

    EXPECT_EQ(WithCaptionDirective(caption, S("U"), S("/tmp/a.png")),
              S("W:7~U:/tmp/a.png~f:5#9~f:11#3~L:1"));
    EXPECT_EQ(WithCaptionDirective(caption, S("f11"), S("0")), S("W:7~U:<NONE~f:5#9~f:11#0~L:1"));
    EXPECT_EQ(WithCaptionDirective(caption, S("L"), S("2")), S("W:7~U:<NONE~f:5#9~f:11#3~L:2"));
    // Absent keys are appended as whole items; an unterminated last value is closed first.
    EXPECT_EQ(WithCaptionDirective(caption, S("f1"), S("0")),
              S("W:7~U:<NONE~f:5#9~f:11#3~L:1~f:1#0~"));
    EXPECT_EQ(WithCaptionDirective(S("L:1~"), S("O"), S("0")), S("L:1~O:0~"));
    EXPECT_EQ(WithCaptionDirective(QString(), S("U"), S("<UP")), S("U:<UP~"));
    // A plain-text caption keeps its text as a C item.
    const QString plain = WithCaptionDirective(S("OK"), S("W"), S("7"));
    EXPECT_EQ(plain, S("C:OK~W:7~"));
    EXPECT_EQ(ParseBmpBtnCaption(plain).text, S("OK"));
}

TEST(BmpBtnCaption, FaceColourItemIsAppendedOrReplaced) {
    QString caption = S("L:1~");
    caption = WithCaptionDirective(caption, S("W"), BmpBtnFaceDirective(RGB(10, 200, 30)));
    EXPECT_EQ(caption, S("L:1~W:R10G200B30~"));
    EXPECT_EQ(static_cast<COLORREF>(ParseBmpBtnCaption(caption).style[kFace]), RGB(10, 200, 30));
    caption = WithCaptionDirective(caption, S("W"), BmpBtnFaceDirective(RGB(0, 0, 255)));
    EXPECT_EQ(caption, S("L:1~W:R0G0B255~"));
    caption = WithCaptionDirective(S("W:7~L:1~"), S("W"), BmpBtnFaceDirective(RGB(1, 2, 3)));
    EXPECT_EQ(caption, S("W:R1G2B3~L:1~"));
}

} // namespace
} // namespace tsl
