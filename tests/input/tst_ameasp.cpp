#include "input/ameasp.h"
#include "input/le.h"
#include "testsupport.h"

#include <QGridLayout>
#include <QLabel>
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
    void structure_data();
    void structure();
    void texts();
    void fields();
    void values_data();
    void values();
    void numberFormat_data();
    void numberFormat();
    void deletingRemovesFromWindow();
};

void TestAMeasP::structure_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("layout");
    QTest::addColumn<int>("column");
    QTest::newRow("label") << "label"
                           << "gridLayout" << 0;
    QTest::newRow("I0") << "I0"
                        << "gridLayout" << 1;
    QTest::newRow("frame") << "frame"
                           << "gridLayout" << 2;
    QTest::newRow("frame_2") << "frame_2"
                             << "gridLayout" << 3;
    QTest::newRow("label_2") << "label_2"
                             << "gridLayout_3" << 0;
    QTest::newRow("ICRsBase") << "ICRsBase"
                              << "gridLayout_3" << 1;
    QTest::newRow("label_3") << "label_3"
                             << "gridLayout_5" << 0;
    QTest::newRow("SCAsBase") << "SCAsBase"
                              << "gridLayout_5" << 1;
}

void TestAMeasP::structure()
{
    QFETCH(QString, name);
    QFETCH(QString, layout);
    QFETCH(int, column);
    AMeasP panel(1, {1}, {1});
    auto* grid = panel.findChild<QGridLayout*>(layout);
    QVERIFY(grid);
    QCOMPARE(grid->contentsMargins(), QMargins(0, 0, 0, 0));
    QObject* target = panel.findChild<QObject*>(name);
    QVERIFY(target);
    bool found = false;
    for (int i = 0; i < grid->count(); ++i) {
        QLayoutItem* item = grid->itemAt(i);
        if (item->widget() != target && item->layout() != target)
            continue;
        int r, c, rs, cs;
        grid->getItemPosition(i, &r, &c, &rs, &cs);
        QCOMPARE(QList<int>({r, c, rs, cs}), QList<int>({0, column, 1, 1}));
        QCOMPARE(item->alignment(), Qt::Alignment());
        found = true;
    }
    QVERIFY(found);
}

void TestAMeasP::texts()
{
    AMeasP panel(1, {}, {});
    QCOMPARE(panel.objectName(), QString("AMeasP"));
    QCOMPARE(panel.windowTitle(), QString("A Meas Point"));
    QCOMPARE(panel.findChild<QLabel*>("label")->text(), QString("I0"));
    QCOMPARE(panel.findChild<QLabel*>("label_2")->text(), QString("ICRs"));
    QCOMPARE(panel.findChild<QLabel*>("label_3")->text(), QString("SCAs"));
    auto* i0 = panel.findChild<QLineEdit*>("I0");
    QVERIFY(i0->isReadOnly());
    QCOMPARE(i0->alignment(), Qt::AlignRight | Qt::AlignVCenter);
    QCOMPARE(i0->styleSheet(), QString("background-color: rgb(255, 255, 224);"));
    QCOMPARE(i0->sizePolicy().horizontalPolicy(), QSizePolicy::Preferred);
    QCOMPARE(i0->sizePolicy().verticalPolicy(), QSizePolicy::Fixed);
    QCOMPARE(QString(AMeasP::staticMetaObject.className()), QString("AMeasP"));
    QCOMPARE(AMeasP::staticMetaObject.superClass(), &QFrame::staticMetaObject);
    QCOMPARE(QString(LE::staticMetaObject.className()), QString("LE"));
    QCOMPARE(LE::staticMetaObject.superClass(), &QLineEdit::staticMetaObject);
}

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
