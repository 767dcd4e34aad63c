#include "gui/quality_dialog.h"

#include "gui/busy_cursor.h"
#include "gui/circuit_picture.h"
#include "gui/error_box.h"
#include "gui/picture_pane.h"

#include <QComboBox>
#include <QDoubleSpinBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSlider>
#include <QSpinBox>
#include <QTableWidget>
#include <QVBoxLayout>

#include <exception>
#include <limits>

namespace pellisor {

namespace {

QString text(const std::string& value) {
    return QString::fromUtf8(value.data(), qsizetype(value.size()));
}

constexpr std::array<double, 15> kZoomLevels{0.125, 0.25, 0.333, 0.5, 0.667, 1.0,  1.5, 2.0,
                                             3.0,   4.0,  6.0,   8.0, 12.0,  16.0, 24.0};
constexpr int kUnitZoom = 5;

enum Pane { Noisy, Filtered, Reference, Difference, BlockOutput };

constexpr std::array<const char*, 5> kPaneTitles{"Zašuměný", "Filtrovaný", "Referenční", "Rozdíl", "Blok"};
constexpr std::array<const char*, 5> kPaneNames{"noisyPane", "filteredPane", "referencePane",
                                                "differencePane", "blockPane"};
constexpr std::array<const char*, 3> kRowTitles{"Filtrovaný", "Zašuměný", "Medián 3x3"};
constexpr std::array<const char*, 5> kColumnTitles{"MDPP", "PSNR", "SSIM", "Max. chyba", "Změněno"};

}  // namespace

QualityDialog::QualityDialog(Workbench& workbench, QWidget* parent) : QDialog(parent), workbench_(workbench) {
    setObjectName(QStringLiteral("qualityDialog"));
    setWindowTitle(QStringLiteral("Kvalita filtru"));
    setModal(false);
    buildControls();
    resize(1100, 640);
}

void QualityDialog::buildControls() {
    auto* settings = new QGridLayout;
    reference_ = new QLineEdit(this);
    reference_->setObjectName(QStringLiteral("referencePicture"));
    auto* choose = new QPushButton(QString::fromUtf8("Vybrat…"), this);
    choose->setObjectName(QStringLiteral("chooseReference"));
    auto* referenceLabel = new QLabel(QString::fromUtf8("Referenční obraz:"), this);
    referenceLabel->setBuddy(reference_);
    settings->addWidget(referenceLabel, 0, 0);
    settings->addWidget(reference_, 0, 1, 1, 5);
    settings->addWidget(choose, 0, 6);

    noiseKind_ = new QComboBox(this);
    noiseKind_->setObjectName(QStringLiteral("noiseKind"));
    for (const NoiseKind kind : kNoiseKinds)
        noiseKind_->addItem(text(noiseKindLabel(kind)), int(kind));
    noiseLevel_ = new QDoubleSpinBox(this);
    noiseLevel_->setObjectName(QStringLiteral("noiseLevel"));
    noiseLevel_->setDecimals(3);
    noiseSeed_ = new QSpinBox(this);
    noiseSeed_->setObjectName(QStringLiteral("noiseSeed"));
    noiseSeed_->setRange(0, std::numeric_limits<int>::max());
    noiseSeed_->setValue(1);
    measure_ = new QPushButton(QString::fromUtf8("Změřit"), this);
    measure_->setObjectName(QStringLiteral("measure"));
    measure_->setDefault(true);
    const std::array<std::pair<const char*, QWidget*>, 3> noiseFields{
        {{"Šum:", noiseKind_}, {"Úroveň:", noiseLevel_}, {"Semínko:", noiseSeed_}}};
    for (std::size_t i = 0; i < noiseFields.size(); ++i) {
        auto* label = new QLabel(QString::fromUtf8(noiseFields[i].first), this);
        label->setBuddy(noiseFields[i].second);
        settings->addWidget(label, 1, int(2 * i));
        settings->addWidget(noiseFields[i].second, 1, int(2 * i + 1));
    }
    settings->addWidget(measure_, 1, 6);
    settings->setColumnStretch(1, 1);
    settings->setColumnStretch(3, 1);
    settings->setColumnStretch(5, 1);

    auto* pictures = new QHBoxLayout;
    for (std::size_t i = 0; i < panes_.size(); ++i) {
        panes_[i] = new PicturePane(QString::fromUtf8(kPaneTitles[i]), this);
        panes_[i]->setObjectName(QString::fromLatin1(kPaneNames[i]));
        pictures->addWidget(panes_[i], 1);
        connect(panes_[i], &PicturePane::zoomStepped, this, &QualityDialog::stepZoom);
    }
    panes_[BlockOutput]->hide();
    // The panes show the same place of their pictures.
    for (PicturePane* source : panes_) {
        for (PicturePane* target : panes_) {
            if (source == target) continue;
            connect(source->scrollArea()->horizontalScrollBar(), &QScrollBar::valueChanged,
                    target->scrollArea()->horizontalScrollBar(), &QScrollBar::setValue);
            connect(source->scrollArea()->verticalScrollBar(), &QScrollBar::valueChanged,
                    target->scrollArea()->verticalScrollBar(), &QScrollBar::setValue);
        }
    }

    auto* zoomRow = new QHBoxLayout;
    zoom_ = new QSlider(Qt::Horizontal, this);
    zoom_->setObjectName(QStringLiteral("zoom"));
    zoom_->setRange(0, int(kZoomLevels.size()) - 1);
    zoom_->setValue(kUnitZoom);
    zoom_->setPageStep(1);
    zoom_->setTickPosition(QSlider::TicksBelow);
    zoomText_ = new QLabel(this);
    zoomText_->setMinimumWidth(50);
    auto* zoomLabel = new QLabel(QString::fromUtf8("Zvětšení:"), this);
    zoomLabel->setBuddy(zoom_);
    auto* hint = new QLabel(
        QString::fromUtf8("Ctrl + kolečko mění zvětšení. Klepnutí na blok obvodu ukáže jeho výstup."), this);
    hint->setForegroundRole(QPalette::PlaceholderText);
    zoomRow->addWidget(zoomLabel);
    zoomRow->addWidget(zoom_, 1);
    zoomRow->addWidget(zoomText_);
    zoomRow->addSpacing(12);
    zoomRow->addWidget(hint, 2);

    figures_ = new QTableWidget(int(kRowTitles.size()), int(kColumnTitles.size()), this);
    figures_->setObjectName(QStringLiteral("figures"));
    figures_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    for (std::size_t row = 0; row < kRowTitles.size(); ++row)
        figures_->setVerticalHeaderItem(int(row), new QTableWidgetItem(QString::fromUtf8(kRowTitles[row])));
    for (std::size_t column = 0; column < kColumnTitles.size(); ++column) {
        figures_->setHorizontalHeaderItem(int(column),
                                          new QTableWidgetItem(QString::fromUtf8(kColumnTitles[column])));
    }
    figures_->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    figures_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    figures_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    figures_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    figures_->setFixedHeight(figures_->horizontalHeader()->sizeHint().height() +
                             int(kRowTitles.size()) * figures_->verticalHeader()->defaultSectionSize() +
                             2 * figures_->frameWidth());

    auto* buttons = new QHBoxLayout;
    save_ = new QPushButton(QString::fromUtf8("Uložit"), this);
    save_->setObjectName(QStringLiteral("save"));
    save_->setEnabled(false);
    save_->setAutoDefault(false);
    auto* close = new QPushButton(QString::fromUtf8("Zavřít"), this);
    close->setObjectName(QStringLiteral("close"));
    close->setAutoDefault(false);
    buttons->addStretch(1);
    buttons->addWidget(save_);
    buttons->addWidget(close);

    auto* column = new QVBoxLayout(this);
    column->addLayout(settings);
    column->addLayout(pictures, 1);
    column->addLayout(zoomRow);
    column->addWidget(figures_);
    column->addLayout(buttons);

    connect(choose, &QPushButton::clicked, this, &QualityDialog::chooseReference);
    connect(noiseKind_, &QComboBox::currentIndexChanged, this, &QualityDialog::noiseKindChosen);
    connect(measure_, &QPushButton::clicked, this, &QualityDialog::measure);
    connect(save_, &QPushButton::clicked, this, [this] {
        if (run_) run([this] { workbench_.saveQualityClicked(*run_); });
    });
    connect(close, &QPushButton::clicked, this, &QDialog::close);
    connect(zoom_, &QSlider::valueChanged, this, &QualityDialog::zoomChanged);
    noiseKindChosen();
    zoomChanged();
}

double QualityDialog::zoom() const {
    return kZoomLevels[static_cast<std::size_t>(zoom_->value())];
}

void QualityDialog::chooseReference() {
    run([this] {
        if (const auto path = workbench_.chooseReferencePicture()) reference_->setText(text(*path));
    });
}

void QualityDialog::noiseKindChosen() {
    const NoiseLevelRange range = noiseLevelRange(static_cast<NoiseKind>(noiseKind_->currentData().toInt()));
    noiseLevel_->setRange(range.minimum, range.maximum);
    noiseLevel_->setSingleStep(range.step);
    noiseLevel_->setValue(range.proposed);
    noiseLevel_->setEnabled(range.maximum > range.minimum);
}

void QualityDialog::stepZoom(int notches) {
    zoom_->setValue(zoom_->value() + notches);
}

void QualityDialog::zoomChanged() {
    zoomText_->setText(QString::number(std::lround(zoom() * 100)) + QStringLiteral(" %"));
    for (PicturePane* pane : panes_)
        pane->setZoom(zoom());
}

void QualityDialog::measure() {
    NoiseSettings noise;
    noise.kind = static_cast<NoiseKind>(noiseKind_->currentData().toInt());
    noise.level = noiseLevel_->isEnabled() ? noiseLevel_->value() : 0.0;
    noise.seed = static_cast<std::uint64_t>(noiseSeed_->value());
    const std::string path = reference_->text().toUtf8().toStdString();
    run([&] {
        auto measured = workbench_.measureFilterQuality(path, noise);
        if (!measured) return;  // cancelled: the last run stays
        run_ = std::move(measured);
        showRun();
    });
}

void QualityDialog::showRun() {
    const bool firstRun = panes_[Reference]->picture().isNull();
    panes_[Noisy]->setPicture(toQImage(run_->noisy));
    panes_[Filtered]->setPicture(toQImage(run_->filtered));
    panes_[Reference]->setPicture(toQImage(run_->reference));
    panes_[Difference]->setPicture(toQImage(run_->difference));
    const std::array<const QualityFigures*, 3> rows{&run_->filteredFigures, &run_->inputFigures,
                                                    &run_->medianFigures};
    for (std::size_t row = 0; row < rows.size(); ++row) {
        const auto texts = qualityTableRow(*rows[row]);
        for (std::size_t column = 0; column < texts.size(); ++column) {
            auto* item = new QTableWidgetItem(text(texts[column]));
            item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            figures_->setItem(int(row), int(column), item);
        }
    }
    save_->setEnabled(true);
    if (firstRun) {
        // At first the whole picture, as large as it fits in a pane.
        const QSize room = panes_[Noisy]->scrollArea()->viewport()->size();
        int level = int(kZoomLevels.size()) - 1;
        while (level > 0 && (run_->noisy.width * kZoomLevels[std::size_t(level)] > room.width() ||
                             run_->noisy.height * kZoomLevels[std::size_t(level)] > room.height())) {
            --level;
        }
        zoom_->setValue(level);
    }
    if (shownBlock_ >= 0) showBlockPicture();
}

void QualityDialog::showBlock(std::int32_t block) {
    if (!isVisible() || !run_) return;
    shownBlock_ = block;
    showBlockPicture();
}

void QualityDialog::showBlockPicture() {
    run([this] {
        std::optional<RgbImage> picture;
        {
            const BusyCursor busy;
            picture = workbench_.blockPictureOf(*run_, shownBlock_);
        }
        if (!picture) return;  // an input or an output: nothing of its own to show
        PicturePane* pane = panes_[BlockOutput];
        pane->setTitle(QString::fromUtf8("Blok %1").arg(shownBlock_));
        pane->setPicture(toQImage(*picture));
        pane->setZoom(zoom());
        pane->show();
    });
}

void QualityDialog::run(const std::function<void()>& command) {
    runShowingErrors(this, command);
}

}  // namespace pellisor
