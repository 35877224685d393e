#pragma once

#include "platform/fileidentity.h"

#include <QString>

// What a document window asks when its file was changed by another program (or saved by
// another window), and what it asks before it writes over such a change. No window here:
// the document window shows the questions.

enum class OutsideChange {
    None,
    Changed,   // written, replaced or touched: reload?
    Vanished,  // deleted or moved away: the text stays open
};

// How the file stands against what the user was last told about it.
OutsideChange outsideChangeOf(const platform::FileIdentity& told, const platform::FileIdentity& now);

QString outsideChangeCaption(OutsideChange change);
// The question (or, for a vanished file, the message) about the file named path; a
// modified document is reminded that its changes are not saved.
QString outsideChangeText(OutsideChange change, const QString& path, bool modified);

// Before a save: the file is no longer the one that was loaded or last saved.
bool changedSinceLoading(const platform::FileIdentity& known, const platform::FileIdentity& now);
// Names where the path leads now when it became a symbolic link.
QString overwriteQuestionText(const QString& path, const platform::FileIdentity& now = {});
