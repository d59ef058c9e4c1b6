#pragma once

#include <QDialog>
#include <QStringList>
#include <QTableWidget>

#include <functional>

class QGroupBox;
class QLabel;
class QPushButton;

// A read-only two-column list of "key=value" lines: the key in the column
// "Bild", the value in the column "Buchtitel".
class CoverListEditor : public QTableWidget
{
    Q_OBJECT

public:
    explicit CoverListEditor(QWidget *parent = nullptr);

    void setLines(const QStringList &lines);
    QStringList lines() const;
    // Key and value of the current row; empty when there is none.
    QString currentKey() const;
    QString currentValue() const;
};

// The cover-image dialog: which covers of a review file are there and which
// are missing. In search mode it offers a web search for a missing cover, in
// mail mode it asks whether the covers go with the mail. Created once at
// start-up and reused; callers clear both lists before filling them.
class TFrontImageDlg : public QDialog
{
    Q_OBJECT

public:
    explicit TFrontImageDlg(QWidget *parent = nullptr);

    // Mail mode ("Vorhandene Bilder der Mail anhängen?") when true, search
    // mode ("Bild suchen") when false; exactly one of the two groups shows.
    void SetAppendMode(bool append);
    bool appendMode() const { return m_appendMode; }

    void ClearLists();
    // Adds the review file's covers to the two lists (see ListCoverImages in
    // CoverImages.h). Returns the record count; -1 when the file cannot be
    // listed, with error set.
    int ListCoverImages(
        const QString &reviewFile, const QString &coverFolder, QString *error = nullptr);
    QStringList availableLines() const { return ValueListEditorImagesAvailable->lines(); }
    QStringList missingLines() const { return ValueListEditorImagesMissing->lines(); }

    // Shows the dialog modally, centred on the screen. Returns Msg::mrYes
    // ("&Bild suchen", "&Ja"), Msg::mrNo ("&Nein", Escape in mail mode) or
    // Msg::mrCancel ("&Schliessen", "&Mail nicht senden", Escape in search
    // mode, the window closed).
    int ShowModal();

    // For tests: when set, ShowModal hands the prepared dialog to this
    // function instead of showing it and returns what it returns (it may
    // click a button and return result()).
    std::function<int(TFrontImageDlg &)> modalAnswer;

    // The controls, by their names.
    QLabel *LabelImagesAvailable = nullptr;
    CoverListEditor *ValueListEditorImagesAvailable = nullptr;
    QLabel *LabelImagesMissing = nullptr;
    CoverListEditor *ValueListEditorImagesMissing = nullptr;
    QGroupBox *GroupBoxFindImages = nullptr;
    QPushButton *BitBtnFindImage = nullptr;
    QPushButton *BitBtnClose = nullptr;
    QGroupBox *GroupBoxAppendImages = nullptr;
    QPushButton *BitBtnYes = nullptr;
    QPushButton *BitBtnNo = nullptr;
    QPushButton *BitBtnCancel = nullptr;

public slots:
    // Escape: "&Nein" in mail mode, "&Schliessen" in search mode.
    void reject() override;

protected:
    // Closed by the window manager (close box, Alt+F4) it ends like
    // "&Mail nicht senden" or "&Schliessen": nothing is sent.
    void closeEvent(QCloseEvent *event) override;

private:
    bool m_appendMode = false;
};
