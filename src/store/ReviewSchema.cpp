#include "ReviewSchema.h"

#include <iterator>

namespace {

struct FieldRow
{
    const char16_t *name;
    FieldKind kind;
    int width;
    int entry;
    const char16_t *label; // nullptr: no label of its own
};

// Text fields keep their stored width even where a value takes fewer
// characters (Pagination and Recommendation): files written before declare
// the wide columns.
constexpr FieldRow kFields[] = {
    { u"BookNbr", FieldKind::Float, 0, 0, u"Buch Nummer" },
    { u"BookTitle", FieldKind::Text, 160, 160, u"Titel" },
    { u"BookSerie", FieldKind::Text, 60, 60, u"Serie" },
    { u"PublisherLocation", FieldKind::Text, 40, 40, u"Ort" },
    { u"Publisher", FieldKind::Text, 40, 40, u"Verlag" },
    { u"YearPublished", FieldKind::Integer, 0, 0, nullptr },
    { u"Pagination", FieldKind::Text, 20, 1, u"Paginierung" },
    { u"Pages", FieldKind::Integer, 0, 0, nullptr },
    { u"Binding", FieldKind::Text, 6, 6, u"Einband" },
    { u"Currency", FieldKind::Text, 2, 2, u"Währung" },
    { u"Price", FieldKind::Float, 0, 0, nullptr },
    { u"Author1Name", FieldKind::Text, 30, 30, u"Autor" },
    { u"Author1Firstname", FieldKind::Text, 20, 20, u"Vorname" },
    { u"Author2Name", FieldKind::Text, 30, 30, u"Autor 2" },
    { u"Author2Firstname", FieldKind::Text, 20, 20, u"Vorname 2" },
    { u"Author3Name", FieldKind::Text, 30, 30, u"Autor 3" },
    { u"Author3Firstname", FieldKind::Text, 20, 20, u"Vorname 3" },
    { u"Illustrator1Name", FieldKind::Text, 30, 30, u"Illustrator" },
    { u"Illustrator1FirstName", FieldKind::Text, 20, 20, u"Vorname" },
    { u"Illustrator2Name", FieldKind::Text, 30, 30, u"Illustrator 2" },
    { u"Illustrator2Firstname", FieldKind::Text, 20, 20, u"Vorname 2" },
    { u"Illustrator3Name", FieldKind::Text, 30, 30, u"Illustrator 3" },
    { u"Illustrator3Firstname", FieldKind::Text, 20, 20, u"Vorname 3" },
    { u"Translator1Name", FieldKind::Text, 30, 30, u"Übersetzer" },
    { u"Translator1Firstname", FieldKind::Text, 20, 20, u"Vorname" },
    { u"Translator2Name", FieldKind::Text, 30, 30, u"Übersetzer 2" },
    { u"Translator2Firstname", FieldKind::Text, 20, 20, u"Vorname 2" },
    { u"Language", FieldKind::Text, 20, 20, u"Sprache" },
    { u"Review", FieldKind::Text, 2048, 2048, u"Skribando" },
    { u"Agegroup", FieldKind::Text, 1, 1, u"Altersgruppe" },
    { u"Category", FieldKind::Text, 32, 32, u"Thema" },
    { u"Age", FieldKind::Integer, 0, 0, u"Lesealter" },
    { u"Recommendation", FieldKind::Text, 20, 4, u"Empfehlung" },
    { u"ReviewerInitials", FieldKind::Text, 8, 8, u"Initialen" },
};

static_assert(std::size(kFields) == ReviewFieldCount);

} // namespace

QList<FieldDef> ReviewFields()
{
    QList<FieldDef> fields;
    fields.reserve(ReviewFieldCount);
    for (const FieldRow &row : kFields) {
        FieldDef f;
        f.name = QString::fromUtf16(row.name);
        f.kind = row.kind;
        f.width = row.width;
        f.entryLength = row.entry;
        if (row.label)
            f.label = QString::fromUtf16(row.label);
        fields.append(f);
    }
    return fields;
}
