#include "BenchArchive.h"

#include "app/Fmain.h"
#include "base/IniFile.h"
#include "files/ReviewFiles.h"
#include "store/DataSet.h"
#include "store/ReviewSchema.h"
#include "store/TableFile.h"
#include "tree/TreeProcedures.h"

#include <QDir>
#include <QRandomGenerator>
#include <QTreeWidget>

#include <iterator>

namespace {

const char *const kWords[] = { "Abenteuer", "Freundschaft", "Reise", "Geheimnis", "Sommer", "Wald",
    "Stadt", "Meer", "Drache", "Schule", "Familie", "Zeit", "Licht", "Nacht", "Großvater",
    "Mädchen", "Hund", "Insel", "Brücke", "Märchen", "Stern", "Traum", "Wörter" };
const char *const kNames[] = { "Müller", "Schneider", "Lindgren", "Preußler", "Funke", "Ende",
    "Nöstlinger", "Härtling", "Steinhöfel", "Kästner", "Boie", "Pressler", "Janisch", "Scheffler" };
const char *const kFirst[] = { "Astrid", "Otfried", "Cornelia", "Michael", "Christine", "Peter",
    "Kirsten", "Andreas", "Erich", "Mirjam", "Heinz", "Axel", "Jutta" };
const char *const kPublishers[] = { "Oetinger", "Carlsen", "Hanser", "Beltz+Gelberg", "Thienemann",
    "dtv junior", "Ravensburger", "Dressler", "NordSüd", "Sauerländer" };

QString pick(const char *const *list, int n, QRandomGenerator &rng)
{
    return QString::fromUtf8(list[rng.bounded(n)]);
}

QString words(QRandomGenerator &rng, int minChars, int maxChars)
{
    const int target = minChars + rng.bounded(maxChars - minChars + 1);
    QString text;
    while (text.size() < target) {
        if (!text.isEmpty())
            text += rng.bounded(12) == 0 ? QStringLiteral(". ") : QStringLiteral(" ");
        text += pick(kWords, int(std::size(kWords)), rng);
    }
    return text.left(target);
}

} // namespace

// Writes `files` review files of `books` books each into folder; book
// numbers are unique across all files.
void writeArchive(const QString &folder, int files, int books, int firstNumber)
{
    QDir().mkpath(folder);
    QRandomGenerator rng(firstNumber);
    DataSet t;
    t.setFields(ReviewFields());
    t.open();
    int number = firstNumber;
    for (int f = 0; f < files; ++f) {
        t.emptyTable();
        for (int b = 0; b < books; ++b, ++number) {
            t.append();
            const int year = (number % 2) ? 2001 + (number % 9) : 2011 + (number % 9);
            const double nbr = number + (year % 100) / (year % 100 >= 10 ? 100.0 : 10.0);
            t.setValue(fBookNbr, nbr);
            t.setValue(fBookTitle, words(rng, 8, 60));
            t.setValue(fBookSerie,
                QStringLiteral("978-3-7891-%1-0").arg(number % 10000, 4, 10, QLatin1Char('0')));
            t.setValue(fPublisher, pick(kPublishers, int(std::size(kPublishers)), rng));
            t.setValue(fPublisherLocation, QStringLiteral("Hamburg"));
            t.setValue(fYearPublished, year);
            t.setValue(fPagination, QStringLiteral("P"));
            t.setValue(fPages, 32 + rng.bounded(400));
            t.setValue(fBinding, QStringLiteral("geb"));
            t.setValue(fCurrency, QStringLiteral("Fr"));
            t.setValue(fPrice, 9.9 + rng.bounded(30));
            t.setValue(fAuthor1Name, pick(kNames, int(std::size(kNames)), rng));
            t.setValue(fAuthor1Firstname, pick(kFirst, int(std::size(kFirst)), rng));
            t.setValue(fIllustrator1Name, pick(kNames, int(std::size(kNames)), rng));
            t.setValue(fIllustrator1FirstName, pick(kFirst, int(std::size(kFirst)), rng));
            t.setValue(fLanguage, QStringLiteral("Schwed"));
            t.setValue(fTranslator1Name, pick(kNames, int(std::size(kNames)), rng));
            t.setValue(fReview, words(rng, 300, 2000));
            t.setValue(fAgegroup, QStringLiteral("K"));
            t.setValue(fCategory, QStringLiteral("Abenteuer"));
            t.setValue(fAge, 6 + rng.bounded(8));
            t.setValue(fRecommendation, QStringLiteral("e."));
            t.setValue(fReviewerInitials, QStringLiteral("AB"));
            t.post();
        }
        SaveToFile(t, folder + QStringLiteral("/AB_%1.cds").arg(f, 4, 10, QLatin1Char('0')));
    }
}

std::unique_ptr<Program> StartOnDatabase(IDesktop &desktop, const QString &programFolder)
{
    IniFile ini(programFolder + QStringLiteral("Skribando.ini"));
    ini.writeBool(QStringLiteral("Folders"), QStringLiteral("AskYearFolder"), false);
    ini.writeString(
        QStringLiteral("Reviewer"), QStringLiteral("Firstname"), QStringLiteral("Anna"));
    ini.writeString(QStringLiteral("Reviewer"), QStringLiteral("Name"), QStringLiteral("Muster"));
    ini.UpdateFile();
    std::unique_ptr<Program> program
        = StartProgram(desktop, programFolder + QStringLiteral("Skribando"));
    if (program) {
        QTreeWidget *tree = program->mainform->TreeView1;
        tree->setCurrentItem(RootNode(tree));
        program->mainform->TreeView1Enter();
    }
    return program;
}

std::unique_ptr<Program> StartOnLoadedArchive(IDesktop &desktop, const QString &programFolder)
{
    writeArchive(programFolder + QStringLiteral("Zadizezerev/DB/Archiv"), 1000, 40, 1);
    std::unique_ptr<Program> program = StartOnDatabase(desktop, programFolder);
    if (program)
        program->mainform->reviewFiles()->ActionLoadExecute();
    return program;
}
