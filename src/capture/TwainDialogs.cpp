#include "capture/TwainDialogs.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <limits>

namespace tsl {

// ------------------------------------------------------------------------- source chooser

CSelectSourceDlg::CSelectSourceDlg(const std::vector<SaneDeviceInfo>& devices,
                                   const QString& current, QWidget* owner)
    : QDialog(owner) {
    setWindowTitle(QStringLiteral("Select Source"));
    m_list = new QTreeWidget(this);
    m_list->setRootIsDecorated(false);
    m_list->setHeaderLabels({QStringLiteral("Vendor"), QStringLiteral("Model"), QStringLiteral("Name")});
    for (const SaneDeviceInfo& d : devices) {
        auto* item = new QTreeWidgetItem(m_list, {d.vendor, d.model, d.name});
        if (d.name == current) m_list->setCurrentItem(item);
    }
    if (!m_list->currentItem() && m_list->topLevelItemCount() > 0)
        m_list->setCurrentItem(m_list->topLevelItem(0));
    m_list->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    connect(m_list, &QTreeWidget::itemDoubleClicked, this, &QDialog::accept);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("Select"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Sources:"), this));
    layout->addWidget(m_list);
    layout->addWidget(buttons);
    resize(460, 240);
}

QString CSelectSourceDlg::Chosen() const {
    const QTreeWidgetItem* item = m_list->currentItem();
    return item ? item->text(2) : QString();
}

// ------------------------------------------------------------------------- first options

namespace {

QVariant Previous(const SaneSettings& previous, const QString& name) {
    for (const auto& [key, value] : previous)
        if (key == name) return value;
    return {};
}

} // namespace

CScanOptionsDlg::CScanOptionsDlg(const QString& deviceTitle,
                                 const std::vector<SaneOptionInfo>& options,
                                 const SaneSettings& previous, QWidget* owner)
    : QDialog(owner), m_options(options) {
    setWindowTitle(deviceTitle);
    auto* form = new QFormLayout;
    for (const SaneOptionInfo& o : m_options) {
        const QVariant before = Previous(previous, o.name);
        const QVariant value = before.isValid() ? before : o.value;
        QWidget* editor = nullptr;
        if (o.kind == SaneOptionInfo::String && !o.strings.isEmpty()) {
            auto* box = new QComboBox(this);
            box->addItems(o.strings);
            box->setCurrentIndex(std::max<qsizetype>(0, o.strings.indexOf(value.toString())));
            editor = box;
        } else if ((o.kind == SaneOptionInfo::Int || o.kind == SaneOptionInfo::Fixed) && !o.values.empty()) {
            auto* box = new QComboBox(this);
            int chosen = 0;
            for (std::size_t i = 0; i < o.values.size(); ++i) {
                box->addItem(QString::number(o.values[i]), o.values[i]);
                if (std::abs(o.values[i] - value.toDouble()) < 1e-6) chosen = static_cast<int>(i);
            }
            box->setCurrentIndex(chosen);
            editor = box;
        } else if (o.kind == SaneOptionInfo::Int) {
            auto* box = new QSpinBox(this);
            box->setRange(o.hasRange ? static_cast<int>(o.min) : std::numeric_limits<int>::min(),
                          o.hasRange ? static_cast<int>(o.max) : std::numeric_limits<int>::max());
            if (o.hasRange && o.step >= 1) box->setSingleStep(static_cast<int>(o.step));
            box->setValue(value.toInt());
            editor = box;
        } else if (o.kind == SaneOptionInfo::Fixed) {
            auto* box = new QDoubleSpinBox(this);
            box->setDecimals(1);
            box->setRange(o.hasRange ? o.min : -32768.0, o.hasRange ? o.max : 32767.0);
            box->setValue(value.toDouble());
            editor = box;
        } else if (o.kind == SaneOptionInfo::Bool) {
            auto* box = new QCheckBox(this);
            box->setChecked(value.toBool());
            editor = box;
        }
        if (!editor) {
            m_editors.push_back(nullptr);
            continue;
        }
        if (auto* spin = qobject_cast<QAbstractSpinBox*>(editor); spin && !o.unit.isEmpty()) {
            if (auto* s = qobject_cast<QSpinBox*>(spin)) s->setSuffix(QLatin1Char(' ') + o.unit);
            if (auto* d = qobject_cast<QDoubleSpinBox*>(spin)) d->setSuffix(QLatin1Char(' ') + o.unit);
        }
        editor->setObjectName(o.name);
        form->addRow(o.title + QLatin1Char(':'), editor);
        m_editors.push_back(editor);
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("Scan"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
}

QWidget* CScanOptionsDlg::Editor(const QString& name) const {
    for (std::size_t i = 0; i < m_options.size(); ++i)
        if (m_options[i].name == name) return m_editors[i];
    return nullptr;
}

SaneSettings CScanOptionsDlg::Values() const {
    SaneSettings values;
    for (std::size_t i = 0; i < m_options.size(); ++i) {
        QWidget* e = m_editors[i];
        if (!e) continue;
        QVariant v;
        if (auto* box = qobject_cast<QComboBox*>(e))
            v = box->currentData().isValid() ? box->currentData() : QVariant(box->currentText());
        else if (auto* spin = qobject_cast<QSpinBox*>(e)) v = spin->value();
        else if (auto* dspin = qobject_cast<QDoubleSpinBox*>(e)) v = dspin->value();
        else if (auto* check = qobject_cast<QCheckBox*>(e)) v = check->isChecked();
        values.emplace_back(m_options[i].name, v);
    }
    return values;
}

// ------------------------------------------------------------------------- progress

CScanProgressDlg::CScanProgressDlg(std::function<void()> onCancel, QWidget* owner)
    : QDialog(owner), m_onCancel(std::move(onCancel)) {
    setWindowTitle(QStringLiteral("Scanning"));
    m_label = new QLabel(QStringLiteral("Starting the scanner..."), this);
    m_bar = new QProgressBar(this);
    m_bar->setRange(0, 100);
    m_bar->setValue(0);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    cancel->setObjectName(QStringLiteral("cancel"));
    connect(cancel, &QPushButton::clicked, this, [this] { Cancel(); });
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_label);
    layout->addWidget(m_bar);
    layout->addWidget(cancel, 0, Qt::AlignRight);
    resize(320, 110);
}

void CScanProgressDlg::SetPage(int page, std::uint64_t done, std::uint64_t total) {
    if (page != m_page) {
        m_page = page;
        m_label->setText(QStringLiteral("Scanning page %1...").arg(page));
    }
    if (total) {
        m_bar->setRange(0, 100);
        m_bar->setValue(static_cast<int>(std::min<std::uint64_t>(100, done * 100 / total)));
    } else {
        m_bar->setRange(0, 0); // height unknown until the page ends
    }
}

void CScanProgressDlg::Cancel() {
    m_label->setText(QStringLiteral("Cancelling..."));
    if (m_onCancel) m_onCancel();
}

} // namespace tsl
