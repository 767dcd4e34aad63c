#include "gui/canvas_view.h"

#include "gui/qt_canvas.h"
#include "gui/zoomed_canvas.h"
#include "render/renderer.h"

#include <QFrame>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPen>
#include <QScrollArea>
#include <QScrollBar>

namespace pellisor {

namespace {

std::optional<MouseButton> mouseButton(Qt::MouseButton button) {
    switch (button) {
        case Qt::LeftButton:
            return MouseButton::Left;
        case Qt::MiddleButton:
            return MouseButton::Middle;
        case Qt::RightButton:
            return MouseButton::Right;
        default:
            return std::nullopt;
    }
}

// The most pixels painted in one piece.
constexpr int kBandPixels = 1 << 22;

CanvasArea canvasArea(const QRect& rect) {
    return {rect.left(), rect.top(), rect.left() + rect.width(), rect.top() + rect.height()};
}

// The place an outline marks around an entry, in canvas coordinates: a block with its pins, a
// terminal with the room of its label.
QRect entryBox(const Chromosome& circuit, std::int32_t index) {
    const Block& entry = circuit.blocks[std::size_t(index)];
    if (circuit.isPrimaryInput(index))
        return QRect(QPoint(entry.x - 44, entry.y - 14), QPoint(entry.x + 8, entry.y + 8));
    if (circuit.isOutput(index))
        return QRect(QPoint(entry.x - 6, entry.y - 14), QPoint(entry.x + 48, entry.y + 8));
    return QRect(entry.x - kPinLength - 4, entry.y - 4, kBlockWidth + 2 * kPinLength + 8, kBlockHeight + 8);
}

}  // namespace

CanvasView::CanvasView(Workbench& workbench, QScrollArea& scrollArea, Runner runner, QWidget* parent)
    : QWidget(parent), workbench_(workbench), scrollArea_(scrollArea), runner_(std::move(runner)) {
    setObjectName(QStringLiteral("Im"));
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    resize(0, 0);

    panel_ = new QFrame(this);
    panel_->setObjectName(QStringLiteral("phodn"));
    panel_->setFrameShape(QFrame::NoFrame);
    panel_->setAutoFillBackground(true);
    QPalette orange = panel_->palette();
    orange.setColor(QPalette::Window, QColor(255, 128, 0));
    panel_->setPalette(orange);
    panel_->resize(53, 24);
    editor_ = new QLineEdit(panel_);
    editor_->setObjectName(QStringLiteral("ehod"));
    editor_->setFrame(false);
    editor_->setGeometry(1, 1, 51, 21);
    editor_->installEventFilter(this);
    connect(editor_, &QLineEdit::textChanged, this,
            [this](const QString& text) { workbench_.setValueEditorText(text.toStdString()); });
    panel_->hide();
}

void CanvasView::setSymbolSheet(std::optional<QImage> sheet) {
    symbolSheet_ = std::move(sheet);
    zoomedSheetLevel_ = kZoomLevels.size();
    update();
}

QRect CanvasView::visibleWidgetArea() const {
    const QPoint offset(scrollArea_.horizontalScrollBar()->value(), scrollArea_.verticalScrollBar()->value());
    return QRect(offset, scrollArea_.viewport()->size()).intersected(rect());
}

QRect CanvasView::visibleArea() const {
    const CanvasSize size = workbench_.canvasSize();
    return zoom_.toCanvas(visibleWidgetArea()).intersected(QRect(0, 0, size.width, size.height));
}

void CanvasView::setZoomLevel(std::size_t level) {
    if (frozen_ || level >= kZoomLevels.size() || level == zoom_.level()) return;
    QScrollBar* horizontal = scrollArea_.horizontalScrollBar();
    QScrollBar* vertical = scrollArea_.verticalScrollBar();
    const QSizeF before(scrollArea_.viewport()->size());
    const QPointF centre =
        (QPointF(horizontal->value(), vertical->value()) + QPointF(before.width(), before.height()) / 2) /
        zoom_.factor();
    zoom_ = CanvasZoom(level);
    const CanvasSize size = workbench_.canvasSize();
    resize(zoom_.widgetSize(size));
    // The scroll bars may have come or gone with the new size.
    const QSizeF after(scrollArea_.viewport()->size());
    horizontal->setValue(qRound(centre.x() * zoom_.factor() - after.width() / 2));
    vertical->setValue(qRound(centre.y() * zoom_.factor() - after.height() / 2));
    placeEditor();
    buffer_ = QImage();
    if (dragFrame_) renderBuffer();
    update();
    emit zoomChanged(zoom_.percent());
}

std::size_t CanvasView::fittingLevel() const {
    return fittingZoomLevel(workbench_.canvasSize(), scrollArea_.maximumViewportSize());
}

void CanvasView::showEntry(std::int32_t index) {
    const Chromosome& circuit = workbench_.circuit();
    if (index < 0 || index >= circuit.blockTotal()) return;
    outlined_ = index;
    outlinedDraw_ = workbench_.drawCount();
    const QPoint centre = zoom_.toWidget(entryBox(circuit, index)).center();
    const QSize viewport = scrollArea_.viewport()->size();
    scrollArea_.horizontalScrollBar()->setValue(centre.x() - viewport.width() / 2);
    scrollArea_.verticalScrollBar()->setValue(centre.y() - viewport.height() / 2);
    update();
}

std::int32_t CanvasView::outlinedEntry() const {
    const Chromosome& circuit = workbench_.circuit();
    const bool current = outlinedDraw_ == workbench_.drawCount() && outlined_ < circuit.blockTotal();
    return current ? outlined_ : -1;
}

void CanvasView::paintOutline(QPainter& painter) const {
    const std::int32_t index = outlinedEntry();
    if (index < 0) return;
    const QRect box = zoom_.toWidget(entryBox(workbench_.circuit(), index));
    painter.setPen(QPen(QColor(0, 120, 255), 2));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(box);
}

void CanvasView::placeEditor() {
    const ValueEditorState& state = workbench_.valueEditor();
    panel_->move(zoom_.toWidget(QPoint(state.x, state.y)));
}

void CanvasView::refresh() {
    const QSize size = zoom_.widgetSize(workbench_.canvasSize());
    if (this->size() != size) resize(size);

    if (workbench_.cursor() != cursor_) {
        cursor_ = workbench_.cursor();
        switch (cursor_) {
            case CursorShape::Default:
                unsetCursor();
                break;
            case CursorShape::Move:
                setCursor(Qt::SizeAllCursor);
                break;
            case CursorShape::VerticalResize:
                setCursor(Qt::SizeVerCursor);
                break;
        }
    }

    const ValueEditorState& state = workbench_.valueEditor();
    if (state.open) {
        // Only when it opens: the text typed since then belongs to the user.
        if (panel_->isHidden() || editorBlock_ != workbench_.editedBlock()) {
            editorBlock_ = workbench_.editedBlock();
            placeEditor();
            editor_->setText(QString::fromUtf8(state.text.data(), qsizetype(state.text.size())));
            panel_->show();
            panel_->raise();
            editor_->selectAll();
            editor_->setFocus();
        }
    } else if (!panel_->isHidden()) {
        editorBlock_ = -1;
        panel_->hide();
    }
}

void CanvasView::repaintCircuit() {
    dragFrame_ = false;
    if (!frozen_) buffer_ = QImage();
    update();
}

void CanvasView::showDragFrame(bool rerender) {
    if (frozen_) return;
    dragFrame_ = true;
    if (rerender || buffer_.isNull() ||
        QRect(bufferOrigin_, buffer_.deviceIndependentSize().toSize()) !=
            zoom_.alignedToTiles(visibleWidgetArea())) {
        renderBuffer();
    }
    update(visibleWidgetArea());
}

void CanvasView::freeze() {
    if (frozen_) return;
    renderBuffer();
    frozen_ = true;
}

void CanvasView::unfreeze() {
    frozen_ = false;
    repaintCircuit();
}

void CanvasView::renderBuffer() {
    const QRect area = zoom_.alignedToTiles(visibleWidgetArea());
    bufferOrigin_ = area.topLeft();
    renderShown(area, buffer_);
}

void CanvasView::renderShown(const QRect& area, QImage& image) {
    if (zoom_.actualSize()) {
        renderArea(area, image);
    } else if (zoom_.magnifies()) {
        // Each canvas pixel a square, as the export magnified, but the texts drawn sharp at their size.
        const QRect canvasArea = zoom_.toCanvas(area);
        renderArea(canvasArea, canvasScale_, ZoomedCanvas::Drawn::AllButTexts);
        const qreal ratio = devicePixelRatioF();
        image = canvasScale_.scaled((QSizeF(area.size()) * ratio).toSize(), Qt::IgnoreAspectRatio,
                                    Qt::FastTransformation);
        image.setDevicePixelRatio(ratio);
        QPainter painter(&image);
        painter.translate(-area.topLeft());
        painter.setClipRect(area);
        QtCanvas target(painter, nullptr, area);
        ZoomedCanvas texts(target, &image, zoom_, ZoomedCanvas::Drawn::TextsOnly);
        drawCircuit(texts, workbench_.scene(), pellisor::canvasArea(canvasArea));
    } else {
        // Drawn smaller primitive by primitive: a picture of the canvas it covers would be up to
        // sixteen times the viewport, too much to draw and shrink within a frame.
        if (!preparePicture(area.size(), image)) return;
        QPainter painter(&image);
        painter.translate(-area.topLeft());
        painter.setClipRect(area);
        QtCanvas target(painter, zoomedSymbolSheet(), area);
        ZoomedCanvas canvas(target, &image, zoom_);
        drawCircuit(canvas, workbench_.scene(), canvasArea(zoom_.toCanvas(area)));
    }
}

bool CanvasView::preparePicture(const QSize& area, QImage& image) const {
    const qreal ratio = devicePixelRatioF();
    const QSize size = (QSizeF(area) * ratio).toSize();
    if (image.size() != size || image.devicePixelRatio() != ratio) {
        image = QImage(size, QImage::Format_RGB32);
        image.setDevicePixelRatio(ratio);
    }
    if (image.isNull()) return false;
    image.fill(Qt::white);
    return true;
}

const QImage* CanvasView::zoomedSymbolSheet() {
    if (!symbolSheet_) return nullptr;
    if (zoomedSheetLevel_ != zoom_.level()) {
        const QSize size = zoom_.widgetSize({symbolSheet_->width(), symbolSheet_->height()});
        zoomedSheet_ = symbolSheet_->scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        zoomedSheetLevel_ = zoom_.level();
    }
    return &zoomedSheet_;
}

void CanvasView::renderArea(const QRect& area, QImage& image, ZoomedCanvas::Drawn drawn) const {
    if (!preparePicture(area.size(), image)) return;
    QPainter painter(&image);
    painter.translate(-area.topLeft());
    painter.setClipRect(area);
    QtCanvas canvas(painter, symbolSheet(), area);
    if (drawn == ZoomedCanvas::Drawn::Everything) {
        drawCircuit(canvas, workbench_.scene(), canvasArea(area));
        return;
    }
    ZoomedCanvas part(canvas, &image, CanvasZoom(), drawn);
    drawCircuit(part, workbench_.scene(), canvasArea(area));
}

void CanvasView::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    if (frozen_ || dragFrame_) {
        const QRect bufferRect(bufferOrigin_, buffer_.deviceIndependentSize().toSize());
        // A scroll during a drag uncovers what the buffer lacks.
        if (!frozen_ && !bufferRect.contains(event->rect())) renderBuffer();
        painter.fillRect(event->rect(), Qt::white);
        if (!buffer_.isNull()) painter.drawImage(bufferOrigin_, buffer_);
        if (dragFrame_ && !frozen_) {
            painter.save();
            if (zoom_.magnifies()) painter.scale(zoom_.factor(), zoom_.factor());
            QtCanvas canvas(painter, symbolSheet(),
                            zoom_.magnifies() ? zoom_.toCanvas(event->rect()) : event->rect());
            ZoomedCanvas smaller(canvas, this, zoom_);
            Canvas& frame = zoom_.actualSize() || zoom_.magnifies() ? static_cast<Canvas&>(canvas) : smaller;
            drawDragFrame(frame, workbench_.circuit(), workbench_.currentBlock());
            painter.restore();
        }
        if (!frozen_) paintOutline(painter);
        return;
    }
    // Drawn into a picture first, where the canvas writes its lines straight to memory; a large
    // exposed part (a grab of the whole canvas) goes in bands of a few megabytes.
    // At a zoom the bands are whole tiles, whose pixels do not depend on their neighbours.
    const QRect exposed = zoom_.alignedToTiles(event->region().boundingRect());
    const int canvasRows = kBandPixels / std::max(1, zoom_.toCanvas(exposed).width());
    const int rows = std::max(1, canvasRows / zoom_.canvasTile()) * zoom_.widgetTile();
    for (int top = exposed.top(); top <= exposed.bottom(); top += rows) {
        const QRect band(exposed.left(), top, exposed.width(), std::min(rows, exposed.bottom() + 1 - top));
        renderShown(band, exposed_);
        painter.drawImage(band.topLeft(), exposed_);
    }
    paintOutline(painter);
}

QPoint CanvasView::canvasPoint(const QMouseEvent& event) const {
    return zoom_.toCanvas(event.position().toPoint());
}

void CanvasView::mouseMoveEvent(QMouseEvent* event) {
    if (frozen_) return;
    const QPoint at = canvasPoint(*event);
    const bool shift = event->modifiers().testFlag(Qt::ShiftModifier);
    runner_([&] {
        workbench_.mouseMoved(at.x(), at.y(), shift);
        if (workbench_.dragging()) return;
        pointed_ = workbench_.currentBlock();
        pointedDraw_ = workbench_.drawCount();
    });
}

void CanvasView::leaveEvent(QEvent* event) {
    QWidget::leaveEvent(event);
    if (pointed_ < 0) return;
    pointed_ = -1;
    runner_([] {});
}

void CanvasView::mousePressEvent(QMouseEvent* event) {
    press(event, false);
}

void CanvasView::mouseDoubleClickEvent(QMouseEvent* event) {
    press(event, true);
}

void CanvasView::press(QMouseEvent* event, bool doubleClick) {
    const auto button = mouseButton(event->button());
    if (!button || frozen_) return;
    const QPoint at = canvasPoint(*event);
    const bool shift = event->modifiers().testFlag(Qt::ShiftModifier);
    const bool ctrl = event->modifiers().testFlag(Qt::ControlModifier);
    MousePressResult result;
    std::int32_t pressed = -1;
    runner_([&] {
        // No move may have come since the last release or menu (a double click's second press).
        if (!workbench_.dragging()) workbench_.mouseMoved(at.x(), at.y(), shift);
        pressed = workbench_.currentBlock();
        result = workbench_.mousePressed(*button, at.x(), at.y(), shift, ctrl, doubleClick);
    });
    if (result.openPopup)
        emit popupRequested(mapToGlobal(event->position().toPoint()), result.changeValueEnabled);
    if (*button == MouseButton::Left && !doubleClick && pressed >= 0) emit blockPressed(pressed);
}

void CanvasView::mouseReleaseEvent(QMouseEvent* event) {
    if (!mouseButton(event->button()) || frozen_) return;
    runner_([&] { workbench_.mouseReleased(); });
}

std::string CanvasView::editorText() const {
    return editor_->text().toUtf8().toStdString();
}

bool CanvasView::eventFilter(QObject* watched, QEvent* event) {
    if (watched != editor_ || event->type() != QEvent::KeyPress) return QWidget::eventFilter(watched, event);
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
        runner_([&] { workbench_.commitValueEditor(editorText()); });
        return true;
    }
    // Delete and the navigation keys type no character; everything typed is filtered.
    const QString text = key->text();
    if (key->key() == Qt::Key_Delete || text.isEmpty()) return false;
    const char16_t typed = text.front().unicode();
    return typed > 0x7f || !valueEditorAccepts(static_cast<char>(typed));
}

}  // namespace pellisor
