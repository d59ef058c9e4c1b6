#pragma once

#include "base/IPrinter.h"

#include <QPointer>
#include <QWidget>

// The real printer: the default CUPS printer through QPrinter, or Qt's PDF
// output where none is installed.
class DesktopPrinter : public IPrinter
{
public:
    // Dialogs are shown over this window once it is set.
    void setOwner(QWidget *owner) { m_owner = owner; }

    PrinterMetrics DefaultPrinter() override;
    bool Print(const PrintJob &job, QString *error) override;
    QString GetSavePdfFileName(const QString &title, const QString &suggestedPath) override;

private:
    QPointer<QWidget> m_owner;
};
