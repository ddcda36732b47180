#include "platform/ui/qt/application.h"

#include <QApplication>
#include <QFont>
#include <QThread>
#include <QWidget>
#include <cstdlib>

namespace qms::ui::qt {
namespace {

// The faces the dialogs ask for, shown with the font every machine has the same metrics of.
void substituteFonts()
{
    for (const char *face : {"MS Sans Serif", "Microsoft Sans Serif", "MS Shell Dlg",
                             "MS Shell Dlg 2", "Tahoma", "System"})
        QFont::insertSubstitution(QString::fromLatin1(face), QStringLiteral("DejaVu Sans"));
}

QApplication *ownApplication = nullptr;

// At exit, on the toolkit's thread, the windows and the application object go before the
// toolkit's own global state does.
void closeApplication()
{
    if (!ownApplication || QThread::currentThread() != ownApplication->thread())
        return;
    for (QWidget *window : QApplication::topLevelWidgets()) {
        if (!window->parentWidget())
            delete window; // owned windows go with their owner
    }
    delete ownApplication;
    ownApplication = nullptr;
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
    ownApplication = new QApplication(argc, argv);
    substituteFonts();
    std::atexit(closeApplication);
    return true;
}

} // namespace qms::ui::qt
