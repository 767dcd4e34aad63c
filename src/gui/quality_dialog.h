#pragma once

#include "app/quality_measurement.h"
#include "app/workbench.h"

#include <QDialog>

#include <array>
#include <cstdint>
#include <functional>
#include <optional>

class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSlider;
class QSpinBox;
class QTableWidget;

namespace pellisor {

class PicturePane;

// The dialog "Kvalita filtru": a reference picture made noisy, filtered by the circuit and compared,
// the pictures side by side at one zoom, the figures in a table. It stays open beside the window;
// meanwhile a press on a block of the canvas shows that block's picture of the noisy input.
class QualityDialog : public QDialog {
    Q_OBJECT

public:
    QualityDialog(Workbench& workbench, QWidget* parent = nullptr);

    // Runs the measurement with what the controls hold ("Změřit").
    void measure();
    // Shows what the block computes, when a measurement is there and the block is a function block.
    void showBlock(std::int32_t block);

    const std::optional<QualityRun>& lastRun() const { return run_; }
    // The zoom every picture is shown at.
    double zoom() const;

private:
    void buildControls();
    void chooseReference();
    void noiseKindChosen();
    void stepZoom(int notches);
    void zoomChanged();
    void showRun();
    void showBlockPicture();
    void run(const std::function<void()>& command);

    Workbench& workbench_;
    std::optional<QualityRun> run_;
    std::int32_t shownBlock_ = -1;

    QLineEdit* reference_ = nullptr;
    QComboBox* noiseKind_ = nullptr;
    QDoubleSpinBox* noiseLevel_ = nullptr;
    QSpinBox* noiseSeed_ = nullptr;
    QPushButton* measure_ = nullptr;
    QPushButton* save_ = nullptr;
    QSlider* zoom_ = nullptr;
    QLabel* zoomText_ = nullptr;
    std::array<PicturePane*, 5> panes_{};  // noisy, filtered, reference, difference, block
    QTableWidget* figures_ = nullptr;
};

}  // namespace pellisor
