#include "input/columnmapping.h"

#include "input/channellimit.h"

#include <QSet>

#include <functional>

#include <cmath>

namespace {

const QString kChannel = QStringLiteral("{n}");

// One channel's values: a column of an array read.
struct ChannelColumn
{
    int array;
    int column;
};

// veskor-fit's option for a role, which its messages name.
QString optionName(MappingRole role)
{
    switch (role) {
    case MappingRole::I0:
        return QStringLiteral("--i0");
    case MappingRole::Icr:
        return QStringLiteral("--icr");
    case MappingRole::Sca:
        return QStringLiteral("--sca");
    case MappingRole::Time:
        return QStringLiteral("--time");
    }
    return QString();
}

class Reader
{
public:
    Reader(ColumnSource& source, MappingFault& fault) : source(source), fault(fault) {}

    // Reads name into arrays; -1 with error and the fault set when it is
    // missing or cannot be used, -2 when it is missing and missingIsEnd.
    int read(MappingRole role, const QString& name, QString& error, bool missingIsEnd = false)
    {
        NamedArray array;
        QString why;
        switch (source.read(name, array, why)) {
        case ColumnSource::Lookup::Found:
            break;
        case ColumnSource::Lookup::Missing:
            if (missingIsEnd)
                return -2;
            error = QStringLiteral("no %1 '%2' in %3 (for %4); it has: %5")
                        .arg(source.formatName() == QLatin1String("HDF5") ? "dataset" : "column",
                             name, source.path(), optionName(role), listNames(source.names()));
            return failed(MappingFault::Kind::Missing, role, name);
        case ColumnSource::Lookup::Failed:
            error = why;
            return failed(MappingFault::Kind::Unusable, role, name);
        }
        if (!array.scalar && array.points != points()) {
            if (points() >= 0) {
                error = QStringLiteral("%1: '%2' has %3 points where '%4' has %5")
                            .arg(source.path(), name, QString::number(array.points), firstName,
                                 QString::number(points()));
                return failed(MappingFault::Kind::Unusable, role, name);
            }
            pointCount = array.points;
            firstName = name;
        }
        arrays.append(array);
        arrayNames.append(name);
        return int(arrays.size()) - 1;
    }

    // The channels of an ICR or SCA name; false with error and the fault.
    bool channels(MappingRole role, const QString& pattern, QVector<ChannelColumn>& out,
                  QString& error)
    {
        const QString option = optionName(role);
        const auto onePerPoint = [&](int a, const QString& name) {
            if (!arrays[a].scalar)
                return true;
            error = QStringLiteral("%1: '%2' (for %3) holds one value, not one per point")
                        .arg(source.path(), name, option);
            failed(MappingFault::Kind::Unusable, role, name);
            return false;
        };
        if (!pattern.contains(kChannel)) {
            const int a = read(role, pattern, error);
            if (a < 0 || !onePerPoint(a, pattern))
                return false;
            for (int c = 0; c < arrays[a].columns; ++c)
                out.append({a, c});
            return true;
        }
        for (int n = 1;; ++n) {
            const QString name = QString(pattern).replace(kChannel, QString::number(n));
            const int a = read(role, name, error, n > 1);
            if (a == -2)
                return true;
            if (a < 0 || !onePerPoint(a, name))
                return false;
            if (arrays[a].twoDimensional) {
                error = QStringLiteral("%1: '%2' (for %3) holds several channels; a name with "
                                       "{n} must give one channel each")
                            .arg(source.path(), name, option);
                failed(MappingFault::Kind::Unusable, role, name);
                return false;
            }
            if (n > maxPointChannels) {
                error = QStringLiteral("%1: %2 gives more than %3 channels")
                            .arg(source.path(), option, QString::number(maxPointChannels));
                failed(MappingFault::Kind::Unusable, role, pattern);
                return false;
            }
            out.append({a, 0});
        }
    }

    int points() const { return pointCount; }
    const NamedArray& array(int a) const { return arrays[a]; }
    // The value c of point k, as a message names it: 'ICR3', or 'ICR'
    // channel 3 for a 2-D dataset.
    QString valueName(const ChannelColumn& c) const
    {
        const QString name = QStringLiteral("'%1'").arg(arrayNames[c.array]);
        return arrays[c.array].twoDimensional
                   ? QStringLiteral("%1 channel %2").arg(name, QString::number(c.column + 1))
                   : name;
    }

private:
    int failed(MappingFault::Kind kind, MappingRole role, const QString& name)
    {
        fault.kind = kind;
        fault.role = role;
        fault.name = name;
        return -1;
    }

    ColumnSource& source;
    MappingFault& fault;
    QVector<NamedArray> arrays;
    QStringList arrayNames;
    int pointCount = -1;
    QString firstName;
};

// A warning for the first point skipped for a reason, and how many more.
QString skippedPoints(const ColumnSource& source, int first, int more, const QString& why)
{
    const qint64 line = source.line(first);
    const QString where = line > 0 ? QStringLiteral("line %1").arg(line)
                                   : QStringLiteral("point %1").arg(first + 1);
    QString text = QStringLiteral("%1, %2: %3; point skipped").arg(source.path(), where, why);
    if (more > 0)
        text += QStringLiteral(" (and %1 more point%2 like it)").arg(more).arg(more == 1 ? "" : "s");
    return text;
}

} // namespace

QString ColumnMapping::problem() const
{
    if (!isSet())
        return QString();
    if (i0.isEmpty() || icr.isEmpty() || sca.isEmpty())
        return QStringLiteral("--i0, --icr and --sca are given together");
    if (i0.contains(kChannel) || time.contains(kChannel))
        return QStringLiteral("{n} stands for a channel: only --icr and --sca take it");
    return QString();
}

QString ColumnMapping::describe() const
{
    QString text = QStringLiteral("I0 = %1, ICR = %2, SCA = %3").arg(i0, icr, sca);
    if (!time.isEmpty())
        text += QStringLiteral(", each divided by %1").arg(time);
    return text;
}

QString listNames(const QStringList& names)
{
    constexpr int kShown = 40;
    if (names.isEmpty())
        return QStringLiteral("nothing");
    if (names.size() <= kShown)
        return names.join(QStringLiteral(", "));
    return QStringList(names.mid(0, kShown)).join(QStringLiteral(", ")) +
           QStringLiteral(", … (%1 in all)").arg(names.size());
}

namespace {

// The names a mapping will read, as far as the source's names tell: a
// source that takes rows apart then does so once.
QStringList namesToRead(const ColumnSource& source, const ColumnMapping& mapping)
{
    const QStringList all = source.names();
    const QSet<QString> known(all.begin(), all.end());
    QStringList names{mapping.i0};
    if (!mapping.time.isEmpty())
        names << mapping.time;
    for (const QString& pattern : {mapping.icr, mapping.sca}) {
        if (!pattern.contains(kChannel)) {
            names << pattern;
            continue;
        }
        for (int n = 1; n <= maxPointChannels; ++n) {
            const QString name = QString(pattern).replace(kChannel, QString::number(n));
            if (!known.contains(name))
                break;
            names << name;
        }
    }
    return names;
}

// The first point skipped for a reason, what it was, and how many more.
struct Skips
{
    int first = -1;
    int more = 0;
    QString why;

    void add(int point, const std::function<QString()>& reason)
    {
        if (first >= 0) {
            ++more;
            return;
        }
        first = point;
        why = reason();
    }
};

} // namespace

bool mapColumns(ColumnSource& source, const ColumnMapping& mapping, MappedScan& scan,
                QString& error, qint64 budget)
{
    scan = MappedScan{};
    source.setBudget(budget);
    source.willRead(namesToRead(source, mapping));
    Reader reader(source, scan.fault);
    const int i0 = reader.read(MappingRole::I0, mapping.i0, error);
    if (i0 < 0)
        return false;
    QVector<ChannelColumn> icrs;
    QVector<ChannelColumn> scas;
    if (!reader.channels(MappingRole::Icr, mapping.icr, icrs, error) ||
        !reader.channels(MappingRole::Sca, mapping.sca, scas, error))
        return false;
    if (icrs.size() != scas.size()) {
        error = QStringLiteral("%1: --icr '%2' gives %3 channels, --sca '%4' %5")
                    .arg(source.path(), mapping.icr, QString::number(icrs.size()), mapping.sca,
                         QString::number(scas.size()));
        scan.fault.kind = MappingFault::Kind::ChannelCounts;
        scan.fault.role = MappingRole::Sca;
        scan.fault.name = mapping.sca;
        scan.fault.icrChannels = int(icrs.size());
        scan.fault.scaChannels = int(scas.size());
        return false;
    }
    int time = -1;
    if (!mapping.time.isEmpty()) {
        time = reader.read(MappingRole::Time, mapping.time, error);
        if (time < 0)
            return false;
    }

    const int channels = int(icrs.size());
    // Every name held one value for all points: the scan has one point.
    const int points = reader.points() < 0 ? 1 : reader.points();
    Skips badTimes;
    Skips notFinite;
    for (int k = 0; k < points; ++k) {
        MappedPoint p;
        p.line = source.line(k);
        p.index = k;
        if (time >= 0) {
            p.time = reader.array(time).at(k, 0);
            // Also NaN and infinity: a time that cannot be divided by says
            // nothing.
            if (!(p.time > 0.0) || !std::isfinite(p.time)) {
                badTimes.add(k, [&] {
                    return QStringLiteral("time %1 is %2")
                        .arg(mapping.time, QString::number(p.time));
                });
                continue;
            }
        }
        // A value that is not a number would make the channel's every
        // figure NaN: the point goes, not the channel.
        bool finite = true;
        const auto value = [&](const ChannelColumn& c) {
            const double raw = reader.array(c.array).at(k, c.column);
            const double v = time >= 0 ? raw / p.time : raw;
            if (finite && !std::isfinite(v)) {
                finite = false;
                notFinite.add(k, [&] {
                    return std::isfinite(raw)
                               ? QStringLiteral("%1 divided by time %2 is %3")
                                     .arg(reader.valueName(c), mapping.time, QString::number(v))
                               : QStringLiteral("%1 is %2")
                                     .arg(reader.valueName(c), QString::number(raw));
                });
            }
            return v;
        };
        p.i0 = value({i0, 0});
        p.icrs.reserve(channels);
        p.scas.reserve(channels);
        for (int c = 0; c < channels && finite; ++c) {
            p.icrs.append(value(icrs[c]));
            p.scas.append(value(scas[c]));
        }
        if (finite)
            scan.points.append(p);
    }
    scan.channels = channels;
    for (const Skips* s : {&badTimes, &notFinite})
        if (s->first >= 0)
            scan.warnings << skippedPoints(source, s->first, s->more, s->why);
    return true;
}
