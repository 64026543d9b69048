#include "app/AboutDlg.h"

#include "core/SettingsFile.h"
#include "ui/HyperlinkLabel.h"
#include "ui/IconPainter.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>

namespace tsl {

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("About Tessaly"));
    setObjectName(QStringLiteral("Dialog100"));

    auto* icon = new QLabel(this);
    icon->setPixmap(QPixmap::fromImage(PaintApplicationIcon(48)));
    auto* name = new QLabel(QStringLiteral("<b>Tessaly</b> version %1").arg(QStringLiteral(TSL_VERSION)),
                            this);
    auto* copyright = new QLabel(QStringLiteral("Image viewer and editor"), this);

    // The e-mail value is shown after its first ':', so "mailto:" does not show.
    QString email = QString::fromStdString(Settings().ReadGeneral(keys::Email));
    const int colon = email.indexOf(QLatin1Char(':'));
    if (colon >= 0) email = email.mid(colon + 1);
    m_email = new CHyperlinkLabel(this);
    m_email->setObjectName(QStringLiteral("Control1012"));
    m_email->setText(email);
    m_web = new CHyperlinkLabel(this);
    m_web->setObjectName(QStringLiteral("Control1013"));
    m_web->setText(QString::fromStdString(Settings().ReadGeneral(keys::Web)));
    for (CHyperlinkLabel* link : {m_email, m_web}) {
        link->SetLink(true, QString());
        link->SetUnderline(true);
        link->SetTextColour(QColor(0, 0, 255));
        link->SetLinkCursor(QCursor(Qt::PointingHandCursor));
    }
    auto* address = new QLabel(QString::fromStdString(Settings().ReadGeneral(keys::Address)), this);
    address->setObjectName(QStringLiteral("Control1148"));
    auto* title = new QLabel(QString::fromStdString(Settings().ReadGeneral(keys::Title)), this);
    title->setObjectName(QStringLiteral("Control1149"));

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* layout = new QGridLayout(this);
    layout->addWidget(icon, 0, 0, 3, 1, Qt::AlignTop);
    layout->addWidget(name, 0, 1);
    layout->addWidget(copyright, 1, 1);
    layout->addWidget(title, 2, 1);
    layout->addWidget(address, 3, 1);
    layout->addWidget(m_email, 4, 1);
    layout->addWidget(m_web, 5, 1);
    layout->addWidget(buttons, 6, 0, 1, 2);
}

} // namespace tsl
