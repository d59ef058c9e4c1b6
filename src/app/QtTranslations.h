#pragma once

// Qt's own texts (the context menu of every edit, the buttons of the file
// and print dialogs) in German, whatever language the system runs in. False
// when Qt's German translations are not installed; Qt then speaks English.
bool InstallQtGermanTranslations();
