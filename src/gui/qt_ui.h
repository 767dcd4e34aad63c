#pragma once

#include "app/ui.h"

#include <QString>
#include <QStringList>

#include <functional>

class QScrollArea;
class QWidget;

namespace pellisor {

class CanvasView;
class CircuitErrorDialog;
class FunctionDialog;
class QualityDialog;
class ResultLog;

// The workbench's requests answered with Qt dialogs and the main window's widgets.
class QtUi : public Ui {
public:
    // `window` parents every dialog; `refresh` updates the window's controls from the workbench.
    QtUi(QWidget& window, std::function<void()> refresh);

    // The parts the requests reach, once they exist; until then they are not shown.
    void attach(CanvasView& canvas, QScrollArea& scrollArea, FunctionDialog& functionDialog,
                ResultLog& resultLog);
    void attachMeasurementDialogs(QualityDialog& quality, CircuitErrorDialog& circuitError);

    void showError(const std::string& message) override;
    void showInformation(const std::string& message) override;
    bool askYesNo(const std::string& text, const std::string& caption) override;
    std::optional<std::string> askText(const std::string& title, const std::string& prompt,
                                       const std::string& initial) override;
    std::optional<std::string> chooseOpenFile(const FileDialogRequest& request) override;
    std::optional<std::string> chooseSaveFile(const FileDialogRequest& request) override;
    void setClipboard(const std::string& text) override;
    void showLog(const std::vector<std::string>& lines) override;
    void showFunctionDialog() override;
    void showQualityDialog() override;
    void showCircuitErrorDialog() override;
    void repaint() override;
    void stateChanged() override;
    void showDragFrame(bool rerender) override;
    CanvasSize viewportSize() override;
    std::string dateTimeText() override;
    std::optional<RgbImage> runFilterJob(
        const std::function<std::optional<RgbImage>(FilterProgress&)>& job) override;

private:
    std::optional<std::string> chooseFile(const FileDialogRequest& request, bool save);

    QWidget& window_;
    std::function<void()> refresh_;
    CanvasView* canvas_ = nullptr;
    QScrollArea* scrollArea_ = nullptr;
    FunctionDialog* functionDialog_ = nullptr;
    ResultLog* resultLog_ = nullptr;
    QualityDialog* qualityDialog_ = nullptr;
    CircuitErrorDialog* circuitErrorDialog_ = nullptr;
};

// "Name|*.ext|Name|*.ext" as Qt's name filters "Name (*.ext)"; a name that already ends in its
// patterns in parentheses stays as it is.
QStringList qtNameFilters(const std::string& filter);
// The file a dialog starts on: the proposed name without its trailing blanks, in the initial
// directory unless the name has a directory of its own; the directory alone when no name is proposed.
QString proposedFilePath(const FileDialogRequest& request);
// A chosen name without an extension gets the default one ("*.chr" and ".chr" both give ".chr").
std::string withDefaultExtension(const std::string& path, const std::string& defaultExtension);

}  // namespace pellisor
