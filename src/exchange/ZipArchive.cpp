#include "ZipArchive.h"

#include "ZipLayout.h"
#include "util/CodecCp850.h"
#include "util/SafeWrite.h"

#include <QDateTime>
#include <QFile>
#include <QList>

#include <sys/stat.h>
#include <zip.h>
#include <zlib.h>

#include <algorithm>
#include <cstring>

namespace {

constexpr qint64 kChunk = 64 * 1024;

QString germanZipError(int code)
{
    switch (code) {
    case ZIP_ER_OK:
        return {};
    case ZIP_ER_NOZIP:
        return QStringLiteral("Die Datei ist kein Zip-Archiv.");
    case ZIP_ER_NOENT:
        return QStringLiteral("Die Datei wurde nicht gefunden.");
    case ZIP_ER_OPEN:
    case ZIP_ER_READ:
    case ZIP_ER_SEEK:
        return QStringLiteral("Die Datei kann nicht gelesen werden.");
    case ZIP_ER_CRC:
        return QStringLiteral("Die Prüfsumme stimmt nicht: die Daten sind beschädigt.");
    case ZIP_ER_INCONS:
    case ZIP_ER_ZLIB:
    case ZIP_ER_EOF:
        return QStringLiteral("Das Zip-Archiv ist beschädigt.");
    case ZIP_ER_COMPNOTSUPP:
        return QStringLiteral("Die Kompressionsart wird nicht unterstützt.");
    case ZIP_ER_ENCRNOTSUPP:
    case ZIP_ER_NOPASSWD:
    case ZIP_ER_WRONGPASSWD:
        return QStringLiteral("Der Eintrag ist verschlüsselt.");
    case ZIP_ER_MEMORY:
        return QStringLiteral("Der Speicher reicht nicht aus.");
    case ZIP_ER_WRITE:
    case ZIP_ER_TMPOPEN:
    case ZIP_ER_RENAME:
    case ZIP_ER_CLOSE:
        return QStringLiteral("Die Datei kann nicht geschrieben werden.");
    default:
        return QStringLiteral("Fehler des Zip-Archivs Nr. %1.").arg(code);
    }
}

quint16 get16(const QByteArray &b, qsizetype at)
{
    return quint16(quint8(b[at]) | quint8(b[at + 1]) << 8);
}

quint32 get32(const QByteArray &b, qsizetype at)
{
    return quint32(get16(b, at)) | quint32(get16(b, at + 2)) << 16;
}

// The library marks every name whose bytes also read as UTF-8 as UTF-8, code
// page 850 names among them; the names are code page 850 throughout, so the
// mark comes off again in the local and the central headers.
void clearUtf8Flags(QByteArray &zip)
{
    constexpr char kUtf8Bit = 0x08; // bit 11 of the flags, in their high byte
    const qsizetype end = zip.size() - 22;
    if (end < 0 || get32(zip, end) != 0x06054b50)
        return;
    const int count = get16(zip, end + 10);
    qsizetype at = get32(zip, end + 16);
    for (int i = 0; i < count; ++i) {
        if (at < 0 || at + 46 > end || get32(zip, at) != 0x02014b50)
            return;
        zip[at + 9] = char(zip[at + 9] & ~kUtf8Bit);
        const qsizetype local = get32(zip, at + 42);
        if (local + 30 <= at && get32(zip, local) == 0x04034b50)
            zip[local + 7] = char(zip[local + 7] & ~kUtf8Bit);
        at += 46 + get16(zip, at + 28) + get16(zip, at + 30) + get16(zip, at + 32);
    }
}

void put16(QByteArray &b, qsizetype at, quint16 v)
{
    b[at] = char(v & 0xFF);
    b[at + 1] = char(v >> 8);
}

void put32(QByteArray &b, qsizetype at, quint32 v)
{
    put16(b, at, quint16(v & 0xFFFF));
    put16(b, at + 2, quint16(v >> 16));
}

bool hasExtraField(const QByteArray &extra, quint16 id)
{
    for (qsizetype x = 0; x + 4 <= extra.size(); x += 4 + get16(extra, x + 2)) {
        if (get16(extra, x) == id)
            return true;
    }
    return false;
}

constexpr quint16 kUnicodePath = 0x7075;

// The Unicode Path field for a code page 850 name; nothing for plain ASCII,
// which every reader reads alike.
QByteArray unicodePathField(const QByteArray &name)
{
    if (std::all_of(name.cbegin(), name.cend(), [](char c) { return quint8(c) < 0x80; }))
        return {};
    const QByteArray utf8 = CodecCp850::decode(name).toUtf8();
    QByteArray field(9, '\0');
    put16(field, 0, kUnicodePath);
    put16(field, 2, quint16(qMin<qsizetype>(5 + utf8.size(), 0xFFFF)));
    field[4] = 1; // version
    put32(field, 5,
        quint32(crc32(crc32(0, nullptr, 0), reinterpret_cast<const Bytef *>(name.constData()),
            uInt(name.size()))));
    return field + utf8;
}

} // namespace

// The archive is one the library has just written; anything but the plain
// layout expected of it is left alone rather than guessed at.
bool AddUnicodePathFields(QByteArray &zip)
{
    constexpr quint16 kZip64 = 0x0001;
    const qsizetype end = zip.size() - 22;
    if (end < 0 || get32(zip, end) != 0x06054b50 || get16(zip, end + 4) != 0
        || get16(zip, end + 6) != 0 || get16(zip, end + 20) != 0)
        return false;
    if (end >= 20 && get32(zip, end - 20) == 0x07064b50)
        return false;
    const int count = get16(zip, end + 10);
    const qsizetype centralSize = get32(zip, end + 12);
    const qsizetype centralStart = get32(zip, end + 16);
    if (get16(zip, end + 8) != count || centralStart + centralSize != end)
        return false;

    struct Header
    {
        qsizetype central = 0; // where the central header starts
        qsizetype centralLength = 0; // the fixed part, name, extra field and comment
        qsizetype local = 0;
        qsizetype localHeaderLength = 0; // the fixed part, name and extra field
        QByteArray field; // the Unicode Path field to add, or nothing
    };
    QList<Header> headers;
    headers.reserve(count);
    bool any = false;
    qsizetype at = centralStart;
    for (int i = 0; i < count; ++i) {
        if (at + 46 > end || get32(zip, at) != 0x02014b50)
            return false;
        Header h;
        h.central = at;
        const int nameLength = get16(zip, at + 28);
        const int extraLength = get16(zip, at + 30);
        h.centralLength = 46 + nameLength + extraLength + get16(zip, at + 32);
        h.local = get32(zip, at + 42);
        if (at + h.centralLength > end || get32(zip, at + 20) == 0xFFFFFFFF
            || get32(zip, at + 24) == 0xFFFFFFFF || h.local == 0xFFFFFFFF)
            return false;
        // The entries lie in the order of the directory, the first at the start.
        const bool inOrder = headers.isEmpty() ? h.local == 0 : h.local > headers.last().local;
        if (!inOrder || h.local + 30 > centralStart || get32(zip, h.local) != 0x04034b50)
            return false;
        const QByteArray name = zip.mid(at + 46, nameLength);
        const int localNameLength = get16(zip, h.local + 26);
        const int localExtraLength = get16(zip, h.local + 28);
        h.localHeaderLength = 30 + localNameLength + localExtraLength;
        if (h.local + h.localHeaderLength > centralStart
            || zip.mid(h.local + 30, localNameLength) != name)
            return false;
        const QByteArray centralExtra = zip.mid(at + 46 + nameLength, extraLength);
        const QByteArray localExtra = zip.mid(h.local + 30 + localNameLength, localExtraLength);
        if (hasExtraField(centralExtra, kUnicodePath) || hasExtraField(localExtra, kUnicodePath)
            || hasExtraField(centralExtra, kZip64) || hasExtraField(localExtra, kZip64))
            return false;
        h.field = unicodePathField(name);
        if (h.field.size() + qMax(extraLength, localExtraLength) > 0xFFFF)
            return false;
        any = any || !h.field.isEmpty();
        headers.append(h);
        at += h.centralLength;
    }
    if (at != end || !any)
        return false;

    QByteArray out;
    out.reserve(zip.size() + 64 * count);
    QList<qsizetype> newLocal;
    newLocal.reserve(count);
    for (int i = 0; i < count; ++i) {
        const Header &h = headers[i];
        // The entry runs up to the next one, data descriptor included.
        const qsizetype next = i + 1 < count ? headers[i + 1].local : centralStart;
        if (next < h.local + h.localHeaderLength)
            return false;
        newLocal.append(out.size());
        const qsizetype header = out.size();
        out += zip.mid(h.local, h.localHeaderLength);
        out += h.field;
        put16(out, header + 28, quint16(get16(zip, h.local + 28) + h.field.size()));
        out += zip.mid(h.local + h.localHeaderLength, next - h.local - h.localHeaderLength);
    }
    const qsizetype newCentral = out.size();
    for (int i = 0; i < count; ++i) {
        const Header &h = headers[i];
        const qsizetype header = out.size();
        const qsizetype extraEnd = 46 + get16(zip, h.central + 28) + get16(zip, h.central + 30);
        out += zip.mid(h.central, extraEnd);
        out += h.field;
        out += zip.mid(h.central + extraEnd, h.centralLength - extraEnd);
        put16(out, header + 30, quint16(get16(zip, h.central + 30) + h.field.size()));
        put32(out, header + 42, quint32(newLocal[i]));
    }
    const qsizetype newEnd = out.size();
    if (newEnd > 0xFFFFFFFF - 22)
        return false;
    out += zip.mid(end, 22);
    put32(out, newEnd + 12, quint32(newEnd - newCentral));
    put32(out, newEnd + 16, quint32(newCentral));
    zip = out;
    return true;
}

struct ZipArchive::Handle
{
    zip_t *za = nullptr;
    // The memory a created archive is put together in.
    zip_source_t *buffer = nullptr;
    bool writing = false;

    ~Handle()
    {
        if (za)
            zip_discard(za);
        if (buffer)
            zip_source_free(buffer);
    }
};

ZipArchive::ZipArchive() = default;

ZipArchive::~ZipArchive()
{
    // The archive may still read the bytes it was opened on.
    Discard();
}

void ZipArchive::setError(int zipErrorCode, const QString &what)
{
    m_error = what.isEmpty() ? germanZipError(zipErrorCode)
                             : what + QStringLiteral(": ") + germanZipError(zipErrorCode);
}

void ZipArchive::Discard()
{
    m_zip.reset();
    m_bytes.clear();
}

bool ZipArchive::Create(const QString &path)
{
    Discard();
    m_path = path;
    m_error.clear();
    auto h = std::make_unique<Handle>();
    zip_error_t error;
    zip_error_init(&error);
    h->buffer = zip_source_buffer_create(nullptr, 0, 0, &error);
    if (h->buffer)
        h->za = zip_open_from_source(h->buffer, ZIP_TRUNCATE, &error);
    if (!h->za) {
        setError(zip_error_code_zip(&error));
        zip_error_fini(&error);
        return false;
    }
    zip_error_fini(&error);
    // The archive keeps the buffer; the buffer outlives it for the bytes.
    zip_source_keep(h->buffer);
    h->writing = true;
    m_zip = std::move(h);
    return true;
}

namespace {

// Finished deflate data of one file, handed to the archive as they are.
struct Deflated
{
    QByteArray data;
    quint64 size = 0;
    quint32 crc = 0;
    time_t mtime = 0;
    qsizetype position = 0;
    zip_error_t error;
};

zip_int64_t deflatedSource(void *userdata, void *data, zip_uint64_t length, zip_source_cmd_t cmd)
{
    auto *d = static_cast<Deflated *>(userdata);
    switch (cmd) {
    case ZIP_SOURCE_OPEN:
        d->position = 0;
        return 0;
    case ZIP_SOURCE_READ: {
        const qsizetype n
            = qsizetype(qMin<zip_uint64_t>(length, quint64(d->data.size() - d->position)));
        memcpy(data, d->data.constData() + d->position, size_t(n));
        d->position += n;
        return n;
    }
    case ZIP_SOURCE_CLOSE:
        return 0;
    case ZIP_SOURCE_STAT: {
        auto *st = static_cast<zip_stat_t *>(data);
        zip_stat_init(st);
        st->size = d->size;
        st->comp_size = zip_uint64_t(d->data.size());
        st->comp_method = ZIP_CM_DEFLATE;
        st->encryption_method = ZIP_EM_NONE;
        st->crc = d->crc;
        st->mtime = d->mtime;
        st->valid = ZIP_STAT_SIZE | ZIP_STAT_COMP_SIZE | ZIP_STAT_COMP_METHOD
            | ZIP_STAT_ENCRYPTION_METHOD | ZIP_STAT_CRC | ZIP_STAT_MTIME;
        return sizeof(*st);
    }
    case ZIP_SOURCE_ERROR:
        return zip_error_to_data(&d->error, data, length);
    case ZIP_SOURCE_FREE:
        zip_error_fini(&d->error);
        delete d;
        return 0;
    case ZIP_SOURCE_SUPPORTS:
        return zip_source_make_command_bitmap(ZIP_SOURCE_OPEN, ZIP_SOURCE_READ, ZIP_SOURCE_CLOSE,
            ZIP_SOURCE_STAT, ZIP_SOURCE_ERROR, ZIP_SOURCE_FREE, -1);
    default:
        zip_error_set(&d->error, ZIP_ER_OPNOTSUPP, 0);
        return -1;
    }
}

// Raw deflate at zlib's fastest level. JPEG data are entropy coded already:
// looking for repeats in them costs three times the time and finds nothing,
// so they get the Huffman coding alone.
bool deflateBytes(const QByteArray &in, QByteArray &out)
{
    const bool jpeg = in.startsWith("\xFF\xD8\xFF");
    z_stream z {};
    if (deflateInit2(&z, 1, Z_DEFLATED, -15, 8, jpeg ? Z_HUFFMAN_ONLY : Z_DEFAULT_STRATEGY) != Z_OK)
        return false;
    out.resize(qsizetype(deflateBound(&z, uLong(in.size()))));
    z.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(in.constData()));
    z.avail_in = uInt(in.size());
    z.next_out = reinterpret_cast<Bytef *>(out.data());
    z.avail_out = uInt(out.size());
    const int result = deflate(&z, Z_FINISH);
    out.resize(qsizetype(z.total_out));
    deflateEnd(&z);
    return result == Z_STREAM_END;
}

// Classic zip entries stay below 4 GiB; no Zip64 records.
constexpr qint64 kClassicLimit = 0xFFFFFFFFll;

} // namespace

bool ZipArchive::AddFile(const QString &sourcePath, const QByteArray &entryName)
{
    if (!m_zip || !m_zip->writing)
        return false;
    zip_t *za = m_zip->za;
    QFile file(sourcePath);
    if (!file.exists()) {
        setError(ZIP_ER_NOENT, sourcePath);
        return false;
    }
    if (!file.open(QIODevice::ReadOnly) || file.size() >= kClassicLimit) {
        setError(ZIP_ER_READ, sourcePath);
        return false;
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        setError(ZIP_ER_READ, sourcePath);
        return false;
    }
    auto *d = new Deflated;
    zip_error_init(&d->error);
    d->size = quint64(bytes.size());
    d->crc = quint32(crc32(crc32(0, nullptr, 0), reinterpret_cast<const Bytef *>(bytes.constData()),
        uInt(bytes.size())));
    d->mtime = time_t(file.fileTime(QFileDevice::FileModificationTime).toSecsSinceEpoch());
    if (!deflateBytes(bytes, d->data)) {
        zip_error_fini(&d->error);
        delete d;
        setError(ZIP_ER_ZLIB, sourcePath);
        return false;
    }
    zip_source_t *source = zip_source_function(za, deflatedSource, d);
    if (!source) {
        zip_error_fini(&d->error);
        delete d;
        setError(zip_error_code_zip(zip_get_error(za)), sourcePath);
        return false;
    }
    // Kept as the given bytes with the UTF-8 flag clear (see Close). The
    // library refuses to call bytes code page 437 that also read as UTF-8;
    // guessing keeps them just as well.
    zip_int64_t index = zip_file_add(za, entryName.constData(), source, ZIP_FL_ENC_CP437);
    if (index < 0)
        index = zip_file_add(za, entryName.constData(), source, ZIP_FL_ENC_GUESS);
    if (index < 0) {
        setError(zip_error_code_zip(zip_get_error(za)), sourcePath);
        zip_source_free(source);
        return false;
    }
    return true;
}

bool ZipArchive::Close()
{
    if (!m_zip)
        return true;
    if (!m_zip->writing) {
        Discard();
        return true;
    }
    zip_t *za = m_zip->za;
    if (zip_close(za) != 0) {
        setError(zip_error_code_zip(zip_get_error(za)));
        Discard();
        return false;
    }
    m_zip->za = nullptr;
    zip_source_t *buffer = m_zip->buffer;
    QByteArray bytes;
    zip_stat_t st;
    zip_stat_init(&st);
    bool ok = zip_source_open(buffer) == 0;
    if (ok && zip_source_stat(buffer, &st) == 0 && (st.valid & ZIP_STAT_SIZE)) {
        bytes.resize(qsizetype(st.size));
        ok = zip_source_read(buffer, bytes.data(), st.size) == zip_int64_t(st.size);
    } else {
        ok = false;
    }
    zip_source_close(buffer);
    Discard();
    if (!ok) {
        setError(ZIP_ER_MEMORY);
        return false;
    }
    clearUtf8Flags(bytes);
    AddUnicodePathFields(bytes);
    QString writeError;
    if (!WriteFileSafely(m_path, bytes, &writeError)) {
        m_error = QStringLiteral("Die Datei kann nicht geschrieben werden: ") + writeError;
        return false;
    }
    return true;
}

bool ZipArchive::OpenFile(const QString &path)
{
    Discard();
    m_path = path;
    m_error.clear();
    int code = 0;
    zip_t *za = zip_open(QFile::encodeName(path).constData(), ZIP_RDONLY, &code);
    if (!za) {
        setError(code);
        return false;
    }
    m_zip = std::make_unique<Handle>();
    m_zip->za = za;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        Discard();
        setError(ZIP_ER_OPEN);
        return false;
    }
    return checkLayout(quint64(file.size()), [&file](quint64 offset, qint64 length) {
        return file.seek(qint64(offset)) ? file.read(length) : QByteArray();
    });
}

bool ZipArchive::checkLayout(quint64 size, const ZipReadAt &read)
{
    QString error;
    const std::optional<QList<ZipLayoutEntry>> entries = CheckZipLayout(size, read, &error);
    // The library must see the same entries, else one of the two was led
    // astray by the archive.
    bool same = entries && entries->size() == zip_get_num_entries(m_zip->za, 0);
    for (qsizetype i = 0; same && i < entries->size(); ++i) {
        zip_stat_t st;
        zip_stat_init(&st);
        const ZipLayoutEntry &e = entries->at(i);
        same = zip_stat_index(m_zip->za, zip_uint64_t(i), 0, &st) == 0
            && (st.valid & (ZIP_STAT_SIZE | ZIP_STAT_COMP_SIZE | ZIP_STAT_COMP_METHOD))
                == (ZIP_STAT_SIZE | ZIP_STAT_COMP_SIZE | ZIP_STAT_COMP_METHOD)
            && st.size == e.size && st.comp_size == e.compressedSize && st.comp_method == e.method;
    }
    if (same)
        return true;
    Discard();
    if (entries)
        setError(ZIP_ER_INCONS);
    else
        m_error = error;
    return false;
}

bool ZipArchive::OpenBytes(const QByteArray &bytes)
{
    Discard();
    m_path.clear();
    m_error.clear();
    m_bytes = bytes;
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t *source
        = zip_source_buffer_create(m_bytes.constData(), zip_uint64_t(m_bytes.size()), 0, &error);
    zip_t *za = source ? zip_open_from_source(source, ZIP_RDONLY, &error) : nullptr;
    if (!za) {
        setError(zip_error_code_zip(&error));
        zip_error_fini(&error);
        if (source)
            zip_source_free(source);
        m_bytes.clear();
        return false;
    }
    zip_error_fini(&error);
    m_zip = std::make_unique<Handle>();
    m_zip->za = za;
    const QByteArray &kept = m_bytes;
    return checkLayout(quint64(kept.size()), [&kept](quint64 offset, qint64 length) {
        return offset > quint64(kept.size()) ? QByteArray() : kept.mid(qsizetype(offset), length);
    });
}

int ZipArchive::Count() const
{
    if (!m_zip || !m_zip->za)
        return 0;
    const zip_int64_t n = zip_get_num_entries(m_zip->za, 0);
    return n < 0 ? 0 : int(qMin<zip_int64_t>(n, INT_MAX));
}

ZipArchive::Entry ZipArchive::EntryAt(int index) const
{
    Entry e;
    if (!m_zip || !m_zip->za || index < 0)
        return e;
    zip_t *za = m_zip->za;
    const auto i = zip_uint64_t(index);
    const char *raw = zip_get_name(za, i, ZIP_FL_ENC_RAW);
    if (!raw)
        return e;
    e.rawName = QByteArray(raw);
    // Read strictly, a name is converted from code page 437 unless the entry
    // marks it as UTF-8; a name with bytes above 127 comes back unchanged
    // exactly when the mark is set.
    const char *strict = zip_get_name(za, i, ZIP_FL_ENC_STRICT);
    e.utf8 = strict && QByteArray(strict) == e.rawName;
    zip_stat_t st;
    zip_stat_init(&st);
    if (zip_stat_index(za, i, 0, &st) == 0 && (st.valid & ZIP_STAT_SIZE))
        e.size = st.size;
    zip_uint8_t opsys = 0;
    zip_uint32_t attributes = 0;
    if (zip_file_get_external_attributes(za, i, 0, &opsys, &attributes) == 0
        && opsys == ZIP_OPSYS_UNIX) {
        const zip_uint32_t mode = (attributes >> 16) & S_IFMT;
        e.isLink = mode == S_IFLNK;
        e.isDirectory = mode == S_IFDIR;
    }
    if (e.rawName.endsWith('/') || e.rawName.endsWith('\\'))
        e.isDirectory = true;
    return e;
}

bool ZipArchive::ReadEntry(
    int index, quint64 limit, const std::function<bool(const char *, qint64)> &sink)
{
    if (!m_zip || !m_zip->za || index < 0) {
        setError(ZIP_ER_INVAL);
        return false;
    }
    zip_t *za = m_zip->za;
    const Entry e = EntryAt(index);
    if (e.size > limit) {
        setError(ZIP_ER_INCONS);
        return false;
    }
    zip_file_t *file = zip_fopen_index(za, zip_uint64_t(index), 0);
    if (!file) {
        setError(zip_error_code_zip(zip_get_error(za)));
        return false;
    }
    QByteArray chunk(kChunk, Qt::Uninitialized);
    quint64 total = 0;
    bool ok = true;
    for (;;) {
        const zip_int64_t n = zip_fread(file, chunk.data(), zip_uint64_t(kChunk));
        if (n < 0) {
            setError(zip_error_code_zip(zip_file_get_error(file)));
            ok = false;
            break;
        }
        if (n == 0)
            break;
        total += quint64(n);
        // Data beyond the declared size are damage, and a bomb's way of
        // growing without bound.
        if (total > e.size) {
            setError(ZIP_ER_INCONS);
            ok = false;
            break;
        }
        if (!sink(chunk.constData(), n)) {
            ok = false;
            break;
        }
    }
    zip_fclose(file);
    if (ok && total != e.size) {
        setError(ZIP_ER_INCONS);
        ok = false;
    }
    return ok;
}
