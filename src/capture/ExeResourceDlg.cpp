#include "capture/ExeResourceDlg.h"

#include "codecs/Bmp.h"
#include "codecs/CBmp.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPixmap>
#include <QPushButton>
#include <QTabWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <cstring>
#include <map>

namespace tsl {
namespace {

constexpr int kIndexRole = Qt::UserRole + 1;

const char* TypeName(int type) {
    switch (type) {
    case pe::kRtBitmap: return "Bitmap";
    case pe::kRtGroupIcon: return "Icon";
    default: return "Cursor";
    }
}

} // namespace

QImage ImageOfPicture(const pe::PeResources& resources, const pe::PictureEntry& entry) {
    pe::Picture picture;
    std::string error;
    if (!resources.Decode(entry, picture, error)) return {};
    if (!picture.png.empty()) {
        QImage image = QImage::fromData(picture.png.data(), int(picture.png.size()), "PNG");
        return image.isNull() ? image : image.convertToFormat(QImage::Format_ARGB32);
    }
    const std::optional<PackedDibView> v = ViewPackedDib(picture.dib);
    if (!v) return {};
    if (v->bitsPerPixel == 32) {
        // Icons and cursors: B, G, R, A rows.
        QImage image(v->width, v->height, QImage::Format_ARGB32);
        for (int y = 0; y < v->height; ++y) {
            const int row = v->topDown ? y : v->height - 1 - y;
            std::memcpy(image.scanLine(y), picture.dib.data() + v->bitsOffset + v->stride * row,
                        std::size_t(v->width) * 4);
        }
        return image;
    }
    return ImageFromDdb(MakeDeviceBitmap(picture.dib));
}

QString PictureLabel(const pe::PictureEntry& entry) {
    QString label = QString::fromStdString(entry.name.Display());
    if (entry.width > 0)
        label += QStringLiteral(" (%1 x %2, %3 bits)").arg(entry.width).arg(entry.height).arg(entry.bitCount);
    return label;
}

CExeResourceDlg::CExeResourceDlg(const pe::PeResources& resources, ExeDialogType type,
                                 const QString& fileName, QWidget* parent)
    : QDialog(parent), m_resources(resources) {
    setWindowTitle(QStringLiteral("Resources of %1").arg(fileName));
    resize(640, 420);
    m_preview = new QLabel(this);
    m_preview->setObjectName(QStringLiteral("Preview"));
    m_preview->setMinimumSize(260, 260);
    m_preview->setAlignment(Qt::AlignCenter);
    m_preview->setFrameShape(QFrame::StyledPanel);
    const std::vector<pe::PictureEntry>& pictures = resources.Pictures();
    QWidget* browser = nullptr;
    if (type == kExeDialogTree) {
        m_tree = new QTreeWidget(this);
        m_tree->setHeaderHidden(true);
        std::map<int, QTreeWidgetItem*> types;
        std::map<std::pair<int, std::string>, QTreeWidgetItem*> groups;
        for (int i = 0; i < int(pictures.size()); ++i) {
            const pe::PictureEntry& p = pictures[i];
            QTreeWidgetItem*& top = types[p.type];
            if (!top) top = new QTreeWidgetItem(m_tree, {QString::fromLatin1(TypeName(p.type))});
            QTreeWidgetItem* parentItem = top;
            if (p.type != pe::kRtBitmap) {
                // A group's images under the group's name.
                QTreeWidgetItem*& group = groups[{p.type, p.name.Display()}];
                if (!group) group = new QTreeWidgetItem(top, {QString::fromStdString(p.name.Display())});
                parentItem = group;
            }
            auto* item = new QTreeWidgetItem(parentItem, {PictureLabel(p)});
            item->setData(0, kIndexRole, i);
        }
        m_tree->expandAll();
        connect(m_tree, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) {
            const QVariant index = item ? item->data(0, kIndexRole) : QVariant();
            Show(index.isValid() ? index.toInt() : -1);
        });
        browser = m_tree;
    } else {
        m_tabs = new QTabWidget(this);
        for (int t : {int(pe::kRtBitmap), int(pe::kRtGroupIcon), int(pe::kRtGroupCursor)}) {
            auto* list = new QListWidget(m_tabs);
            for (int i = 0; i < int(pictures.size()); ++i) {
                if (pictures[i].type != t) continue;
                auto* item = new QListWidgetItem(PictureLabel(pictures[i]), list);
                item->setData(kIndexRole, i);
            }
            if (list->count() == 0) {
                delete list;
                continue;
            }
            m_tabs->addTab(list, QStringLiteral("%1s").arg(QString::fromLatin1(TypeName(t))));
            m_lists.push_back(list);
            connect(list, &QListWidget::currentItemChanged, this, [this](QListWidgetItem* item) {
                Show(item ? item->data(kIndexRole).toInt() : -1);
            });
        }
        browser = m_tabs;
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    buttons->button(QDialogButtonBox::Ok)->setEnabled(false);
    m_okEnabler = buttons->button(QDialogButtonBox::Ok);
    auto* row = new QHBoxLayout;
    row->addWidget(browser, 1);
    row->addWidget(m_preview);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addWidget(buttons);
}

bool CExeResourceDlg::Choose(int index) {
    if (m_tree) {
        for (QTreeWidgetItemIterator it(m_tree); *it; ++it)
            if ((*it)->data(0, kIndexRole).isValid() && (*it)->data(0, kIndexRole).toInt() == index) {
                m_tree->setCurrentItem(*it);
                return m_chosen == index;
            }
        return false;
    }
    for (int tab = 0; tab < int(m_lists.size()); ++tab)
        for (int row = 0; row < m_lists[tab]->count(); ++row)
            if (m_lists[tab]->item(row)->data(kIndexRole).toInt() == index) {
                m_tabs->setCurrentIndex(tab);
                m_lists[tab]->setCurrentRow(row);
                return m_chosen == index;
            }
    return false;
}

void CExeResourceDlg::Show(int index) {
    m_chosen = -1;
    m_preview->clear();
    if (index >= 0 && index < int(m_resources.Pictures().size())) {
        const QImage image = ImageOfPicture(m_resources, m_resources.Pictures()[index]);
        if (!image.isNull()) {
            m_chosen = index;
            QImage shown = image;
            if (shown.width() > 256 || shown.height() > 256)
                shown = shown.scaled(256, 256, Qt::KeepAspectRatio, Qt::FastTransformation);
            m_preview->setPixmap(QPixmap::fromImage(shown));
        } else {
            m_preview->setText(QStringLiteral("This picture cannot be shown."));
        }
    }
    m_okEnabler->setEnabled(m_chosen >= 0);
}

QImage CExeResourceDlg::ChosenImage() const {
    if (m_chosen < 0) return {};
    return ImageOfPicture(m_resources, m_resources.Pictures()[m_chosen]);
}

} // namespace tsl
