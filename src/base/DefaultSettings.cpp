#include "DefaultSettings.h"

#include "IniFile.h"

#include <iterator>
#include <variant>

namespace {

struct KeyValue
{
    const char16_t *key;
    const char16_t *value;
};

struct Setting
{
    const char16_t *section;
    const char16_t *key;
    std::variant<const char16_t *, int, bool> value;
};

constexpr const char16_t *kGoogleImageSearch = u"http://images.google.com/images?hl=de&q=";
constexpr const char16_t *kReviewerEmail = u"vorname.name@example.org";
constexpr const char16_t *kWebMailUrl = u"http://www.gmx.ch/";
constexpr const char16_t *kSruUrl = u"https://services.dnb.de/sru/dnb";
constexpr const char16_t *kOpenLibraryUrl = u"https://openlibrary.org/api/books";
constexpr const char16_t *kCoverUrl = u"https://portal.dnb.de/opac/mvb/cover";
constexpr const char16_t *kOpenLibraryCoverUrl = u"https://covers.openlibrary.org/b/isbn";

// Everything but the version and the lists, in file order.
constexpr Setting kSettings[] = {
    { u"Folders", u"VexRootFolder", u"Zadizezerev" },
    { u"Folders", u"VexDbFolder", u"DB" },
    { u"Folders", u"AskYearFolder", true },

    { u"Extensions", u"FormatDB", u".cds" },
    { u"Extensions", u"FormatHtml", u".htm" },
    { u"Extensions", u"FormatWord", u".doc" },
    { u"Extensions", u"FormatZip", u".zip" },

    { u"Reviewer", u"Firstname", u"X" },
    { u"Reviewer", u"Name", u"Y" },
    { u"Reviewer", u"Email", kReviewerEmail },
    { u"Reviewer", u"Initials", u"XY" },
    { u"Reviewer", u"WebMailUrl", kWebMailUrl },
    { u"Reviewer", u"WebMail", false },
    { u"Reviewer", u"SendMailZipped", true },
    { u"Reviewer", u"CreateWordDoc", false },
    { u"Reviewer", u"CreateWebPage", false },

    { u"Recipients", u"Firstname1", u"Anna" },
    { u"Recipients", u"Name1", u"Muster" },
    { u"Recipients", u"Email1", u"anna.muster@example.org" },
    { u"Recipients", u"Firstname2", u"Beat" },
    { u"Recipients", u"Name2", u"Beispiel" },
    { u"Recipients", u"Email2", u"beat.beispiel@example.org" },
    { u"Recipients", u"Subject", u"Besprechungsbericht" },
    { u"Recipients", u"Body1", u"Hallo %s,%shier kommen meine %d Besprechungen (%s)." },
    { u"Recipients", u"Body2", u"Hallo %s und %s,%shier kommen meine %d Besprechungen (%s)." },
    { u"Recipients", u"Body1Singular", u"Hallo %s,%shier kommt meine Besprechung (%s)." },
    { u"Recipients", u"Body2Singular", u"Hallo %s und %s,%shier kommt meine Besprechung (%s)." },
    { u"Recipients", u"Greetings", u"Mit liebem Gruss" },

    { u"DocStyle", u"DotFile", u"normal" },
    { u"DocStyle", u"Font", u"Arial" },
    { u"DocStyle", u"FontSize", 12 },

    { u"WEBpage", u"StyleSheet", u"ubo_morbel.css" },
    { u"WEBpage", u"RelativePath", u"../" },
    { u"WEBpage", u"Title", u"Besprechungen" },
    { u"WEBpage", u"SubTitle", u"Empfohlene Bücher" },
    { u"WEBpage", u"takeFromDirectory", true },
    { u"WEBpage", u"HomeLink", u"Zur Startseite" },
    { u"WEBpage", u"HomeURL", u"../../zirezudozoz.odov" },

    { u"WEBsearch", u"Amazone",
        u"http://www.amazon.de/gp/search?search-alias=aps&field-keywords=" },
    { u"WEBsearch", u"AOL", u"http://search.aol.com/aol/image?query=" },
    { u"WEBsearch", u"buch.ch",
        u"http://www.buch.ch/shop/bch_start_startseite/suche/?sswg=ANY&submit=schnellsuche&sq=" },
    { u"WEBsearch", u"Google", kGoogleImageSearch },
    { u"WEBsearch", u"Live Search", u"http://www.bing.com/images/results.aspx?q=" },

    { u"WEBsearchDefault", u"Default", u"Google" },

    { u"Catalogue", u"SruURL", kSruUrl },
    { u"Catalogue", u"OpenLibraryURL", kOpenLibraryUrl },
    { u"Catalogue", u"CoverURL", kCoverUrl },
    { u"Catalogue", u"OpenLibraryCoverURL", kOpenLibraryCoverUrl },
    { u"Catalogue", u"TimeoutSeconds", kDefaultCatalogueTimeoutSeconds },

    { u"Position", u"Top", 10 },
    { u"Position", u"Left", 10 },
    { u"Position", u"Width", 896 },
    { u"Position", u"Height", 606 },
    { u"Position", u"SplitterLeft", 264 },
};

// Long form (dative adjective after "aus dem") = short form of the record.
constexpr KeyValue kLanguages[] = {
    { u"- nicht übersetzt -", u"-" },
    { u"Amerikanischen", u"Amerikan" },
    { u"Arabischen", u"Arab" },
    { u"Baskischen", u"Bask" },
    { u"Bulgarischen", u"Bulgar" },
    { u"Chinesischen", u"Chines" },
    { u"Dänischen", u"Dän" },
    { u"Englischen", u"Engl" },
    { u"Finnischen", u"Finn" },
    { u"Flämischen", u"Fläm" },
    { u"Französischen", u"Franz" },
    { u"Griechischen", u"Griech" },
    { u"Hebräischen", u"Hebrä" },
    { u"Holländischen", u"Holländ" },
    { u"Isländischen", u"Isländ" },
    { u"Italienischen", u"Ital" },
    { u"Japanischen", u"Japan" },
    { u"Kroatischen", u"Kroat" },
    { u"Niederländischen", u"Niederländ" },
    { u"Norwegischen", u"Norweg" },
    { u"Polnischen", u"Poln" },
    { u"Portugiesischen", u"Portugies" },
    { u"Romanischen", u"Roman" },
    { u"Rumänischen", u"Rumän" },
    { u"Russischen", u"Russ" },
    { u"Schwedischen", u"Schwed" },
    { u"Serbischen", u"Serb" },
    { u"Slowakischen", u"Slowak" },
    { u"Spanischen", u"Span" },
    { u"Tschechischen", u"Tschech" },
    { u"Türkischen", u"Türk" },
    { u"Ungarischen", u"Ungar" },
    { u"Usbekischen", u"Usbek" },
};

static_assert(std::size(kLanguages) == 33);

// Publisher = town of its seat. Rowohlt is written twice on purpose: its line
// keeps the place of the first write and takes the town of the last.
constexpr KeyValue kPublishers[] = {
    { u"Altberliner", u"Berlin" },
    { u"Ammann", u"Zürich" },
    { u"Annette Betz", u"Wien" },
    { u"Arche", u"Zürich-Hamburg" },
    { u"Arena", u"Würzburg" },
    { u"Argon", u"Berlin" },
    { u"arsEdition", u"München" },
    { u"Artemis", u"Zürich" },
    { u"Atlantis", u"Zürich" },
    { u"Aufbau", u"Berlin" },
    { u"Aufbau Taschenbuch", u"Berlin" },
    { u"Audiolino", u"Hamburg" },
    { u"Bajazzo", u"Zürich" },
    { u"Baumhaus", u"Frankfurt a. M." },
    { u"Bärenreiter", u"Kassel" },
    { u"Beltz", u"Weinheim" },
    { u"Beltz+Gelberg", u"Weinheim" },
    { u"Bertelsmann", u"München" },
    { u"Bildung und Wissen", u"Nürnberg" },
    { u"Blessing", u"München" },
    { u"Bohem Press", u"Zürich" },
    { u"Boje", u"Köln" },
    { u"Bücherbär", u"Würzburg" },
    { u"Campus", u"Frankfurt a. M." },
    { u"Carlsen", u"Hamburg" },
    { u"cbj", u"München" },
    { u"cbt", u"München" },
    { u"cbj/cbt", u"München" },
    { u"Coppenrath", u"Münster" },
    { u"Cornelsen", u"Berlin" },
    { u"Dachs", u"Wien" },
    { u"Der Audio Verlag", u"Berlin" },
    { u"Deutsche Verlagsanstalt", u"München" },
    { u"Diogenes", u"Zürich" },
    { u"Dressler", u"Hamburg" },
    { u"Droemer Knaur", u"München" },
    { u"dtv", u"München" },
    { u"dtv junior", u"München" },
    { u"dtv Reihe Hanser", u"München" },
    { u"DuMont", u"Köln" },
    { u"Echter", u"Würzburg" },
    { u"Eichborn", u"Frankfurt a. M." },
    { u"Elefanten Press", u"Berlin" },
    { u"Ensslin", u"Reutlingen" },
    { u"Ellermann", u"Hamburg" },
    { u"Esslinger", u"Esslingen" },
    { u"Eulenspiegel", u"Berlin" },
    { u"Europa", u"Hamburg" },
    { u"Fischer", u"Frankfurt a. M." },
    { u"Fischer Schatzinsel", u"Frankfurt a. M." },
    { u"Fischer Taschenbuch", u"Frankfurt a. M." },
    { u"Fleurus", u"Köln" },
    { u"Freies Geistesleben", u"Stuttgart" },
    { u"Gabriel", u"Wien" },
    { u"Gerstenberg", u"Hildesheim" },
    { u"Globi", u"Zürich" },
    { u"Goldmann", u"München" },
    { u"Hanser", u"München" },
    { u"Haupt", u"Bern" },
    { u"Herder", u"Freiburg i. Br." },
    { u"Heyne", u"München" },
    { u"Hirnstorff", u"Rostock" },
    { u"Hoffmann und Campe", u"Hamburg" },
    { u"HörCompany", u"Hamburg" },
    { u"Hörverlag", u"München" },
    { u"Hugendubel", u"München" },
    { u"Igel Records", u"Dortmund" },
    { u"Insel", u"Frankfurt a. M." },
    { u"Jacoby+Stuart", u"Berlin" },
    { u"Jungbrunnen", u"Wien" },
    { u"Kaufmann", u"Lahr" },
    { u"Kerle bei Herder", u"Freiburg i. Br." },
    { u"Kiepenheuer", u"Köln" },
    { u"Kinderbuchverlag", u"Berlin" },
    { u"Kindermann", u"Berlin" },
    { u"Kindler", u"München" },
    { u"Klett-Cotta", u"Stuttgart" },
    { u"Klopp", u"Hamburg" },
    { u"Knaur", u"München" },
    { u"Kosmos", u"Stuttgart" },
    { u"Lappan", u"Oldenburg" },
    { u"Lenos", u"Basel" },
    { u"Lentz", u"München" },
    { u"Loewe", u"Bindlach" },
    { u"Luchterhand", u"München" },
    { u"Manesse", u"Zürich" },
    { u"Metz", u"Zürich" },
    { u"Metzler", u"Stuttgart" },
    { u"Moritz", u"Frankfurt a. M." },
    { u"moses", u"Kempen" },
    { u"Nagel+Kimche", u"Zürich" },
    { u"Neugebauer", u"Salzburg" },
    { u"Nilpferd in Residenz", u"St. Pölten" },
    { u"NordSüd", u"Zürich" },
    { u"NP Buchverlag", u"St. Pölten" },
    { u"Oetinger", u"Hamburg" },
    { u"Omnibus", u"München" },
    { u"Oncken", u"Wuppertal" },
    { u"Orell Füssli", u"Zürich" },
    { u"Otto Maier", u"Ravensburg" },
    { u"OZ", u"Rheinfelden" },
    { u"Patmos", u"Düsseldorf" },
    { u"Pattloch", u"München" },
    { u"Peter Hammer", u"Wuppertal" },
    { u"Picus", u"Wien" },
    { u"Piper", u"München" },
    { u"Prestel", u"München" },
    { u"Propyläen", u"Berlin" },
    { u"Ravensburger", u"Ravensburg" },
    { u"Reclam", u"Stuttgart" },
    { u"Residenz", u"Salzburg" },
    { u"rex", u"Luzern" },
    { u"Riki", u"Hamburg" },
    { u"Rowohlt", u"Berlin" },
    { u"Rowohlt Taschenbuch", u"Reinbek" },
    { u"Sauerländer", u"Aarau" },
    { u"Scherz", u"Bern" },
    { u"Siedler", u"Berlin" },
    { u"Suhrkamp", u"Frankfurt a. M." },
    { u"Tessloff", u"Nürnberg" },
    { u"Thienemann", u"Stuttgart" },
    { u"Tulipan", u"Berlin" },
    { u"Ueberreuter", u"Wien" },
    { u"Ullstein", u"Berlin" },
    { u"Urachhaus", u"Stuttgart" },
    { u"Velber", u"Freiburg i. Br." },
    { u"Zytglogge", u"Bern" },
    { u"Rowohlt", u"Reinbek" },
};

// 127 publishers, one of them written twice.
static_assert(std::size(kPublishers) == 128);

// The value of a topic is its first letter in upper case.
constexpr const char16_t *kTopics[] = {
    u"Abenteuer",
    u"Alter",
    u"Alternatives",
    u"Anekdoten",
    u"Angst",
    u"Anthologie",
    u"Aphorismen",
    u"Arbeitswelt",
    u"Arztroman",
    u"Ausländer",
    u"Ausreisser",
    u"Aussenseiter",
    u"Basteln",
    u"Behinderung",
    u"Bergsteigen",
    u"Beruf",
    u"Bilderbuch",
    u"Bildergeschichte",
    u"Biographisches",
    u"Biologie",
    u"Botanik",
    u"Briefe",
    u"Buch zum Film",
    u"Chemie",
    u"Comic",
    u"Computer",
    u"Cyberspace",
    u"Dinosaurier",
    u"Drama",
    u"Dritte Welt",
    u"Elektrizität",
    u"Entwicklung",
    u"Erstes Lesealter",
    u"Erzählung",
    u"Erziehung",
    u"Esoterik",
    u"Essay",
    u"Experimente",
    u"Fabel",
    u"Fabelwesen",
    u"Familie",
    u"Familienkonflikt",
    u"Fantasy",
    u"Ferien",
    u"Fest",
    u"Flieger",
    u"Flüchtling",
    u"Frau und Gesellschaft",
    u"Frau",
    u"Fremdes Land",
    u"Freundschaft",
    u"Gedichte",
    u"Gefangenschaft",
    u"Geografie",
    u"Generationenproblem",
    u"Gesammelte Werke",
    u"Gesellschaftskritik",
    u"Gesellschaft",
    u"Gespenster",
    u"Gewalt",
    u"Gruseln",
    u"Heimat",
    u"Heiteres",
    u"Hexen",
    u"Historisches",
    u"Historisches 1. Weltkrieg",
    u"Historisches 2. Weltkrieg",
    u"Historisches 60er Jahre",
    u"Historisches Altertum",
    u"Historisches Mittelalter",
    u"Historisches Nachkriegszeit",
    u"Historisches Neuzeit",
    u"Historisches Urgeschichte",
    u"Historisches Schweiz",
    u"Homosexualität",
    u"Horror",
    u"Humor",
    u"Indianer",
    u"Informatik",
    u"Inzest",
    u"Islam",
    u"Jagd",
    u"Judentum",
    u"Jugendbande",
    u"Jugendproblem",
    u"Junge Erwachsene",
    u"Justiz",
    u"Kabarett",
    u"Kasper",
    u"Kindheit",
    u"Klassiker",
    u"Knaben",
    u"Komödie",
    u"Krankheit",
    u"Krieg",
    u"Krimi",
    u"Kriminalität",
    u"Künstler",
    u"Kunst",
    u"Lebenserfahrung",
    u"Legende",
    u"Lexikon",
    u"Liebe",
    u"Literatur",
    u"Luftfahrt",
    u"Lustiges",
    u"Mädchen",
    u"Märchen",
    u"Mafia",
    u"Mann",
    u"Mathematik",
    u"Medizin",
    u"Meereskunde",
    u"Midlife Crisis",
    u"Militär",
    u"Minderheiten",
    u"Mundart",
    u"Musik",
    u"Mut",
    u"Nationalsozialismus",
    u"Naturwissenschaft",
    u"Natur",
    u"Ostern",
    u"Partnerschaft",
    u"Pflanzen",
    u"Phantasie",
    u"Philosophisches",
    u"Physik",
    u"Pioniere",
    u"Piraten",
    u"Politisches",
    u"Probleme",
    u"Psychologisches",
    u"Pubertät",
    u"Radikalismus",
    u"Rätsel",
    u"Räuber",
    u"Rassismus",
    u"Raumfahrt",
    u"Reisen",
    u"Religionen",
    u"Religiöses",
    u"Ritter",
    u"Sagen",
    u"Satire",
    u"Scheidung",
    u"Schicksal",
    u"Schule",
    u"Science-Fiction",
    u"Seefahrt",
    u"Sexueller Missbrauch",
    u"Soziales",
    u"Spiel",
    u"Spielbuch",
    u"Spionage",
    u"Sport",
    u"Sport Fussball",
    u"Sport Tennis",
    u"Sucht",
    u"Tanz",
    u"Tatsache",
    u"Technik",
    u"Theater",
    u"Thriller",
    u"Tiere",
    u"Tod",
    u"TV-Serie",
    u"Umwelt",
    u"Umzug",
    u"Vampire",
    u"Verfilmtes Buch",
    u"Völker",
    u"Vorlesen",
    u"Weihnachten",
    u"Western",
    u"Wirtschaft",
    u"Wissenschaft",
    u"Witze",
    u"Zaubern",
    u"Zeichnen",
    u"Zeitgeschichte",
    u"Zeitkritik",
    u"Zirkus",
    u"Zoo",
    u"Zoologie",
    u"Zweisprachig",
};

static_assert(std::size(kTopics) == 186);

QString text(const char16_t *s) { return QString::fromUtf16(s); }

void writeList(
    IniFile &settings, const QString &section, const KeyValue *begin, const KeyValue *end)
{
    for (const KeyValue *kv = begin; kv != end; ++kv)
        settings.writeString(section, text(kv->key), text(kv->value));
}

} // namespace

QString GoogleImageSearchUrl() { return text(kGoogleImageSearch); }

QString DefaultReviewerEmail() { return text(kReviewerEmail); }

QString DefaultWebMailUrl() { return text(kWebMailUrl); }

QString DefaultSruUrl() { return text(kSruUrl); }

QString DefaultOpenLibraryUrl() { return text(kOpenLibraryUrl); }

QString DefaultCoverUrl() { return text(kCoverUrl); }

QString DefaultOpenLibraryCoverUrl() { return text(kOpenLibraryCoverUrl); }

void WriteDefaultSettings(IniFile &settings, const QString &versionText)
{
    settings.writeString(QStringLiteral("Program Info"), QStringLiteral("Version"), versionText);
    for (const Setting &s : kSettings) {
        const QString section = text(s.section);
        const QString key = text(s.key);
        if (const auto *value = std::get_if<const char16_t *>(&s.value))
            settings.writeString(section, key, text(*value));
        else if (const auto *number = std::get_if<int>(&s.value))
            settings.writeInteger(section, key, *number);
        else
            settings.writeBool(section, key, std::get<bool>(s.value));
    }
    WriteDefaultLanguages(settings);
    WriteDefaultPublishers(settings);
    WriteDefaultTopics(settings);
}

void WriteDefaultLanguages(IniFile &settings)
{
    writeList(settings, QStringLiteral("Languages"), std::begin(kLanguages), std::end(kLanguages));
}

void WriteDefaultPublishers(IniFile &settings)
{
    writeList(
        settings, QStringLiteral("Publishers"), std::begin(kPublishers), std::end(kPublishers));
}

void WriteDefaultTopics(IniFile &settings)
{
    const QString section = QStringLiteral("Topics");
    for (const char16_t *topic : kTopics) {
        const QString key = text(topic);
        settings.writeString(section, key, key.left(1).toUpper());
    }
}
