#pragma once

#include "eval/image_filter.h"
#include "model/rgb_image.h"
#include "render/geometry.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace pellisor {

// A file dialog as the workbench asks for it. Filters are "Name|*.ext|Name|*.ext".
struct FileDialogRequest {
    std::string title;
    std::string filter;
    std::string defaultExtension;  // as written in the filter, e.g. "*.chr" or ".bmp"
    std::string initialDirectory;
    std::string fileName;  // proposed name; may end in a blank instead of an extension
    bool overwritePrompt = false;
};

// Everything the workbench asks of the person in front of it, and everything it tells them. The
// window implements it with dialogs and widgets; an unattended run with stderr and stdin. Pictures
// are kept by a PictureStore.
class Ui {
public:
    virtual ~Ui() = default;

    virtual void showError(const std::string& message) = 0;
    virtual void showInformation(const std::string& message) = 0;
    virtual bool askYesNo(const std::string& text, const std::string& caption) = 0;
    // A modal input box; nothing when cancelled.
    virtual std::optional<std::string> askText(const std::string& title, const std::string& prompt,
                                               const std::string& initial) = 0;
    virtual std::optional<std::string> chooseOpenFile(const FileDialogRequest& request) = 0;
    virtual std::optional<std::string> chooseSaveFile(const FileDialogRequest& request) = 0;
    virtual void setClipboard(const std::string& text) = 0;

    // Shows the result log with these lines, modally.
    virtual void showLog(const std::vector<std::string>& lines) = 0;
    // Shows the function assignment dialog modally; returns when it is closed.
    virtual void showFunctionDialog() = 0;
    // Shows the dialogs of the measurements beside the window (not modally: the canvas stays usable).
    // Without a window there is nothing to show.
    virtual void showQualityDialog() {}
    virtual void showCircuitErrorDialog() {}

    // The picture changed: repaint the canvas from the workbench's scene.
    virtual void repaint() = 0;
    // Texts, enabled states or the canvas size changed: update the controls from the workbench.
    virtual void stateChanged() = 0;
    // While dragging: show the buffered picture (drawn anew first when `rerender`) with the frame.
    virtual void showDragFrame(bool rerender) = 0;

    // The size of the visible part of the canvas.
    virtual CanvasSize viewportSize() = 0;
    // The current date and time in the user's short date and long time formats.
    virtual std::string dateTimeText() = 0;

    // Runs a long filter job, showing its progress and offering to cancel it; returns its result.
    virtual std::optional<RgbImage> runFilterJob(
        const std::function<std::optional<RgbImage>(FilterProgress&)>& job) = 0;
};

}  // namespace pellisor
