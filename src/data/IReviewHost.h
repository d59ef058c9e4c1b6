#pragma once

#include <QString>

// What the review table needs from the window around it: the status bar, the
// tree's book nodes, the pages and the enabled actions. The main window fills
// it; tests use a fake.
class IReviewHost
{
public:
    virtual ~IReviewHost();

    virtual void StatusMsg(int panel, const QString &text) = 0;
    virtual int CountLoadedFiles() const = 0;
    virtual QString CurrentFileName() const = 0;
    // The initials a new record starts with ("Reviewer"/"Initials", "??").
    virtual QString DefaultReviewerInitials() const = 0;

    // Focuses the book-number field when the editing panel is enabled and the
    // book-data page is the active page.
    virtual void FocusBookNumber() = 0;
    // Makes the book-data page the active page.
    virtual void ShowBookDataPage() = 0;
    // Re-evaluates the enabled actions for the active page.
    virtual void SetAllowedFormActions() = 0;

    // The tree's book nodes, by book key.
    virtual void RemoveBookNode(int bookKey) = 0;
    // Selects and shows the node with the key; clears the selection when no
    // node carries it.
    virtual void SelectBookNode(int bookKey) = 0;
    // The book-number field shows one or two decimals.
    virtual void BookNumberFormatChanged(int decimals) = 0;
};
