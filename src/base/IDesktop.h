#pragma once

#include <QDate>
#include <QString>
#include <QStringList>

// Kinds, buttons and result codes of the program's message dialog.
namespace Msg {

enum Kind : int { mtWarning = 0, mtError = 1, mtInformation = 2, mtConfirmation = 3, mtCustom = 4 };

// Standard buttons in their fixed order; a button set is a bit set of them.
enum Button : int {
    mbYes = 1 << 0,
    mbNo = 1 << 1,
    mbOK = 1 << 2,
    mbCancel = 1 << 3,
    mbAbort = 1 << 4,
    mbRetry = 1 << 5,
    mbIgnore = 1 << 6,
    mbAll = 1 << 7,
    mbNoToAll = 1 << 8,
    mbYesToAll = 1 << 9,
    mbHelp = 1 << 10,
};
constexpr int mbOKCancel = mbOK | mbCancel; // 12
constexpr int mbYesNoCancel = mbYes | mbNo | mbCancel; // 11

enum Result : int {
    mrNone = 0,
    mrOk = 1,
    mrCancel = 2,
    mrAbort = 3,
    mrRetry = 4,
    mrIgnore = 5,
    mrYes = 6,
    mrNo = 7,
    mrAll = 8,
    mrNoToAll = 9,
    mrYesToAll = 10,
};

// The buttons of a set in their fixed left-to-right order.
QList<Button> buttonsInOrder(int buttonSet);
// Result code of a button (Help has none: 0).
int resultOf(Button b);
// Pressed by Enter: OK, else Yes, else Retry (0 when the set has none of them).
Button defaultButton(int buttonSet);
// Pressed by Escape: Cancel, else No, else OK (0 when the set has none of them).
Button escapeButton(int buttonSet);
// English standard title of a kind ("Warning", "Error", "Information", "Confirm").
QString standardTitle(Kind kind);

} // namespace Msg

// Everything through which the program reaches the person and the desktop.
// The program gets one instance passed in; tests use a scripted one that
// records every call and answers from a queue.
class IDesktop
{
public:
    virtual ~IDesktop();

    // The program's modal message dialog. Captions relabel the buttons of the
    // set in their fixed order. Returns the pressed button's result code, or
    // mrCancel (2) when the window's close box was used.
    virtual int ShowMessageDialog(const QString &caption, const QString &message, Msg::Kind kind,
        int buttonSet, const QStringList &captions)
        = 0;

    // The platform's own standard message box (used where the program shows
    // a system error report instead of its own dialog).
    virtual void ShowSystemMessage(const QString &message, Msg::Kind kind) = 0;

    // Opens a document or web address with its associated program. Returns a
    // value above 32 on success; 2 when the file does not exist; 0..32 for
    // other failures.
    virtual int ShellOpen(const QString &target) = 0;

    // A file-open dialog. filter uses the "Description|pattern|..." form.
    // Returns the chosen path, or an empty string when cancelled.
    virtual QString GetOpenFileName(const QString &title, const QString &defaultExtension,
        const QString &filter, const QString &initialFolder)
        = 0;

    // The person's documents folder.
    virtual QString DocumentsFolder() = 0;

    // Today's date on the local clock.
    virtual QDate Today() = 0;

    // The start-up pause while the splash window is shown.
    virtual void Pause(int milliseconds) = 0;

    // Moves a file or folder with all its contents into the desktop's trash.
    virtual bool MoveToTrash(const QString &path) = 0;

    // --- conveniences on top of ShowMessageDialog ----------------------------
    // One "OK" button, the kind's English standard title.
    void ShowStandardMessage(const QString &message, Msg::Kind kind);
    // No icon, one "OK" button, the application title.
    void ShowPlainMessage(const QString &message);

    void setApplicationTitle(const QString &title) { m_applicationTitle = title; }
    QString applicationTitle() const { return m_applicationTitle; }

private:
    QString m_applicationTitle = QStringLiteral("Skribando");
};
