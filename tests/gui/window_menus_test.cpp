// The menu bar: its entries run the buttons' handlers and follow their enabled state, and the canvas
// keeps the viewport an unattended run draws for.
#include "gui/window_fixture.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QScrollArea>

namespace pellisor {
namespace {

using test::WindowTest;

TEST_F(WindowTest, MenusKeepTheViewportOfTheWindowWithoutThem) {
    // The size an unattended run fits the canvas to.
    EXPECT_EQ(find<QScrollArea>("SB")->viewport()->size(), QSize(1007, 365));
    EXPECT_EQ(window->menuBar()->actions().size(), 5);
}

TEST_F(WindowTest, ToolEntriesRunTheButtonsAndFollowTheirState) {
    auto* tools = find<QMenu>("menuNastroje");
    // Every button of the page "Funkce" but "O programu", which is under "Nápověda".
    EXPECT_EQ(tools->actions().size(), 19);
    auto* hide = find<QAction>("actSBsnb");
    auto* about = find<QAction>("actSpeedButton2");
    EXPECT_EQ(hide->text(), test::utf8("Skrýt nefunkční bloky"));
    EXPECT_FALSE(hide->isEnabled());
    draw();
    EXPECT_TRUE(hide->isEnabled());
    EXPECT_EQ(find<QAction>("actSBev")->isEnabled(), button("SBev")->isEnabled());
    hide->trigger();
    EXPECT_TRUE(find<QLabel>("StatBarText")->text().startsWith(QStringLiteral("Funkcnich bloku: ")));
    // A menu entry shows its errors the way a button does.
    test::whenModal([](QWidget* box) { box->close(); });
    about->trigger();
    EXPECT_EQ(find<QAction>("actSBdt")->shortcut(), QKeySequence(QKeySequence::Open));
}

}  // namespace
}  // namespace pellisor
