// The workbench's commands of the canvas: pointing, dragging, the popup menu and the value editor.
#include "app/workbench.h"
#include "app/workbench_edit_scope.h"

#include "model/integer_text.h"
#include "render/cone.h"

#include <algorithm>
#include <cstdlib>
#include <utility>

namespace pellisor {

void Workbench::mouseMoved(std::int32_t x, std::int32_t y, bool shift) {
    if (dragging_) {
        if (!shift) {
            axisLock_ = std::abs(y - lastMouseY_) < std::abs(x - lastMouseX_) ? 2 : 1;
            lastMouseX_ = x;
            lastMouseY_ = y;
        }
        x = std::max(x, 0);
        y = std::max(y, 0);
        if (currentBlock_ >= 0 && currentBlock_ < circuit_.blockTotal()) {
            Block& block = circuit_.blocks[static_cast<std::size_t>(currentBlock_)];
            if (!(shift && axisLock_ == 1)) block.x = x;
            if (!(shift && axisLock_ == 2)) block.y = y;
        }
        ui_.showDragFrame(false);
        return;
    }
    if (!circuit_.hasCircuit()) return;
    for (std::int32_t i = 0; i < circuit_.blockTotal(); ++i) {
        const Block& block = circuit_.blocks[static_cast<std::size_t>(i)];
        const bool eligible = block.visible || circuit_.isPrimaryInput(i) || options_.hiddenBlocks;
        if (eligible && hitsAnchor(block, x, y)) {
            currentBlock_ = i;
            cursor_ = shift ? CursorShape::VerticalResize : CursorShape::Move;
            ui_.stateChanged();
            return;
        }
    }
    currentBlock_ = -1;
    if (cursor_ != CursorShape::Default) {
        cursor_ = CursorShape::Default;
        ui_.stateChanged();
    }
}

MousePressResult Workbench::mousePressed(MouseButton button, std::int32_t x, std::int32_t y, bool shift,
                                         bool ctrl, bool doubleClick) {
    if (editedBlock_ != -1) commitValueEditor(valueEditor_.text);
    if (currentBlock_ == -1) return {};
    if (button == MouseButton::Right) return {true, circuit_.isPrimaryInput(currentBlock_)};
    if (doubleClick && !ctrl) {
        openValueEditor();
        return {};
    }
    dragging_ = true;
    dragStart_ = editState();  // the drag and a Ctrl+click's flip are one step, recorded at the release
    axisLock_ = 0;
    lastMouseX_ = x;
    lastMouseY_ = y;
    if (ctrl) {
        std::int32_t& value = circuit_.blocks[static_cast<std::size_t>(currentBlock_)].value;
        value ^= 1;
        recalculate();
    }
    if (shift) axisLock_ = 1;
    if (const auto status = markCone(circuit_, assignment_, currentBlock_)) setStatus(*status);
    ui_.showDragFrame(true);
    return {};
}

void Workbench::mouseReleased() {
    cursor_ = CursorShape::Default;
    if (dragging_) {
        if (dragStart_) history_.record(*std::exchange(dragStart_, std::nullopt), editState(), false);
        currentBlock_ = -1;
        dragging_ = false;
        repaint();
        statusText_.clear();
    }
    ui_.stateChanged();
}

void Workbench::toggleVisibilityClicked() {
    const EditScope edit(*this);
    if (currentBlock_ < 0 || currentBlock_ >= circuit_.blockTotal()) return;
    Block& block = circuit_.blocks[static_cast<std::size_t>(currentBlock_)];
    block.visible = !block.visible;
    repaint();
}

void Workbench::swapInputsClicked() {
    const EditScope edit(*this);
    if (currentBlock_ < 0 || currentBlock_ >= circuit_.blockTotal()) return;
    Block& block = circuit_.blocks[static_cast<std::size_t>(currentBlock_)];
    if (block.inputCount != 2 || block.inputs.size() != 2) return;
    std::swap(block.inputs[0], block.inputs[1]);
    repaint();
}

void Workbench::openValueEditor() {
    if (currentBlock_ == -1 || !circuit_.isPrimaryInput(currentBlock_)) return;
    editedBlock_ = currentBlock_;
    const Block& input = circuit_.blocks[static_cast<std::size_t>(editedBlock_)];
    valueEditor_ = {true, input.x + 3, input.y + 2, std::to_string(input.value)};
    ui_.stateChanged();
}

void Workbench::commitValueEditor(const std::string& text) {
    if (editedBlock_ == -1) return;
    const EditScope edit(*this);
    valueEditor_.text = text;
    const std::int32_t value = toInt(text);  // a bad text leaves the editor open
    circuit_.blocks[static_cast<std::size_t>(editedBlock_)].value = value;
    editedBlock_ = -1;
    valueEditor_.open = false;
    ui_.stateChanged();
    recalculate();
}

}  // namespace pellisor
