#include "gui/canvas_view.h"

#include "gui/qt_canvas.h"
#include "render/renderer.h"

#include <QFrame>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
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
    update();
}

QRect CanvasView::visibleArea() const {
    const QPoint offset(scrollArea_.horizontalScrollBar()->value(), scrollArea_.verticalScrollBar()->value());
    return QRect(offset, scrollArea_.viewport()->size()).intersected(rect());
}

void CanvasView::refresh() {
    const CanvasSize size = workbench_.canvasSize();
    if (width() != size.width || height() != size.height) resize(size.width, size.height);

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
            panel_->move(state.x, state.y);
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
        QRect(bufferOrigin_, buffer_.deviceIndependentSize().toSize()) != visibleArea()) {
        renderBuffer();
    }
    update(visibleArea());
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
    const QRect area = visibleArea();
    bufferOrigin_ = area.topLeft();
    renderArea(area, buffer_);
}

void CanvasView::renderArea(const QRect& area, QImage& image) const {
    const qreal ratio = devicePixelRatioF();
    const QSize size = (QSizeF(area.size()) * ratio).toSize();
    if (image.size() != size || image.devicePixelRatio() != ratio) {
        image = QImage(size, QImage::Format_RGB32);
        image.setDevicePixelRatio(ratio);
    }
    if (image.isNull()) return;
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.translate(-area.topLeft());
    painter.setClipRect(area);
    QtCanvas canvas(painter, symbolSheet(), area);
    drawCircuit(canvas, workbench_.scene(), canvasArea(area));
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
            QtCanvas canvas(painter, symbolSheet(), event->rect());
            drawDragFrame(canvas, workbench_.circuit(), workbench_.currentBlock());
        }
        return;
    }
    // Drawn into a picture first, where the canvas writes its lines straight to memory; a large
    // exposed part (a grab of the whole canvas) goes in bands of a few megabytes.
    const QRect exposed = event->region().boundingRect();
    const int rows = std::max(1, kBandPixels / std::max(1, exposed.width()));
    for (int top = exposed.top(); top <= exposed.bottom(); top += rows) {
        const QRect band(exposed.left(), top, exposed.width(), std::min(rows, exposed.bottom() + 1 - top));
        renderArea(band, exposed_);
        painter.drawImage(band.topLeft(), exposed_);
    }
}

void CanvasView::mouseMoveEvent(QMouseEvent* event) {
    if (frozen_) return;
    const QPoint at = event->position().toPoint();
    const bool shift = event->modifiers().testFlag(Qt::ShiftModifier);
    runner_([&] { workbench_.mouseMoved(at.x(), at.y(), shift); });
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
    const QPoint at = event->position().toPoint();
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
    if (result.openPopup) emit popupRequested(mapToGlobal(at), result.changeValueEnabled);
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
