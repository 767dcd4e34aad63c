// The view of the canvas: zoom, the entry under the mouse in the status bar and "Najít blok".
#include "gui/canvas_view.h"
#include "gui/entry_texts.h"
#include "gui/find_dialog.h"
#include "gui/main_window_parts.h"
#include "gui/zoom_control.h"

#include <QAction>
#include <QLabel>
#include <QStatusBar>

namespace pellisor {

void MainWindow::buildViewControls() {
    Parts& p = *parts_;
    WindowActions& actions = p.actions;
    // Beside the status text, which keeps its place and meaning.
    p.entryStatus = new QLabel(statusBar());
    p.entryStatus->setObjectName(QStringLiteral("StatBarEntry"));
    statusBar()->addPermanentWidget(p.entryStatus);
    p.zoomControl = new ZoomControl(*actions.zoomOut, *actions.zoomIn, *actions.fit, statusBar());
    statusBar()->addPermanentWidget(p.zoomControl);

    CanvasView* canvas = p.canvas;
    const auto step = [canvas](int by) {
        const int level = int(canvas->zoom().level()) + by;
        if (level >= 0 && level < int(kZoomLevels.size())) canvas->setZoomLevel(std::size_t(level));
    };
    connect(actions.zoomIn, &QAction::triggered, canvas, [step] { step(1); });
    connect(actions.zoomOut, &QAction::triggered, canvas, [step] { step(-1); });
    connect(actions.zoomReset, &QAction::triggered, canvas,
            [canvas] { canvas->setZoomLevel(kActualSizeLevel); });
    connect(actions.fit, &QAction::triggered, canvas,
            [canvas] { canvas->setZoomLevel(canvas->fittingLevel()); });
    connect(canvas, &CanvasView::zoomChanged, p.zoomControl, &ZoomControl::showLevel);

    p.findDialog = new FindDialog(
        [this](const QString& text) {
            const Workbench& workbench = parts_->workbench;
            const auto found = findEntry(workbench.circuit(), text);
            if (found) parts_->canvas->showEntry(*found);
            return findResultText(workbench.circuit(), workbench.options(), text, found);
        },
        this);
    connect(actions.find, &QAction::triggered, p.findDialog, &FindDialog::present);
}

void MainWindow::refreshViewFields() {
    Parts& p = *parts_;
    // While another thread works on the circuit nothing reads it.
    if (p.canvas->frozen()) return;
    p.entryStatus->setText(entryStatusText(p.workbench, p.canvas->pointedEntry()));
}

}  // namespace pellisor
