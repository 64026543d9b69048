// The slide-show editor through its real controls on the offscreen platform.

#include "slideshow/SlideShowDlg.h"

#include "core/SettingsFile.h"
#include "platform/FileNames.h"
#include "ui/BmpBtn.h"

#include "support/TestEnvironment.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QImage>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <memory>
#include <tuple>

namespace tsl {
namespace {

using test::Script;

class Editor : public testing::Test {
protected:
    QString dir = test::MakeTempFolder(QStringLiteral("editor"));
    std::unique_ptr<CSlideShowDlg> editor = std::make_unique<CSlideShowDlg>();
    int plays = 0;
    CSlideShowModel played;
    QStringList openedForEditing;

    void SetUp() override {
        editor->SetPlayFunction([this](CSlideShowModel& model) {
            ++plays;
            played = model;
        });
        editor->SetOpenDocumentFunction([this](const QString& p) { openedForEditing << p; });
        editor->show();
    }

    QString Picture(const QString& name, QRgb colour = qRgb(200, 40, 40)) {
        QImage image(24, 16, QImage::Format_RGB32);
        image.fill(colour);
        const QString path = dir + QLatin1Char('/') + name;
        EXPECT_TRUE(image.save(path, "PNG"));
        return path;
    }
    // Adds files through the Add button, as a user who picked them.
    void Add(const QStringList& files) {
        Script().openAnswers.push_back(files);
        Click(CSlideShowDlg::IDC_ADD);
    }
    QStringList FivePictures() {
        QStringList files;
        for (const char* name : {"1.png", "2.png", "3.png", "4.png", "5.png"})
            files << Picture(QLatin1String(name));
        Add(files);
        return files;
    }
    void Click(int id) { editor->Control<QAbstractButton>(id)->click(); }
    QListWidget& List() { return *editor->Control<QListWidget>(CSlideShowDlg::IDC_IMAGES); }
    QStringList ListNames() {
        QStringList names;
        for (int i = 0; i < List().count(); ++i)
            names << List().item(i)->text();
        return names;
    }
    void Select(std::initializer_list<int> rows) {
        List().clearSelection();
        for (int row : rows)
            List().setCurrentRow(row, QItemSelectionModel::Select);
    }
    bool Enabled(int id) { return editor->Control<QWidget>(id)->isEnabled(); }
    QLineEdit& Edit(int id) { return *editor->Control<QLineEdit>(id); }
    std::vector<QString> Messages() {
        std::vector<QString> texts;
        for (const auto& m : Script().messages)
            texts.push_back(m.text);
        return texts;
    }
};

TEST_F(Editor, ControlsStartWithTheirTextsCaptionsAndStates) {
    EXPECT_EQ(editor->windowTitle(), QStringLiteral("Slide show"));
    struct Row {
        int id;
        const char* text;
    };
    for (const Row& r : {Row{1029, "&Add..."},
                         Row{1028, "&Remove"},
                         Row{1031, "&Clear"},
                         Row{1030, "&Play"},
                         Row{1045, "..."},
                         Row{1034, "&Save"},
                         Row{1035, "&Open"},
                         Row{2, "Close"},
                         Row{1094, "Create stand-alone slide show..."},
                         Row{1033, "&Loop"},
                         Row{1039, "Show image &filename"},
                         Row{1047, "Use transition &effects"},
                         Row{1046, "&Use sound"},
                         Row{1054, "L&oop"},
                         Row{1076, "&Keyboard controlled"},
                         Row{1077, "A&utomatic after"},
                         Row{1037, "U:<FIRST~"},
                         Row{1042, "U:<UP~"},
                         Row{1043, "U:<DOWN~"},
                         Row{1038, "U:<LAST~"},
                         Row{1098, "W:7~U:<NONE~L:1~O:0~"}})
        EXPECT_EQ(editor->Control<QAbstractButton>(r.id)->text(), QString::fromUtf8(r.text))
            << r.id;
    QStringList groups;
    for (const QGroupBox* g : editor->findChildren<QGroupBox*>())
        groups << g->title();
    EXPECT_EQ(groups,
              QStringList({" Slide show files (double-click to open for editing) ", " Files ",
                           " Move ", " Slideshow playback ", " Slideshow options ", " Sound "}));
    EXPECT_TRUE(editor->Control<QPushButton>(CSlideShowDlg::IDC_PLAY)->isDefault());
    EXPECT_EQ(List().selectionMode(), QAbstractItemView::ExtendedSelection);
    // The defaults of a new show, and what they leave enabled.
    EXPECT_TRUE(editor->Control<QCheckBox>(CSlideShowDlg::IDC_SHOW_FILE_NAME)->isChecked());
    EXPECT_TRUE(editor->Control<QRadioButton>(CSlideShowDlg::IDC_KEYBOARD)->isChecked());
    EXPECT_EQ(Edit(CSlideShowDlg::IDC_DELAY).text(), QStringLiteral("1000"));
    for (int id : {CSlideShowDlg::IDC_SOUND_FILE, CSlideShowDlg::IDC_CHOOSE_SOUND,
                   CSlideShowDlg::IDC_SOUND_LOOP, CSlideShowDlg::IDC_DELAY})
        EXPECT_FALSE(Enabled(id)) << id;
    EXPECT_TRUE(editor->Control<QWidget>(CSlideShowDlg::IDC_MEDIA)->isVisible());
    // The move buttons draw the program's bitmaps.
    auto* first = editor->Control<CBmpBtn>(CSlideShowDlg::IDC_MOVE_FIRST);
    const QImage drawn = first->grab().toImage();
    EXPECT_GT(drawn.width(), 0);
}

TEST_F(Editor, AddAsksForImagesInTheRememberedFolderAndTheSameFileTwiceGivesTwoSlides) {
    Settings().WriteFolder(keys::Slideshow, NativePath(dir));
    const QString a = Picture(QStringLiteral("a.png")), b = Picture(QStringLiteral("b.png"));
    Add({a, b});
    Add({a});
    ASSERT_EQ(Script().fileRequests.size(), 2u);
    const platform::FileRequest& request = Script().fileRequests[0];
    EXPECT_EQ(request.caption, QStringLiteral("Add image files"));
    EXPECT_TRUE(request.filter.startsWith(QStringLiteral("Image Files|*.gif;")));
    EXPECT_TRUE(request.filter.endsWith(QStringLiteral("||")));
    EXPECT_FALSE(request.filter.contains(QStringLiteral("All Files")));
    EXPECT_EQ(request.defaultExtension, QStringLiteral("bmp"));
    EXPECT_TRUE(request.multiple);
    EXPECT_EQ(request.folder, dir);
    EXPECT_EQ(editor->Model().imageEntries, QStringList({a, b, a}));
    EXPECT_EQ(ListNames(), QStringList({"a.png", "b.png", "a.png"}));

    // The folder the files came from is remembered at once.
    const QString other = test::MakeTempFolder(QStringLiteral("other"));
    const QString c = other + QStringLiteral("/c.png");
    ASSERT_TRUE(QFile::copy(a, c));
    Add({c});
    EXPECT_EQ(QString::fromStdString(Settings().ReadFolder(keys::Slideshow)), other);
    Add({});
    EXPECT_EQ(editor->Model().Count(), 4); // cancelled: nothing added
}

TEST_F(Editor, RemovingItemsTwoAndFourOfFiveLeavesOneThreeAndFive) {
    const QStringList files = FivePictures();
    Select({1, 3});
    Click(CSlideShowDlg::IDC_REMOVE);
    EXPECT_EQ(editor->Model().imageEntries, QStringList({files[0], files[2], files[4]}));
    EXPECT_EQ(ListNames(), QStringList({"1.png", "3.png", "5.png"}));
    Click(CSlideShowDlg::IDC_CLEAR);
    EXPECT_EQ(editor->Model().Count(), 0);
    EXPECT_EQ(List().count(), 0);
    EXPECT_EQ(editor->PreviewCaption(), QStringLiteral("W:7~U:<NONE~L:1~O:0~"));
}

TEST_F(Editor, MovesKeepTheItemSelectedAndStopAtTheEnds) {
    const QStringList f = FivePictures();
    Select({0});
    Click(CSlideShowDlg::IDC_MOVE_UP); // the first item cannot go up
    EXPECT_EQ(editor->Model().imageEntries, f);
    EXPECT_EQ(editor->SelectedIndices(), QList<int>({0}));
    Select({4});
    Click(CSlideShowDlg::IDC_MOVE_DOWN); // nor the last one down
    EXPECT_EQ(editor->Model().imageEntries, f);
    EXPECT_EQ(editor->SelectedIndices(), QList<int>({4}));

    Select({2});
    Click(CSlideShowDlg::IDC_MOVE_UP);
    EXPECT_EQ(editor->Model().imageEntries, QStringList({f[0], f[2], f[1], f[3], f[4]}));
    EXPECT_EQ(editor->SelectedIndices(), QList<int>({1}));
    Click(CSlideShowDlg::IDC_MOVE_LAST);
    EXPECT_EQ(editor->Model().imageEntries, QStringList({f[0], f[1], f[3], f[4], f[2]}));
    EXPECT_EQ(editor->SelectedIndices(), QList<int>({4}));
    Click(CSlideShowDlg::IDC_MOVE_FIRST);
    EXPECT_EQ(editor->Model().imageEntries, QStringList({f[2], f[0], f[1], f[3], f[4]}));
    Click(CSlideShowDlg::IDC_MOVE_DOWN);
    EXPECT_EQ(editor->Model().imageEntries, QStringList({f[0], f[2], f[1], f[3], f[4]}));
    EXPECT_EQ(ListNames(), editor->Model().DisplayNames());
    EXPECT_TRUE(Script().messages.empty());

    Select({1, 3});
    Click(CSlideShowDlg::IDC_MOVE_FIRST);
    EXPECT_EQ(Messages(),
              std::vector<QString>({"Please select only one image to be moved at a time"}));
    EXPECT_EQ(editor->Model().imageEntries, QStringList({f[0], f[2], f[1], f[3], f[4]}));
    List().clearSelection();
    Click(CSlideShowDlg::IDC_MOVE_LAST); // nothing selected: nothing moves, nothing said
    EXPECT_EQ(Script().messages.size(), 1u);
}

TEST_F(Editor, PlayTakesTheOptionsAndDoesNothingWithAnEmptyList) {
    Click(CSlideShowDlg::IDC_PLAY);
    EXPECT_EQ(plays, 0);
    Add({Picture(QStringLiteral("a.png"))});
    editor->Control<QCheckBox>(CSlideShowDlg::IDC_LOOP)->setChecked(true);
    editor->Control<QCheckBox>(CSlideShowDlg::IDC_TRANSITIONS)->setChecked(true);
    Click(CSlideShowDlg::IDC_AUTOMATIC);
    Edit(CSlideShowDlg::IDC_DELAY).setText(QStringLiteral("250"));
    QTest::keyClick(editor.get(), Qt::Key_Return); // Play is the default button
    ASSERT_EQ(plays, 1);
    EXPECT_EQ(played.loop, 1);
    EXPECT_EQ(played.useTransitions, 1);
    EXPECT_EQ(played.advanceMode, 1);
    EXPECT_EQ(played.delay, 250);
    EXPECT_EQ(played.Count(), 1);
    // A click during an automatic show hands that show to the keyboard, not the editor.
    editor->SetPlayFunction([](CSlideShowModel& model) { model.advanceMode = 0; });
    Click(CSlideShowDlg::IDC_PLAY);
    EXPECT_TRUE(editor->Control<QRadioButton>(CSlideShowDlg::IDC_AUTOMATIC)->isChecked());
    ASSERT_TRUE(editor->UpdateData(true));
    EXPECT_EQ(editor->Model().advanceMode, 1);
}

TEST_F(Editor, ADelayThatIsNoWholeNumberIsRefusedAndTheActionDoesNotRun) {
    Add({Picture(QStringLiteral("a.png"))});
    Click(CSlideShowDlg::IDC_AUTOMATIC);
    for (const char* text : {"", "99999999999"}) {
        Script().messages.clear();
        Edit(CSlideShowDlg::IDC_DELAY).setText(QString::fromLatin1(text));
        Click(CSlideShowDlg::IDC_PLAY);
        EXPECT_EQ(plays, 0) << text;
        EXPECT_EQ(Messages(), std::vector<QString>({"Please enter an integer."})) << text;
        EXPECT_EQ(editor->focusWidget(), &Edit(CSlideShowDlg::IDC_DELAY));
    }
    // Nor does a move, a save or an export run.
    Select({0});
    Script().saveAnswers.push_back(dir + QStringLiteral("/never.show"));
    Click(CSlideShowDlg::IDC_SAVE);
    Script().saveAnswers.push_back(dir + QStringLiteral("/never.SlideShow"));
    Click(CSlideShowDlg::IDC_EXPORT);
    EXPECT_FALSE(QFile::exists(dir + QStringLiteral("/never.show")));
    EXPECT_FALSE(QFile::exists(dir + QStringLiteral("/never.SlideShow")));
    // The edit takes digits only.
    Edit(CSlideShowDlg::IDC_DELAY).clear();
    QTest::keyClicks(&Edit(CSlideShowDlg::IDC_DELAY), QStringLiteral("1a2-3"));
    EXPECT_EQ(Edit(CSlideShowDlg::IDC_DELAY).text(), QStringLiteral("123"));
}

TEST_F(Editor, TheSoundControlsFollowUseSoundAndTheDelayFollowsTheMode) {
    const QString sound = test::WriteFile(dir + QStringLiteral("/tune.wav"), "RIFF");
    Click(CSlideShowDlg::IDC_USE_SOUND);
    for (int id : {CSlideShowDlg::IDC_SOUND_FILE, CSlideShowDlg::IDC_CHOOSE_SOUND,
                   CSlideShowDlg::IDC_SOUND_LOOP})
        EXPECT_TRUE(Enabled(id)) << id;
    // The sound text is checked as it is typed: only an existing file reaches the media control.
    Edit(CSlideShowDlg::IDC_SOUND_FILE).setText(dir + QStringLiteral("/missing.wav"));
    EXPECT_EQ(editor->Media().GetFileName(), QString());
    Edit(CSlideShowDlg::IDC_SOUND_FILE).setText(sound);
    EXPECT_EQ(editor->Media().GetFileName(), sound);
    Click(CSlideShowDlg::IDC_USE_SOUND);
    EXPECT_EQ(editor->Media().GetFileName(), QString());
    for (int id : {CSlideShowDlg::IDC_SOUND_FILE, CSlideShowDlg::IDC_CHOOSE_SOUND,
                   CSlideShowDlg::IDC_SOUND_LOOP})
        EXPECT_FALSE(Enabled(id)) << id;
    Click(CSlideShowDlg::IDC_USE_SOUND);
    EXPECT_EQ(editor->Media().GetFileName(), sound);

    Click(CSlideShowDlg::IDC_AUTOMATIC);
    EXPECT_TRUE(Enabled(CSlideShowDlg::IDC_DELAY));
    Click(CSlideShowDlg::IDC_KEYBOARD);
    EXPECT_FALSE(Enabled(CSlideShowDlg::IDC_DELAY));
}

TEST_F(Editor, ChooseSoundAsksInTheRememberedFolderAndGivesTheMediaControlTheFile) {
    const QString sound = test::WriteFile(dir + QStringLiteral("/music/tune.ogg"), "OggS");
    Settings().WriteFolder(keys::Sound, NativePath(dir));
    Click(CSlideShowDlg::IDC_USE_SOUND);
    Script().openAnswers.push_back({sound});
    Click(CSlideShowDlg::IDC_CHOOSE_SOUND);
    ASSERT_EQ(Script().fileRequests.size(), 1u);
    const platform::FileRequest& request = Script().fileRequests[0];
    EXPECT_EQ(request.caption, QStringLiteral("Add sound file"));
    EXPECT_EQ(request.folder, dir);
    EXPECT_TRUE(request.filter.contains(QStringLiteral("*.wav;*.mp3;*.ogg")));
    EXPECT_TRUE(request.filter.endsWith(QStringLiteral("|All Files (.*)|*.*||")));
    EXPECT_FALSE(request.multiple);
    EXPECT_EQ(editor->Model().soundFile, sound);
    EXPECT_EQ(Edit(CSlideShowDlg::IDC_SOUND_FILE).text(), sound);
    EXPECT_EQ(editor->Media().GetFileName(), sound);
    EXPECT_EQ(QString::fromStdString(Settings().ReadFolder(keys::Sound)), dir + "/music");
}

TEST_F(Editor, SaveThenOpenGivesBackEveryOptionAndEntry) {
    const QString sound = test::WriteFile(dir + QStringLiteral("/tune.wav"), "RIFF");
    const QStringList files = FivePictures();
    editor->Model().soundFile = sound;
    editor->Model().loop = 1;
    editor->Model().useSound = 1;
    editor->Model().showFileName = 0;
    editor->Model().useTransitions = 1;
    editor->Model().delay = 4321;
    editor->Model().soundLoop = 1;
    editor->Model().advanceMode = 1;
    editor->UpdateData(false);
    const CSlideShowModel saved = editor->Model();
    const QString show = dir + QStringLiteral("/mine.show");
    Script().saveAnswers.push_back(show);
    Click(CSlideShowDlg::IDC_SAVE);
    ASSERT_EQ(Script().fileRequests.size(), 2u);
    const platform::FileRequest& request = Script().fileRequests[1];
    EXPECT_EQ(request.caption, QStringLiteral("Save slide show"));
    EXPECT_EQ(request.filter, QStringLiteral("SlideShow files (.show)|*.show||"));
    EXPECT_EQ(request.defaultExtension, QStringLiteral("show"));
    EXPECT_EQ(request.folder, test::Env().programFolder + QStringLiteral("SlideShows"));
    ASSERT_TRUE(QFile::exists(show));

    // A second editor that already lists other images opens the show in their place.
    auto other = std::make_unique<CSlideShowDlg>();
    other->show();
    other->Model().imageEntries << Picture(QStringLiteral("x.png"));
    other->UpdateData(false);
    Script().openAnswers.push_back({show});
    other->Control<QAbstractButton>(CSlideShowDlg::IDC_OPEN)->click();
    EXPECT_EQ(Script().fileRequests.back().caption, QStringLiteral("Open slide show"));
    const CSlideShowModel& back = other->Model();
    EXPECT_EQ(back.imageEntries, saved.imageEntries);
    EXPECT_EQ(back.soundFile, sound);
    EXPECT_EQ(std::tie(back.loop, back.useSound, back.showFileName, back.useTransitions, back.delay,
                       back.soundLoop, back.advanceMode),
              std::tie(saved.loop, saved.useSound, saved.showFileName, saved.useTransitions,
                       saved.delay, saved.soundLoop, saved.advanceMode));
    auto* list = other->Control<QListWidget>(CSlideShowDlg::IDC_IMAGES);
    ASSERT_EQ(list->count(), 5);
    EXPECT_EQ(list->item(4)->text(), QStringLiteral("5.png"));
    EXPECT_TRUE(other->Control<QCheckBox>(CSlideShowDlg::IDC_LOOP)->isChecked());
    EXPECT_FALSE(other->Control<QCheckBox>(CSlideShowDlg::IDC_SHOW_FILE_NAME)->isChecked());
    EXPECT_TRUE(other->Control<QRadioButton>(CSlideShowDlg::IDC_AUTOMATIC)->isChecked());
    EXPECT_EQ(other->Control<QLineEdit>(CSlideShowDlg::IDC_DELAY)->text(), "4321");
    // The sound controls were refreshed from the opened show.
    EXPECT_TRUE(other->Control<QWidget>(CSlideShowDlg::IDC_SOUND_FILE)->isEnabled());
    EXPECT_TRUE(other->Control<QWidget>(CSlideShowDlg::IDC_DELAY)->isEnabled());
    EXPECT_EQ(other->Media().GetFileName(), sound);

    // A file that is not a show leaves the editor as it was.
    const QString bad = test::WriteFile(dir + QStringLiteral("/bad.show"), "\x05sshow");
    Script().openAnswers.push_back({bad});
    other->Control<QAbstractButton>(CSlideShowDlg::IDC_OPEN)->click();
    EXPECT_EQ(Messages(), std::vector<QString>({"This is not a valid slide show file"}));
    EXPECT_EQ(other->Model().Count(), 5);
    EXPECT_EQ(list->count(), 5);
}

TEST_F(Editor, ThePreviewFollowsTheFocusedItemAndOpensItForEditing) {
    const QStringList f = FivePictures();
    EXPECT_EQ(editor->PreviewCaption(), QStringLiteral("W:7~U:<NONE~L:1~O:0~"));
    List().setCurrentRow(2);
    EXPECT_EQ(editor->PreviewCaption(),
              QStringLiteral("W:7~U:") + f[2] + QStringLiteral("~L:1~O:0~"));
    QTest::mouseClick(editor->Control<QAbstractButton>(CSlideShowDlg::IDC_PREVIEW), Qt::LeftButton);
    // A double click: its first press makes the item current.
    EXPECT_EQ(openedForEditing, QStringList({f[2]}));
    const QRect item = List().visualItemRect(List().item(4));
    QTest::mouseClick(List().viewport(), Qt::LeftButton, Qt::NoModifier, item.center());
    QTest::mouseDClick(List().viewport(), Qt::LeftButton, Qt::NoModifier, item.center());
    EXPECT_EQ(openedForEditing, QStringList({f[2], f[4]}));
    EXPECT_TRUE(editor->isVisible()); // the editor stays open
    Select({1, 2});
    Click(CSlideShowDlg::IDC_REMOVE);
    EXPECT_EQ(editor->PreviewCaption(),
              QStringLiteral("W:7~U:") +
                  editor->Model().imageEntries.value(List().currentRow(), QStringLiteral("<NONE")) +
                  QStringLiteral("~L:1~O:0~"));
}

TEST_F(Editor, NamesThatAreNotUtf8KeepTheirBytesThroughTheListAndTheShowFile) {
    const QString odd = dir + QLatin1Char('/') + DecodeFileName(QByteArray("caf\xe9.png"));
    ASSERT_EQ(
        ::rename(NativePath(Picture(QStringLiteral("tmp.png"))).c_str(), NativePath(odd).c_str()),
        0);
    Add({odd});
    ASSERT_EQ(editor->Model().Count(), 1);
    EXPECT_EQ(NativePath(editor->Model().imageEntries[0]), NativePath(odd));
    const QString show = dir + QStringLiteral("/odd.show");
    Script().saveAnswers.push_back(show);
    Click(CSlideShowDlg::IDC_SAVE);
    CSlideShowModel back;
    ASSERT_TRUE(ReadShowFile(back, show).isEmpty());
    EXPECT_EQ(NativePath(back.imageEntries.value(0)), NativePath(odd));
    List().setCurrentRow(0);
    EXPECT_TRUE(IsRegularFile(editor->Model().imageEntries[0]));
    ::unlink(NativePath(odd).c_str()); // Qt's removal of the temporary folder cannot spell it
}

} // namespace
} // namespace tsl
