#pragma once

#include "base/IWordProcessor.h"

#include <QByteArray>
#include <QStringList>

// The word processor of this platform: builds each document itself as RTF
// (Windows-1252 with Unicode escapes for everything else), which Word and
// Writer both open under a ".doc" name. Templates are not read: every new
// document starts plain, whatever template is named.
class RtfWordProcessor : public IWordProcessor
{
public:
    bool Start() override;
    bool FileNew(const QString &templateName) override;
    bool Font(const QString &name) override;
    bool FontSize(int points) override;
    bool Insert(const QString &text) override;
    bool FileSaveAs(const QString &path) override;
    void FileQuit() override;
    QString errorString() const override { return m_error; }

    // The whole RTF text of the active document.
    QByteArray documentBytes() const;

private:
    bool needsDocument();

    bool m_started = false;
    bool m_hasDocument = false;
    QStringList m_fonts;
    int m_font = -1; // index into m_fonts, -1 until a font is set
    int m_halfPoints = 24;
    bool m_formatPending = true;
    QByteArray m_body;
    QString m_error;
};
