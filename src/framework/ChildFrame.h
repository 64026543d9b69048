#pragma once
// CChildFrame: the MDI child window that holds one view. Closing it asks the document to save
// when it is modified; closing the last frame closes the document.

#include "framework/CmdTarget.h"

#include <QMdiSubWindow>

namespace tsl {

class CDocument;
class CView;

class CChildFrame : public QMdiSubWindow, public CCmdTarget {
    Q_OBJECT
public:
    explicit CChildFrame(QWidget* parent = nullptr);
    ~CChildFrame() override;

    void SetView(CView* view);
    CView* View() const { return m_view; }
    CDocument* Document() const;
    // Closes without the save question (the document is closing).
    void CloseWithoutAsking();

    // The child frame that holds widget, or null.
    static CChildFrame* Of(QWidget* widget);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    CView* m_view = nullptr;
    bool m_force = false;
};

} // namespace tsl
