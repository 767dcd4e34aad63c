#include "app/command_line.h"
#include "app/settings.h"
#include "app/workbench.h"
#include "gui/console_ui.h"
#include "gui/czech_translations.h"
#include "gui/main_window.h"
#include "gui/picture_files.h"
#include "model/error.h"

#include <QApplication>
#include <QGuiApplication>
#include <QImage>
#include <QMessageBox>
#include <QString>
#include <QTranslator>
#include <QtGlobal>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <exception>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

namespace {

// An unattended run reports only what matters: Qt's chatter (missing runtime directory, font notes)
// would drown the program's own messages on stderr.
void quietQtMessages(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type == QtCriticalMsg || type == QtFatalMsg) {
        std::cerr << "pellisor: " << message.toStdString() << '\n';
    }
}

int runUnattended(int& qtArgc, char** qtArgv, const std::vector<std::string>& arguments) {
    // Before the application exists, so no display is needed.
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    qInstallMessageHandler(quietQtMessages);
    const QGuiApplication application(qtArgc, qtArgv);
    try {
        pellisor::ConsoleUi ui(std::cin, std::cerr);
        std::optional<QImage> symbols;
        pellisor::PictureFiles pictures([&symbols] { return symbols ? &*symbols : nullptr; });
        pellisor::Workbench workbench(ui, pictures, pellisor::settingsPath());
        symbols = pellisor::readSymbolSheet(pellisor::executableDirectory() + "hradla.jpg", ui);
        workbench.setSymbolSheet(pellisor::symbolSheetSize(symbols));
        workbench.functionAssignmentClicked();  // the silent first load of the table
        pellisor::processArguments(arguments, workbench, std::cout, std::cerr);
    } catch (const std::exception& error) {
        std::cerr << "pellisor: " << error.what() << '\n';
        return EXIT_FAILURE;
    }
    return EXIT_SUCCESS;
}

bool haveDisplay() {
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
        const char* value = std::getenv(name);
        if (value != nullptr && *value != '\0') return true;
    }
    return false;
}

int runInteractive(int& qtArgc, char** qtArgv, const std::vector<std::string>& arguments) {
    // Qt would abort without a display; say what to do instead.
    if (!haveDisplay()) {
        std::cerr
            << "pellisor: Okno nelze otevřít: není k dispozici displej (bez okna spusťte s volbou -x)\n";
        return EXIT_FAILURE;
    }
    const QApplication application(qtArgc, qtArgv);
    const auto czechTexts = pellisor::installCzechTranslations();
    try {
        pellisor::MainWindow window(pellisor::settingsPath());
        pellisor::processArguments(arguments, window.workbench(), std::cout, std::cerr);
        window.show();
        QApplication::exec();
    } catch (const std::exception& error) {
        QMessageBox::critical(nullptr, "Pellisor", QString::fromStdString(error.what()));
        return EXIT_FAILURE;
    }
    return EXIT_SUCCESS;
}

}  // namespace

int main(int argc, char** argv) {
    // Past a file-size limit (ulimit -f) the signal would end the program in the middle of a write,
    // leaving its temporary file behind; ignored, the write fails with EFBIG and is reported.
    std::signal(SIGXFSZ, SIG_IGN);
    const std::vector<std::string> arguments(argv + std::min(argc, 1), argv + argc);
    if (std::find(arguments.begin(), arguments.end(), "--help") != arguments.end()) {
        std::cout << pellisor::usageText();
        return EXIT_SUCCESS;
    }
    // The command line belongs to the program: Qt sees only the program's name.
    int qtArgc = std::min(argc, 1);
    char fallbackName[] = "pellisor";
    char* qtArgv[] = {argc > 0 ? argv[0] : fallbackName, nullptr};
    if (pellisor::unattendedRequested(arguments)) return runUnattended(qtArgc, qtArgv, arguments);
    return runInteractive(qtArgc, qtArgv, arguments);
}
