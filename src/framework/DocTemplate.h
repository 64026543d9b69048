#pragma once
// CMultiDocTemplate: makes a document, its child frame and its view, opens or initialises the
// document, and keeps the list of open documents. The template string has the fields
// window title, document name, new-file name, filter name, filter extension, type id and type
// name separated by newlines.

#include <QString>

#include <functional>
#include <vector>

class QMdiArea;

namespace tsl {

class CChildFrame;
class CDocument;
class CView;

class CMultiDocTemplate {
public:
    enum DocStringIndex { windowTitle, docName, fileNewName, filterName, filterExt, regFileTypeId,
                          regFileTypeName };
    struct Factories {
        std::function<CDocument*()> document;
        std::function<CChildFrame*()> frame;
        std::function<CView*(CDocument*)> view;
    };

    CMultiDocTemplate(int resourceId, const QString& templateString, Factories factories);
    ~CMultiDocTemplate();

    int ResourceId() const { return m_resourceId; }
    QString GetDocString(DocStringIndex index) const;
    void SetMdiArea(QMdiArea* area) { m_area = area; }

    // Opens path as a new document (an empty path makes a new untitled one). Returns the
    // document, or null when it could not be made; frame and document are then gone.
    CDocument* OpenDocumentFile(const QString& path);
    const std::vector<CDocument*>& Documents() const { return m_documents; }
    // Asks each modified document to save; false when one is cancelled.
    bool SaveAllModified();
    // Closes every document without asking.
    void CloseAllDocuments();

    // Called after a document is opened or created (the frame is shown by then).
    std::function<void(CDocument*)> onDocumentOpened;

private:
    friend class CDocument;
    void RemoveDocument(CDocument* document);

    int m_resourceId;
    QString m_templateString;
    Factories m_factories;
    QMdiArea* m_area = nullptr;
    std::vector<CDocument*> m_documents;
    int m_untitledCount = 0;
};

} // namespace tsl
