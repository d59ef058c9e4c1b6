#include "VexUtils.h"

#include "app/IDesktop.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cmath>
#include <limits>

namespace {

// Whole number as the platform's integer conversion reads it: an optional
// sign and digits, leading blanks allowed.
std::optional<qint64> parseWhole(QStringView text)
{
    qsizetype i = 0;
    while (i < text.size() && text[i] == u' ')
        ++i;
    text = text.mid(i);
    if (text.isEmpty())
        return std::nullopt;
    bool ok = false;
    const qint64 v = text.toLongLong(&ok, 10);
    if (!ok)
        return std::nullopt;
    return v;
}

} // namespace

int EncodeBookKey(const QString &numberText)
{
    // A number without decimals is a book of 2000: its text has no point.
    const qsizetype dot = numberText.indexOf(u'.');
    QString whole = dot < 0 ? numberText : numberText.left(dot);
    whole.remove(u'_');
    const auto n = parseWhole(whole);
    const auto f
        = dot < 0 ? std::optional<qint64>(0) : parseWhole(QStringView(numberText).mid(dot + 1));
    if (!n || !f)
        return 0;
    const qint64 key = *n * 10000 + 2000 + *f;
    if (key < std::numeric_limits<int>::min() || key > std::numeric_limits<int>::max())
        return 0;
    return int(key);
}

int BookKeyOf(const QVariant &storedNumber)
{
    if (!storedNumber.isValid() || storedNumber.isNull())
        return 0;
    bool ok = false;
    const double number = storedNumber.toDouble(&ok);
    return ok ? EncodeBookKey(NumberText(number)) : 0;
}

QString BookKeyToText(int key)
{
    if (key == 0)
        return QStringLiteral("---.-");
    return QStringLiteral("%1.%2").arg(key / 10000).arg(key % 10000 - 2000);
}

namespace {
// Exact as doubles.
constexpr double kPowersOfTen[]
    = { 1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15 };
} // namespace

QString NumberText(double value)
{
    // Most numbers here have a few decimals at most (book numbers, prices).
    // When the value is the nearest double to m / 10^k with m of up to 15
    // digits, fifteen significant digits give back exactly that decimal, so
    // it can be written out directly.
    if (std::isfinite(value) && value != 0 && std::abs(value) < 1e14) {
        for (int k = 0; k < 5; ++k) {
            const double scaled = std::round(value * kPowersOfTen[k]);
            if (std::abs(scaled) >= 1e15)
                break;
            if (scaled / kPowersOfTen[k] != value)
                continue;
            qint64 m = qint64(scaled);
            const bool negative = m < 0;
            if (negative)
                m = -m;
            char digits[24];
            int n = 0;
            for (int i = 0; i < k || m > 0; ++i) {
                digits[n++] = char('0' + m % 10);
                m /= 10;
                if (i + 1 == k)
                    digits[n++] = '.';
            }
            if (digits[n - 1] == '.')
                digits[n++] = '0';
            if (negative)
                digits[n++] = '-';
            std::reverse(digits, digits + n);
            return QString::fromLatin1(digits, n);
        }
    }
    return QString::number(value, 'g', 15);
}

namespace {

// Plain decimals such as book numbers ("12345.07"): up to 15 digits are an
// exact integer and a power of ten up to 1e22 is exact too, so one division
// gives the correctly rounded value, the same as the general conversion.
std::optional<double> plainDecimal(QStringView t)
{
    qsizetype i = 0;
    const bool negative = !t.isEmpty() && t[0] == u'-';
    if (negative)
        ++i;
    qint64 mantissa = 0;
    int digits = 0;
    int decimals = -1;
    for (; i < t.size(); ++i) {
        const char16_t c = t[i].unicode();
        if (c >= u'0' && c <= u'9') {
            if (++digits > 15)
                return std::nullopt;
            mantissa = mantissa * 10 + (c - u'0');
            if (decimals >= 0)
                ++decimals;
        } else if (c == u'.' && decimals < 0 && digits > 0) {
            decimals = 0;
        } else {
            return std::nullopt;
        }
    }
    if (digits == 0 || decimals == 0)
        return std::nullopt;
    double v = double(mantissa);
    if (decimals > 0)
        v /= kPowersOfTen[decimals];
    return negative ? -v : v;
}

} // namespace

std::optional<double> ParseNumber(const QString &text)
{
    if (const auto plain = plainDecimal(QStringView(text).trimmed()))
        return plain;
    const QString t = text.trimmed();
    if (t.isEmpty())
        return std::nullopt;
    bool ok = false;
    const double v = t.toDouble(&ok);
    if (!ok || !std::isfinite(v))
        return std::nullopt;
    return v;
}

std::optional<int> ParseInteger(const QString &text)
{
    const QString t = text.trimmed();
    bool ok = false;
    const int v = t.toInt(&ok, 10);
    if (!ok)
        return std::nullopt;
    return v;
}

// --- shell operations ------------------------------------------------------

namespace {

QString withoutTrailingSlash(QString path)
{
    while (path.size() > 1 && path.endsWith(u'/'))
        path.chop(1);
    return path;
}

bool copyRecursively(const QString &source, const QString &target)
{
    const QFileInfo fi(source);
    if (!fi.isDir() || fi.isSymLink())
        return QFile::copy(source, target);
    if (!QDir().mkpath(target))
        return false;
    const QStringList entries = QDir(source).entryList(
        QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System);
    for (const QString &name : entries) {
        if (!copyRecursively(source + u'/' + name, target + u'/' + name))
            return false;
    }
    return true;
}

// A rename, or a copy and delete where the rename cannot cross file systems.
bool moveItem(const QString &source, const QString &target)
{
    if (QDir().rename(source, target))
        return true;
    if (!copyRecursively(source, target)) {
        // Leave nothing half-copied behind; the source is untouched.
        if (QFileInfo(target).isDir())
            QDir(target).removeRecursively();
        else
            QFile::remove(target);
        return false;
    }
    return QFileInfo(source).isDir() ? QDir(source).removeRecursively() : QFile::remove(source);
}

} // namespace

bool DeleteToRecycleBin(IDesktop &desktop, const QString &path)
{
    const QString p = withoutTrailingSlash(path);
    if (p.isEmpty() || !QFileInfo::exists(p))
        return false;
    return desktop.MoveToTrash(p);
}

bool ShellMove(IDesktop &desktop, const QString &source, const QString &destinationFolder)
{
    const QString from = withoutTrailingSlash(source);
    const QString folder = withoutTrailingSlash(destinationFolder);
    const QFileInfo fi(from);
    if (!fi.exists() || !QFileInfo(folder).isDir())
        return false;
    const QString target = folder + u'/' + fi.fileName();
    // A folder cannot go into itself or below itself.
    const QString sourcePath = fi.absoluteFilePath();
    const QString folderPath = QFileInfo(folder).absoluteFilePath() + u'/';
    if (QFileInfo(target).absoluteFilePath() == sourcePath
        || (fi.isDir() && folderPath.startsWith(sourcePath + u'/')))
        return false;
    if (QFileInfo::exists(target)) {
        const int answer = desktop.ShowMessageDialog(QStringLiteral("Verschieben..."),
            QStringLiteral("Im Verzeichnis\r\n%1\r\ngibt es bereits \"%2\".\r\n"
                           "Soll es ersetzt werden? Das vorhandene kommt in den Papierkorb.")
                .arg(folder, fi.fileName()),
            Msg::mtConfirmation, Msg::mbOKCancel,
            { QStringLiteral("Ersetzen"), QStringLiteral("Abbrechen") });
        if (answer != Msg::mrOk || !desktop.MoveToTrash(target))
            return false;
    }
    return moveItem(from, target);
}

bool ShellRenameFolder(const QString &oldPath, const QString &newPath)
{
    const QString from = withoutTrailingSlash(oldPath);
    const QString to = withoutTrailingSlash(newPath);
    if (!QFileInfo(from).isDir() || QFileInfo::exists(to))
        return false;
    return QDir().rename(from, to);
}

QString FreeCopyName(const QString &folder, const QString &fileName)
{
    const QString dir = withoutTrailingSlash(folder) + u'/';
    if (!QFileInfo::exists(dir + fileName))
        return fileName;
    const qsizetype dot = fileName.lastIndexOf(u'.');
    const QString base = dot > 0 ? fileName.left(dot) : fileName;
    const QString ext = dot > 0 ? fileName.mid(dot) : QString();
    QString candidate = base + QStringLiteral(" - Kopie") + ext;
    for (int n = 2; QFileInfo::exists(dir + candidate); ++n)
        candidate = base + QStringLiteral(" - Kopie (%1)").arg(n) + ext;
    return candidate;
}

bool CopyFileInto(const QString &file, const QString &folder, QString *copyPath)
{
    const QFileInfo fi(file);
    if (!fi.isFile() || !QFileInfo(withoutTrailingSlash(folder)).isDir())
        return false;
    const QString target
        = withoutTrailingSlash(folder) + u'/' + FreeCopyName(folder, fi.fileName());
    if (!QFile::copy(file, target))
        return false;
    if (copyPath)
        *copyPath = target;
    return true;
}

int ShellOpen(IDesktop &desktop, const QString &target) { return desktop.ShellOpen(target); }
