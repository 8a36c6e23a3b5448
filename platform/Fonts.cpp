#include "platform/Fonts.h"

#include <QCoreApplication>
#include <QFont>

namespace platform {

void InstallFontSubstitutions() {
  QFont::insertSubstitution(QStringLiteral("MS Sans Serif"), QStringLiteral("Liberation Sans"));
  QFont::insertSubstitution(QStringLiteral("Arial"), QStringLiteral("Liberation Sans"));
}

namespace {
void InstallFontsAtStartup() { InstallFontSubstitutions(); }
}  // namespace
Q_COREAPP_STARTUP_FUNCTION(InstallFontsAtStartup)

}  // namespace platform
