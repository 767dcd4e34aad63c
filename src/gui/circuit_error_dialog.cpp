#include "gui/circuit_error_dialog.h"

#include "app/error_measurement.h"
#include "gui/busy_cursor.h"
#include "gui/error_box.h"
#include "gui/histogram_view.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QVBoxLayout>

#include <exception>

namespace pellisor {

namespace {

QString text(const std::string& value) {
    return QString::fromUtf8(value.data(), qsizetype(value.size()));
}

QSpinBox* widthBox(const char* name, QWidget* parent) {
    auto* box = new QSpinBox(parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setRange(1, kMostOperandBits);
    box->setValue(8);
    box->setSuffix(QStringLiteral(" b"));
    return box;
}

}  // namespace

CircuitErrorDialog::CircuitErrorDialog(Workbench& workbench, QWidget* parent)
    : QDialog(parent), workbench_(workbench) {
    setObjectName(QStringLiteral("circuitErrorDialog"));
    setWindowTitle(QStringLiteral("Chyba obvodu"));
    setModal(false);

    operation_ = new QComboBox(this);
    operation_->setObjectName(QStringLiteral("operation"));
    for (const ErrorOperation operation : kErrorOperations)
        operation_->addItem(text(errorOperationLabel(operation)), int(operation));
    widthA_ = widthBox("widthA", this);
    widthB_ = widthBox("widthB", this);
    auto* measureButton = new QPushButton(QString::fromUtf8("Změřit"), this);
    measureButton->setObjectName(QStringLiteral("measure"));
    measureButton->setDefault(true);

    auto* settings = new QHBoxLayout;
    const std::array<std::pair<const char*, QWidget*>, 3> fields{
        {{"Operace:", operation_}, {"Šířka operandu A:", widthA_}, {"B:", widthB_}}};
    for (const auto& [caption, field] : fields) {
        auto* label = new QLabel(QString::fromUtf8(caption), this);
        label->setBuddy(field);
        settings->addWidget(label);
        settings->addWidget(field);
        settings->addSpacing(6);
    }
    settings->addStretch(1);
    settings->addWidget(measureButton);

    table_ = new QTableWidget(8, 1, this);
    table_->setObjectName(QStringLiteral("figures"));
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->horizontalHeader()->hide();
    table_->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    table_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    table_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    const auto rows = errorFigureRows(ErrorFigures{});
    for (std::size_t row = 0; row < rows.size(); ++row)
        table_->setVerticalHeaderItem(int(row), new QTableWidgetItem(text(rows[row].first)));
    table_->setFixedWidth(250);
    table_->setFixedHeight(int(rows.size()) * table_->verticalHeader()->defaultSectionSize() +
                           2 * table_->frameWidth());

    histogram_ = new HistogramView(this);
    histogram_->setObjectName(QStringLiteral("histogram"));
    logarithmic_ = new QCheckBox(QString::fromUtf8("Logaritmická osa počtů"), this);
    logarithmic_->setObjectName(QStringLiteral("logarithmic"));
    auto* plotColumn = new QVBoxLayout;
    plotColumn->addWidget(histogram_, 1);
    plotColumn->addWidget(logarithmic_);

    auto* body = new QHBoxLayout;
    body->addWidget(table_, 0, Qt::AlignTop);
    body->addLayout(plotColumn, 1);

    save_ = new QPushButton(QString::fromUtf8("Uložit"), this);
    save_->setObjectName(QStringLiteral("save"));
    save_->setEnabled(false);
    save_->setAutoDefault(false);
    auto* close = new QPushButton(QString::fromUtf8("Zavřít"), this);
    close->setObjectName(QStringLiteral("close"));
    close->setAutoDefault(false);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(save_);
    buttons->addWidget(close);

    auto* column = new QVBoxLayout(this);
    column->addLayout(settings);
    column->addLayout(body, 1);
    column->addLayout(buttons);

    connect(operation_, &QComboBox::currentIndexChanged, this, &CircuitErrorDialog::operationChosen);
    connect(measureButton, &QPushButton::clicked, this, &CircuitErrorDialog::measure);
    connect(logarithmic_, &QCheckBox::toggled, histogram_, &HistogramView::setLogarithmic);
    connect(save_, &QPushButton::clicked, this, [this] {
        if (figures_) run([this] { workbench_.saveErrorClicked(measuredSettings_, *figures_); });
    });
    connect(close, &QPushButton::clicked, this, &QDialog::close);
    resize(860, 420);
}

void CircuitErrorDialog::operationChosen() {
    const bool arithmetic = !isWordOperation(static_cast<ErrorOperation>(operation_->currentData().toInt()));
    widthA_->setEnabled(arithmetic);
    widthB_->setEnabled(arithmetic);
}

ErrorSettings CircuitErrorDialog::chosenSettings() const {
    return errorSettingsFor(static_cast<ErrorOperation>(operation_->currentData().toInt()), widthA_->value(),
                            widthB_->value());
}

void CircuitErrorDialog::measure() {
    const ErrorSettings settings = chosenSettings();
    run([&] {
        {
            const BusyCursor busy;
            figures_ = workbench_.measureCircuitError(settings);
        }
        measuredSettings_ = settings;
        showFigures();
    });
}

void CircuitErrorDialog::showFigures() {
    const auto rows = errorFigureRows(*figures_);
    for (std::size_t row = 0; row < rows.size(); ++row) {
        auto* item = new QTableWidgetItem(text(rows[row].second));
        item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        table_->setItem(int(row), 0, item);
    }
    histogram_->setHistogram(figures_->histogram);
    save_->setEnabled(true);
}

void CircuitErrorDialog::run(const std::function<void()>& command) {
    runShowingErrors(this, command);
}

}  // namespace pellisor
