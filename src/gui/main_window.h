#pragma once

#include "app/workbench.h"

#include <QMainWindow>

class QVBoxLayout;

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace pellisor {

class QtUi;

// The main window: the chromosome line, the canvas, the pages "Funkce", "Informace" and "Nastavení"
// and the status bar. Every control forwards to the workbench and shows what it answers; errors of a
// command are shown in a message box.
class MainWindow : public QMainWindow {
    Q_OBJECT

public:
    explicit MainWindow(const std::string& settingsPath, QWidget* parent = nullptr);
    ~MainWindow() override;

    Workbench& workbench();

private:
    void buildControls();
    void buildTopBar(QWidget* central, QVBoxLayout& column);
    void buildCanvasArea(QWidget* central, QVBoxLayout& column);
    void buildFunctionPage();
    void buildInformationPage();
    void buildSettingsPage();
    QWidget* buildDisplayGroup(QWidget* page);
    QWidget* buildSpacingGroup(QWidget* page);
    void buildStatusBar();
    void buildPopup();
    // The zoom control, the field of the entry under the mouse and the find dialog
    // (main_window_view.cpp), and what they show.
    void buildViewControls();
    void refreshViewFields();
    // Every button, field and menu item runs its workbench command.
    void connectCommands();
    // Shows the workbench's state in every control.
    void refreshControls();
    // Undo, redo, "Uložit jako", the recent files, the title and the question at closing
    // (main_window_history.cpp).
    void connectHistory();
    void refreshHistory();
    void closeEvent(QCloseEvent* event) override;
    // Runs a command of the workbench; its error is shown in a message box.
    void run(const std::function<void()>& command);
    // The mouse wheel moves the canvas's scroll bars, 10 pixels a notch.
    void scrollByWheel(QWheelEvent* event);
    bool eventFilter(QObject* watched, QEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    // Local chromosome, layout and bitmap files dropped on the window (main_window_drops.cpp).
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    // Handles the dropped files once the drop has ended.
    void openDroppedFiles(const std::vector<std::string>& paths);

    struct Parts;
    std::unique_ptr<Parts> parts_;
};

}  // namespace pellisor
