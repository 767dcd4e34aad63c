#include "gui/result_log.h"
#include "gui/log_view.h"

#include <gtest/gtest.h>

#include <QClipboard>
#include <QDir>
#include <QGuiApplication>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>

#include <string>
#include <vector>

namespace pellisor {
namespace {

std::vector<std::string> numberedLines(int count) {
    std::vector<std::string> lines;
    for (int index = 0; index < count; ++index) {
        lines.push_back(std::to_string(index) + "\t" + std::to_string(index % 7));
    }
    return lines;
}

TEST(ResultLogTest, HasItsCaptionSizeAndControls) {
    ResultLog log;
    EXPECT_EQ(log.windowTitle(), QString::fromUtf8("Výsledek"));
    EXPECT_EQ(log.size(), QSize(696, 480));
    auto* memo = log.findChild<LogView*>("Memo");
    ASSERT_EQ(memo, log.memo());
    EXPECT_EQ(memo->horizontalScrollBarPolicy(), Qt::ScrollBarAsNeeded);
    EXPECT_EQ(memo->verticalScrollBarPolicy(), Qt::ScrollBarAsNeeded);
    auto* ok = log.findChild<QPushButton*>("SpeedButton1");
    ASSERT_NE(ok, nullptr);
    EXPECT_EQ(ok->text(), "OK");
}

TEST(ResultLogTest, ShowsTheLinesJoinedByNewlines) {
    ResultLog log;
    log.setLines({"# popis/test.csd Vstupů: 2  Výstupů: 1", "1\t1\t\t1", "", "0\t1\t\t0"});
    EXPECT_EQ(log.memo()->toPlainText(),
              QString::fromUtf8("# popis/test.csd Vstupů: 2  Výstupů: 1\n1\t1\t\t1\n\n0\t1\t\t0"));
    EXPECT_EQ(log.memo()->lineCount(), 4);
    EXPECT_EQ(log.memo()->line(0), QString::fromUtf8("# popis/test.csd Vstupů: 2  Výstupů: 1"));
    EXPECT_EQ(log.memo()->line(2), QString());
    log.setLines({"x"});
    EXPECT_EQ(log.memo()->toPlainText(), "x");
    log.setLines({});
    EXPECT_EQ(log.memo()->toPlainText(), QString());
    EXPECT_EQ(log.memo()->lineCount(), 0);
}

TEST(ResultLogTest, TakesAHundredThousandLines) {
    ResultLog log;
    log.resize(696, 480);
    log.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&log));
    log.setLines(numberedLines(100000));
    LogView* memo = log.memo();
    EXPECT_EQ(memo->lineCount(), 100000);
    EXPECT_EQ(memo->line(99999), "99999\t4");
    // Scrolling reaches the last line.
    EXPECT_GT(memo->verticalScrollBar()->maximum(), 99000);
    memo->verticalScrollBar()->setValue(memo->verticalScrollBar()->maximum());
    EXPECT_FALSE(memo->grab().isNull());
}

TEST(ResultLogViewTest, ScrollsSidewaysOnlyForLongLines) {
    LogView view;
    view.resize(300, 200);
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    view.setLines({"short"});
    EXPECT_EQ(view.horizontalScrollBar()->maximum(), 0);
    EXPECT_EQ(view.verticalScrollBar()->maximum(), 0);
    view.setLines({std::string(200, 'x')});
    EXPECT_GT(view.horizontalScrollBar()->maximum(), 0);
}

TEST(ResultLogViewTest, TabsAdvanceToTheNextStop) {
    LogView view;
    view.resize(400, 200);
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    view.setLines({"ab\tc"});
    const QPoint origin = view.lineOrigin(0);
    const qreal width = view.charWidth();
    const int middle = origin.y() + view.lineHeight() / 2;
    const auto at = [&](qreal columns) { return QPoint(origin.x() + qRound(columns * width), middle); };
    // "c" starts at column 8; a point in its left half lands before it.
    EXPECT_EQ(view.positionAt(at(8.2)).index, 3);
    EXPECT_EQ(view.positionAt(at(8.8)).index, 4);
    EXPECT_EQ(view.positionAt(at(3.0)).index, 2);
}

TEST(ResultLogViewTest, DraggingSelectsAndCtrlCCopies) {
    LogView view;
    view.resize(400, 200);
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    view.setLines({"first line", "1\t2\t3", "last"});
    const qreal width = view.charWidth();
    const int height = view.lineHeight();
    const QPoint start = view.lineOrigin(0) + QPoint(qRound(6 * width), height / 2);
    const QPoint end = view.lineOrigin(2) + QPoint(qRound(2 * width), height / 2);
    QTest::mousePress(view.viewport(), Qt::LeftButton, {}, start);
    QMouseEvent move(QEvent::MouseMove, end, view.viewport()->mapToGlobal(end), Qt::NoButton, Qt::LeftButton,
                     Qt::NoModifier);
    QCoreApplication::sendEvent(view.viewport(), &move);
    QTest::mouseRelease(view.viewport(), Qt::LeftButton, {}, end);
    EXPECT_EQ(view.selectedText(), "line\n1\t2\t3\nla");

    QTest::keyClick(&view, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "line\n1\t2\t3\nla");
    QTest::keyClick(&view, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(view.selectedText(), view.toPlainText());

    const QByteArray output = qgetenv("PELLISOR_TEST_OUTPUT");
    const QString directoryName = output.isEmpty() ? QStringLiteral("/tmp") : QString::fromLocal8Bit(output);
    QDir().mkpath(directoryName);
    ResultLog log;
    log.setLines({"# popis/test.csd Vstupů: 2  Výstupů: 1", "1\t1\t\t1", "10\t200\t\t3", "0\t1\t\t0"});
    log.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&log));
    log.memo()->selectAll();
    EXPECT_TRUE(log.grab().save(directoryName + "/result-log.png"));
}

TEST(ResultLogTest, OkCloses) {
    ResultLog log;
    log.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&log));
    log.findChild<QPushButton*>("SpeedButton1")->click();
    EXPECT_FALSE(log.isVisible());
    EXPECT_EQ(log.result(), QDialog::Accepted);
}

}  // namespace
}  // namespace pellisor
