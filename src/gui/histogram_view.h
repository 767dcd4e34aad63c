#pragma once

#include "app/histogram_bars.h"

#include <QWidget>

#include <cstdint>
#include <map>
#include <vector>

namespace pellisor {

// The histogram of the errors drawn as a bar plot: counts upwards, the error e along, both axes with
// round ticks and their labels. A logarithmic count axis lets the rare large errors show beside the
// many exact results.
class HistogramView : public QWidget {
    Q_OBJECT

public:
    explicit HistogramView(QWidget* parent = nullptr);

    void setHistogram(std::map<std::int64_t, std::int64_t> histogram);
    const std::map<std::int64_t, std::int64_t>& histogram() const { return histogram_; }
    void setLogarithmic(bool logarithmic);
    bool logarithmic() const { return logarithmic_; }
    // The bars as the plot draws them at its present width.
    std::vector<HistogramBar> bars() const;

    QSize sizeHint() const override { return {560, 260}; }
    QSize minimumSizeHint() const override { return {240, 140}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QRect plotArea() const;

    std::map<std::int64_t, std::int64_t> histogram_;
    bool logarithmic_ = false;
};

}  // namespace pellisor
