#include "mainwindow/columnmappingdialog.h"

#include <QDir>
#include <QHeaderView>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTreeWidgetItem>

namespace {

const QString kChannel = QStringLiteral("{n}");

void fillChoices(QComboBox* combo, const QStringList& items, const QString& first = QString())
{
    const QSignalBlocker quiet(combo);
    combo->clear();
    if (!first.isEmpty())
        combo->addItem(first);
    combo->addItems(items.mid(0, ColumnMappingDialog::kListedNames));
}

QString namesKey(const QString& format, const QStringList& names)
{
    return format + QLatin1Char('\n') + names.join(QLatin1Char('\n'));
}

bool complete(const ColumnMapping& m)
{
    return !m.i0.isEmpty() && !m.icr.isEmpty() && !m.sca.isEmpty();
}

} // namespace

ColumnMappingDialog::ColumnMappingDialog(QWidget* parent) : QDialog(parent)
{
    setupUi(this);
    for (QComboBox* combo : {I0Column, ICRColumn, SCAColumn, TimeColumn}) {
        // A name typed is taken as typed: completion would make "ICR" (a
        // 2-D dataset) into "ICR1".
        combo->setCompleter(nullptr);
        connect(combo, &QComboBox::editTextChanged, this, &ColumnMappingDialog::updateState);
    }
    // The path takes the room, the shape beside it is never cut.
    Datasets->header()->setStretchLastSection(false);
    Datasets->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    Datasets->header()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    connect(ScanNumber, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &ColumnMappingDialog::showScan);
}

ColumnMappingDialog::~ColumnMappingDialog() = default;

void ColumnMappingDialog::offer(const QString& path, const ScanFileOutline& fileOutline, int files)
{
    outline = fileOutline;
    const QString format = outline.format == QLatin1String("blank-separated text")
                               ? tr("blank-separated text")
                               : outline.format;
    FileLabel->setText(tr("%1 (%2)").arg(QDir::toNativeSeparators(path), format));
    SelectionLabel->setText(tr("The mapping is used for all %1 scan files of this selection, "
                               "and the scan chosen for each SPEC file of several.")
                                .arg(files));
    SelectionLabel->setVisible(files > 1);

    Datasets->clear();
    Datasets->setVisible(outline.paths);
    for (int i = 0; i < outline.names.size() && i < kListedNames; ++i) {
        const NamedShape shape = outline.shapes.value(i);
        QStringList dims;
        for (qint64 d : shape.dims)
            dims << QString::number(d);
        QString text = dims.isEmpty() ? tr("one value") : dims.join(QStringLiteral(" × "));
        if (!shape.known)
            text.clear();
        else if (!shape.numbers)
            text = tr("%1, not numbers").arg(text);
        new QTreeWidgetItem(Datasets, {outline.names[i], text});
    }

    const bool several = outline.scans.size() > 1;
    ScanLabel->setVisible(several);
    ScanNumber->setVisible(several);
    if (!several)
        showNames(outline.scans.isEmpty() ? outline.names : outline.scans.first().labels);
    else
        showScans();
    // As high as what it shows: an HDF5 file's list of datasets, or none.
    adjustSize();
}

void ColumnMappingDialog::showScans()
{
    // The scan shown first is one mapped before in this run, or else the
    // first whose names give a whole guess: a SPEC file often starts with
    // alignment scans.
    int first = -1;
    int guessed = -1;
    {
        const QSignalBlocker quiet(ScanNumber);
        ScanNumber->clear();
        for (int i = 0; i < outline.scans.size(); ++i) {
            const SpecScan& s = outline.scans[i];
            ScanNumber->addItem(
                tr("%1: %2 (rows: %3)").arg(s.number, s.command, QString::number(s.rows)),
                s.number);
            if (first < 0 && accepted.contains(namesKey(outline.format, s.labels)))
                first = i;
            if (guessed < 0 && complete(guessMapping(s.labels, false).mapping))
                guessed = i;
        }
        first = first >= 0 ? first : qMax(guessed, 0);
        ScanNumber->setCurrentIndex(first);
    }
    showScan(first);
}

void ColumnMappingDialog::showScan(int index)
{
    if (index >= 0 && index < outline.scans.size())
        showNames(outline.scans[index].labels);
}

void ColumnMappingDialog::showNames(const QStringList& shown)
{
    names = shown;
    const MappingChoices choices = mappingChoices(names, outline.paths);
    guess = guessMapping(names, outline.paths);
    fillChoices(I0Column, choices.names);
    fillChoices(ICRColumn, choices.channelNames + choices.names);
    fillChoices(SCAColumn, choices.channelNames + choices.names);
    fillChoices(TimeColumn, choices.names, tr("none"));
    const ColumnMapping m = accepted.value(rememberedKey(), guess.mapping);
    I0Column->setEditText(m.i0);
    ICRColumn->setEditText(m.icr);
    SCAColumn->setEditText(m.sca);
    TimeColumn->setCurrentIndex(0);
    if (!m.time.isEmpty())
        TimeColumn->setEditText(m.time);
    updateState();
}

ColumnMapping ColumnMappingDialog::mapping() const
{
    ColumnMapping m;
    m.i0 = I0Column->currentText().trimmed();
    m.icr = ICRColumn->currentText().trimmed();
    m.sca = SCAColumn->currentText().trimmed();
    if (TimeColumn->currentText() != TimeColumn->itemText(0))
        m.time = TimeColumn->currentText().trimmed();
    return m;
}

QString ColumnMappingDialog::scan() const
{
    return outline.scans.size() > 1 ? ScanNumber->currentData().toString() : QString();
}

void ColumnMappingDialog::accept()
{
    accepted.insert(rememberedKey(), mapping());
    QDialog::accept();
}

QString ColumnMappingDialog::rememberedKey() const
{
    return namesKey(outline.format, names);
}

void ColumnMappingDialog::updateState()
{
    const ColumnMapping m = mapping();
    bool ok = complete(m);
    QString note;
    if (!ok) {
        note = tr("Name the columns of I0, ICR and SCA.");
    } else if (m.i0.contains(kChannel) || m.time.contains(kChannel)) {
        ok = false;
        note = tr("{n} stands for a channel: only ICR and SCA take it.");
    } else if (countsClockTicks(m.time)) {
        note = tr("%1 counts clock ticks (12.5 ns each), not seconds: the constants come out "
                  "in ticks.")
                   .arg(m.time);
    } else if (m.time.isEmpty()) {
        note = guess.rates && m.icr == guess.mapping.icr
                   ? tr("These counts are rates already; they need no time.")
                   : tr("Without a time, the values are taken as they stand.");
    }
    Notes->setText(note);
    Notes->setVisible(!note.isEmpty());
    buttonBox->button(QDialogButtonBox::Ok)->setEnabled(ok);
}
