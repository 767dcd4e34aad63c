#include "gui/qt_ui.h"

#include "gui/canvas_view.h"
#include "gui/circuit_error_dialog.h"
#include "gui/circuit_picture.h"
#include "gui/function_dialog.h"
#include "gui/quality_dialog.h"
#include "gui/result_log.h"
#include "model/file_names.h"

#include <QClipboard>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QInputDialog>
#include <QMessageBox>
#include <QProgressDialog>
#include <QScrollArea>
#include <QTimer>

#include <atomic>
#include <exception>
#include <limits>
#include <thread>

namespace pellisor {

namespace {

QString text(const std::string& value) {
    return QString::fromUtf8(value.data(), qsizetype(value.size()));
}
std::string bytes(const QString& value) {
    return value.toUtf8().toStdString();
}
QString path(const std::string& value) {
    return QFile::decodeName(QByteArray::fromStdString(value));
}
std::string pathBytes(const QString& value) {
    return QFile::encodeName(value).toStdString();
}

const QString kTitle = QStringLiteral("Pellisor");

// The extension a dialog appends, with its dot: "*.chr" and ".chr" give ".chr".
std::string dottedExtension(const std::string& defaultExtension) {
    std::string extension = defaultExtension;
    if (!extension.empty() && extension.front() == '*') extension.erase(0, 1);
    if (!extension.empty() && extension.front() != '.') extension.insert(0, ".");
    return extension == "." ? std::string() : extension;
}

}  // namespace

QStringList qtNameFilters(const std::string& filter) {
    QStringList parts = text(filter).split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i < parts.size(); i += 2) {
        const QString name = parts[i].trimmed();
        QString patterns = i + 1 < parts.size() ? parts[i + 1].trimmed() : QStringLiteral("*");
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        if (name.isEmpty() && patterns.isEmpty()) continue;
        const QString suffix = QStringLiteral("(") + patterns + QStringLiteral(")");
        filters << (name.endsWith(suffix) ? name : (name + QStringLiteral(" ") + suffix).trimmed());
    }
    return filters;
}

QString proposedFilePath(const FileDialogRequest& request) {
    std::string name = request.fileName;
    while (!name.empty() && name.back() == ' ')
        name.pop_back();
    const QString directory = path(request.initialDirectory);
    if (name.empty()) return directory.isEmpty() ? QString() : QDir::cleanPath(directory);
    if (name.find('/') != std::string::npos || directory.isEmpty()) return QDir::cleanPath(path(name));
    return QDir::cleanPath(directory + QStringLiteral("/") + path(name));
}

std::string withDefaultExtension(const std::string& chosen, const std::string& defaultExtension) {
    const std::string extension = dottedExtension(defaultExtension);
    if (chosen.empty() || extension.empty() || !fileExtension(chosen).empty()) return chosen;
    return chosen + extension;
}

QtUi::QtUi(QWidget& window, std::function<void()> refresh) : window_(window), refresh_(std::move(refresh)) {}

void QtUi::attach(CanvasView& canvas, QScrollArea& scrollArea, FunctionDialog& functionDialog,
                  ResultLog& resultLog) {
    canvas_ = &canvas;
    scrollArea_ = &scrollArea;
    functionDialog_ = &functionDialog;
    resultLog_ = &resultLog;
}

void QtUi::attachMeasurementDialogs(QualityDialog& quality, CircuitErrorDialog& circuitError) {
    qualityDialog_ = &quality;
    circuitErrorDialog_ = &circuitError;
}

void QtUi::showError(const std::string& message) {
    QMessageBox::critical(&window_, kTitle, text(message));
}

void QtUi::showInformation(const std::string& message) {
    QMessageBox::information(&window_, kTitle, text(message));
}

bool QtUi::askYesNo(const std::string& question, const std::string& caption) {
    return QMessageBox::question(&window_, text(caption), text(question),
                                 QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

std::optional<std::string> QtUi::askText(const std::string& title, const std::string& prompt,
                                         const std::string& initial) {
    QInputDialog dialog(&window_);
    dialog.setInputMode(QInputDialog::TextInput);
    dialog.setWindowTitle(text(title));
    dialog.setLabelText(text(prompt));
    dialog.setTextValue(text(initial));
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return bytes(dialog.textValue());
}

std::optional<std::string> QtUi::chooseFile(const FileDialogRequest& request, bool save) {
    QFileDialog dialog(&window_, text(request.title));
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setNameFilters(qtNameFilters(request.filter));
    const std::string extension = dottedExtension(request.defaultExtension);
    if (!extension.empty()) dialog.setDefaultSuffix(text(extension.substr(1)));
    if (save && !request.overwritePrompt) dialog.setOption(QFileDialog::DontConfirmOverwrite);
    const QString proposed = proposedFilePath(request);
    if (!proposed.isEmpty()) {
        const QFileInfo info(proposed);
        if (info.isDir()) {
            dialog.setDirectory(info.absoluteFilePath());
        } else {
            dialog.setDirectory(info.absolutePath());
            dialog.selectFile(info.fileName());
        }
    }
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    const QStringList files = dialog.selectedFiles();
    if (files.isEmpty()) return std::nullopt;
    const std::string chosen = pathBytes(files.front());
    return save ? withDefaultExtension(chosen, request.defaultExtension) : chosen;
}

std::optional<std::string> QtUi::chooseOpenFile(const FileDialogRequest& request) {
    return chooseFile(request, false);
}

std::optional<std::string> QtUi::chooseSaveFile(const FileDialogRequest& request) {
    return chooseFile(request, true);
}

void QtUi::setClipboard(const std::string& value) {
    QGuiApplication::clipboard()->setText(text(value));
}

void QtUi::showLog(const std::vector<std::string>& lines) {
    if (!resultLog_) return;
    resultLog_->setLines(lines);
    resultLog_->exec();
}

void QtUi::showFunctionDialog() {
    if (!functionDialog_) return;
    functionDialog_->refresh();
    functionDialog_->exec();
}

namespace {

// A dialog beside the window: shown, or brought to the front when it is already open.
void showBeside(QDialog* dialog) {
    if (!dialog) return;
    dialog->show();
    dialog->raise();
    dialog->activateWindow();
}

}  // namespace

void QtUi::showQualityDialog() {
    showBeside(qualityDialog_);
}

void QtUi::showCircuitErrorDialog() {
    showBeside(circuitErrorDialog_);
}

void QtUi::repaint() {
    if (canvas_) canvas_->repaintCircuit();
}

void QtUi::stateChanged() {
    if (refresh_) refresh_();
}

void QtUi::showDragFrame(bool rerender) {
    if (canvas_) canvas_->showDragFrame(rerender);
}

CanvasSize QtUi::viewportSize() {
    if (!scrollArea_) return {};
    const QSize size = scrollArea_->viewport()->size();
    return {size.width(), size.height()};
}

std::string QtUi::dateTimeText() {
    return footerDateTimeText();
}

std::optional<RgbImage> QtUi::runFilterJob(
    const std::function<std::optional<RgbImage>(FilterProgress&)>& job) {
    FilterProgress progress;
    std::optional<RgbImage> result;
    std::exception_ptr failure;
    std::atomic<bool> finished{false};

    // The worker owns the circuit until it ends: the canvas shows a still picture meanwhile.
    if (canvas_) canvas_->freeze();
    QProgressDialog dialog(QString::fromUtf8("Filtrování obrazu"), QStringLiteral("Storno"), 0, 0, &window_);
    dialog.setObjectName(QStringLiteral("filterProgress"));
    dialog.setWindowTitle(kTitle);
    dialog.setWindowModality(Qt::ApplicationModal);
    dialog.setAutoClose(false);
    dialog.setAutoReset(false);
    // Shown by the loop below once the job takes a moment; its own estimate would wait for long.
    dialog.setMinimumDuration(std::numeric_limits<int>::max());
    QObject::connect(&dialog, &QProgressDialog::canceled, [&progress] { progress.cancel = true; });

    std::thread worker([&] {
        try {
            result = job(progress);
        } catch (...) {
            failure = std::current_exception();
        }
        finished = true;
    });

    QEventLoop loop;
    QElapsedTimer running;
    running.start();
    QTimer timer;
    timer.setInterval(25);
    QObject::connect(&timer, &QTimer::timeout, [&] {
        if (finished) {
            loop.quit();
            return;
        }
        if (dialog.wasCanceled()) progress.cancel = true;
        if (!dialog.isVisible() && !progress.cancel && running.elapsed() > 200) dialog.show();
        const std::int32_t done = progress.rowsDone.load();
        // The total is written once by the worker as the run starts.
        const std::int32_t total = progress.rowsTotal.load();
        if (total > 0) {
            if (dialog.maximum() != total) dialog.setMaximum(total);
            dialog.setValue(std::min(done, total - 1));
        } else {
            dialog.setValue(0);
        }
    });
    timer.start();
    loop.exec();
    worker.join();
    timer.stop();
    dialog.hide();
    if (canvas_) canvas_->unfreeze();
    if (failure) std::rethrow_exception(failure);
    return result;
}

}  // namespace pellisor
