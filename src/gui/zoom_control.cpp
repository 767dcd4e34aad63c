#include "gui/zoom_control.h"

#include <QAction>
#include <QHBoxLayout>
#include <QLabel>
#include <QToolButton>

namespace pellisor {

namespace {

QToolButton* flatButton(const char* name, const QString& caption, QAction& action, QWidget* parent) {
    auto* button = new QToolButton(parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setText(caption);
    button->setToolTip(action.text());
    button->setAutoRaise(true);
    QObject::connect(button, &QToolButton::clicked, &action, &QAction::trigger);
    return button;
}

}  // namespace

ZoomControl::ZoomControl(QAction& zoomOut, QAction& zoomIn, QAction& fit, QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("ZoomControl"));
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(2);
    level_ = new QLabel(this);
    level_->setObjectName(QStringLiteral("ZoomLevel"));
    level_->setAlignment(Qt::AlignCenter);
    // Wide enough for "400 %", so that the control does not jump.
    level_->setMinimumWidth(level_->fontMetrics().horizontalAdvance(QStringLiteral("400 %")) + 8);
    QToolButton* buttons[] = {flatButton("ZoomOut", QString::fromUtf8("−"), zoomOut, this),
                              flatButton("ZoomIn", QStringLiteral("+"), zoomIn, this),
                              flatButton("ZoomFit", QString::fromUtf8("Přizpůsobit"), fit, this)};
    row->addWidget(buttons[0]);
    row->addWidget(level_);
    row->addWidget(buttons[1]);
    row->addWidget(buttons[2]);
    // No taller than a line of text: the status bar keeps its height and the canvas its viewport.
    for (QToolButton* button : buttons)
        button->setFixedHeight(level_->sizeHint().height());
    showLevel(100);
}

void ZoomControl::showLevel(int percent) {
    level_->setText(QStringLiteral("%1 %").arg(percent));
}

}  // namespace pellisor
