#pragma once
// Documents and views. A document holds a path, a title and a modified flag; its view is a
// widget that also takes commands. The program shows exactly one view per document, in one
// child frame.

#include "framework/CmdTarget.h"

#include <QObject>
#include <QString>

#include <vector>

class QWidget;

namespace tsl {

class CChildFrame;
class CDocument;
class CMultiDocTemplate;

class CView : public CCmdTarget {
public:
    ~CView() override;
    virtual QWidget* Widget() = 0;
    CDocument* GetDocument() const { return m_document; }
    // Called once the frame and document are ready, before the frame is shown.
    virtual void OnInitialUpdate() {}
    // Called when the view's frame becomes (true) or stops being (false) the active one.
    virtual void OnActivateView(bool /*active*/) {}
    // Called after the frame's window arrangement (Cascade) moved the view's frame.
    virtual void OnFrameArranged() {}
    // A target that sees every command before the view (the view's paint control), or null.
    virtual CCmdTarget* CommandPrelude() { return nullptr; }

private:
    friend class CDocument;
    CDocument* m_document = nullptr;
};

class CDocument : public QObject, public CCmdTarget {
    Q_OBJECT
public:
    CDocument();
    ~CDocument() override;

    virtual bool OnNewDocument();
    virtual bool OnOpenDocument(const QString& path);
    virtual bool OnSaveDocument(const QString& path);
    // Closes the document's frames without asking, then the document itself.
    virtual void OnCloseDocument();
    // Asks whether to save a modified document; false when the user cancels.
    virtual bool SaveModified();
    virtual bool IsModified() const { return m_modified; }
    void SetModifiedFlag(bool modified = true);

    const QString& GetPathName() const { return m_path; }
    virtual void SetPathName(const QString& path);
    const QString& GetTitle() const { return m_title; }
    void SetTitle(const QString& title);

    void AddView(CView* view);
    void RemoveView(CView* view);
    const std::vector<CView*>& Views() const { return m_views; }
    CChildFrame* Frame() const;
    CMultiDocTemplate* Template() const { return m_template; }

signals:
    void titleChanged(const QString& title);

private:
    friend class CMultiDocTemplate;
    void Detach(); // leaves the template's list of open documents
    CMultiDocTemplate* m_template = nullptr;
    std::vector<CView*> m_views;
    QString m_path;
    QString m_title;
    bool m_modified = false;
    bool m_closing = false;
};

} // namespace tsl
