// For the workbench's edit commands: each one a step of the undo history.
#pragma once

#include "app/workbench.h"

namespace pellisor {

// Records the change of one edit command as a step of the history, from its start to its end (also when
// the command stops on an error part way: what it changed can be undone).
class Workbench::EditScope {
public:
    explicit EditScope(Workbench& workbench) : workbench_(workbench), before_(workbench.editState()) {}
    ~EditScope() {
        try {
            workbench_.history_.record(before_, workbench_.editState());
        } catch (...) {  // out of memory while unwinding: the step is lost, not the program
        }
    }
    EditScope(const EditScope&) = delete;
    EditScope& operator=(const EditScope&) = delete;

private:
    Workbench& workbench_;
    EditState before_;
};

}  // namespace pellisor
