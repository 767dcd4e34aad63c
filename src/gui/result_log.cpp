#include "gui/result_log.h"

#include "gui/log_view.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

namespace pellisor {

ResultLog::ResultLog(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("FormLog"));
    setWindowTitle(QString::fromUtf8("Výsledek"));
    resize(696, 480);

    memo_ = new LogView(this);
    memo_->setObjectName(QStringLiteral("Memo"));

    auto* panel = new QWidget(this);
    panel->setObjectName(QStringLiteral("Panel1"));
    auto* okButton = new QPushButton(QStringLiteral("OK"), panel);
    okButton->setObjectName(QStringLiteral("SpeedButton1"));
    okButton->setAutoDefault(false);
    okButton->setFocusPolicy(Qt::NoFocus);
    auto* panelLayout = new QHBoxLayout(panel);
    panelLayout->setContentsMargins(8, 6, 8, 6);
    panelLayout->addStretch(1);
    panelLayout->addWidget(okButton);
    panelLayout->addStretch(1);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(memo_, 1);
    layout->addWidget(panel);

    connect(okButton, &QPushButton::clicked, this, &QDialog::accept);
}

void ResultLog::setLines(const std::vector<std::string>& lines) {
    memo_->setLines(lines);
}

}  // namespace pellisor
