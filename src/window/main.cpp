#include "form1.h"
#include "translations.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Rasterkit"));
    QApplication::setApplicationVersion(QStringLiteral("9"));
    rasterkit::installRussianQtTranslations(application);
    rasterkit::Form1 window;
    window.show();
    return QApplication::exec();
}
