// Files from other people's machines: what the packet writers accept reads
// back the same in both forms, and hostile packets and settings files are
// refused or read within 64 bytes of memory per input byte (plus 64 MiB) and
// in linear time.

#include "base/IniFile.h"
#include "store/DataPacket.h"

#include "PacketBytes.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cmath>
#include <functional>

Q_DECLARE_METATYPE(PacketData)

#if defined(__SANITIZE_ADDRESS__)
#define SKRIBANDO_HEAP_METER 1
extern "C" {
int __sanitizer_install_malloc_and_free_hooks(
    void (*mallocHook)(const volatile void *, size_t), void (*freeHook)(const volatile void *));
size_t __sanitizer_get_allocated_size(const volatile void *p);
}
#endif

namespace {

// Peak heap bytes in use, through the address sanitizer's allocation hooks.
class HeapMeter
{
public:
    static bool available()
    {
#ifdef SKRIBANDO_HEAP_METER
        return true;
#else
        return false;
#endif
    }
    static void install()
    {
#ifdef SKRIBANDO_HEAP_METER
        static const bool done = [] {
            __sanitizer_install_malloc_and_free_hooks(
                [](const volatile void *, size_t size) {
                    const qint64 now = s_current += qint64(size);
                    qint64 peak = s_peak;
                    while (now > peak && !s_peak.compare_exchange_weak(peak, now)) { }
                },
                [](const volatile void *p) {
                    s_current -= qint64(__sanitizer_get_allocated_size(p));
                });
            return true;
        }();
        Q_UNUSED(done);
#endif
    }
    // Starts a measurement; peak() is then relative to this moment.
    static void reset()
    {
        s_base = s_current.load();
        s_peak = s_base.load();
    }
    static qint64 peak() { return s_peak - s_base; }

private:
    static inline std::atomic<qint64> s_current { 0 };
    static inline std::atomic<qint64> s_peak { 0 };
    static inline std::atomic<qint64> s_base { 0 };
};

QByteArray xmlPacket(
    const QByteArray &fields, const QByteArray &rows, const QByteArray &params = {})
{
    return "<?xml version=\"1.0\" standalone=\"yes\"?><DATAPACKET Version=\"2.0\"><METADATA>"
           "<FIELDS>"
        + fields + "</FIELDS><PARAMS" + params + "/></METADATA><ROWDATA>" + rows
        + "</ROWDATA></DATAPACKET>";
}

QByteArray intFields(int count, const QByteArray &prefix = "C")
{
    QByteArray out;
    for (int i = 0; i < count; ++i)
        out += "<FIELD attrname=\"" + prefix + QByteArray::number(i) + "\" fieldtype=\"i4\"/>";
    return out;
}

// A binary packet: `columns` descriptors as given, then `rows` as given.
QByteArray binaryPacket(
    int columnCount, const QByteArray &columns, quint32 rowCount, const QByteArray &rows)
{
    const QByteArray meta = columns + le16(0);
    const quint16 metadataSize = 24 + meta.size() <= 0xFFFF ? quint16(24 + meta.size()) : 0;
    return le32(DataPacket::kMagic) + le16(1) + le16(0) + le32(24) + le16(quint16(columnCount))
        + le32(rowCount) + le32(metadataSize ? 3 : 1) + le16(metadataSize) + meta + rows;
}

QByteArray column(const QByteArray &name, quint32 word)
{
    return char(name.size()) + name + le32(word) + le16(0) + le16(0);
}

// Records of 34 text columns, about 1,300 bytes each as in a real review file.
QByteArray plainRecords(int count)
{
    QByteArray fields;
    for (int i = 0; i < 34; ++i)
        fields += column("F" + QByteArray::number(i), DataPacket::TypeWord::Text1);
    QByteArray row = QByteArray(1 + 9, '\0');
    for (int i = 0; i < 34; ++i)
        row += char(36) + QByteArray("Ein Wert von sechsunddreissig Bytes.");
    return binaryPacket(34, fields, quint32(count), row.repeated(count));
}

QByteArray emptyRows(int columns, int rows)
{
    return xmlPacket(intFields(columns, ""), QByteArray("<ROW/>").repeated(rows));
}

FieldDef textField(const QString &name, int width = 40)
{
    return FieldDef::text(name, width, width);
}

PacketData onePacket(const FieldDef &field, const QVariant &value)
{
    PacketData p;
    p.fields = { field };
    p.rows = { Record { value } };
    return p;
}

bool sameValue(const QVariant &a, const QVariant &b)
{
    if (a.metaType().id() == QMetaType::Double && b.metaType().id() == QMetaType::Double
        && std::isnan(a.toDouble()) && std::isnan(b.toDouble()))
        return true;
    return a == b;
}

QString why(const PacketData &a, const PacketData &b)
{
    if (a.fields.size() != b.fields.size())
        return QStringLiteral("%1 columns, then %2").arg(a.fields.size()).arg(b.fields.size());
    for (qsizetype i = 0; i < a.fields.size(); ++i) {
        const FieldDef &x = a.fields[i], &y = b.fields[i];
        if (x.name != y.name || x.kind != y.kind || x.width != y.width
            || DataPacket::xmlTypeName(x) != DataPacket::xmlTypeName(y))
            return QStringLiteral("column %1: %2 / %3, type %4 / %5")
                .arg(i + 1)
                .arg(x.name, y.name, DataPacket::xmlTypeName(x), DataPacket::xmlTypeName(y));
    }
    if (a.rows.size() != b.rows.size())
        return QStringLiteral("%1 rows, then %2").arg(a.rows.size()).arg(b.rows.size());
    for (qsizetype r = 0; r < a.rows.size(); ++r) {
        for (qsizetype c = 0; c < a.fields.size(); ++c) {
            if (!sameValue(a.rows[r].value(c), b.rows[r].value(c)))
                return QStringLiteral("row %1, column %2: %3 / %4")
                    .arg(r + 1)
                    .arg(c + 1)
                    .arg(a.rows[r].value(c).toString(), b.rows[r].value(c).toString());
        }
    }
    return {};
}

// The high-water mark of a process's resident memory, once it runs the
// given program (before its exec it still has the memory of this one).
qint64 residentPeak(pid_t pid, const QByteArray &program)
{
    const QByteArray proc = "/proc/" + QByteArray::number(pid);
    char exe[4096];
    const ssize_t n = readlink((proc + "/exe").constData(), exe, sizeof exe);
    if (n <= 0 || QByteArray(exe, n) != program)
        return 0;
    QFile status(QString::fromLatin1(proc + "/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong() * 1024;
    }
    return 0;
}

// Runs the companion tool and returns its exit status, its peak resident
// memory (read while it runs) and its time; its output goes nowhere.
struct ToolRun
{
    int status = -1;
    qint64 peakBytes = 0;
    qint64 ms = 0;
};

ToolRun runTool(const QStringList &args)
{
    const QByteArray program
        = QFileInfo(QStringLiteral(SKRIBANDO_PACKET_TOOL)).canonicalFilePath().toLocal8Bit();
    QList<QByteArray> storage { program };
    for (const QString &a : args)
        storage.append(a.toLocal8Bit());
    std::vector<char *> argv;
    for (QByteArray &a : storage)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    QElapsedTimer timer;
    timer.start();
    const pid_t pid = fork();
    if (pid == 0) {
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, 1);
        dup2(null, 2);
        // The sanitizers' quarantine would hold every freed block; it is not
        // the tool's memory.
        setenv("ASAN_OPTIONS",
            "detect_leaks=0:quarantine_size_mb=0:thread_local_quarantine_size_kb=0", 1);
        execv(argv[0], argv.data());
        _exit(127);
    }
    ToolRun run;
    int status = 0;
    while (pid > 0) {
        run.peakBytes = qMax(run.peakBytes, residentPeak(pid, program));
        const pid_t done = waitpid(pid, &status, WNOHANG);
        if (done == pid) {
            run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            break;
        }
        if (done < 0)
            break;
        usleep(2000);
    }
    run.ms = timer.elapsed();
    return run;
}

} // namespace

class TestHostileFiles : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { HeapMeter::install(); }

    // What a writer accepts, both readers read back the same; what it cannot
    // write faithfully it refuses with a message, naming row and column for
    // a value.
    void writtenIsReadBack_data()
    {
        QTest::addColumn<QByteArray>("source");
        QTest::addColumn<PacketData>("packet");
        QTest::addColumn<bool>("xml");
        QTest::addColumn<QString>("refusal");

        const QByteArray escapedType
            = xmlPacket("<FIELD attrname=\"A\" fieldtype=\"&amp;\"/>", "<ROW A=\"x\"/>");
        QTest::newRow("field type with an ampersand")
            << escapedType << PacketData() << true << QString();
        QTest::newRow("field type beyond Latin-1")
            << xmlPacket("<FIELD attrname=\"A\" fieldtype=\"&#1046;\"/>", "<ROW A=\"x\"/>")
            << PacketData() << true << QString();
        QTest::newRow("property text beyond Windows-1252")
            << xmlPacket(intFields(1), "<ROW C0=\"1\"/>", " NOTE=\"&#1046;\"") << PacketData()
            << false << QString();
        QTest::newRow("property numbers kept as written") << xmlPacket(
            intFields(1), "<ROW C0=\"1\"/>", " A=\"+5\" B=\"007\" DEFAULT_ORDER=\"1  2\"")
                                                          << PacketData() << true << QString();

        PacketData reserved = onePacket(textField(QStringLiteral("A")), QStringLiteral("x"));
        reserved.fields[0].typeWord = DataPacket::TypeWord::Text1;
        reserved.fields[0].properties
            = { DataPacket::integerProperty("fieldtype", DataPacket::TypeWord::Int32, 5) };
        QTest::newRow("property named like a field attribute")
            << QByteArray() << reserved << true << QStringLiteral("fieldtype");
        PacketData twice = onePacket(textField(QStringLiteral("A")), QStringLiteral("x"));
        twice.tableProperties = { DataPacket::integerProperty("LCID", 0x00010004, 1),
            DataPacket::integerProperty("LCID", 0x00010002, 2) };
        QTest::newRow("table property twice")
            << QByteArray() << twice << true << QStringLiteral("LCID");
        QTest::newRow("text beyond Windows-1252 in the binary form")
            << QByteArray() << onePacket(textField(QStringLiteral("Titel")), QStringLiteral("Жук"))
            << false << QStringLiteral("Zeile 1, Spalte „Titel“");
        for (const char16_t c : { u'\x01', u'\x0B', u'\x1F' }) {
            QTest::addRow("control character U+%04X in the XML form", unsigned(c))
                << QByteArray()
                << onePacket(textField(QStringLiteral("Titel")), QStringLiteral("a") + QChar(c))
                << true << QStringLiteral("Zeile 1, Spalte „Titel“");
        }
        PacketData controlName = onePacket(textField(QStringLiteral("A\x01")), 1);
        QTest::newRow("control character in a column name")
            << QByteArray() << controlName << true << QStringLiteral("U+0001");
        QTest::newRow("empty column name")
            << QByteArray() << onePacket(textField(QString()), QStringLiteral("x")) << true
            << QStringLiteral("keinen Namen");
        QTest::newRow("column named like a namespace declaration")
            << QByteArray() << onePacket(textField(QStringLiteral("xmlns")), QStringLiteral("x"))
            << true << QString();
        PacketData nan = onePacket(FieldDef::real(QStringLiteral("Preis")), qQNaN());
        QTest::newRow("not a number") << QByteArray() << nan << true << QString();
    }
    void writtenIsReadBack()
    {
        QFETCH(QByteArray, source);
        QFETCH(PacketData, packet);
        QFETCH(bool, xml);
        QFETCH(QString, refusal);
        QString error;
        if (!source.isEmpty())
            QVERIFY2(DataPacket::readBytes(source, packet, &error), qPrintable(error));
        const QByteArray bytes
            = xml ? DataPacket::writeXml(packet, &error) : DataPacket::writeBinary(packet, &error);
        if (!refusal.isEmpty()) {
            QVERIFY(bytes.isEmpty());
            QVERIFY2(error.contains(refusal), qPrintable(error));
            return;
        }
        QVERIFY2(!bytes.isEmpty(), qPrintable(error));
        PacketData back;
        QVERIFY2(DataPacket::readBytes(bytes, back, &error),
            qPrintable(error + u'\n' + QString::fromLatin1(bytes.left(300))));
        const QString difference = why(packet, back);
        QVERIFY2(difference.isEmpty(), qPrintable(difference));
        for (const PacketProperty &p : packet.tableProperties) {
            const PacketProperty *q = DataPacket::findProperty(back.tableProperties, p.name);
            QVERIFY2(q, p.name.constData());
            QCOMPARE(DataPacket::propertyText(*q), DataPacket::propertyText(p));
        }
    }

    void rowsBeforeTheirColumns()
    {
        const QByteArray xml = "<DATAPACKET Version=\"2.0\"><ROWDATA><ROW A=\"1\"/></ROWDATA>"
                               "<METADATA><FIELDS><FIELD attrname=\"A\" fieldtype=\"i4\"/>"
                               "</FIELDS></METADATA></DATAPACKET>";
        PacketData out;
        QString error;
        QVERIFY(!DataPacket::readBytes(xml, out, &error));
        QVERIFY2(
            error.contains(QStringLiteral("vor den Spaltenbeschreibungen")), qPrintable(error));
        QVERIFY(out.fields.isEmpty() && out.rows.isEmpty());
    }

    // Each hostile packet, generated here, is refused or read within the
    // bound; the time and the memory of each are shown.
    void hostileFiles_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("readable");
        QTest::addColumn<bool>("convert");

        {
            // 4,000 columns, attributes in reverse order.
            QByteArray rows;
            QByteArray row = "<ROW";
            for (int i = 3999; i >= 0; --i)
                row += " C" + QByteArray::number(i) + "=\"" + QByteArray::number(i % 10) + '"';
            row += "/>";
            while (rows.size() < 890000)
                rows += row;
            QTest::newRow("xml, 4000 columns in reverse order")
                << xmlPacket(intFields(4000), rows) << true << false;
        }
        {
            QByteArray fields;
            for (int i = 0; i < 10000; ++i)
                fields += column("\xE4", DataPacket::TypeWord::Int32);
            QTest::newRow("binary, 10000 columns named alike, to xml")
                << binaryPacket(10000, fields, 1, '\0' + QByteArray(2500, '\x55')) << true << true;
        }
        {
            QByteArray element = "<ROW";
            for (int i = 0; element.size() < 429000; ++i)
                element += " a" + QByteArray::number(i) + "=\"\"";
            QTest::newRow("xml, one element of 429 KB")
                << xmlPacket(intFields(1), element + "/>") << false << false;
        }
        {
            QByteArray rows;
            rows.reserve(9000000);
            while (rows.size() < 9000000)
                rows += "<ROW/>";
            QTest::newRow("xml, 9 MB of empty rows over 34 columns")
                << xmlPacket(intFields(34), rows) << false << false;
        }
        QTest::newRow("xml, 1000 columns and 50000 empty rows")
            << emptyRows(1000, 50000) << false << false;
        {
            QByteArray fields;
            for (int i = 0; i < 4096; ++i)
                fields += column("C" + QByteArray::number(i), DataPacket::TypeWord::Int32);
            QByteArray row(1 + 1024, '\x55');
            row[0] = 0;
            const quint32 count = 20000000 / row.size();
            QTest::newRow("binary, 20 MB of null rows over 4096 columns")
                << binaryPacket(4096, fields, count, row.repeated(count)) << false << false;
        }
        {
            QByteArray fields;
            for (int i = 0; i < 65535; ++i)
                fields += column("T", DataPacket::TypeWord::Text1);
            QTest::newRow("binary, 65535 text columns")
                << binaryPacket(65535, fields, 0, {}) << true << false;
        }
        QTest::newRow("binary, 4000 plain records") << plainRecords(4000) << true << true;
    }
    void hostileFiles()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, readable);
        QFETCH(bool, convert);
        const qint64 n = bytes.size();
        const qint64 memoryBound = 64 * n + (qint64(64) << 20);

        PacketData out;
        QString error;
        QElapsedTimer timer;
        HeapMeter::reset();
        timer.start();
        const bool read = DataPacket::readBytes(bytes, out, &error);
        QByteArray xml;
        if (read && convert)
            xml = DataPacket::writeXml(out, &error);
        const qint64 ms = timer.elapsed();
        const qint64 peak = HeapMeter::peak();

        qInfo("%s: %lld bytes, %s in %lld ms, heap peak %s (bound %lld MB)",
            QTest::currentDataTag(), n, read ? "read" : "refused", ms,
            HeapMeter::available() ? qPrintable(QString::number(peak >> 20) + QLatin1String(" MB"))
                                   : "not measured",
            memoryBound >> 20);
        QVERIFY2(read == readable, qPrintable(error));
        if (!read) {
            QVERIFY(!error.isEmpty());
            QVERIFY(out.fields.isEmpty() && out.rows.isEmpty());
        }
        if (convert)
            QVERIFY2(!xml.isEmpty(), qPrintable(error));
        if (HeapMeter::available())
            QVERIFY(peak <= memoryBound);
        // Linear time: generous for a sanitizer build on a shared machine,
        // far below what the quadratic cases took.
        QVERIFY2(ms <= 10000 + n / 100, qPrintable(QString::number(ms)));
    }

    void settingsFileWithinTheBound_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("one-letter lines")
            << QByteArray("[a]\n") + QByteArray("a\n").repeated(2000000);
        QTest::newRow("empty sections") << QByteArray("[]\n").repeated(1500000);
        QTest::newRow("one-letter keys")
            << QByteArray("[a]\n") + QByteArray("a=\n").repeated(1500000);
    }
    void settingsFileWithinTheBound()
    {
        QFETCH(QByteArray, bytes);
        IniFile settings { QString() };
        QElapsedTimer timer;
        HeapMeter::reset();
        timer.start();
        settings.readFromBytes(bytes);
        const qint64 ms = timer.elapsed();
        const qint64 peak = HeapMeter::peak();
        const qint64 bound = 64 * bytes.size() + (qint64(64) << 20);
        qInfo("%s: %lld bytes, read in %lld ms, heap peak %lld MB (bound %lld MB)",
            QTest::currentDataTag(), qint64(bytes.size()), ms, peak >> 20, bound >> 20);
        QVERIFY(!settings.sectionNames().isEmpty());
        if (HeapMeter::available())
            QVERIFY(peak <= bound);
        QVERIFY(ms <= 10000 + bytes.size() / 100);
    }

    // The companion tool keeps the bound as a whole process: it prints row
    // by row and refuses output far larger than its input.
    void toolWithinTheBound_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("command");
        QTest::addColumn<int>("status");
        QTest::newRow("dump of 1000 columns and 50000 empty rows")
            << emptyRows(1000, 50000) << "dump" << 1;

        const QByteArray records = plainRecords(4000);
        QTest::newRow("dump of 4000 records") << records << "dump" << 0;
        QTest::newRow("convert of 4000 records") << records << "convert" << 0;

        // Long column names and one-byte values: the XML form would be two
        // hundred times the size of the packet.
        QByteArray longNames;
        for (int i = 0; i < 200; ++i)
            longNames += column(QByteArray::number(i).rightJustified(255, 'N'), 0x00010001);
        const QByteArray tiny = QByteArray(1 + 50, '\0') + QByteArray(200, '\x07');
        QTest::newRow("convert of one-byte values under long names")
            << binaryPacket(200, longNames, 2000, tiny.repeated(2000)) << "convert" << 1;
    }
    void toolWithinTheBound()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, command);
        QFETCH(int, status);
        QTemporaryDir dir;
        const QString input = dir.filePath(QStringLiteral("in.cds"));
        QFile f(input);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        f.close();
        QStringList args { command, input };
        if (command == QLatin1String("convert"))
            args.append(dir.filePath(QStringLiteral("out.xml")));

        const ToolRun run = runTool(args);
        qint64 bound = 64 * bytes.size() + (qint64(64) << 20);
        // Under the address sanitizer the tool starts with far more memory
        // than it has of its own (the sanitizer's): that much comes on top.
        if (HeapMeter::available())
            bound += runTool({}).peakBytes;
        qInfo("%s: %lld bytes, exit %d in %lld ms, peak resident %lld MB (bound %lld MB)",
            QTest::currentDataTag(), qint64(bytes.size()), run.status, run.ms, run.peakBytes >> 20,
            bound >> 20);
        QCOMPARE(run.status, status);
        QVERIFY(run.peakBytes <= bound);
    }
};

QTEST_GUILESS_MAIN(TestHostileFiles)
#include "tst_hostilefiles.moc"
