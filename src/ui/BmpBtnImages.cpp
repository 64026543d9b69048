#include "ui/BmpBtnImages.h"

#include "codecs/Bmp.h"
#include "core/PackedDib.h"
#include "core/Services.h"
#include "platform/FileNames.h"

#include <QPainter>

#include <cmath>

namespace tsl {
namespace {

constexpr QRgb kKey = 0xFFFF00FF; // key colour of built-in images drawn into a CBmp
const QColor kWhite(255, 255, 255), kLight(223, 223, 223), kFace(192, 192, 192),
    kShadow(128, 128, 128), kDark(0, 0, 0);

QImage Blank(int w, int h) {
    QImage image(w, h, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    return image;
}

void Line(QPainter& p, const QColor& c, int x1, int y1, int x2, int y2) {
    p.setPen(c);
    p.drawLine(x1, y1, x2, y2);
}

// The sunken two-line frame of a check box, inside a w x h cell.
void SunkenBox(QPainter& p, int w, int h, const QColor& inside) {
    p.fillRect(2, 2, w - 4, h - 4, inside);
    Line(p, kShadow, 0, 0, w - 2, 0);
    Line(p, kShadow, 0, 0, 0, h - 2);
    Line(p, kDark, 1, 1, w - 3, 1);
    Line(p, kDark, 1, 1, 1, h - 3);
    Line(p, kWhite, 0, h - 1, w - 1, h - 1);
    Line(p, kWhite, w - 1, 0, w - 1, h - 1);
    Line(p, kLight, 1, h - 2, w - 2, h - 2);
    Line(p, kLight, w - 2, 1, w - 2, h - 2);
}

void Tick(QPainter& p, const QColor& c) {
    // Three lines of a tick mark, seven pixels wide, in the 13 x 13 cell.
    for (int i = 0; i < 3; ++i) {
        Line(p, c, 3, 5 + i, 5, 7 + i);
        Line(p, c, 5, 7 + i, 9, 3 + i);
    }
}

QImage CheckBox(QChar kind) {
    QImage image = Blank(13, 13);
    QPainter p(&image);
    if (kind == QLatin1Char('F')) {
        p.fillRect(0, 0, 13, 13, kWhite);
        p.setPen(kDark);
        p.drawRect(0, 0, 12, 12);
    } else {
        SunkenBox(p, 13, 13, kind == QLatin1Char('L') ? kFace : kWhite);
    }
    if (kind == QLatin1Char('T') || kind == QLatin1Char('F')) Tick(p, kDark);
    return image;
}

// A 12 x 12 radio button drawn pixel by pixel (no blended edges): a sunken two-ring frame,
// dark towards the upper left and light towards the lower right.
QImage Radio(QChar kind) {
    QImage image = Blank(12, 12);
    for (int y = 0; y < 12; ++y)
        for (int x = 0; x < 12; ++x) {
            const double dx = x + 0.5 - 6.0, dy = y + 0.5 - 6.0;
            const double r = std::sqrt(dx * dx + dy * dy);
            if (r > 6.0) continue;
            const bool upperLeft = x + y < 11;
            QColor c;
            if (r > 5.0)
                c = upperLeft ? kShadow : kWhite;
            else if (r > 4.0)
                c = upperLeft ? kDark : kLight;
            else if (kind == QLatin1Char('D') && r <= 2.0)
                c = kDark;
            else
                c = kind == QLatin1Char('P') ? kFace : kWhite;
            image.setPixel(x, y, c.rgb());
        }
    return image;
}

// A 16 x 16 spin button: raised (state 0), pressed (1) or disabled (2), with its arrow.
QImage Spin(QChar letter, int state) {
    static const QString kLetters = QStringLiteral("UDLRPM");
    if (!kLetters.contains(letter)) return {};
    QImage image = Blank(16, 16);
    QPainter p(&image);
    p.fillRect(0, 0, 16, 16, kFace);
    const bool pressed = state == 1;
    Line(p, pressed ? kDark : kLight, 0, 0, 14, 0);
    Line(p, pressed ? kDark : kLight, 0, 0, 0, 14);
    Line(p, pressed ? kShadow : kWhite, 1, 1, 13, 1);
    Line(p, pressed ? kShadow : kWhite, 1, 1, 1, 13);
    Line(p, pressed ? kWhite : kDark, 0, 15, 15, 15);
    Line(p, pressed ? kWhite : kDark, 15, 0, 15, 15);
    Line(p, pressed ? kLight : kShadow, 1, 14, 14, 14);
    Line(p, pressed ? kLight : kShadow, 14, 1, 14, 14);
    const int shift = pressed ? 1 : 0;
    // Arrows are drawn line by line, 2 to 8 pixels long, so they stay crisp.
    auto draw = [&](const QColor& c, int off) {
        const int o = shift + off;
        switch (letter.unicode()) {
        case 'U':
            for (int i = 0; i < 4; ++i)
                p.fillRect(7 - i + o, 6 + i + o, 2 + 2 * i, 1, c);
            break;
        case 'D':
            for (int i = 0; i < 4; ++i)
                p.fillRect(7 - i + o, 9 - i + o, 2 + 2 * i, 1, c);
            break;
        case 'L':
            for (int i = 0; i < 4; ++i)
                p.fillRect(6 + i + o, 7 - i + o, 1, 2 + 2 * i, c);
            break;
        case 'R':
            for (int i = 0; i < 4; ++i)
                p.fillRect(9 - i + o, 7 - i + o, 1, 2 + 2 * i, c);
            break;
        case 'P':
            p.fillRect(4 + o, 7 + o, 8, 2, c);
            p.fillRect(7 + o, 4 + o, 2, 8, c);
            break;
        default:
            p.fillRect(4 + o, 7 + o, 8, 2, c);
            break;
        }
    };
    if (state == 2) {
        draw(kWhite, 1);
        draw(kShadow, 0);
    } else {
        draw(kDark, 0);
    }
    return image;
}

QImage Pattern(QChar kind) {
    QImage image = Blank(8, 8);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) {
            const bool on = kind == QLatin1Char('H') ? (x + y) % 4 == 0 : (x + y) % 2 == 0;
            image.setPixel(x, y, on ? kShadow.rgb() : kFace.rgb());
        }
    return image;
}

bool LoadResource(const QString& name, bool withPalette, CBmp& bmp) {
    const std::string base = "bitmap/" + name.toStdString();
    std::vector<std::uint8_t> bytes = Resources().Resource(base);
    if (bytes.empty()) bytes = Resources().Resource(base + ".bmp");
    if (bytes.empty()) return false;
    const PackedDib dib =
        bytes.size() >= 2 && bytes[0] == 'B' && bytes[1] == 'M' ? ReadBmpMemory(bytes) : bytes;
    if (dib.empty() || !ViewPackedDib(dib)) return false;
    const CDdb ddb = MakeDeviceBitmap(dib);
    if (ddb.IsNull()) return false;
    bmp.SetImage(ddb, withPalette ? MakePalette(dib) : std::vector<RGBQUAD>{});
    return !bmp.IsNull();
}

} // namespace

QImage BmpBtnBuiltinImage(const QString& name) {
    if (name.size() < 2) return {};
    const QChar prefix = name[0];
    const QStringView rest = QStringView(name).mid(1);
    if (prefix == QLatin1Char('=')) {
        if (rest.size() == 1) {
            const QChar k = rest[0];
            if (QStringLiteral("CTFL").contains(k)) return CheckBox(k);
            if (QStringLiteral("UDP").contains(k)) return Radio(k);
            return {};
        }
        if (rest[0] == QLatin1Char('s') && rest.size() <= 3) {
            if (rest.size() == 2) return Spin(rest[1], 0);
            if (rest[2] == QLatin1Char('H')) return Spin(rest[1], 1);
            if (rest[2] == QLatin1Char('D')) return Spin(rest[1], 2);
        }
        return {};
    }
    if (prefix == QLatin1Char('_') && rest.size() == 1 &&
        (rest[0] == QLatin1Char('H') || rest[0] == QLatin1Char('P')))
        return Pattern(rest[0]);
    return {};
}

bool LoadBmpBtnImage(const QString& name, CBmp& bmp) {
    bmp.Free();
    if (name.isEmpty()) return false;
    const QChar prefix = name[0];
    if (prefix == QLatin1Char('<') || prefix == QLatin1Char('>'))
        return LoadResource(name.mid(1), prefix == QLatin1Char('>'), bmp);
    if (prefix == QLatin1Char('=') || prefix == QLatin1Char('_')) {
        const QImage image = BmpBtnBuiltinImage(name);
        if (image.isNull()) return false;
        QImage keyed(image.size(), QImage::Format_RGB32);
        keyed.fill(kKey);
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (qAlpha(image.pixel(x, y)) >= 128)
                    keyed.setPixel(x, y, image.pixel(x, y) | 0xFF000000u);
        bmp.SetImage(DdbFromImage(keyed), {});
        bmp.SetTransparent(true);
        bmp.SetTransparentColour(RGB(255, 0, 255));
        return true;
    }
    return bmp.Load(NativePath(name)) != 0; // the name's own bytes
}

} // namespace tsl
