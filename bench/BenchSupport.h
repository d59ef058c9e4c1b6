#pragma once

#include "app/IDesktop.h"

#include <QRandomGenerator>

class DataSet;

// Answers every question with its default button and never waits.
class QuietDesktop : public IDesktop
{
public:
    int ShowMessageDialog(
        const QString &, const QString &, Msg::Kind, int buttonSet, const QStringList &) override
    {
        ++dialogs;
        return Msg::resultOf(Msg::defaultButton(buttonSet));
    }
    void ShowSystemMessage(const QString &, Msg::Kind) override { }
    int ShellOpen(const QString &) override { return 42; }
    QString GetOpenFileName(
        const QString &, const QString &, const QString &, const QString &) override
    {
        return {};
    }
    QString DocumentsFolder() override { return {}; }
    QDate Today() override { return QDate(2010, 5, 7); }
    void Pause(int) override { }
    bool MoveToTrash(const QString &) override { return true; }
    int dialogs = 0;
};

// Appends a record of realistic field sizes (titles of 8 to 60 characters,
// reviews of 300 to 2,000) with the given running number; the caller posts.
void FillBenchRecord(DataSet &table, int number, QRandomGenerator &rng);
