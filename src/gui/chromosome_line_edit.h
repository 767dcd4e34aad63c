// The chromosome line Edit1: a chromosome is one line, whichever way its text comes in.
#pragma once

#include <QLineEdit>

#include <string>
#include <vector>

namespace pellisor {

class ChromosomeLineEdit : public QLineEdit {
    Q_OBJECT

public:
    // Line breaks of pasted, dropped or set text are removed and the pieces joined.
    explicit ChromosomeLineEdit(QWidget* parent = nullptr);

signals:
    // Files the window takes were dropped on the line; they are the window's, not text to insert.
    void filesDropped(const std::vector<std::string>& paths);

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
};

}  // namespace pellisor
