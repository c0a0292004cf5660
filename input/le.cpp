#include "input/le.h"

#include "mainwindow/fieldtext.h"

#include <QGridLayout>

namespace {

LE* makePlainField(double value)
{
    auto* field = new LE(nullptr);
    field->setReadOnly(true);
    field->setAlignment(Qt::AlignRight);
    QSizePolicy policy = field->sizePolicy();
    policy.setHorizontalPolicy(QSizePolicy::Preferred);
    field->setSizePolicy(policy);
    field->setText(fieldText(value));
    return field;
}

void paleYellow(LE* field)
{
    field->setStyleSheet(QStringLiteral("background-color: rgb(255, 255, 224);"));
}

} // namespace

LE::LE(QWidget* parent) : QLineEdit(parent) {}

LE* makeValueField(double value)
{
    LE* field = makePlainField(value);
    paleYellow(field);
    return field;
}

LE* addValueField(QGridLayout* grid, int column, double value)
{
    LE* field = makePlainField(value);
    grid->addWidget(field, 0, column);
    // The style sheet only once the field has its parent: a field that
    // brings one along has its whole style worked out again when it is
    // adopted, which made a large load a third slower.
    paleYellow(field);
    return field;
}
