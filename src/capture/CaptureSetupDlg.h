#pragma once
// The Capture Setup dialog: the nine kinds as radio buttons ("&Area", "&Client area", "Active
// &window", "&Full screen", "&Object", "&Menu under cursor", "Wi&ndow under cursor", "Mo&use
// cursor", "Wallpap&er"), "Multiple captures", the three option buttons (each opens the
// capture component's option dialog at once, owned by the main frame), "Start capturing!" (the
// default button: OK with a start asked for), OK and Cancel.

#include <QDialog>

class QButtonGroup;
class QCheckBox;
class QPushButton;

namespace tsl {

class LScreenCapture;

class CCaptureSetupDlg : public QDialog {
    Q_OBJECT
public:
    // kind outside 1..9 shows "Active &window".
    CCaptureSetupDlg(int kind, bool multiple, LScreenCapture& capture, QWidget* owner);

    // After OK: the chosen kind and flag, and whether "Start capturing!" closed it.
    int Kind() const { return m_kind; }
    bool Multiple() const { return m_multiple; }
    bool StartRequested() const { return m_start; }

    QButtonGroup* Kinds() const { return m_kinds; }
    QCheckBox* MultipleBox() const { return m_multipleBox; }
    QPushButton* Button(const QString& text) const;

    // The kinds in the order of the radio buttons.
    static constexpr int kOrder[9] = {7, 2, 3, 1, 6, 5, 4, 8, 9};

    void accept() override;

private:
    LScreenCapture& m_capture;
    QWidget* m_owner;
    QButtonGroup* m_kinds;
    QCheckBox* m_multipleBox;
    int m_kind = 3;
    bool m_multiple = false;
    bool m_start = false;
};

} // namespace tsl
