#pragma once
// The scanning dialogs: the source chooser (vendor, model and name of each device), the
// device's first options (source, mode, resolution, scan area, as the device names them), and
// the progress window of an acquisition (one bar per page, with Cancel).

#include "capture/SaneSession.h"

#include <QDialog>
#include <QString>

#include <functional>
#include <vector>

class QLabel;
class QProgressBar;
class QTreeWidget;
class QWidget;

namespace tsl {

class CSelectSourceDlg : public QDialog {
public:
    CSelectSourceDlg(const std::vector<SaneDeviceInfo>& devices, const QString& current,
                     QWidget* owner);
    QString Chosen() const;
    QTreeWidget* List() const { return m_list; }

private:
    QTreeWidget* m_list;
};

class CScanOptionsDlg : public QDialog {
public:
    CScanOptionsDlg(const QString& deviceTitle, const std::vector<SaneOptionInfo>& options,
                    const SaneSettings& previous, QWidget* owner);
    // The values shown when OK was pressed, in the order of the options.
    SaneSettings Values() const;
    // The editor of an option (a QComboBox, QSpinBox, QDoubleSpinBox or QCheckBox), or null.
    QWidget* Editor(const QString& name) const;

private:
    std::vector<SaneOptionInfo> m_options;
    std::vector<QWidget*> m_editors;
};

class CScanProgressDlg : public QDialog {
public:
    CScanProgressDlg(std::function<void()> onCancel, QWidget* owner);
    void SetPage(int page, std::uint64_t done, std::uint64_t total);
    int Page() const { return m_page; }
    void Cancel();
    void reject() override { Cancel(); } // Escape and the close button cancel too

private:
    std::function<void()> m_onCancel;
    QLabel* m_label;
    QProgressBar* m_bar;
    int m_page = 0;
};

} // namespace tsl
