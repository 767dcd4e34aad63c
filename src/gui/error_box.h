#pragma once

#include <QMessageBox>
#include <QString>
#include <QWidget>

#include <exception>
#include <functional>

namespace pellisor {

// Runs a command of a dialog; what it raises is shown in a message box over the dialog.
inline void runShowingErrors(QWidget* dialog, const std::function<void()>& command) {
    try {
        command();
    } catch (const std::exception& error) {
        QMessageBox::critical(dialog, QStringLiteral("Pellisor"), QString::fromUtf8(error.what()));
    }
}

}  // namespace pellisor
