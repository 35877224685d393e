#pragma once

#include "dialogs/statistics.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <functional>

// A document as the statistics see it: a caption (a file name, or "<Unbenannt>") and lines
// of Windows-1252 bytes. onFirstLine runs when the first line is read, to fail the counting.
struct FakeStatisticsDocument : IStatisticsDocument {
    QString name = QStringLiteral("<Unbenannt>");
    QList<QByteArray> lines;
    std::function<void()> onFirstLine;

    FakeStatisticsDocument() = default;
    explicit FakeStatisticsDocument(QList<QByteArray> l) : lines(std::move(l)) {}
    QString caption() const override { return name; }
    qint64 lineCount() const override { return lines.size(); }
    QByteArray lineText(qint64 i) const override
    {
        if (i == 0 && onFirstLine)
            onFirstLine();
        return lines.at(i);
    }
};
