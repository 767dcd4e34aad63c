#pragma once

#include "app/ui.h"

#include <deque>
#include <optional>
#include <string>
#include <vector>

namespace pellisor::test {

// A Ui that answers from scripted queues and records everything it is told.
class FakeUi : public Ui {
public:
    std::deque<std::optional<std::string>> fileAnswers;  // for open and save dialogs, in order
    std::deque<std::optional<std::string>> textAnswers;  // for input boxes
    std::deque<bool> yesNoAnswers;

    std::vector<std::string> errors;
    std::vector<std::string> informations;
    std::vector<std::string> questions;
    std::vector<FileDialogRequest> dialogs;
    std::vector<std::string> clipboard;
    std::vector<std::vector<std::string>> logsShown;
    int functionDialogsShown = 0;
    int repaints = 0;
    int dragFrames = 0;
    CanvasSize viewport{999, 338};

    void showError(const std::string& message) override { errors.push_back(message); }
    void showInformation(const std::string& message) override { informations.push_back(message); }
    bool askYesNo(const std::string& text, const std::string&) override {
        questions.push_back(text);
        if (yesNoAnswers.empty()) return false;
        const bool answer = yesNoAnswers.front();
        yesNoAnswers.pop_front();
        return answer;
    }
    std::optional<std::string> askText(const std::string&, const std::string& prompt,
                                       const std::string&) override {
        questions.push_back(prompt);
        return next(textAnswers);
    }
    std::optional<std::string> chooseOpenFile(const FileDialogRequest& request) override {
        dialogs.push_back(request);
        return next(fileAnswers);
    }
    std::optional<std::string> chooseSaveFile(const FileDialogRequest& request) override {
        dialogs.push_back(request);
        return next(fileAnswers);
    }
    void setClipboard(const std::string& text) override { clipboard.push_back(text); }
    void showLog(const std::vector<std::string>& lines) override { logsShown.push_back(lines); }
    void showFunctionDialog() override { ++functionDialogsShown; }
    void repaint() override { ++repaints; }
    void stateChanged() override {}
    void showDragFrame(bool) override { ++dragFrames; }
    CanvasSize viewportSize() override { return viewport; }
    std::string dateTimeText() override { return "8.12.2026 10:00:00"; }
    std::optional<RgbImage> runFilterJob(
        const std::function<std::optional<RgbImage>(FilterProgress&)>& job) override {
        FilterProgress progress;
        return job(progress);
    }

private:
    static std::optional<std::string> next(std::deque<std::optional<std::string>>& queue) {
        if (queue.empty()) return std::nullopt;
        auto answer = queue.front();
        queue.pop_front();
        return answer;
    }
};

}  // namespace pellisor::test
