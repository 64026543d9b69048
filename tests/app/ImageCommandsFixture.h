#pragma once
// An open image document of a patterned picture (every pixel told apart by its position) in
// the running program, with helpers for the image commands' tests.

#include "AppFixture.h"

#include "document/PntUtilDoc.h"
#include "document/PntUtilView.h"
#include "framework/Ids.h"
#include "platform/Platform.h"

#include <QDialog>

namespace tsl::test {

struct ImageCommands : AppFixture {
    void SetUp() override {
        WriteUsualSettings();
        ASSERT_TRUE(Start());
    }
    // Opens a w x h picture whose pixel (x, y) is Pattern(x, y).
    void Open(int w, int h, const QString& name = QStringLiteral("pattern.png")) {
        QImage image(w, h, QImage::Format_RGB32);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) image.setPixel(x, y, Pattern(x, y));
        const QString path = MakeTempFolder("pictures") + "/" + name;
        ASSERT_TRUE(image.save(path, "PNG"));
        doc = static_cast<CPntUtilDoc*>(app->OpenDocumentFile(path));
        ASSERT_NE(doc, nullptr);
        view = dynamic_cast<CPntUtilView*>(doc->Views().front());
        ASSERT_NE(view, nullptr);
        Settle();
    }
    static QRgb Pattern(int x, int y) { return qRgb(x & 255, y & 255, (x * 7 + y * 3 + 1) & 255); }

    CViewPaintCtrl& Ctrl() { return view->Control(); }
    QImage Shown() { return view->Image(); }
    QString Pane(int i) { return Frame().PaneText(i); }

    // Queues a script for the next dialog, which must be of type Dialog.
    template <class Dialog> void OnDialog(std::function<int(Dialog&)> fill) {
        Script().dialogScripts.push_back([fill](QDialog& d) {
            auto* dialog = dynamic_cast<Dialog*>(&d);
            EXPECT_NE(dialog, nullptr) << d.windowTitle().toStdString();
            return dialog ? fill(*dialog) : 0;
        });
    }
    // Runs a command that must change the image by exactly one undo step: one undo gives back
    // the exact pixels from before, one redo the result.
    void ExpectOneUndoStep(int id) {
        const QImage before = Shown();
        ASSERT_TRUE(Frame().ExecuteCommand(id)) << id;
        const QImage after = Shown();
        EXPECT_NE(after, before) << id;
        EXPECT_TRUE(Ctrl().IsModified()) << id;
        ASSERT_TRUE(Frame().ExecuteCommand(ID_EDIT_UNDO));
        EXPECT_EQ(Shown(), before) << id;
        ASSERT_TRUE(Frame().ExecuteCommand(ID_EDIT_REDO));
        EXPECT_EQ(Shown(), after) << id;
        ASSERT_TRUE(Frame().ExecuteCommand(ID_EDIT_UNDO));
    }
    // Runs a command whose dialog is cancelled: nothing may change.
    void ExpectCancelChangesNothing(int id) {
        const QImage before = Shown();
        const int steps = Ctrl().HistorySize();
        const bool transparent = doc->Transparent();
        const int depth = doc->BitsPerPixel();
        Script().dialogScripts.push_back([](QDialog&) { return 0; });
        Frame().ExecuteCommand(id);
        EXPECT_TRUE(Script().dialogScripts.empty()) << id << ": no dialog was shown";
        EXPECT_EQ(Shown(), before) << id;
        EXPECT_EQ(Ctrl().HistorySize(), steps) << id;
        EXPECT_EQ(doc->Transparent(), transparent) << id;
        EXPECT_EQ(doc->BitsPerPixel(), depth) << id;
    }

    CPntUtilDoc* doc = nullptr;
    CPntUtilView* view = nullptr;
};

} // namespace tsl::test
