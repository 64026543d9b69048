#include "ui/TipDlg.h"

#include "core/Services.h"
#include "platform/Platform.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPushButton>
#include <QRadialGradient>
#include <QVBoxLayout>

#include <sys/stat.h>

#include <cmath>
#include <string>

namespace tsl {
namespace {

const QString kSection = QStringLiteral("Tip");
const QString kStartUpKey = QStringLiteral("StartUp");
const QString kFilePosKey = QStringLiteral("FilePos");
const QString kTimeStampKey = QStringLiteral("TimeStamp");
const QString kNoFile = QStringLiteral("Tips file does not exist in the prescribed directory");
const QString kTroubleReading = QStringLiteral("Trouble reading the tips file");
const QString kNoTips = QStringLiteral("There are no tips in the tips file.");

platform::IProfile& Profile() {
    return *platform::Platform().profile;
}

// Picture 103: a lit light bulb.
QPixmap PaintBulb() {
    QPixmap pixmap(56, 72);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const QPointF centre(28, 26);

    // Rays around the glass.
    p.setPen(QPen(QColor(240, 190, 40), 2.5, Qt::SolidLine, Qt::RoundCap));
    for (int i = 0; i < 7; ++i) {
        p.save();
        p.translate(centre);
        p.rotate(-90 + (i - 3) * 30.0);
        p.drawLine(QPointF(19, 0), QPointF(25, 0));
        p.restore();
    }

    // Glass: a round head narrowing to the neck.
    QPainterPath glass;
    glass.moveTo(21, 46);
    glass.cubicTo(21, 38, 12, 35, 12, 25);
    glass.arcTo(QRectF(12, 9, 32, 32), 180, -180);
    glass.cubicTo(44, 35, 35, 38, 35, 46);
    glass.closeSubpath();
    QRadialGradient light(QPointF(24, 21), 20);
    light.setColorAt(0.0, QColor(255, 255, 235));
    light.setColorAt(0.5, QColor(255, 236, 120));
    light.setColorAt(1.0, QColor(246, 180, 30));
    p.setBrush(light);
    p.setPen(QPen(QColor(150, 100, 10), 1.2));
    p.drawPath(glass);

    // Filament.
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(190, 90, 0), 1.2));
    QPainterPath filament;
    filament.moveTo(24, 45);
    filament.lineTo(24, 31);
    filament.cubicTo(25, 27, 27, 33, 28, 29);
    filament.cubicTo(29, 25, 31, 33, 32, 31);
    filament.lineTo(32, 45);
    p.drawPath(filament);

    // Screw base with its threads and contact.
    QLinearGradient metal(QPointF(20, 0), QPointF(36, 0));
    metal.setColorAt(0.0, QColor(120, 120, 128));
    metal.setColorAt(0.45, QColor(225, 225, 232));
    metal.setColorAt(1.0, QColor(105, 105, 112));
    p.setBrush(metal);
    p.setPen(QPen(QColor(70, 70, 76), 1));
    p.drawRoundedRect(QRectF(20, 46, 16, 14), 2, 2);
    for (int y = 50; y <= 56; y += 3)
        p.drawLine(QPointF(20.5, y), QPointF(35.5, y + 1));
    p.setBrush(QColor(60, 60, 66));
    p.drawChord(QRectF(23, 57, 10, 8), 180 * 16, 180 * 16);
    return pixmap;
}

// Picture 163: a ribbon banner above the tip.
QPixmap PaintBanner() {
    const int w = 300, h = 40;
    QPixmap pixmap(w, h);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);

    // Folded tails behind the band.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(20, 70, 120));
    p.drawPolygon(QPolygonF({{0, 10}, {24, 10}, {24, 36}, {0, 36}, {9, 23}}));
    p.drawPolygon(QPolygonF({{w, 10}, {w - 24.0, 10}, {w - 24.0, 36}, {w, 36}, {w - 9.0, 23}}));
    p.setBrush(QColor(10, 40, 75));
    p.drawPolygon(QPolygonF({{16, 30}, {24, 36}, {24, 30}}));
    p.drawPolygon(QPolygonF({{w - 16.0, 30}, {w - 24.0, 36}, {w - 24.0, 30}}));

    // The band.
    QLinearGradient band(QPointF(0, 4), QPointF(0, 30));
    band.setColorAt(0.0, QColor(70, 150, 215));
    band.setColorAt(1.0, QColor(30, 95, 160));
    p.setBrush(band);
    p.drawRect(QRectF(16, 4, w - 32.0, 26));

    // A row of small stars along it.
    p.setBrush(QColor(255, 225, 110));
    for (int i = 0; i < 5; ++i) {
        const QPointF c(w / 2.0 + (i - 2) * 40.0, 17);
        const double r = i == 2 ? 7 : 4.5;
        QPolygonF star;
        for (int k = 0; k < 8; ++k) {
            const double radius = k % 2 ? r * 0.4 : r;
            const double a = k * 3.14159265358979 / 4;
            star << c + QPointF(radius * std::sin(a), -radius * std::cos(a));
        }
        p.drawPolygon(star);
    }
    return pixmap;
}

// A line as read counts as a tip unless it starts with one of these.
bool IsSkipped(char first) {
    return first == '\t' || first == '\n' || first == ' ' || first == ';' || first == '\r';
}

} // namespace

CTipDlg::CTipDlg(QWidget* parent) : QDialog(parent) {
    BuildControls();
    m_startUpBox->setChecked(Profile().GetInt(kSection, kStartUpKey, 0) == 0);
    const long filePos = Profile().GetInt(kSection, kFilePosKey, 0);

    const std::string path = Resources().ProgramFolder() + "tips.txt";
    m_file = std::fopen(path.c_str(), "r");
    if (!m_file) {
        SetTip(kNoFile);
        m_nextTip->setEnabled(false);
        return;
    }

    // A changed file starts again at its beginning.
    long start = filePos;
    struct stat info {};
    const QString stamp =
        ::fstat(fileno(m_file), &info) == 0 ? CalendarTimeText(info.st_mtime) : QString();
    if (stamp != Profile().GetString(kSection, kTimeStampKey)) {
        Profile().WriteString(kSection, kTimeStampKey, stamp);
        start = 0;
    }
    if (SeekTo(start)) ReadNextTip();
}

CTipDlg::~CTipDlg() {
    if (!m_file) return;
    const long position = std::ftell(m_file);
    if (position >= 0) Profile().WriteInt(kSection, kFilePosKey, static_cast<int>(position));
    std::fclose(m_file);
}

bool CTipDlg::ShowAtStartUp() {
    return Profile().GetInt(kSection, kStartUpKey, 0) == 0;
}

QString CTipDlg::CalendarTimeText(std::time_t time) {
    static const char* const days[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static const char* const months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                         "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    std::tm t{};
    if (!::localtime_r(&time, &t)) return {};
    // The C library's own calendar-time layout; the names are never localised.
    char text[64];
    std::snprintf(text, sizeof text, "%.3s %.3s%3d %.2d:%.2d:%.2d %d", days[t.tm_wday % 7],
                  months[t.tm_mon % 12], t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec,
                  1900 + t.tm_year);
    return QString::fromLatin1(text);
}

bool CTipDlg::IsNextTipEnabled() const {
    return m_nextTip->isEnabled();
}

bool CTipDlg::IsShowAtStartUpTicked() const {
    return m_startUpBox->isChecked();
}

void CTipDlg::NextTip() {
    if (m_file && m_nextTip->isEnabled()) ReadNextTip();
}

void CTipDlg::accept() {
    QDialog::accept();
    Profile().WriteInt(kSection, kStartUpKey, m_startUpBox->isChecked() ? 0 : 1);
}

void CTipDlg::ReadNextTip() {
    char line[1000];
    // Wrapping to the start a second time without finding a tip means the file has none.
    int wraps = 0;
    for (;;) {
        if (std::fgets(line, sizeof line, m_file)) {
            if (IsSkipped(line[0])) continue;
            QString tip = QString::fromUtf8(line);
            while (tip.endsWith(QLatin1Char('\n')) || tip.endsWith(QLatin1Char('\r')))
                tip.chop(1);
            SetTip(tip);
            return;
        }
        if (++wraps > 1) {
            SetTip(kNoTips);
            m_nextTip->setEnabled(false);
            return;
        }
        if (!SeekTo(0)) return;
    }
}

bool CTipDlg::SeekTo(long position) {
    if (std::fseek(m_file, position, SEEK_SET) == 0) return true;
    platform::Platform().prompt->MessageBox(this, kTroubleReading, QStringLiteral("Tessaly"),
                                            platform::Buttons::Ok, platform::Icon::Warning);
    return false;
}

void CTipDlg::SetTip(const QString& text) {
    m_tip = text;
    m_tipText->setText(text);
}

void CTipDlg::BuildControls() {
    setWindowTitle(QStringLiteral("Tip of the Day"));

    auto* bulb = new QLabel(this);
    bulb->setObjectName(QStringLiteral("bulbPicture"));
    bulb->setPixmap(PaintBulb());
    bulb->setAlignment(Qt::AlignHCenter | Qt::AlignTop);

    auto* banner = new QLabel(this);
    banner->setObjectName(QStringLiteral("bannerPicture"));
    banner->setPixmap(PaintBanner());
    banner->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);

    // The tip on white, whatever the dialog's colours.
    m_tipText = new QLabel(this);
    m_tipText->setObjectName(QStringLiteral("tipText"));
    m_tipText->setTextFormat(Qt::PlainText);
    m_tipText->setWordWrap(true);
    m_tipText->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_tipText->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    m_tipText->setMargin(8);
    m_tipText->setMinimumSize(300, 110);
    QPalette white = m_tipText->palette();
    white.setColor(QPalette::Window, Qt::white);
    white.setColor(QPalette::WindowText, Qt::black);
    m_tipText->setPalette(white);
    m_tipText->setAutoFillBackground(true);

    m_startUpBox = new QCheckBox(QStringLiteral("&Show Tips on StartUp"), this);
    m_startUpBox->setObjectName(QStringLiteral("showAtStartUp"));

    m_nextTip = new QPushButton(QStringLiteral("&Next Tip"), this);
    m_nextTip->setObjectName(QStringLiteral("nextTip"));
    m_nextTip->setAutoDefault(false);
    connect(m_nextTip, &QPushButton::clicked, this, &CTipDlg::NextTip);

    auto* close = new QPushButton(QStringLiteral("&Close"), this);
    close->setObjectName(QStringLiteral("close"));
    close->setDefault(true);
    connect(close, &QPushButton::clicked, this, &CTipDlg::accept);

    auto* right = new QVBoxLayout;
    right->addWidget(banner);
    right->addWidget(m_tipText, 1);
    auto* top = new QHBoxLayout;
    top->addWidget(bulb, 0, Qt::AlignTop);
    top->addLayout(right, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_startUpBox);
    buttons->addStretch(1);
    buttons->addWidget(m_nextTip);
    buttons->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top, 1);
    layout->addLayout(buttons);
}

} // namespace tsl
