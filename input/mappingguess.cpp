#include "input/mappingguess.h"

#include "input/channellimit.h"

#include <QHash>
#include <QRegularExpression>
#include <QSet>

namespace {

const QString kChannel = QStringLiteral("{n}");

// One family of count names: the word that marks the input counts, the
// words of the output counts in order of preference, and the word of a
// clock counting ticks beside them.
struct Family
{
    QString input;
    QStringList outputs;
    QString ticks;
    bool rates = false;
    // Names of one channel each, never a 2-D dataset: SCA3 alone is the
    // third of some SCA{n}, not Xspress's all events.
    bool perChannel = false;
};

const QVector<Family>& families()
{
    static const QVector<Family> all{
        {QStringLiteral("sca3"), {"sca4", "sca5", "sca6"}, QStringLiteral("sca0"), false, true},
        {QStringLiteral("sca_3"),
         {"sca_4", "sca_5", "sca_6"},
         QStringLiteral("sca_0"),
         false,
         true},
        {QStringLiteral("all_event"), {"all_good"}, QStringLiteral("clock_ticks"), false, true},
        {QStringLiteral("allevent"), {"allgood"}, QStringLiteral("clockticks"), false, true},
        {QStringLiteral("iffast"), {"ifslow", "ifch"}, QString()},
        {QStringLiteral("inputcountrate"), {"outputcountrate"}, QString(), true},
        {QStringLiteral("icr"), {"ocr", "sca", "roi"}, QString()},
    };
    return all;
}

// The place of word in name as a word of its own (no letter right before
// it, neither letter nor digit after it), in any case; -1 when it is not
// there.
int wordAt(const QString& name, const QString& word)
{
    for (int at = name.indexOf(word, 0, Qt::CaseInsensitive); at >= 0;
         at = name.indexOf(word, at + 1, Qt::CaseInsensitive)) {
        const int end = at + word.size();
        if ((at == 0 || !name[at - 1].isLetter()) &&
            (end == name.size() || !name[end].isLetterOrNumber()))
            return at;
    }
    return -1;
}

// Names in the file's order, found by their spelling or in any case.
class NameSet
{
public:
    void add(const QString& name)
    {
        if (exact.contains(name))
            return;
        exact.insert(name);
        order.append(name);
        const QString lower = name.toLower();
        // Two spellings of one name in different cases: neither is found in
        // any case.
        byLower[lower] = byLower.contains(lower) ? QString() : name;
    }
    bool contains(const QString& name) const { return exact.contains(name); }
    // The set's spelling of name, its own first; empty when it has none.
    QString find(const QString& name) const
    {
        return exact.contains(name) ? name : byLower.value(name.toLower());
    }
    const QStringList& names() const { return order; }

private:
    QSet<QString> exact;
    QHash<QString, QString> byLower;
    QStringList order;
};

// The names a mapping may use, as it would use them, and the channel
// templates they make.
class Names
{
public:
    Names(const QStringList& names, bool paths)
    {
        QHash<QString, int> uses;
        QStringList all;
        for (const QString& n : names) {
            const QString name = paths ? n.mid(n.lastIndexOf(QLatin1Char('/')) + 1) : n;
            all.append(name);
            ++uses[name];
        }
        for (int i = 0; i < names.size(); ++i)
            usable.add(uses.value(all[i]) == 1 ? all[i] : names[i]);
        QSet<QString> repeated;
        for (const QString& name : qAsConst(all)) {
            if (uses.value(name) > 1)
                repeated.insert(name.toLower());
            everyName.insert(name);
        }
        // A name held twice in one case is not guessed in another either.
        for (const QString& name : qAsConst(all))
            if (!repeated.contains(name.toLower()))
                unique.add(name);
        QSet<QString> channels;
        for (const QString& name : unique.names())
            for (const QString& t : templatesOf(name))
                if (takesOnlyUnique(t, channels))
                    templates.add(t);
        // A channel of a template stands for one of several, and channel 1
        // of one that cannot be used would read one channel of several.
        for (const QString& name : unique.names())
            if (!channels.contains(name) && templatesOf(name).isEmpty())
                plain.append(name);
    }

    QString name(const QString& name) const { return unique.find(name); }
    QString channelTemplate(const QString& t) const { return templates.find(t); }
    // Channel templates first: they give every channel.
    QStringList candidates() const { return templates.names() + plain; }
    MappingChoices choices() const { return {usable.names(), templates.names()}; }

private:
    // name with each run of digits that reads 1 (and only 1) put as {n}.
    static QStringList templatesOf(const QString& name)
    {
        static const QRegularExpression one(QStringLiteral("(?<![0-9])1(?![0-9])"));
        QStringList out;
        for (auto it = one.globalMatch(name); it.hasNext();) {
            const int at = it.next().capturedStart();
            out << QString(name).replace(at, 1, kChannel);
        }
        return out;
    }

    // Every channel a template takes must be a name found once: a name
    // held twice stops the mapping. The names it takes go to channels.
    bool takesOnlyUnique(const QString& t, QSet<QString>& channels) const
    {
        QStringList taken{QString(t).replace(kChannel, QStringLiteral("1"))};
        for (int n = 2; n <= maxPointChannels + 1; ++n) {
            const QString name = QString(t).replace(kChannel, QString::number(n));
            if (!unique.contains(name)) {
                if (everyName.contains(name))
                    return false;
                break;
            }
            taken << name;
        }
        for (const QString& name : qAsConst(taken))
            channels.insert(name);
        return true;
    }

    QSet<QString> everyName;
    // Every name as a mapping can use it.
    NameSet usable;
    NameSet unique;
    NameSet templates;
    QStringList plain;
};

// The count names of the first family the file has, both of a pair when
// it has one.
void guessCounts(const Names& names, MappingGuess& guess, QString& ticks)
{
    bool partial = false;
    for (const Family& f : families()) {
        for (const QString& candidate : names.candidates()) {
            const int at = wordAt(candidate, f.input);
            if (at < 0 || (f.perChannel && !candidate.contains(kChannel)))
                continue;
            const auto lookUp = [&](const QString& word) {
                const QString t = QString(candidate).replace(at, f.input.size(), word);
                return t.contains(kChannel) ? names.channelTemplate(t) : names.name(t);
            };
            QString output;
            for (const QString& word : f.outputs)
                if (output.isEmpty())
                    output = lookUp(word);
            if (output.isEmpty() && partial)
                continue;
            guess.mapping.icr = candidate;
            guess.mapping.sca = output;
            guess.rates = f.rates;
            ticks.clear();
            if (!f.ticks.isEmpty()) {
                const QString clock =
                    QString(lookUp(f.ticks)).replace(kChannel, QStringLiteral("1"));
                ticks = names.name(clock);
            }
            if (!output.isEmpty())
                return;
            partial = true;
        }
    }
}

} // namespace

MappingGuess guessMapping(const QStringList& list, bool paths)
{
    const Names names(list, paths);
    MappingGuess guess;
    for (const char* i0 : {"I0", "IC0", "Io"}) {
        guess.mapping.i0 = names.name(QLatin1String(i0));
        if (!guess.mapping.i0.isEmpty())
            break;
    }
    QString ticks;
    guessCounts(names, guess, ticks);
    if (guess.rates)
        return guess;
    for (const char* time : {"Seconds", "sec", "IntTime", "Time", "count_time", "AcquireTime"}) {
        guess.mapping.time = names.name(QLatin1String(time));
        if (!guess.mapping.time.isEmpty())
            return guess;
    }
    guess.mapping.time = ticks;
    guess.timeInTicks = !ticks.isEmpty();
    return guess;
}

bool countsClockTicks(const QString& time)
{
    const QString name = time.mid(time.lastIndexOf(QLatin1Char('/')) + 1);
    for (const Family& f : families())
        if (!f.ticks.isEmpty()) {
            const int at = wordAt(name, f.ticks);
            if (at >= 0 && at + f.ticks.size() == name.size())
                return true;
        }
    return false;
}

MappingChoices mappingChoices(const QStringList& names, bool paths)
{
    return Names(names, paths).choices();
}
