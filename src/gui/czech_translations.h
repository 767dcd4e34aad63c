// Qt's own texts in Czech: the buttons of message boxes and the file dialogs speak the program's
// language whatever the system's is.
#pragma once

#include <memory>

class QTranslator;

namespace pellisor {

// Installs Qt's Czech translations (Debian's qt6-translations-l10n) into the application; they stay
// while the translator lives. Nothing when they are not installed: Qt's texts stay English. The
// locale is left alone, so dates and numbers keep the user's formats.
std::unique_ptr<QTranslator> installCzechTranslations();

}  // namespace pellisor
