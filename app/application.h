#pragma once

#include <QApplication>

// The application object: its title is "VARNX", and no exception ever leaves an event
// handler through the event loop: it is shown with the general error report instead.
class TApplication : public QApplication {
public:
    TApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};

// Loads Qt's German translations, so that standard buttons read "Ja", "Nein", "Abbrechen".
void installGermanTranslations(QCoreApplication& app);
