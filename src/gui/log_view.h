#pragma once

#include <QAbstractScrollArea>

#include <cstddef>
#include <string>
#include <vector>

namespace pellisor {

// A read-only text area for very long logs. It keeps the text as one byte string with line offsets
// and paints only the visible lines, so a million lines are set in a blink (a text document needs
// seconds for as many blocks). Fixed-pitch font, no wrapping, tab stops every eight columns; the mouse
// selects, Ctrl+C copies, Ctrl+A selects everything.
class LogView : public QAbstractScrollArea {
    Q_OBJECT

public:
    static constexpr int kTabColumns = 8;

    explicit LogView(QWidget* parent = nullptr);

    void setLines(const std::vector<std::string>& lines);
    int lineCount() const { return static_cast<int>(starts_.size()) - 1; }
    QString line(int index) const;
    // Every line, joined by line feeds.
    QString toPlainText() const;

    QString selectedText() const;
    void selectAll();
    void copy() const;

    // Where a viewport point lands: line and character index (UTF-16) in it.
    struct Position {
        int line = 0;
        int index = 0;
        friend auto operator<=>(const Position&, const Position&) = default;
    };
    Position positionAt(QPoint point) const;
    // Top left of a line's text in viewport coordinates.
    QPoint lineOrigin(int line) const;
    // The advance of one column; fractional, as the font's glyphs advance.
    qreal charWidth() const;
    int lineHeight() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    std::size_t byteOffset(Position position) const;
    void updateScrollBars();

    std::string text_;
    // Line k is text_[starts_[k], starts_[k + 1] - 1); the last entry is text_.size() + 1.
    std::vector<std::size_t> starts_{0};
    int widestColumns_ = 0;
    Position anchor_;
    Position cursor_;
};

}  // namespace pellisor
