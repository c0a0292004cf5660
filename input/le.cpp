#include "input/le.h"

#include "mainwindow/fieldtext.h"

LE::LE(QWidget* parent) : QLineEdit(parent) {}

LE* makeValueField(double value)
{
    auto* field = new LE(nullptr);
    field->setStyleSheet(QStringLiteral("background-color: rgb(255, 255, 224);"));
    field->setReadOnly(true);
    field->setAlignment(Qt::AlignRight);
    QSizePolicy policy = field->sizePolicy();
    policy.setHorizontalPolicy(QSizePolicy::Preferred);
    field->setSizePolicy(policy);
    field->setText(fieldText(value));
    return field;
}
