// Files dragged onto the window: chromosome files, layouts and bitmaps, each handled as the command
// that opens such a file handles it after its open dialog.
#include "gui/file_drops.h"
#include "gui/main_window.h"
#include "gui/main_window_parts.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QMimeData>
#include <QUrl>

#include <algorithm>

namespace pellisor {

std::vector<std::string> droppedFiles(const QMimeData* data) {
    if (data == nullptr || !data->hasUrls()) return {};
    std::vector<std::string> paths;
    for (const QUrl& url : data->urls()) {
        if (!url.isLocalFile()) return {};
        std::string path = QFile::encodeName(url.toLocalFile()).toStdString();
        if (droppedFileKind(path) == DroppedFile::Unknown) return {};
        paths.push_back(std::move(path));
    }
    std::stable_sort(paths.begin(), paths.end(), [](const std::string& a, const std::string& b) {
        return droppedFileKind(a) < droppedFileKind(b);
    });
    return paths;
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
    // Refused drags show the forbidding cursor.
    if (droppedFiles(event->mimeData()).empty()) {
        event->ignore();
    } else {
        event->acceptProposedAction();
    }
}

void MainWindow::dropEvent(QDropEvent* event) {
    const std::vector<std::string> paths = droppedFiles(event->mimeData());
    if (paths.empty()) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    openDroppedFiles(paths);
}

void MainWindow::openDroppedFiles(const std::vector<std::string>& paths) {
    // Questions and dialogs come after the drop has ended, so the program the files came from is not
    // kept waiting for them.
    QMetaObject::invokeMethod(
        this,
        [this, paths] {
            for (const std::string& path : paths)
                run([this, &path] { parts_->workbench.fileDropped(path); });
        },
        Qt::QueuedConnection);
}

}  // namespace pellisor
