#include "cacheapi/text/textconversion.h"

#include <QStringList>
#include <optional>

namespace {

// One German letter in its four spellings; null where a form does not exist.
struct CharacterForms
{
    char16_t display;
    char16_t stored;
    const char *rtf;
    const char *search;
};

// The order of the rows is the order in which every mode replaces.
const CharacterForms characterTable[] = {
    {u'ä', u'{', R"(\'e4)", nullptr}, {u'ö', u'|', R"(\'f6)", nullptr},
    {u'ü', u'}', R"(\'fc)", nullptr}, {u'ß', u'~', R"(\'df)", "SS"},
    {u'Ä', u'[', R"(\'C4)", "AE"},    {u'Ö', u'\\', R"(\'d6)", "OE"},
    {u'Ü', u']', R"(\'dc)", "UE"},    {u'§', u'õ', nullptr, nullptr},
};

struct Replacement
{
    QString such;
    QString durch;
};

using ReplacementOf = std::optional<Replacement> (*)(const CharacterForms &row);

struct Mode
{
    const char *name;
    bool ganz;
    ReplacementOf replacementOf;
};

std::optional<Replacement> displayToStored(const CharacterForms &row)
{
    return Replacement{QChar(row.display), QChar(row.stored)};
}

std::optional<Replacement> storedToDisplay(const CharacterForms &row)
{
    return Replacement{QChar(row.stored), QChar(row.display)};
}

// | and \ also occur in texts as themselves, so this mode leaves them alone.
std::optional<Replacement> storedToDisplayKeepingBars(const CharacterForms &row)
{
    if (row.stored == u'|' || row.stored == u'\\')
        return std::nullopt;
    return storedToDisplay(row);
}

std::optional<Replacement> displayToRtf(const CharacterForms &row)
{
    if (!row.rtf)
        return std::nullopt;
    return Replacement{QChar(row.display), QString::fromLatin1(row.rtf)};
}

std::optional<Replacement> displayToSearch(const CharacterForms &row)
{
    if (!row.search)
        return std::nullopt;
    return Replacement{QChar(row.display), QString::fromLatin1(row.search)};
}

const Mode modes[] = {
    {"GUIKARVEN", false, displayToStored},           {"KARVEN", false, storedToDisplay},
    {"KARVENSZ", false, storedToDisplayKeepingBars}, {"RTF", true, displayToRtf},
    {"KARVENSUCHE", true, displayToSearch},
};

const Mode *findMode(const QString &name)
{
    for (const Mode &mode : modes) {
        if (name == QLatin1String(mode.name))
            return &mode;
    }
    return nullptr;
}

// Unicode upper case, except that ß must not become "SS": the stored form
// has a character of its own for it.
QString upperKeepingSharpS(const QString &text)
{
    const QChar sharpS(u'ß');
    QStringList pieces = text.split(sharpS);
    for (QString &piece : pieces)
        piece = piece.toUpper();
    return pieces.join(sharpS);
}

// The first character of text, both halves of a surrogate pair included.
QString firstCharacter(const QString &text)
{
    if (text.size() >= 2 && text.at(0).isHighSurrogate() && text.at(1).isLowSurrogate())
        return text.left(2);
    return text.left(1);
}

} // namespace

QString Umwandeln(const QString &text, const QString &mode, bool gross)
{
    QString result = gross ? upperKeepingSharpS(text) : text;
    const Mode *found = findMode(mode);
    if (!found)
        return result;
    for (const CharacterForms &row : characterTable) {
        if (const std::optional<Replacement> replacement = found->replacementOf(row))
            result = Ersetze(result, replacement->such, replacement->durch, found->ganz);
    }
    return result;
}

QString Ersetze(const QString &text, const QString &such, const QString &durch, bool ganz)
{
    const QString searched = ganz ? such : firstCharacter(such);
    const QString replacement = ganz ? durch : firstCharacter(durch);
    // An empty search text would match everywhere without moving on.
    if (searched.isEmpty())
        return text;

    // One pass that appends each piece once, so the cost stays linear in the
    // length of the text however many matches it holds.
    QString result;
    result.reserve(text.size());
    qsizetype position = 0;
    for (qsizetype match = text.indexOf(searched); match >= 0;
         match = text.indexOf(searched, position)) {
        result += QStringView(text).mid(position, match - position);
        result += replacement;
        position = match + searched.size();
    }
    result += QStringView(text).mid(position);
    return result;
}
