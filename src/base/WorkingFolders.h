#pragma once

#include <QString>

// The folders below the program's own folder, computed once at start-up.
// Folder values end with "/".
struct WorkingFolders
{
    QString programFolder;
    QString rootFolderName;
    QString rootFolder;
    QString dbFolderName;
    QString dbFolder;
    QString htmlFolder;
    QString coverFolder;
    QString wordFolder;
    QString zipFolder;

    void compute(const QString &programFolderPath, const QString &rootName, const QString &dbName)
    {
        programFolder = programFolderPath;
        if (!programFolder.endsWith(u'/'))
            programFolder += u'/';
        rootFolderName = rootName;
        rootFolder = programFolder + rootFolderName + u'/';
        dbFolderName = dbName;
        dbFolder = rootFolder + dbFolderName + u'/';
        htmlFolder = rootFolder + QStringLiteral("Html/");
        coverFolder = rootFolder + QStringLiteral("Html/Umschlagbilder/");
        wordFolder = rootFolder + QStringLiteral("Word/");
        zipFolder = rootFolder + QStringLiteral("Zip/");
    }

    // The folder for the reviews of a year; no trailing "/".
    QString yearFolder(int year) const
    {
        return dbFolder + QString::number(year).rightJustified(4, u'0');
    }
};
