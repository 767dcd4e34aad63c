#pragma once

#include "app/workbench.h"
#include "measure/error_metrics.h"

#include <QDialog>

#include <functional>
#include <optional>

class QCheckBox;
class QComboBox;
class QPushButton;
class QSpinBox;
class QTableWidget;

namespace pellisor {

class HistogramView;

// The dialog "Chyba obvodu": the circuit compared with an exact operation, its error figures in a
// table and the histogram of its errors as a plot.
class CircuitErrorDialog : public QDialog {
    Q_OBJECT

public:
    CircuitErrorDialog(Workbench& workbench, QWidget* parent = nullptr);

    // Measures with the chosen operation and widths ("Změřit").
    void measure();

    const std::optional<ErrorFigures>& figures() const { return figures_; }
    HistogramView* histogramView() const { return histogram_; }

private:
    void operationChosen();
    ErrorSettings chosenSettings() const;
    void showFigures();
    void run(const std::function<void()>& command);

    Workbench& workbench_;
    std::optional<ErrorFigures> figures_;
    ErrorSettings measuredSettings_;

    QComboBox* operation_ = nullptr;
    QSpinBox* widthA_ = nullptr;
    QSpinBox* widthB_ = nullptr;
    QPushButton* save_ = nullptr;
    QTableWidget* table_ = nullptr;
    QCheckBox* logarithmic_ = nullptr;
    HistogramView* histogram_ = nullptr;
};

}  // namespace pellisor
