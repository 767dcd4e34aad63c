// What the main window is made of, shared by the file that builds the controls and the one that runs
// them.
#pragma once

#include "app/workbench.h"
#include "gui/canvas_view.h"
#include "gui/main_window.h"
#include "gui/picture_files.h"
#include "gui/qt_ui.h"
#include "gui/window_actions.h"

#include <QString>

#include <array>
#include <string>
#include <vector>

class QCheckBox;
class QLabel;
class QLineEdit;
class QMenu;
class QAction;
class QPlainTextEdit;
class QRadioButton;
class QScrollArea;
class QSplitter;
class QTabWidget;
class QToolButton;
class QWidget;

namespace pellisor {

class CanvasView;
class CircuitErrorDialog;
class FindDialog;
class ZoomControl;
class FunctionDialog;
class QualityDialog;
class ResultLog;

inline QString text(const std::string& value) {
    return QString::fromUtf8(value.data(), qsizetype(value.size()));
}
inline std::string bytes(const QString& value) {
    return value.toUtf8().toStdString();
}

struct ButtonControl {
    Button button;
    const char* caption;
    const char* hint;  // empty: none
    void (Workbench::*action)();
};

// The buttons in the order they stand: top bar, page "Funkce", page "Nastavení".
extern const std::array<ButtonControl, kButtonCount> kButtonControls;

struct MainWindow::Parts {
    Parts(MainWindow& window, const std::string& settingsPath)
        : ui(window, [&window] { window.refreshControls(); }),
          pictures([this] { return canvas ? canvas->symbolSheet() : nullptr; }),
          workbench(ui, pictures, settingsPath) {}

    QtUi ui;
    PictureFiles pictures;  // the schematic is drawn with the sheet the canvas shows
    Workbench workbench;
    bool ready = false;       // the controls exist
    bool refreshing = false;  // changes of the controls come from the workbench

    QWidget* topBar = nullptr;
    QLabel* chromosomeLabel = nullptr;
    QLineEdit* chromosomeLine = nullptr;
    QWidget* topButtons = nullptr;
    QScrollArea* scrollArea = nullptr;
    QSplitter* splitter = nullptr;  // between the canvas area and the pages
    CanvasView* canvas = nullptr;
    QTabWidget* pages = nullptr;
    QLineEdit* description = nullptr;
    QPlainTextEdit* memo = nullptr;
    std::array<QRadioButton*, 3> wiring{};  // Direct, Direct2, DirectOpt
    std::array<QCheckBox*, settings::kDisplayOptionCount> options{};
    std::array<QLineEdit*, settings::kSpacingCount> spacings{};
    std::array<QToolButton*, kButtonCount> buttons{};
    QLabel* status = nullptr;
    QLabel* entryStatus = nullptr;  // the entry under the mouse
    ZoomControl* zoomControl = nullptr;
    FindDialog* findDialog = nullptr;
    QMenu* popup = nullptr;
    WindowActions actions;  // the menu bar's entries
    QAction* changeValue = nullptr;
    FunctionDialog* functionDialog = nullptr;
    ResultLog* resultLog = nullptr;
    QualityDialog* qualityDialog = nullptr;
    CircuitErrorDialog* circuitErrorDialog = nullptr;

    // What the controls show of texts the user may also edit, as last taken from the workbench.
    std::string shownLine;
    std::string shownDescription;
    std::vector<std::string> shownMemo;
    std::array<std::string, settings::kSpacingCount> shownSpacings;
    int wheelRest = 0;
};

}  // namespace pellisor
