#include "gui/function_dialog.h"

#include "gui/error_box.h"

#include <QAbstractItemView>
#include <QColor>
#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPalette>
#include <QProxyStyle>
#include <QPushButton>
#include <QShowEvent>
#include <QTableWidget>
#include <QVBoxLayout>

#include <array>
#include <exception>

namespace pellisor {
namespace {

constexpr int kColumnCount = 5;
constexpr std::array<int, kColumnCount> kColumnWidths{78, 27, 320, 70, 77};
constexpr int kDescriptionColumn = 2;
// A row is a cell of the chooser's height and the grid line below it; 33 rows and the bottom panel
// fill the 576 pixels of the window without scrolling.
constexpr int kChooserHeight = 15;
constexpr int kGridLine = 1;
constexpr int kPanelHeight = 48;
const QColor kSilver(192, 192, 192);

// Styles such as Fusion open a combo box's list around the current entry, as tall as the screen allows,
// and ignore its maximum of visible rows; this one keeps the plain list, which shows that many and
// scrolls.
class ScrollingListStyle : public QProxyStyle {
public:
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returned) const override {
        if (hint == QStyle::SH_ComboBox_Popup) return 0;
        return QProxyStyle::styleHint(hint, option, widget, returned);
    }
};

QPushButton* makeButton(const char* caption, const char* name, QWidget* parent) {
    auto* button = new QPushButton(QString::fromUtf8(caption), parent);
    button->setObjectName(QString::fromLatin1(name));
    // Like the speed buttons they stand for, they neither take the focus nor react to Enter.
    button->setAutoDefault(false);
    button->setFocusPolicy(Qt::NoFocus);
    return button;
}

}  // namespace

FunctionDialog::FunctionDialog(Workbench& workbench, QWidget* parent)
    : QDialog(parent), workbench_(workbench) {
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QString::fromUtf8("Přiřazení funkcí pro vyhodnocení"));
    resize(590, 576);

    grid_ = new QTableWidget(kGeneCount, kColumnCount, this);
    grid_->setObjectName(QStringLiteral("SG"));
    grid_->setFrameShape(QFrame::NoFrame);
    grid_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    grid_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    grid_->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid_->setSelectionMode(QAbstractItemView::SingleSelection);
    grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid_->setWordWrap(false);
    grid_->setCornerButtonEnabled(false);
    grid_->verticalHeader()->hide();

    QHeaderView* header = grid_->horizontalHeader();
    header->setSectionResizeMode(QHeaderView::Fixed);
    header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    header->setHighlightSections(false);
    header->setSectionsClickable(false);
    header->setFixedHeight(kChooserHeight + kGridLine);
    // The header row is the grid's fixed silver row, ruled like the cells below it.
    header->setStyleSheet(
        QStringLiteral("QHeaderView::section { background-color: rgb(192,192,192); "
                       "border: none; border-right: 1px solid rgb(128,128,128); "
                       "border-bottom: 1px solid rgb(128,128,128); padding-left: 2px; }"));
    const std::array<const char*, kColumnCount> headerTexts{"Funkce-blok", "#", "Funkce pro vyhodnocení",
                                                            "Použito", "Popisek"};
    for (int column = 0; column < kColumnCount; ++column) {
        grid_->setHorizontalHeaderItem(column, new QTableWidgetItem(QString::fromUtf8(headerTexts[column])));
        grid_->setColumnWidth(column, kColumnWidths[column]);
    }

    chooser_ = new QComboBox(this);
    chooser_->setObjectName(QStringLiteral("SCB"));
    chooser_->setEditable(false);
    chooser_->setMaxVisibleItems(20);
    auto* listStyle = new ScrollingListStyle;
    listStyle->setParent(chooser_);
    chooser_->setStyle(listStyle);
    chooser_->setFixedHeight(kChooserHeight);
    QPalette chooserPalette = chooser_->palette();
    const QColor cream(255, 255, 240);
    chooserPalette.setColor(QPalette::Base, cream);
    chooserPalette.setColor(QPalette::Button, cream);
    chooserPalette.setColor(QPalette::Window, cream);
    chooser_->setPalette(chooserPalette);
    chooser_->hide();

    QHeaderView* rowsHeader = grid_->verticalHeader();
    rowsHeader->setSectionResizeMode(QHeaderView::Fixed);
    rowsHeader->setMinimumSectionSize(0);
    rowsHeader->setDefaultSectionSize(chooser_->height() + kGridLine);

    auto* panel = new QWidget(this);
    panel->setObjectName(QStringLiteral("Panel1"));
    panel->setFixedHeight(kPanelHeight);
    auto* okButton = makeButton("OK", "SpeedButton1", panel);
    auto* saveButton = makeButton("Uložit jako default", "SpeedButton2", panel);
    auto* copyButton = makeButton("Kopírovat", "SpeedButton3", panel);
    auto* note = new QLabel(QString::fromUtf8("Pozn: Do statistiky se nepočítají skryté bloky"), panel);
    note->setObjectName(QStringLiteral("Label1"));
    QPalette notePalette = note->palette();
    notePalette.setColor(QPalette::WindowText, QColor(128, 128, 128));
    note->setPalette(notePalette);
    // A larger desktop font clips the note rather than widening the window.
    note->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);

    auto* panelLayout = new QHBoxLayout(panel);
    panelLayout->setContentsMargins(4, 6, 4, 6);
    panelLayout->addWidget(okButton);
    panelLayout->addWidget(saveButton);
    panelLayout->addWidget(copyButton);
    panelLayout->addSpacing(6);
    panelLayout->addWidget(note, 1);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(grid_, 1);
    layout->addWidget(panel);

    connect(okButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(saveButton, &QPushButton::clicked, this,
            [this] { run([this] { workbench_.saveAssignmentClicked(); }); });
    connect(copyButton, &QPushButton::clicked, this,
            [this] { run([this] { workbench_.copyAssignmentClicked(); }); });
    connect(grid_, &QTableWidget::cellClicked, this, [this] { hideChooser(); });
    connect(grid_, &QTableWidget::cellDoubleClicked, this, [this](int row) { openChooser(row); });
    connect(chooser_, &QComboBox::activated, this, &FunctionDialog::choose);

    refresh();
}

void FunctionDialog::refresh() {
    hideChooser();
    fillChooser();
    for (std::int32_t gene = 0; gene < kGeneCount; ++gene)
        refreshRow(gene);
}

void FunctionDialog::refreshRow(std::int32_t gene) {
    const AssignmentRow& row = workbench_.assignment().rows()[static_cast<std::size_t>(gene)];
    const std::array<QString, kColumnCount> texts{QString::number(gene), QString::number(row.identifier),
                                                  QString::fromUtf8(row.description),
                                                  QString::fromUtf8(row.usage), QString::fromUtf8(row.label)};
    for (int column = 0; column < kColumnCount; ++column) {
        QTableWidgetItem* item = grid_->item(gene, column);
        if (item == nullptr) {
            item = new QTableWidgetItem;
            if (column == 0) {
                // The gene number is the grid's fixed silver column.
                item->setFlags(Qt::ItemIsEnabled);
                item->setBackground(kSilver);
            } else {
                item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
            }
            grid_->setItem(gene, column, item);
        }
        item->setText(texts[static_cast<std::size_t>(column)]);
    }
}

void FunctionDialog::fillChooser() {
    const std::vector<std::string>& entries = workbench_.assignment().chooser();
    bool same = chooser_->count() == static_cast<int>(entries.size());
    for (int index = 0; same && index < chooser_->count(); ++index) {
        same = chooser_->itemText(index) == QString::fromUtf8(entries[static_cast<std::size_t>(index)]);
    }
    if (same) return;
    chooser_->clear();
    for (const std::string& entry : entries)
        chooser_->addItem(QString::fromUtf8(entry));
}

void FunctionDialog::hideChooser() {
    chooser_->hidePopup();
    chooser_->hide();
    chooserGene_ = -1;
}

void FunctionDialog::openChooser(std::int32_t gene) {
    if (gene < 0 || gene >= kGeneCount) return;
    fillChooser();
    grid_->setCurrentCell(gene, kDescriptionColumn);
    const std::int32_t identifier = workbench_.assignment().rows()[static_cast<std::size_t>(gene)].identifier;
    chooser_->setCurrentIndex(identifier >= 0 && identifier < chooser_->count() ? identifier : -1);

    const QRect cell = grid_->visualRect(grid_->model()->index(gene, kDescriptionColumn));
    const QPoint topLeft = grid_->viewport()->mapTo(this, cell.topLeft());
    chooser_->setGeometry(topLeft.x() - 1, topLeft.y() - 1, cell.width() + 1, cell.height());
    chooserGene_ = gene;
    chooser_->raise();
    chooser_->show();
    chooser_->setFocus();
    chooser_->showPopup();
}

void FunctionDialog::choose(int index) {
    if (chooserGene_ < 0) return;
    const std::int32_t gene = chooserGene_;
    run([&] { workbench_.chooseFunction(gene, index); });
    refreshRow(gene);
}

void FunctionDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // Showing the dialog hides the chooser; a restore from minimised is no new showing.
    if (!event->spontaneous()) refresh();
}

void FunctionDialog::run(const std::function<void()>& command) {
    runShowingErrors(this, command);
}

}  // namespace pellisor
