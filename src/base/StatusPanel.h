#pragma once

// The panels of the main window's status bar, by index.
namespace StatusPanel {
enum Index : int {
    HintLabel = 0,
    Hint = 1, // the long hint of the control under the mouse, short reports
    LoadedLabel = 2,
    LoadedFiles = 3, // review files showing their books
    FileLabel = 4,
    File = 5, // the current review file, "mehrere", or empty
    BooksLabel = 6,
    Books = 7, // records in the review table
    Count = 8
};
} // namespace StatusPanel
