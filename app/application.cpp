#include "app/application.h"

#include "app/appstyle.h"
#include "platform/errors.h"

#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv)
{
    setApplicationName(QStringLiteral("VARNX"));
    // No display name: Qt would append it to every window title ("Fehler: - VARNX"),
    // and each window must carry its own caption alone.
    setStyle(new TAppStyle);
}

bool TApplication::notify(QObject* receiver, QEvent* event)
{
    bool result = false;
    platform::runGuarded([&] { result = QApplication::notify(receiver, event); });
    return result;
}

void installGermanTranslations(QCoreApplication& app)
{
    auto* translator = new QTranslator(&app);
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    if (translator->load(QStringLiteral("qtbase_de"), folder))
        QCoreApplication::installTranslator(translator);
    else
        delete translator;
}
