#include "gui/main_window.h"

#include "gui/window_fixture.h"
#include "model/settings_keys.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTabWidget>
#include <QWheelEvent>

#include <fstream>

namespace pellisor {
namespace {

using test::utf8;
using test::WindowTest;

struct ButtonRow {
    const char* name;
    const char* caption;
    const char* hint;
    bool enabledAtStart;
};

constexpr ButtonRow kButtons[] = {
    {"SBdt", "&Načíst", "Načíst chromozom ze souboru", true},
    {"SBok", "&Vykreslit", "Vykreslit chromozom", false},
    {"SBuloz", "&Uložit", "", false},
    {"SBsnb", "Skrýt nefunkční bloky", "", false},
    {"SBur", "Uložit rozmístění", "", false},
    {"SBnr", "Načíst rozmístění", "", false},
    {"SpeedButton3", "Rozmístit automaticky", "Automatické rozmístění podle vzdálenosti od vstupu", true},
    {"SpeedButton1", "Uložit schema", "", true},
    {"SpeedButton2", "O programu", "", true},
    {"SBautv", "Automatická velikost", "Změna rozměru plátna na minimální nutnou", true},
    {"SBnextcomb", "Další kombinace", "Změna rozměru plátna na minimální nutnou", false},
    {"SBev", "Přepočítat ohodnocení", "Přepočítá ohodnocení hradel", false},
    {"SpeedButton4", "Detekce zbytečných hradel",
     "Detekce zbytečných hradel s přiřazenou funkcí in1 nebo in2", true},
    {"SBoptimize", "Eliminace zbytečných hradel",
     "Detekce zbytečných hradel s přiřazenou funkcí in1 nebo in2", true},
    {"SBevf", "Přiřazení funkcí", "Změna funkcí + statistika použitých", false},
    {"SBVHDL", "Vygenerovat VHDL", "Změna funkcí + statistika použitých", false},
    {"SBDot", "Vygenerovat DOT", "Změna funkcí + statistika použitých", false},
    {"SBbatch", "Provést testovací skript", "Provede testovací skript csb", false},
    {"SBfiltr", "Vyfiltrovat obraz 3x3", "Provede testovací skript csb", false},
    {"SBhw", "Vygenerovat HW", "Verilog, procesní element vrc_alu a testbenche VHDL a Verilog", false},
    {"SBulset", "&Uložit", "Uložit nastavení jako výchozí", true},
};

TEST_F(WindowTest, MainWindowControlsCarryTheirNamesCaptionsAndHints) {
    EXPECT_EQ(window->windowTitle(), "Pellisor");
    // The menu bar stands above the specified window.
    EXPECT_EQ(window->size(), QSize(1007, 661 + window->menuBar()->height()));
    for (const ButtonRow& row : kButtons) {
        SCOPED_TRACE(row.name);
        QToolButton* control = button(row.name);
        ASSERT_NE(control, nullptr);
        EXPECT_EQ(control->text(), utf8(row.caption));
        EXPECT_EQ(control->toolTip(), utf8(row.hint));
        EXPECT_EQ(control->isEnabled(), row.enabledAtStart);
        EXPECT_TRUE(control->autoRaise());
    }

    const std::pair<const char*, const char*> radios[] = {
        {"RB1", "Přímé"}, {"RB3", "Přímé 2"}, {"RB2", "Přímé + opt"}};
    for (const auto& [name, caption] : radios) {
        QRadioButton* radio = find<QRadioButton>(name);
        ASSERT_NE(radio, nullptr);
        EXPECT_EQ(radio->text(), utf8(caption));
        EXPECT_EQ(radio->isChecked(), std::string_view(name) == "RB1");
    }
    // Without a settings file every box shows its key's default.
    for (const settings::DisplayKey& key : settings::kDisplayKeys) {
        SCOPED_TRACE(key.control);
        QCheckBox* box = find<QCheckBox>(key.control);
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box->text(), utf8(key.caption));
        EXPECT_EQ(box->isChecked(), key.fallback);
        EXPECT_EQ(box->toolTip(), key.option == settings::DisplayOption::HiddenWires
                                      ? utf8("Zobrazovat spoje u skrytých bloků")
                                      : QString());
    }
    for (const settings::SpacingKey& key : settings::kSpacingKeys) {
        SCOPED_TRACE(key.control);
        QLineEdit* field = find<QLineEdit>(key.control);
        ASSERT_NE(field, nullptr);
        EXPECT_EQ(field->text(), QString::number(key.fallback));
        QLabel* label = nullptr;
        for (QLabel* candidate : window->findChildren<QLabel*>()) {
            if (candidate->buddy() == field) label = candidate;
        }
        ASSERT_NE(label, nullptr);
        EXPECT_EQ(label->text(), utf8(key.label));
    }

    auto* pages = find<QTabWidget>("IPage");
    ASSERT_NE(pages, nullptr);
    ASSERT_EQ(pages->count(), 3);
    EXPECT_EQ(pages->tabText(0), "Funkce");
    EXPECT_EQ(pages->tabText(1), "Informace");
    EXPECT_EQ(pages->tabText(2), utf8("Nastavení"));
    EXPECT_EQ(pages->currentIndex(), 0);
    EXPECT_EQ(pages->height(), 219);
    EXPECT_EQ(find<QWidget>("Panel2")->height(), 58);
    EXPECT_EQ(pages->geometry().bottom() + 1, window->centralWidget()->height());

    EXPECT_EQ(find<QLineEdit>("Edit1")->text(), "");
    EXPECT_EQ(find<QLineEdit>("EPopis")->text(), "");
    EXPECT_EQ(find<QPlainTextEdit>("Mem")->toPlainText(), "");
    EXPECT_NE(find<QStatusBar>("StatBar"), nullptr);
    EXPECT_EQ(find<QScrollArea>("SB")->frameShape(), QFrame::NoFrame);
    EXPECT_EQ(find<QScrollArea>("SB")->widget(), canvas());
    bool headerFound = false;
    for (QLabel* label : window->findChildren<QLabel*>()) {
        if (label->text() == " Informace") headerFound = label->font().bold();
    }
    EXPECT_TRUE(headerFound);

    QWidget* panel = find<QWidget>("phodn");
    QLineEdit* editor = find<QLineEdit>("ehod");
    EXPECT_TRUE(panel->isHidden());
    EXPECT_EQ(panel->size(), QSize(53, 24));
    EXPECT_EQ(panel->palette().color(QPalette::Window), QColor(255, 128, 0));
    EXPECT_EQ(editor->geometry(), QRect(1, 1, 51, 21));
    EXPECT_EQ(editor->parentWidget(), panel);

    auto* menu = find<QMenu>("PM");
    ASSERT_NE(menu, nullptr);
    const QList<QAction*> items = menu->actions();
    ASSERT_EQ(items.size(), 4);
    EXPECT_EQ(items[0]->objectName(), "Skrtblok1");
    EXPECT_EQ(items[0]->text(), utf8("Skrýt/Zobrazit blok"));
    EXPECT_TRUE(items[1]->isSeparator());
    EXPECT_EQ(items[2]->objectName(), "Prohoditvstupy1");
    EXPECT_EQ(items[2]->text(), utf8("Prohodit vstupy 0 a 1"));
    EXPECT_EQ(items[3]->objectName(), "Zmnithodnotu1");
    EXPECT_EQ(items[3]->text(), utf8("Změnit hodnotu"));
}

TEST_F(WindowTest, MainWindowTopBarKeepsTheButtonsAtTheRightEdge) {
    for (const int width : {1007, 700}) {
        window->resize(width, 500);
        QApplication::processEvents();
        QWidget* bar = find<QWidget>("Panel2");
        QWidget* group = find<QWidget>("p4");
        QLineEdit* line = find<QLineEdit>("Edit1");
        EXPECT_EQ(group->geometry().right() + 1, bar->width());
        EXPECT_EQ(line->width(), bar->width() - group->width() - 4);
        EXPECT_LE(line->geometry().right(), group->x());
        EXPECT_EQ(button("SBuloz")->mapTo(bar, QPoint(button("SBuloz")->width(), 0)).x(), bar->width() - 2);
    }
}

TEST_F(WindowTest, MainWindowTypingAndDrawingFollowTheEnablingRules) {
    QLineEdit* line = find<QLineEdit>("Edit1");
    auto* pages = find<QTabWidget>("IPage");
    pages->setCurrentIndex(2);
    line->setFocus();
    // The draw button follows the text as it was before each key.
    QTest::keyClick(line, '{');
    EXPECT_FALSE(button("SBok")->isEnabled());
    EXPECT_TRUE(button("SBuloz")->isEnabled());
    QTest::keyClick(line, '3');
    EXPECT_TRUE(button("SBok")->isEnabled());
    QTest::keyClick(line, Qt::Key_Backspace);
    QTest::keyClick(line, Qt::Key_Backspace);
    EXPECT_EQ(line->text(), "");
    EXPECT_TRUE(button("SBok")->isEnabled());
    QTest::keyClick(line, 'x');
    EXPECT_FALSE(button("SBok")->isEnabled());
    QTest::keyClick(line, Qt::Key_Backspace);

    draw();
    EXPECT_EQ(workbench().chromosomeLine(), test::kExampleChromosome);
    ASSERT_EQ(workbench().circuit().blockTotal(), 11);
    EXPECT_EQ(find<QLabel>("StatBarText")->text(), "OK");
    EXPECT_EQ(button("SBok")->text(), utf8("Překreslit"));
    EXPECT_EQ(pages->currentIndex(), 0);
    EXPECT_TRUE(button("SBsnb")->isEnabled());
    EXPECT_TRUE(button("SBnextcomb")->isEnabled());
    // A chromosome typed by hand has no file: what needs one stays disabled.
    for (const char* name : {"SBev", "SBevf", "SBVHDL", "SBDot", "SBbatch", "SBfiltr", "SBur", "SBnr"}) {
        EXPECT_FALSE(button(name)->isEnabled()) << name;
    }
    const CanvasSize size = workbench().canvasSize();
    EXPECT_EQ(canvas()->size(), QSize(size.width, size.height));
    EXPECT_GE(size.width, find<QScrollArea>("SB")->viewport()->width());
    const QStringList memo = find<QPlainTextEdit>("Mem")->toPlainText().split('\n');
    EXPECT_TRUE(memo.front().startsWith(utf8("Rozměr matice: "))) << memo.front().toStdString();
    EXPECT_EQ(memo.back(), QString("Rozměr plátna: %1x%2").arg(size.width).arg(size.height));

    // A second click redraws the line into the circuit, keeping a moved block where it is.
    workbench().circuit().blocks[5].x = 333;
    QTest::mouseClick(button("SBok"), Qt::LeftButton);
    EXPECT_EQ(workbench().circuit().blocks[5].x, 333);
}

TEST_F(WindowTest, MainWindowShowsAFailedDrawInAMessageBox) {
    QString message;
    QString title;
    test::whenModal([&](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        ASSERT_NE(box, nullptr);
        message = box->text();
        title = box->windowTitle();
        box->accept();
    });
    draw("{3,2,");
    EXPECT_EQ(message, "Chybny chromozom");
    EXPECT_EQ(title, "Pellisor");
    EXPECT_FALSE(workbench().circuit().hasCircuit());
    EXPECT_EQ(button("SBok")->text(), "&Vykreslit");
    EXPECT_EQ(find<QLineEdit>("Edit1")->text(), "{3,2,");
}

TEST_F(WindowTest, MainWindowPastingEnablesSaveButNotDraw) {
    find<QLineEdit>("Edit1")->setText("{1,1,1,1,2,1,-1}([1]0,0,1)(1)");
    EXPECT_TRUE(button("SBuloz")->isEnabled());
    EXPECT_FALSE(button("SBok")->isEnabled());
    EXPECT_EQ(workbench().chromosomeLine(), "{1,1,1,1,2,1,-1}([1]0,0,1)(1)");
}

TEST_F(WindowTest, MainWindowSettingsPageDrivesTheDrawing) {
    draw();
    find<QTabWidget>("IPage")->setCurrentIndex(2);
    QTest::mouseClick(find<QCheckBox>("cbho"), Qt::LeftButton);
    EXPECT_TRUE(workbench().options().values);
    QTest::mouseClick(find<QCheckBox>("cbzs"), Qt::LeftButton);
    EXPECT_FALSE(workbench().options().hiddenBlocks);
    QTest::mouseClick(find<QRadioButton>("RB3"), Qt::LeftButton);
    EXPECT_EQ(workbench().options().wiring, WiringMode::Direct2);
    QTest::mouseClick(find<QRadioButton>("RB2"), Qt::LeftButton);
    EXPECT_EQ(workbench().options().wiring, WiringMode::DirectOpt);
    EXPECT_FALSE(find<QRadioButton>("RB1")->isChecked());

    // Enter in a spacing field lays the grid out anew and goes no further.
    QLineEdit* field = find<QLineEdit>("EBXspc");
    QSignalSpy returns(field, &QLineEdit::returnPressed);
    const std::int32_t before = workbench().circuit().blocks[5].x;
    field->selectAll();
    QTest::keyClicks(field, "120");
    EXPECT_EQ(workbench().spacings()[static_cast<std::size_t>(settings::Spacing::BlockX)], "120");
    EXPECT_EQ(workbench().circuit().blocks[5].x, before);
    QTest::keyClick(field, Qt::Key_Return);
    EXPECT_EQ(returns.count(), 0);
    EXPECT_NE(workbench().circuit().blocks[5].x, before);
    EXPECT_EQ(workbench().circuit().blocks[5].x - workbench().circuit().blocks[3].x, 120);

    // The description goes to the workbench (and into the footer).
    QLineEdit* description = find<QLineEdit>("EPopis");
    description->setFocus();
    QTest::keyClicks(description, "filtr");
    EXPECT_EQ(workbench().description(), "filtr");
}

TEST_F(WindowTest, MainWindowSavesTheSettingsIntoItsOwnFile) {
    find<QTabWidget>("IPage")->setCurrentIndex(2);
    QLineEdit* field = find<QLineEdit>("EIspc");
    field->selectAll();
    QTest::keyClicks(field, "44");
    QTest::mouseClick(button("SBulset"), Qt::LeftButton);
    std::ifstream file(dir.file("set.ini"));
    const std::string saved((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    EXPECT_NE(saved.find("roztecy_in=44"), std::string::npos) << saved;
}

TEST_F(WindowTest, MainWindowAboutBoxComesFromTheWorkbench) {
    QString message;
    test::whenModal([&](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        ASSERT_NE(box, nullptr);
        message = box->text();
        EXPECT_EQ(box->windowTitle(), "Pellisor");
        box->accept();
    });
    QTest::mouseClick(button("SpeedButton2"), Qt::LeftButton);
    EXPECT_TRUE(message.startsWith("Vesion: v1.5.2008\n")) << message.toStdString();
}

// Only spontaneous wheel events travel up from the canvas, so the test hands them to where a real one
// arrives: the scroll area's viewport, or the window itself.
void wheel(QWidget* target, int delta, Qt::KeyboardModifiers modifiers) {
    const QPointF at(10, 10);
    QWheelEvent event(at, target->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton, modifiers,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(target, &event);
    EXPECT_TRUE(event.isAccepted());
}

TEST_F(WindowTest, MainWindowWheelMovesTheScrollBarsTenPixelsANotch) {
    // Wide spacings give a canvas larger than the viewport.
    find<QLineEdit>("EBXspc")->setText("600");
    find<QLineEdit>("EBYspc")->setText("400");
    draw();
    auto* area = find<QScrollArea>("SB");
    QScrollBar* vertical = area->verticalScrollBar();
    QScrollBar* horizontal = area->horizontalScrollBar();
    ASSERT_GT(vertical->maximum(), 30);
    ASSERT_GT(horizontal->maximum(), 30);

    QWidget* viewport = area->viewport();
    wheel(viewport, -120, Qt::NoModifier);  // towards the user
    EXPECT_EQ(vertical->value(), 10);
    wheel(viewport, -240, Qt::NoModifier);
    EXPECT_EQ(vertical->value(), 30);
    wheel(viewport, 120, Qt::NoModifier);
    EXPECT_EQ(vertical->value(), 20);
    wheel(viewport, -120, Qt::ControlModifier);
    EXPECT_EQ(horizontal->value(), 10);
    EXPECT_EQ(vertical->value(), 20);
    // Elsewhere in the window too, and never beyond the limits.
    wheel(window.get(), 1200, Qt::NoModifier);
    EXPECT_EQ(vertical->value(), 0);
    wheel(window.get(), 1200, Qt::ControlModifier);
    EXPECT_EQ(horizontal->value(), 0);
}

TEST_F(WindowTest, MainWindowScreenshotsOfTheWiringModes) {
    QTest::mouseClick(find<QCheckBox>("cbcblk"), Qt::LeftButton);  // block numbers off: the plain drawing
    draw();
    const std::pair<const char*, const char*> modes[] = {
        {"RB1", "direct"}, {"RB3", "direct2"}, {"RB2", "direct-opt"}};
    for (const auto& [radio, name] : modes) {
        find<QRadioButton>(radio)->click();
        QApplication::processEvents();
        const QImage shot = window->grab().toImage();
        // The canvas is not empty: green wires and black boxes are on it.
        const QImage picture = canvas()->grab().toImage();
        int green = 0;
        for (int y = 0; y < picture.height(); ++y) {
            for (int x = 0; x < picture.width(); ++x)
                green += picture.pixelColor(x, y) == QColor(0, 160, 0);
        }
        EXPECT_GT(green, 100) << name;
        ASSERT_TRUE(
            shot.save(QString::fromStdString(test::outputDirectory() + "/main-window-" + name + ".png")));
    }

    // Values, block numbers and the footer, with the settings page in front.
    find<QTabWidget>("IPage")->setCurrentIndex(2);
    find<QRadioButton>("RB1")->click();
    find<QCheckBox>("cbho")->click();
    find<QCheckBox>("cbcblk")->click();
    find<QCheckBox>("cbzpa")->click();
    find<QLineEdit>("EPopis")->setText(utf8("příklad 3x3"));
    QTest::mouseClick(button("SBautv"), Qt::LeftButton);
    for (const std::int32_t gene : {0, 1, 2, 3, 10, 11})
        workbench().assignment().setIdentifier(gene, gene == 0 ? 4 : gene);
    workbench().circuit().blocks[0].value = 15;
    workbench().circuit().blocks[1].value = 60;
    workbench().circuit().blocks[2].value = 200;
    workbench().recalculate();
    QApplication::processEvents();
    EXPECT_NE(workbench().circuit().blocks[3].value, 0);
    ASSERT_TRUE(window->grab().toImage().save(
        QString::fromStdString(test::outputDirectory() + "/main-window-values-footer.png")));

    // A drag in progress: the cone in red and the frame at the landing place.
    CanvasView* view = canvas();
    const QPoint start = anchor(7);
    QTest::mouseMove(view, start);
    QTest::mousePress(view, Qt::LeftButton, Qt::NoModifier, start);
    QTest::mouseMove(view, start + QPoint(30, 60));
    ASSERT_TRUE(window->grab().toImage().save(
        QString::fromStdString(test::outputDirectory() + "/main-window-dragging.png")));
    QTest::mouseRelease(view, Qt::LeftButton, Qt::NoModifier, start + QPoint(30, 60));

    find<QTabWidget>("IPage")->setCurrentIndex(1);
    QApplication::processEvents();
    ASSERT_TRUE(window->grab().toImage().save(
        QString::fromStdString(test::outputDirectory() + "/main-window-information.png")));
}

}  // namespace
}  // namespace pellisor

namespace pellisor {
namespace {

// Chromosome files on the command line are drawn before the window is first shown.
TEST(MainWindowBeforeShow, TheCanvasFillsTheViewportOfTheInitialSize) {
    test::TempDir dir;
    MainWindow window(dir.file("set.ini"));
    window.workbench().setChromosomeLine(test::kExampleChromosome);
    window.workbench().drawClicked();
    const CanvasSize size = window.workbench().canvasSize();
    const QSize viewport = window.findChild<QScrollArea*>("SB")->viewport()->size();
    EXPECT_EQ(size.width, viewport.width());
    EXPECT_EQ(size.height, viewport.height());
    EXPECT_GT(size.width, 900);
    EXPECT_GT(size.height, 250);
    EXPECT_EQ(window.findChild<QLabel*>("StatBarText")->text(), "OK");
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    EXPECT_EQ(window.findChild<QScrollArea*>("SB")->viewport()->size(), viewport);
}

}  // namespace
}  // namespace pellisor
