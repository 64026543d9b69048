#pragma once
// The capture component's option dialogs: capture options (hot key, delay, cursor included),
// area options (the shape of a dragged area) and object options (the highlight frame). Each
// starts from the given options and hands back the edited ones after OK.

#include "capture/LScreenCapture.h"

#include <QDialog>

class QButtonGroup;
class QCheckBox;
class QKeySequenceEdit;
class QSpinBox;

namespace tsl {

class CCaptureOptionsDlg : public QDialog {
    Q_OBJECT
public:
    CCaptureOptionsDlg(const CaptureOptions& options, QWidget* parent = nullptr);
    CaptureOptions Options() const;
    QKeySequenceEdit* HotKeyEdit() const { return m_hotKey; }
    QSpinBox* DelayBox() const { return m_delay; }
    QCheckBox* CursorBox() const { return m_cursor; }
    void accept() override;

private:
    CaptureOptions m_options;
    QKeySequenceEdit* m_hotKey;
    QSpinBox* m_delay;
    QCheckBox* m_cursor;
};

class CAreaOptionsDlg : public QDialog {
    Q_OBJECT
public:
    CAreaOptionsDlg(const AreaOptions& options, QWidget* parent = nullptr);
    AreaOptions Options() const;
    QButtonGroup* Shapes() const { return m_shapes; }

private:
    AreaOptions m_options;
    QButtonGroup* m_shapes;
};

class CObjectOptionsDlg : public QDialog {
    Q_OBJECT
public:
    CObjectOptionsDlg(const ObjectOptions& options, QWidget* parent = nullptr);
    ObjectOptions Options() const;
    QSpinBox* BorderBox() const { return m_border; }

private:
    ObjectOptions m_options;
    QSpinBox* m_border;
};

} // namespace tsl
