#include "document/outsidechange.h"

OutsideChange outsideChangeOf(const platform::FileIdentity& told, const platform::FileIdentity& now)
{
    switch (platform::compareFileIdentity(told, now)) {
    case platform::FileChange::None: return OutsideChange::None;
    case platform::FileChange::Gone: return OutsideChange::Vanished;
    case platform::FileChange::Changed: break;
    }
    return OutsideChange::Changed;
}

QString outsideChangeCaption(OutsideChange change)
{
    return change == OutsideChange::Vanished ? QStringLiteral("Datei nicht mehr vorhanden")
                                             : QStringLiteral("Datei geändert");
}

QString outsideChangeText(OutsideChange change, const QString& path, bool modified)
{
    if (change == OutsideChange::Vanished)
        return QStringLiteral("Die Datei \"%1\" ist nicht mehr vorhanden.\r"
                              "Der Text bleibt geöffnet; beim Schließen wird das Speichern angeboten.")
            .arg(path);
    QString text = QStringLiteral("Die Datei \"%1\" wurde außerhalb von Varnotex geändert.\r").arg(path);
    if (modified)
        text += QStringLiteral("Ihre Änderungen in Varnotex sind noch nicht gespeichert.\r");
    return text + QStringLiteral("Neu laden ?");
}

bool changedSinceLoading(const platform::FileIdentity& known, const platform::FileIdentity& now)
{
    // Nothing there to overwrite: the text is written as it is. A file that another program
    // made where none was, or where ours was, is as much a change as a rewrite.
    return now.exists && platform::compareFileIdentity(known, now) != platform::FileChange::None;
}

QString overwriteQuestionText(const QString& path, const platform::FileIdentity& now)
{
    if (now.isLink)
        return QStringLiteral("Die Datei \"%1\" wurde seit dem Laden von einem anderen Programm geändert: "
                              "sie ist jetzt ein Verweis auf \"%2\".\rTrotzdem überschreiben ?")
            .arg(path, now.target);
    return QStringLiteral("Die Datei \"%1\" wurde seit dem Laden von einem anderen Programm geändert.\r"
                          "Trotzdem überschreiben ?")
        .arg(path);
}
