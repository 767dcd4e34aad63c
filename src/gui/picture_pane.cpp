#include "gui/picture_pane.h"

#include <QLabel>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollArea>
#include <QVBoxLayout>
#include <QWheelEvent>

#include <cmath>

namespace pellisor {

ZoomedPicture::ZoomedPicture(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void ZoomedPicture::setPicture(QImage picture) {
    picture_ = std::move(picture);
    resize(sizeHint());
    update();
}

void ZoomedPicture::setZoom(double zoom) {
    zoom_ = zoom;
    resize(sizeHint());
    update();
}

QSize ZoomedPicture::sizeHint() const {
    return QSize(int(std::lround(picture_.width() * zoom_)), int(std::lround(picture_.height() * zoom_)));
}

void ZoomedPicture::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    painter.fillRect(event->rect(), palette().color(QPalette::Dark));
    if (picture_.isNull()) return;
    // Only the exposed part of the picture is scaled: a large picture enlarged stays cheap to show.
    const QRectF exposed = QRectF(event->rect()).intersected(QRectF(QPointF(), QSizeF(sizeHint())));
    const QRectF source(exposed.left() / zoom_, exposed.top() / zoom_, exposed.width() / zoom_,
                        exposed.height() / zoom_);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, zoom_ < 1.0);
    painter.drawImage(exposed, picture_, source);
}

PicturePane::PicturePane(const QString& title, QWidget* parent) : QWidget(parent) {
    title_ = new QLabel(title, this);
    QFont bold = title_->font();
    bold.setBold(true);
    title_->setFont(bold);
    scrollArea_ = new QScrollArea(this);
    scrollArea_->setWidgetResizable(false);
    scrollArea_->setAlignment(Qt::AlignCenter);
    scrollArea_->setMinimumSize(160, 120);
    picture_ = new ZoomedPicture;
    scrollArea_->setWidget(picture_);
    scrollArea_->viewport()->installEventFilter(this);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(2);
    column->addWidget(title_);
    column->addWidget(scrollArea_, 1);
}

void PicturePane::setTitle(const QString& title) {
    title_->setText(title);
}

QString PicturePane::title() const {
    return title_->text();
}

bool PicturePane::eventFilter(QObject* watched, QEvent* event) {
    if (watched != scrollArea_->viewport() || event->type() != QEvent::Wheel) {
        return QWidget::eventFilter(watched, event);
    }
    auto* wheel = static_cast<QWheelEvent*>(event);
    if (!wheel->modifiers().testFlag(Qt::ControlModifier)) return false;
    wheelRest_ += wheel->angleDelta().y();
    const int notches = wheelRest_ / 120;
    wheelRest_ -= notches * 120;
    if (notches != 0) emit zoomStepped(notches);
    return true;
}

}  // namespace pellisor
