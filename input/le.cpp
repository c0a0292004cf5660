#include "input/le.h"

#include "mainwindow/fieldtext.h"

#include <QGridLayout>
#include <QStyle>
#include <QStyleOptionFrame>

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

QSize LE::minimumSizeHint() const
{
    QSize size = QLineEdit::minimumSizeHint();
    size.setWidth(qMax(size.width(), valueFieldWidth(*this)));
    return size;
}

int valueFieldWidth(const QLineEdit& field)
{
    // The widest text of six significant digits with a two-digit exponent;
    // digits are equally wide in the usual fonts.
    static const QString widestUsual = QStringLiteral("-8.88888e+88");

    field.ensurePolished();
    const QFontMetrics fm(field.font());
    const int textWidth =
        qMax(fm.horizontalAdvance(field.text()), fm.horizontalAdvance(widestUsual));
    // What a line edit keeps free around its text when it shows it without
    // scrolling: the bearings, one pixel for the cursor and a margin of two
    // pixels on either side.
    const int slack = qMax(0, -fm.minLeftBearing()) + qMax(0, -fm.minRightBearing()) + 1 + 2 * 2;
    const QMargins text = field.textMargins();
    const QMargins contents = field.contentsMargins();
    const int inner =
        textWidth + slack + text.left() + text.right() + contents.left() + contents.right();

    // The frame around it, as the line edit asks its style for it.
    QStyleOptionFrame opt;
    opt.initFrom(&field);
    opt.lineWidth = field.hasFrame()
                        ? field.style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &opt, &field)
                        : 0;
    opt.midLineWidth = 0;
    opt.state |= QStyle::State_Sunken;
    if (field.isReadOnly())
        opt.state |= QStyle::State_ReadOnly;
    opt.features = QStyleOptionFrame::None;
    return field.style()
        ->sizeFromContents(QStyle::CT_LineEdit, &opt, QSize(inner, fm.height()), &field)
        .width();
}

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
