// The answers of the library catalogues on untrusted bytes: an SRU answer
// with MARC records and Open Library's book data. Whatever they hold, every
// value the mapping gives fits its field of the review record.

#include "catalogue/CatalogueMapping.h"
#include "catalogue/MarcRecord.h"
#include "store/ReviewSchema.h"
#include "util/Codec1252.h"

#include <cstdio>
#include <cstdlib>

namespace {

[[noreturn]] void fault(const char *what)
{
    std::fprintf(stderr, "fuzz check failed: %s\n", what);
    std::abort();
}

void check(const CatalogueEntry &entry)
{
    static const QList<FieldDef> fields = ReviewFields();
    for (auto it = entry.values.begin(); it != entry.values.end(); ++it) {
        if (it.key() < 0 || it.key() >= fields.size())
            fault("a value for no field");
        const QVariant &v = it.value();
        switch (it.key()) {
        case fYearPublished:
            if (v.typeId() != QMetaType::Int || v.toInt() < 0 || v.toInt() > 9999)
                fault("a year that is none");
            break;
        case fPages:
            if (v.typeId() != QMetaType::Int || v.toInt() < 1 || v.toInt() > 99999)
                fault("a number of pages that is none");
            break;
        case fPrice:
            if (v.typeId() != QMetaType::Double || !(v.toDouble() > 0) || v.toDouble() > 1e8)
                fault("a price that is none");
            break;
        default: {
            const QString text = v.toString();
            if (v.typeId() != QMetaType::QString || text.isEmpty()
                || text.size() > fields[it.key()].entryLength)
                fault("a text that does not fit its field");
            if (!Codec1252::canEncode(text))
                fault("a text the review files cannot hold");
        }
        }
    }
    for (int field : { fCurrency, fBinding, fPagination }) {
        const QString value = entry.values.value(field).toString();
        if (!value.isEmpty()
            && !QStringList({ QStringLiteral("Fr"), QStringLiteral("€"), QStringLiteral("geb"),
                                QStringLiteral("brosch"), QStringLiteral("CD"), QStringLiteral("P"),
                                QStringLiteral("U") })
                    .contains(value))
            fault("a choice the form does not offer");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const QString isbn = QStringLiteral("9783789142123");
    MappingContext context;
    context.languages = { { QStringLiteral("- nicht übersetzt -"), QStringLiteral("-") },
        { QStringLiteral("Amerikanischen"), QStringLiteral("Amerikan") },
        { QStringLiteral("Englischen"), QStringLiteral("Engl") },
        { QStringLiteral("Schwedischen"), QStringLiteral("Schwed") } };

    SruAnswer answer;
    QString error;
    if (ParseSruAnswer(bytes, answer, &error)) {
        if (answer.records.size() > 100)
            fault("more records than kept");
        for (const MarcRecord &record : answer.records) {
            check(MapMarcRecord(record, isbn, context));
            context.currency = QStringLiteral("€");
            check(MapMarcRecord(record, isbn, context));
            context.currency = QStringLiteral("Fr");
        }
    } else if (error.isEmpty()) {
        fault("a refused answer without a reason");
    }

    CatalogueEntry entry;
    switch (ParseOpenLibraryAnswer(bytes, isbn, context, entry, &error)) {
    case OpenLibraryOutcome::Found:
        check(entry);
        break;
    case OpenLibraryOutcome::Malformed:
        if (error.isEmpty())
            fault("malformed JSON without a reason");
        break;
    case OpenLibraryOutcome::NotFound:
        break;
    }
    return 0;
}
