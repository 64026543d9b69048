#pragma once
// CNSFlexDialog: the program's resizable dialog base.
//
// Qt's layouts re-lay out the controls on every resize, so the base only keeps the contract
// around them: at the first show (the dialog's initialisation) the window size becomes its
// minimum size, the apply button (object name "Control12321") is disabled and OnInitDialog
// runs for subclasses. OK (accept) and apply first run TransferAndValidate; when it refuses,
// the dialog stays as it is. OK then closes the dialog; apply disables the apply button again
// until a subclass enables it for the next change.

#include <QDialog>

class QAbstractButton;

namespace tsl {

class CNSFlexDialog : public QDialog {
    Q_OBJECT
public:
    explicit CNSFlexDialog(QWidget* parent = nullptr);

    void accept() override;
    // The apply button's action; false when validation refused it.
    bool Apply();
    void EnableApply(bool enable = true);
    QAbstractButton* ApplyButton() const;

protected:
    // Reads the controls into the dialog's fields and checks them; false keeps the dialog open.
    virtual bool TransferAndValidate() { return true; }
    // Runs once, when the dialog is first shown, after the base has recorded its size.
    virtual void OnInitDialog();

    void showEvent(QShowEvent* event) override;

private:
    bool m_initialised = false;
};

// The object name by which dialogs find the control of a resource id ("Control<id>").
QString ControlName(int id);

} // namespace tsl
