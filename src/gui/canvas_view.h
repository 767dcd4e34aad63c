#pragma once

#include "app/workbench.h"
#include "gui/canvas_zoom.h"
#include "gui/zoomed_canvas.h"

#include <QImage>
#include <QWidget>

#include <functional>
#include <optional>

class QFrame;
class QLineEdit;
class QPainter;
class QScrollArea;

namespace pellisor {

// The image `Im` the circuit is drawn on, with the value editor `phodn`/`ehod` laid over it. It paints
// only what is exposed, straight from the workbench's scene; while an entry is dragged it shows a
// buffer of the visible part with the landing frame. Mouse events go to the workbench in canvas
// coordinates: the zoom belongs to the view alone.
class CanvasView : public QWidget {
    Q_OBJECT

public:
    // Runs a workbench command, shows its error and refreshes the window.
    using Runner = std::function<void(const std::function<void()>&)>;

    CanvasView(Workbench& workbench, QScrollArea& scrollArea, Runner runner, QWidget* parent = nullptr);

    void setSymbolSheet(std::optional<QImage> sheet);
    const QImage* symbolSheet() const { return symbolSheet_ ? &*symbolSheet_ : nullptr; }

    // Size, cursor and value editor as the workbench has them.
    void refresh();
    // The picture changed: paint it anew from the model (this ends the drag feedback).
    void repaintCircuit();
    // The buffered picture with the drag frame; the buffer is drawn anew first when `rerender`.
    void showDragFrame(bool rerender);
    // While another thread works on the circuit the view shows a still picture and reads nothing.
    void freeze();
    void unfreeze();

    // The part of the canvas the scroll area shows, in canvas and in widget coordinates.
    QRect visibleArea() const;
    QRect visibleWidgetArea() const;

    // The zoom; a change keeps the canvas point at the viewport's centre where it is.
    const CanvasZoom& zoom() const { return zoom_; }
    void setZoomLevel(std::size_t level);
    // The largest level at which the whole canvas fits the viewport.
    std::size_t fittingLevel() const;

    // Scrolls an entry into the middle of the view and outlines it until the next call or draw.
    void showEntry(std::int32_t index);
    std::int32_t outlinedEntry() const;
    // The entry under the mouse while nothing is dragged, since the last draw; -1 over nothing.
    std::int32_t pointedEntry() const { return pointedDraw_ == workbench_.drawCount() ? pointed_ : -1; }
    bool frozen() const { return frozen_; }
    // Whether the drag feedback is on (for tests).
    bool showsDragFrame() const { return dragFrame_; }
    QSize bufferSize() const { return buffer_.deviceIndependentSize().toSize(); }

signals:
    // A right press on an entry asks for the popup menu at this screen position.
    void popupRequested(const QPoint& globalPosition, bool changeValueEnabled);
    // A left press hit this entry of the circuit (after the workbench has taken the press).
    void blockPressed(std::int32_t block);
    void zoomChanged(int percent);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void press(QMouseEvent* event, bool doubleClick);
    void renderBuffer();
    // The part of the canvas drawn into the picture, which takes its size.
    void renderArea(const QRect& area, QImage& image,
                    ZoomedCanvas::Drawn drawn = ZoomedCanvas::Drawn::Everything) const;
    // The widget pixels of `area` (whole tiles) drawn into the picture at the zoom.
    void renderShown(const QRect& area, QImage& image);
    // The picture sized to the area and white; false when it cannot be had.
    bool preparePicture(const QSize& area, QImage& image) const;
    const QImage* zoomedSymbolSheet();
    void paintOutline(QPainter& painter) const;
    QPoint canvasPoint(const QMouseEvent& event) const;
    void placeEditor();
    std::string editorText() const;

    Workbench& workbench_;
    QScrollArea& scrollArea_;
    Runner runner_;
    std::optional<QImage> symbolSheet_;
    QFrame* panel_ = nullptr;      // phodn
    QLineEdit* editor_ = nullptr;  // ehod
    std::int32_t editorBlock_ = -1;
    CursorShape cursor_ = CursorShape::Default;

    CanvasZoom zoom_;
    std::int32_t pointed_ = -1;
    std::uint64_t pointedDraw_ = 0;
    std::int32_t outlined_ = -1;
    std::uint64_t outlinedDraw_ = 0;  // the draw the outline belongs to

    // The visible part rendered once per drag (or when frozen), and where it lies in the widget.
    QImage buffer_;
    QPoint bufferOrigin_;
    QImage exposed_;      // what the last paint drew, kept for the next one's memory
    QImage canvasScale_;  // the same at canvas scale, before it is magnified
    QImage zoomedSheet_;  // the symbol sheet at the zoom level below
    std::size_t zoomedSheetLevel_ = kZoomLevels.size();
    bool dragFrame_ = false;
    bool frozen_ = false;
};

}  // namespace pellisor
