#include "input/ameasp.h"
#include "input/le.h"
#include "testsupport.h"

#include <QGridLayout>
#include <QLineEdit>
#include <QPointer>

namespace {

// The value fields of one row of the panel (ICRsBase or SCAsBase), by column.
QList<QLineEdit*> fieldsOf(const AMeasP& panel, const char* base)
{
    QList<QLineEdit*> fields;
    auto* grid = panel.findChild<QGridLayout*>(base);
    if (!grid)
        return fields;
    for (int k = 0; k < grid->count(); ++k) {
        QLayoutItem* item = grid->itemAtPosition(0, k);
        fields << (item ? qobject_cast<QLineEdit*>(item->widget()) : nullptr);
    }
    return fields;
}

QStringList textsOf(const QList<QLineEdit*>& fields)
{
    QStringList texts;
    for (QLineEdit* f : fields)
        texts << (f ? f->text() : QStringLiteral("<none>"));
    return texts;
}

} // namespace

class TestAMeasP : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void fields();
    void values_data();
    void values();
    void numberFormat_data();
    void numberFormat();
    void deletingRemovesFromWindow();
};

// Three channels: one field per value, in channel order, all alike.
void TestAMeasP::fields()
{
    AMeasP panel(1, {10, 20, 30}, {1, 2, 3});
    const QList<QLineEdit*> icr = fieldsOf(panel, "ICRsBase");
    const QList<QLineEdit*> sca = fieldsOf(panel, "SCAsBase");
    QCOMPARE(textsOf(icr), QStringList({"10", "20", "30"}));
    QCOMPARE(textsOf(sca), QStringList({"1", "2", "3"}));
    const QSizePolicy lineEditDefault = QLineEdit().sizePolicy();
    for (QLineEdit* f : icr + sca) {
        QVERIFY(qobject_cast<LE*>(f));
        QVERIFY(f->isReadOnly());
        QCOMPARE(f->alignment(), Qt::Alignment(Qt::AlignRight));
        QCOMPARE(f->styleSheet(), QString("background-color: rgb(255, 255, 224);"));
        QCOMPARE(f->sizePolicy().horizontalPolicy(), QSizePolicy::Preferred);
        QCOMPARE(f->sizePolicy().verticalPolicy(), lineEditDefault.verticalPolicy());
    }
    QCOMPARE(icr.first()->parentWidget(), panel.findChild<QFrame*>("frame"));
    QCOMPARE(sca.first()->parentWidget(), panel.findChild<QFrame*>("frame_2"));
}

void TestAMeasP::values_data()
{
    QTest::addColumn<QVector<double>>("icrs");
    QTest::addColumn<QVector<double>>("scas");
    QTest::addColumn<bool>("icrValid");
    QTest::addColumn<double>("icrMin");
    QTest::addColumn<double>("icrMax");
    QTest::addColumn<bool>("scaValid");
    QTest::addColumn<double>("scaMin");
    QTest::addColumn<double>("scaMax");
    using V = QVector<double>;
    QTest::newRow("mixed signs") << V{5, -2, 7} << V{3} << true << -2.0 << 7.0 << true << 3.0
                                 << 3.0;
    QTest::newRow("no values") << V{} << V{} << false << 1e300 << -1e300 << false << 1e300
                               << -1e300;
    QTest::newRow("lengths may differ")
        << V{1, 2} << V{} << true << 1.0 << 2.0 << false << 1e300 << -1e300;
}

void TestAMeasP::values()
{
    QFETCH(QVector<double>, icrs);
    QFETCH(QVector<double>, scas);
    AMeasP panel(2.5, icrs, scas);
    QCOMPARE(panel.i0, 2.5);
    QCOMPARE(panel.icrs, icrs);
    QCOMPARE(panel.scas, scas);
    QTEST(panel.icrRange.valid, "icrValid");
    QTEST(panel.icrRange.min, "icrMin");
    QTEST(panel.icrRange.max, "icrMax");
    QTEST(panel.scaRange.valid, "scaValid");
    QTEST(panel.scaRange.min, "scaMin");
    QTEST(panel.scaRange.max, "scaMax");
    QCOMPARE(fieldsOf(panel, "ICRsBase").size(), icrs.size());
    QCOMPARE(fieldsOf(panel, "SCAsBase").size(), scas.size());
}

void TestAMeasP::numberFormat_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("text");
    QTest::newRow("152340") << 152340.0 << "152340";
    QTest::newRow("48213.5") << 48213.5 << "48213.5";
    QTest::newRow("1523400") << 1523400.0 << "1.5234e+06";
    QTest::newRow("1234567") << 1234567.0 << "1.23457e+06";
    QTest::newRow("0.5") << 0.5 << "0.5";
    QTest::newRow("0.000012") << 0.000012 << "1.2e-05";
    QTest::newRow("NaN") << qQNaN() << "nan";
    QTest::newRow("infinity") << -qInf() << "-inf";
}

void TestAMeasP::numberFormat()
{
    QFETCH(double, value);
    QFETCH(QString, text);
    AMeasP panel(value, {value}, {value});
    QCOMPARE(panel.findChild<QLineEdit*>("I0")->text(), text);
    QCOMPARE(textsOf(fieldsOf(panel, "ICRsBase")), QStringList(text));
    QCOMPARE(textsOf(fieldsOf(panel, "SCAsBase")), QStringList(text));
}

void TestAMeasP::deletingRemovesFromWindow()
{
    QWidget window;
    auto* column = new QGridLayout(&window);
    auto* panel = new AMeasP(1, {1, 2}, {3, 4});
    column->addWidget(panel, 0, 0);
    QCOMPARE(panel->parentWidget(), &window);
    QPointer<QLineEdit> field = fieldsOf(*panel, "SCAsBase").last();
    QVERIFY(field);

    delete panel;
    QCOMPARE(column->count(), 0);
    QVERIFY(!field);
    QVERIFY(window.findChildren<QLineEdit*>().isEmpty());
}

VESKOR_GUI_TEST_MAIN(TestAMeasP)
#include "tst_ameasp.moc"
