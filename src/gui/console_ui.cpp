#include "gui/console_ui.h"

#include "gui/circuit_picture.h"

#include <istream>
#include <ostream>

namespace pellisor {

namespace {

// The canvas viewport of the main window at its initial size of 1007 x 661 (client area), as Qt lays it
// out: the full width, the height left by the top bar (58), the pages (219) and the status bar (19).
constexpr CanvasSize kInitialViewport{1007, 365};

}  // namespace

ConsoleUi::ConsoleUi(std::istream& in, std::ostream& err) : in_(in), err_(err) {}

void ConsoleUi::showError(const std::string& message) {
    err_ << "pellisor: " << message << '\n' << std::flush;
}

void ConsoleUi::showInformation(const std::string& message) {
    err_ << "pellisor: " << message << '\n' << std::flush;
}

bool ConsoleUi::askYesNo(const std::string& text, const std::string& caption) {
    err_ << caption << ": " << text << " [Ano]\n" << std::flush;
    return true;
}

std::optional<std::string> ConsoleUi::askText(const std::string& title, const std::string& prompt,
                                              const std::string& initial) {
    err_ << title << ": " << prompt << " [" << initial << "]: " << std::flush;
    std::string line;
    if (!std::getline(in_, line)) {
        err_ << '\n' << std::flush;
        return std::nullopt;
    }
    // Answers piped from a file written on another system may keep their CR.
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty()) return initial;
    return line;
}

std::optional<std::string> ConsoleUi::chooseOpenFile(const FileDialogRequest&) {
    return std::nullopt;
}

std::optional<std::string> ConsoleUi::chooseSaveFile(const FileDialogRequest&) {
    return std::nullopt;
}

void ConsoleUi::setClipboard(const std::string&) {}

void ConsoleUi::showLog(const std::vector<std::string>&) {}

void ConsoleUi::showFunctionDialog() {}

void ConsoleUi::repaint() {}

void ConsoleUi::stateChanged() {}

void ConsoleUi::showDragFrame(bool) {}

CanvasSize ConsoleUi::viewportSize() {
    return kInitialViewport;
}

std::string ConsoleUi::dateTimeText() {
    return footerDateTimeText();
}

std::optional<RgbImage> ConsoleUi::runFilterJob(
    const std::function<std::optional<RgbImage>(FilterProgress&)>& job) {
    FilterProgress progress;
    return job(progress);
}

}  // namespace pellisor
