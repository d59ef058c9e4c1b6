// Finding a book in a coordinator's archive as the person types: loads 1,000
// review files of 40 books each into a headless main window, then types
// queries letter by letter into the search field and takes the time from the
// keystroke until the tree has laid out and painted the result. The match
// function over all books is compared with a plain case-sensitive
// QString::contains of the same query over the same books' texts, in the
// same run.

#include "BenchArchive.h"

#include "app/Fmain.h"
#include "data/BookSearch.h"
#include "data/DDataAccess.h"
#include "store/DataSet.h"
#include "store/ReviewSchema.h"
#include "tree/FindBar.h"
#include "tree/TreeFilter.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTreeWidget>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

// Resident memory now, in megabytes.
double residentMb()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toDouble() * 4096 / (1024 * 1024) : 0;
}

struct Window
{
    TMainform *w;
    FindBar *bar;
    TreeFilter *filter;
};

// Until the filter has nothing left to do and the tree has been painted.
void settle(const Window &win)
{
    while (win.filter->isBusy())
        QCoreApplication::processEvents(QEventLoop::AllEvents);
    win.w->TreeView1->viewport()->repaint();
}

// Of the last keystroke: until the filter was done, and the tree's layout
// and painting after it.
double g_filterMs = 0;
double g_paintMs = 0;
QString g_parts;

// One keystroke into the field, in milliseconds until the tree shows it.
double type(const Window &win, QChar letter)
{
    QElapsedTimer timer;
    timer.start();
    const int key = letter.toUpper().unicode();
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, QString(letter));
    QCoreApplication::sendEvent(win.bar->EditFind, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, QString(letter));
    QCoreApplication::sendEvent(win.bar->EditFind, &release);
    while (win.filter->isBusy())
        QCoreApplication::processEvents(QEventLoop::AllEvents);
    g_filterMs = double(timer.nsecsElapsed()) / 1e6;
    win.w->TreeView1->viewport()->repaint();
    const double all = double(timer.nsecsElapsed()) / 1e6;
    g_paintMs = all - g_filterMs;
    return all;
}

// The times of each keystroke of a query, typed into an empty field.
std::vector<double> typeQuery(const Window &win, const QString &query)
{
    win.bar->EditFind->clear();
    settle(win);
    std::vector<double> times;
    QString parts;
    for (QChar c : query) {
        times.push_back(type(win, c));
        parts += QStringLiteral(" %1+%2").arg(g_filterMs, 0, 'f', 1).arg(g_paintMs, 0, 'f', 1);
    }
    g_parts = parts;
    return times;
}

// The searchable fields of a record as plain text, one after the other.
QString plainText(const DataSet &table, int row)
{
    static const int fields[] = { fBookTitle, fBookSerie, fPublisher, fPublisherLocation,
        fYearPublished, fAuthor1Name, fAuthor1Firstname, fAuthor2Name, fAuthor2Firstname,
        fAuthor3Name, fAuthor3Firstname, fIllustrator1Name, fIllustrator1FirstName,
        fIllustrator2Name, fIllustrator2Firstname, fIllustrator3Name, fIllustrator3Firstname,
        fTranslator1Name, fTranslator1Firstname, fTranslator2Name, fTranslator2Firstname, fLanguage,
        fCategory, fAge, fRecommendation, fReviewerInitials, fBookNbr, fReview };
    QString text;
    for (int f : fields) {
        text += table.valueAt(row, f).toString();
        text += u'\n';
    }
    return text;
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Switzerland));
    QTemporaryDir folder;
    const QString program = folder.path() + u'/';
    QuietDesktop desktop;
    std::unique_ptr<Program> started = StartOnLoadedArchive(desktop, program);
    TMainform &w = *started->mainform;
    const DataSet &table = *started->dataAccess->DSetReview;
    const Window win { &w, w.findBar(), w.findBar()->filter() };
    settle(win);

    // The index is built when the field first gets the focus, in slices
    // from the event loop.
    const double before = residentMb();
    QElapsedTimer timer;
    timer.start();
    win.bar->ActionFindExecute();
    settle(win);
    const double indexMs = double(timer.nsecsElapsed()) / 1e6;
    const double indexMb = residentMb() - before;

    // A name of a few books ("Lindgren", folded as typed) and a word that is
    // in no book: the one hides a part of the tree letter by letter, the
    // other nearly all of it at the second letter.
    const QStringList queries { QStringLiteral("lindgren"), QStringLiteral("Krabat") };
    std::vector<std::vector<double>> times;
    QStringList parts;
    for (const QString &q : queries) {
        typeQuery(win, q); // once to warm up
        times.push_back(typeQuery(win, q));
        parts.append(g_parts);
    }
    const int matches = win.filter->matchCount();
    timer.restart();
    win.bar->EditFind->clear();
    settle(win);
    const double clearMs = double(timer.nsecsElapsed()) / 1e6;

    // The match function over all books against QString::contains over their
    // plain texts, for the prefixes typed above.
    std::vector<SearchableBook> books;
    std::vector<QString> plain;
    for (int row = 0; row < table.recordCount(); ++row) {
        Record values;
        for (int f = 0; f < table.fieldCount(); ++f)
            values.append(table.valueAt(row, f));
        books.emplace_back(values);
        plain.push_back(plainText(table, row));
    }
    double matchMs = 0;
    double containsMs = 0;
    int found = 0;
    for (int round = 0; round < 3; ++round) {
        for (const QString &q : queries) {
            for (int len : { 1, 2, 6 }) {
                const QString query = q.left(len);
                timer.restart();
                const FindQuery find(query);
                for (const SearchableBook &b : books)
                    found += find.matches(b);
                matchMs += double(timer.nsecsElapsed()) / 1e6;
                timer.restart();
                for (const QString &t : plain)
                    found += t.contains(query);
                containsMs += double(timer.nsecsElapsed()) / 1e6;
            }
        }
    }

    const auto worst = [&](size_t letters) {
        double m = 0;
        for (const auto &t : times)
            m = std::max(m, t.at(letters - 1));
        return m;
    };
    std::printf("find_books %d\n", table.recordCount());
    std::printf("find_index_build_ms %.1f ms\n", indexMs);
    std::printf("find_index_memory_mb %.1f MB\n", indexMb);
    for (qsizetype i = 0; i < queries.size(); ++i) {
        std::printf("find_keystrokes_ms_%s", qPrintable(queries[i]));
        for (double t : times[size_t(i)])
            std::printf(" %.1f", t);
        std::printf(" ms (filter+tree:%s)\n", qPrintable(parts[i]));
    }
    std::printf("find_keystroke_ms_1_letter %.1f ms\n", worst(1));
    std::printf("find_keystroke_ms_2_letters %.1f ms\n", worst(2));
    std::printf("find_keystroke_ms_6_letters %.1f ms\n", worst(6));
    std::printf("find_clear_ms %.1f ms (from %d matches)\n", clearMs, matches);
    std::printf("find_match_ms %.1f ms\n", matchMs / 3);
    std::printf("find_contains_ms %.1f ms\n", containsMs / 3);
    std::printf("find_match_ratio %.2f\n", matchMs / containsMs);
    if (found < 0)
        std::printf("%d\n", found);
    return 0;
}
