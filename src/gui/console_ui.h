#pragma once

#include "app/ui.h"

#include <functional>
#include <iosfwd>
#include <optional>
#include <string>

namespace pellisor {

// The Ui of an unattended run: no window and no modal box. Errors and information go to the error
// stream as "pellisor: <message>", questions are asked there and answered from the input stream (its
// end is Cancel), Yes/No questions answer Yes, file dialogs are cancelled, filter jobs run at once
// without progress, and the canvas has the size of the main window's canvas at its initial size.
class ConsoleUi : public Ui {
public:
    ConsoleUi(std::istream& in, std::ostream& err);

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
    void repaint() override;
    void stateChanged() override;
    void showDragFrame(bool rerender) override;
    CanvasSize viewportSize() override;
    std::string dateTimeText() override;
    std::optional<RgbImage> runFilterJob(
        const std::function<std::optional<RgbImage>(FilterProgress&)>& job) override;

private:
    std::istream& in_;
    std::ostream& err_;
};

}  // namespace pellisor
