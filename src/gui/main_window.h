#pragma once

#include "app/workbench.h"

#include <QMainWindow>

#include <memory>
#include <string>

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
    struct Parts;
    std::unique_ptr<Parts> parts_;
};

}  // namespace pellisor
