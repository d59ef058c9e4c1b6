#pragma once

#include "base/IPrinter.h"

#include <QList>
#include <QQueue>
#include <QStringList>

// The printer for tests: a fixed default printer (or none), every job kept,
// save dialogs answered from a queue.
class ScriptedPrinter : public IPrinter
{
public:
    // A 600 dpi printer on A4 with 4 mm unprintable strips (about 95 pixels).
    PrinterMetrics metrics { true, 600, 600, 95, 95, 4771, 6825 };
    QList<PrintJob> jobs;
    bool printSucceeds = true;
    QQueue<QString> saveAnswers; // empty queue: the dialog is cancelled
    QStringList saveDialogs; // the suggested paths

    PrinterMetrics DefaultPrinter() override { return metrics; }
    bool Print(const PrintJob &job, QString *error) override
    {
        jobs.append(job);
        if (!printSucceeds)
            *error = QStringLiteral("Der Drucker antwortet nicht.");
        return printSucceeds;
    }
    QString GetSavePdfFileName(const QString &, const QString &suggestedPath) override
    {
        saveDialogs.append(suggestedPath);
        return saveAnswers.isEmpty() ? QString() : saveAnswers.dequeue();
    }
};
