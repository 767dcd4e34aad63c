#include "gui/chromosome_line_edit.h"

#include "gui/file_drops.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QValidator>

namespace pellisor {

namespace {

// Rewrites every new text of the line, typed, pasted, dropped or set, without its CR and LF; the line
// edit takes a rewritten text as if it had come in so.
class LineBreakRemover : public QValidator {
public:
    using QValidator::QValidator;

    State validate(QString& input, int& position) const override {
        qsizetype removedBefore = 0;
        qsizetype kept = 0;
        for (qsizetype i = 0; i < input.size(); ++i) {
            const QChar c = input[i];
            if (c == QLatin1Char('\r') || c == QLatin1Char('\n')) {
                if (i < position) ++removedBefore;
                continue;
            }
            input[kept++] = c;
        }
        input.truncate(kept);
        position -= int(removedBefore);
        return Acceptable;
    }
};

}  // namespace

ChromosomeLineEdit::ChromosomeLineEdit(QWidget* parent) : QLineEdit(parent) {
    setValidator(new LineBreakRemover(this));
}

void ChromosomeLineEdit::dragEnterEvent(QDragEnterEvent* event) {
    if (droppedFiles(event->mimeData()).empty()) {
        QLineEdit::dragEnterEvent(event);
    } else {
        event->acceptProposedAction();
    }
}

void ChromosomeLineEdit::dragMoveEvent(QDragMoveEvent* event) {
    if (droppedFiles(event->mimeData()).empty()) {
        QLineEdit::dragMoveEvent(event);
    } else {
        event->acceptProposedAction();
    }
}

void ChromosomeLineEdit::dropEvent(QDropEvent* event) {
    const std::vector<std::string> paths = droppedFiles(event->mimeData());
    if (paths.empty()) {
        QLineEdit::dropEvent(event);
        return;
    }
    event->acceptProposedAction();
    emit filesDropped(paths);
}

}  // namespace pellisor
