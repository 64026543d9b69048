#include "ui/TipDlg.h"

#include "support/TestEnvironment.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>

#include <gtest/gtest.h>

#include <utime.h>

#include <ctime>

namespace tsl {
namespace {

using test::Script;

QString TipsPath() {
    return test::Env().programFolder + QStringLiteral("tips.txt");
}

void WriteTips(const QByteArray& bytes, std::time_t modified = 1583403630) {
    test::WriteFile(TipsPath(), bytes);
    const utimbuf times{modified, modified};
    ASSERT_EQ(::utime(TipsPath().toLocal8Bit().constData(), &times), 0);
}

QVariant ProfileValue(const char* key) {
    return Script().profileValues.value(QStringLiteral("Tip/") + QLatin1String(key));
}

// The tips shown by a new dialog: the first one and then `count - 1` more with Next Tip.
QStringList TipsShown(int count) {
    CTipDlg dlg;
    QStringList tips{dlg.TipText()};
    auto* next = dlg.findChild<QPushButton*>(QStringLiteral("nextTip"));
    for (int i = 1; i < count; ++i) {
        next->click();
        tips << dlg.TipText();
    }
    EXPECT_EQ(dlg.findChild<QLabel*>(QStringLiteral("tipText"))->text(), dlg.TipText());
    return tips;
}

TEST(TipDlg, SkipsCommentAndBlankLinesAndWrapsAround) {
    WriteTips(";comment\n\nFirst tip\n\tindented\n spaced\r\n\r\nSecond tip\r\n;end\n");
    EXPECT_EQ(TipsShown(4), (QStringList{"First tip", "Second tip", "First tip", "Second tip"}));
}

TEST(TipDlg, ResumesAtFilePosUnlessTheFileChanged) {
    const std::time_t firstTime = 1583403630;
    WriteTips("A\nB\nC\n", firstTime);
    EXPECT_EQ(TipsShown(1), QStringList{"A"});
    EXPECT_EQ(ProfileValue("FilePos").toInt(), 2);
    EXPECT_EQ(ProfileValue("TimeStamp").toString(), CTipDlg::CalendarTimeText(firstTime));

    EXPECT_EQ(TipsShown(1), QStringList{"B"});

    WriteTips("A\nB\nC\n", firstTime + 86400 * 40);
    EXPECT_EQ(TipsShown(1), QStringList{"A"});
    EXPECT_EQ(ProfileValue("TimeStamp").toString(),
              CTipDlg::CalendarTimeText(firstTime + 86400 * 40));
}

TEST(TipDlg, CalendarTimeTextIsCtimeWithoutLineEnd) {
    for (std::time_t t : {std::time_t(0), std::time_t(1583403630), std::time_t(1700000000),
                          std::time_t(1709251199), std::time(nullptr)}) {
        std::string reference = std::ctime(&t);
        while (!reference.empty() && std::isspace(static_cast<unsigned char>(reference.back())))
            reference.pop_back();
        EXPECT_EQ(CTipDlg::CalendarTimeText(t).toStdString(), reference);
        EXPECT_EQ(CTipDlg::CalendarTimeText(t).size(), 24);
    }
}

TEST(TipDlg, CloseStoresStartUpInverted) {
    struct Case {
        int stored;
        bool ticked;
        bool clickBox;
        int written;
    };
    for (const Case& c :
         {Case{0, true, true, 1}, Case{1, false, true, 0}, Case{0, true, false, 0}}) {
        Script().profileValues[QStringLiteral("Tip/StartUp")] = c.stored;
        CTipDlg dlg;
        auto* box = dlg.findChild<QCheckBox*>(QStringLiteral("showAtStartUp"));
        EXPECT_EQ(box->isChecked(), c.ticked);
        if (c.clickBox) box->click();
        dlg.findChild<QPushButton*>(QStringLiteral("close"))->click();
        EXPECT_EQ(dlg.result(), QDialog::Accepted);
        EXPECT_EQ(ProfileValue("StartUp").toInt(), c.written);
        EXPECT_EQ(CTipDlg::ShowAtStartUp(), c.written == 0);
    }
}

TEST(TipDlg, MissingFileDisablesNextTip) {
    CTipDlg dlg;
    EXPECT_EQ(dlg.TipText(),
              QStringLiteral("Tips file does not exist in the prescribed directory"));
    EXPECT_FALSE(dlg.findChild<QPushButton*>(QStringLiteral("nextTip"))->isEnabled());
    dlg.NextTip();
    EXPECT_TRUE(Script().messages.empty());
    EXPECT_FALSE(ProfileValue("FilePos").isValid());
}

TEST(TipDlg, FileWithoutTipsDoesNotHang) {
    for (const QByteArray& content :
         {QByteArray(), QByteArray(";only a comment\n\n  indented\n\tx"), QByteArray("\n\n\r\n")}) {
        WriteTips(content);
        CTipDlg dlg;
        EXPECT_EQ(dlg.TipText(), QStringLiteral("There are no tips in the tips file."));
        EXPECT_FALSE(dlg.IsNextTipEnabled());
    }
}

TEST(TipDlg, LongLinesAreReadInPiecesOf999) {
    const QByteArray x1500(1500, 'x'), y999(999, 'y');
    WriteTips(x1500 + "\n" + y999 + " a piece that starts with a blank\n" + "Last\n");
    EXPECT_EQ(TipsShown(5), (QStringList{QString(999, 'x'), QString(501, 'x'), QString(999, 'y'),
                                         QStringLiteral("Last"), QString(999, 'x')}));
}

TEST(TipDlg, FailedSeekIsReported) {
    const std::time_t modified = 1583403630;
    WriteTips("A\nB\n", modified);
    Script().profileValues[QStringLiteral("Tip/TimeStamp")] = CTipDlg::CalendarTimeText(modified);
    Script().profileValues[QStringLiteral("Tip/FilePos")] = -5;
    CTipDlg dlg;
    ASSERT_EQ(Script().messages.size(), 1u);
    EXPECT_EQ(Script().messages[0].text, QStringLiteral("Trouble reading the tips file"));
    dlg.NextTip();
    EXPECT_EQ(dlg.TipText(), QStringLiteral("A"));
}

} // namespace
} // namespace tsl
