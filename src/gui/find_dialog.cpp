#include "gui/find_dialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace pellisor {

FindDialog::FindDialog(std::function<QString(const QString&)> search, QWidget* parent)
    : QDialog(parent), search_(std::move(search)) {
    setObjectName(QStringLiteral("FindDialog"));
    setWindowTitle(QString::fromUtf8("Najít blok"));
    auto* column = new QVBoxLayout(this);
    auto* prompt = new QLabel(QString::fromUtf8("Číslo bloku nebo jméno vstupu či výstupu:"), this);
    column->addWidget(prompt);
    text_ = new QLineEdit(this);
    text_->setObjectName(QStringLiteral("FindText"));
    prompt->setBuddy(text_);
    column->addWidget(text_);
    result_ = new QLabel(this);
    result_->setObjectName(QStringLiteral("FindResult"));
    column->addWidget(result_);
    auto* buttons = new QDialogButtonBox(this);
    QPushButton* find = buttons->addButton(QString::fromUtf8("Najít"), QDialogButtonBox::AcceptRole);
    find->setObjectName(QStringLiteral("FindButton"));
    find->setDefault(true);
    QPushButton* close = buttons->addButton(QString::fromUtf8("Zavřít"), QDialogButtonBox::RejectRole);
    close->setObjectName(QStringLiteral("FindClose"));
    column->addWidget(buttons);
    // Enter searches and the dialog stays: the next entry may be looked up at once.
    connect(buttons, &QDialogButtonBox::accepted, this, &FindDialog::search);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::hide);
}

void FindDialog::present() {
    show();
    raise();
    activateWindow();
    text_->setFocus();
    text_->selectAll();
}

void FindDialog::search() {
    result_->setText(search_(text_->text()));
}

}  // namespace pellisor
