#include "gui/log_view.h"

#include <QClipboard>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>
#include <cmath>

namespace pellisor {
namespace {

constexpr int kMargin = 4;

// The display column where each character of a line starts, and the line's end column last.
std::vector<int> columnsOf(const QString& text) {
    std::vector<int> columns;
    columns.reserve(static_cast<std::size_t>(text.size()) + 1);
    int column = 0;
    for (const QChar character : text) {
        columns.push_back(column);
        column = character == u'\t' ? (column / LogView::kTabColumns + 1) * LogView::kTabColumns : column + 1;
    }
    columns.push_back(column);
    return columns;
}

QString expandTabs(const QString& text) {
    QString expanded;
    expanded.reserve(text.size());
    for (const QChar character : text) {
        if (character == u'\t') {
            expanded += QString(LogView::kTabColumns - expanded.size() % LogView::kTabColumns, u' ');
        } else {
            expanded += character;
        }
    }
    return expanded;
}

}  // namespace

LogView::LogView(QWidget* parent) : QAbstractScrollArea(parent) {
    setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setCursor(Qt::IBeamCursor);
    updateScrollBars();
}

void LogView::setLines(const std::vector<std::string>& lines) {
    std::size_t size = lines.size();
    for (const std::string& text : lines)
        size += text.size();
    text_.clear();
    text_.reserve(size);
    starts_.clear();
    starts_.reserve(lines.size() + 1);
    widestColumns_ = 0;
    for (const std::string& text : lines) {
        if (!starts_.empty()) text_ += '\n';
        starts_.push_back(text_.size());
        text_ += text;
        // Columns by code points: continuation bytes of UTF-8 take no column of their own.
        int column = 0;
        for (const char byte : text) {
            if (byte == '\t') {
                column = (column / kTabColumns + 1) * kTabColumns;
            } else if ((static_cast<unsigned char>(byte) & 0xC0) != 0x80) {
                ++column;
            }
        }
        widestColumns_ = std::max(widestColumns_, column);
    }
    starts_.push_back(text_.size() + 1);
    anchor_ = cursor_ = Position{};
    verticalScrollBar()->setValue(0);
    horizontalScrollBar()->setValue(0);
    updateScrollBars();
    viewport()->update();
}

QString LogView::line(int index) const {
    if (index < 0 || index >= lineCount()) return {};
    const std::size_t start = starts_[static_cast<std::size_t>(index)];
    const std::size_t end = starts_[static_cast<std::size_t>(index) + 1] - 1;
    return QString::fromUtf8(text_.data() + start, static_cast<qsizetype>(end - start));
}

QString LogView::toPlainText() const {
    return QString::fromUtf8(text_.data(), static_cast<qsizetype>(text_.size()));
}

std::size_t LogView::byteOffset(Position position) const {
    if (lineCount() == 0) return 0;
    const QString prefix = line(position.line).left(position.index);
    return starts_[static_cast<std::size_t>(position.line)] +
           static_cast<std::size_t>(prefix.toUtf8().size());
}

QString LogView::selectedText() const {
    const std::size_t from = byteOffset(std::min(anchor_, cursor_));
    const std::size_t to = byteOffset(std::max(anchor_, cursor_));
    return QString::fromUtf8(text_.data() + from, static_cast<qsizetype>(to - from));
}

void LogView::selectAll() {
    anchor_ = Position{};
    cursor_ = lineCount() == 0 ? Position{}
                               : Position{lineCount() - 1, static_cast<int>(line(lineCount() - 1).size())};
    viewport()->update();
}

void LogView::copy() const {
    if (anchor_ != cursor_) QGuiApplication::clipboard()->setText(selectedText());
}

qreal LogView::charWidth() const {
    return std::max<qreal>(1.0, QFontMetricsF(font()).horizontalAdvance(u'0'));
}

int LogView::lineHeight() const {
    return std::max(1, fontMetrics().lineSpacing());
}

QPoint LogView::lineOrigin(int line) const {
    return {kMargin - horizontalScrollBar()->value(),
            kMargin + (line - verticalScrollBar()->value()) * lineHeight()};
}

LogView::Position LogView::positionAt(QPoint point) const {
    if (lineCount() == 0) return {};
    const int row = (point.y() - kMargin) / lineHeight() - (point.y() < kMargin ? 1 : 0);
    const int lineIndex = std::clamp(verticalScrollBar()->value() + row, 0, lineCount() - 1);
    const std::vector<int> columns = columnsOf(line(lineIndex));
    const qreal x = point.x() - lineOrigin(lineIndex).x();
    // The nearest character boundary.
    for (std::size_t index = 0; index + 1 < columns.size(); ++index) {
        if (2 * x < (columns[index] + columns[index + 1]) * charWidth())
            return {lineIndex, static_cast<int>(index)};
    }
    return {lineIndex, static_cast<int>(columns.size()) - 1};
}

void LogView::updateScrollBars() {
    const int visibleLines = std::max(1, (viewport()->height() - kMargin) / lineHeight());
    verticalScrollBar()->setRange(0, std::max(0, lineCount() - visibleLines));
    verticalScrollBar()->setPageStep(visibleLines);
    verticalScrollBar()->setSingleStep(1);
    const int width = 2 * kMargin + static_cast<int>(std::ceil(widestColumns_ * charWidth()));
    horizontalScrollBar()->setRange(0, std::max(0, width - viewport()->width()));
    horizontalScrollBar()->setPageStep(viewport()->width());
    horizontalScrollBar()->setSingleStep(static_cast<int>(std::ceil(charWidth())));
}

void LogView::paintEvent(QPaintEvent*) {
    QPainter painter(viewport());
    painter.setFont(font());
    const int first = verticalScrollBar()->value();
    const int last = std::min(lineCount() - 1, first + viewport()->height() / lineHeight() + 1);
    const Position from = std::min(anchor_, cursor_);
    const Position to = std::max(anchor_, cursor_);
    const int ascent = fontMetrics().ascent();
    for (int index = first; index <= last; ++index) {
        const QString text = line(index);
        const QString shown = expandTabs(text);
        const QPoint origin = lineOrigin(index);
        painter.setPen(palette().color(QPalette::Text));
        painter.drawText(origin.x(), origin.y() + ascent, shown);
        if (from == to || index < from.line || index > to.line) continue;
        const std::vector<int> columns = columnsOf(text);
        const auto columnAt = [&](int at) {
            return columns[static_cast<std::size_t>(std::clamp(at, 0, static_cast<int>(text.size())))];
        };
        const int start = index == from.line ? columnAt(from.index) : 0;
        // A selection that goes on past the line end shows one column for the line feed.
        const int end = index == to.line ? columnAt(to.index) : columns.back() + 1;
        const QRectF band(origin.x() + start * charWidth(), origin.y(), (end - start) * charWidth(),
                          lineHeight());
        painter.fillRect(band, palette().color(QPalette::Highlight));
        painter.save();
        painter.setClipRect(band);
        painter.setPen(palette().color(QPalette::HighlightedText));
        painter.drawText(origin.x(), origin.y() + ascent, shown);
        painter.restore();
    }
}

void LogView::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    updateScrollBars();
}

void LogView::changeEvent(QEvent* event) {
    QAbstractScrollArea::changeEvent(event);
    if (event->type() == QEvent::FontChange) updateScrollBars();
}

void LogView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return QAbstractScrollArea::mousePressEvent(event);
    cursor_ = positionAt(event->position().toPoint());
    if (!(event->modifiers() & Qt::ShiftModifier)) anchor_ = cursor_;
    viewport()->update();
}

void LogView::mouseMoveEvent(QMouseEvent* event) {
    if (!(event->buttons() & Qt::LeftButton)) return QAbstractScrollArea::mouseMoveEvent(event);
    const QPoint point = event->position().toPoint();
    // Dragging past an edge scrolls that way.
    if (point.y() < 0) verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepSub);
    if (point.y() > viewport()->height())
        verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    if (point.x() < 0) horizontalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepSub);
    if (point.x() > viewport()->width())
        horizontalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    cursor_ = positionAt(point);
    viewport()->update();
}

void LogView::keyPressEvent(QKeyEvent* event) {
    if (event->matches(QKeySequence::Copy)) {
        copy();
    } else if (event->matches(QKeySequence::SelectAll)) {
        selectAll();
    } else if (event->matches(QKeySequence::MoveToStartOfDocument)) {
        verticalScrollBar()->setValue(0);
    } else if (event->matches(QKeySequence::MoveToEndOfDocument)) {
        verticalScrollBar()->setValue(verticalScrollBar()->maximum());
    } else if (event->key() == Qt::Key_Home) {
        horizontalScrollBar()->setValue(0);
    } else if (event->key() == Qt::Key_End) {
        horizontalScrollBar()->setValue(horizontalScrollBar()->maximum());
    } else {
        QAbstractScrollArea::keyPressEvent(event);
    }
}

}  // namespace pellisor
