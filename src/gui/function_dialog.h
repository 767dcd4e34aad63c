#pragma once

#include "app/workbench.h"

#include <QDialog>

#include <cstdint>
#include <functional>

class QComboBox;
class QTableWidget;

namespace pellisor {

// The function assignment grid with its chooser. It only shows the workbench's table (usage counted
// beforehand) and passes every change and button on to the workbench.
class FunctionDialog : public QDialog {
    Q_OBJECT

public:
    FunctionDialog(Workbench& workbench, QWidget* parent = nullptr);

    // Fills every row from the workbench and hides the chooser.
    void refresh();

    QTableWidget* grid() const { return grid_; }
    QComboBox* chooser() const { return chooser_; }
    // The gene whose row the chooser was opened on, -1 while it is hidden.
    std::int32_t chooserGene() const { return chooserGene_; }

    // Opens the chooser on a gene's row, as a double click on the row does.
    void openChooser(std::int32_t gene);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void refreshRow(std::int32_t gene);
    void fillChooser();
    void hideChooser();
    void choose(int index);
    void run(const std::function<void()>& command);

    Workbench& workbench_;
    QTableWidget* grid_ = nullptr;
    QComboBox* chooser_ = nullptr;
    std::int32_t chooserGene_ = -1;
};

}  // namespace pellisor
