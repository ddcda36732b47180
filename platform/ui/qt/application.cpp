#include "platform/ui/qt/application.h"

#include <QApplication>
#include <QFont>

namespace qms::ui::qt {
namespace {

// The faces the dialogs ask for, shown with the font every machine has the same metrics of.
void substituteFonts()
{
    for (const char *face : {"MS Sans Serif", "Microsoft Sans Serif", "MS Shell Dlg",
                             "MS Shell Dlg 2", "Tahoma", "System"})
        QFont::insertSubstitution(QString::fromLatin1(face), QStringLiteral("DejaVu Sans"));
}

} // namespace

bool startApplication(std::string *why)
{
    if (QCoreApplication *existing = QCoreApplication::instance()) {
        if (!qobject_cast<QApplication *>(existing)) {
            *why = "the program's application object is a QCoreApplication: it cannot show widgets";
            return false;
        }
        substituteFonts();
        return true;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY") &&
        qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) {
        *why = "no display: set DISPLAY, or QT_QPA_PLATFORM=offscreen (no screen) or "
               "QT_QPA_PLATFORM=vnc (a remote viewer)";
        return false;
    }
    static int argc = 1;
    static char name[] = "qms6093";
    static char *argv[] = {name, nullptr};
    // Kept for the life of the process: taken down at exit it would meet parts of the
    // toolkit that are gone already (input devices made after it are destroyed before it).
    new QApplication(argc, argv);
    substituteFonts();
    return true;
}

} // namespace qms::ui::qt
