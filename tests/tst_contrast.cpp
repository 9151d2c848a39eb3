#include "core/Contrast.h"

#include <QTest>

namespace {

Rgb hex(const char* text)
{
    const uint v = QByteArray(text).toUInt(nullptr, 16);
    return Rgb{int(v >> 16 & 0xff), int(v >> 8 & 0xff), int(v & 0xff)};
}

QString name(Rgb c)
{
    return QString::asprintf("#%02X%02X%02X", c.r, c.g, c.b);
}

} // namespace

Q_DECLARE_METATYPE(Rgb)

class TestContrast : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void ratio_asTheLuminancesSay_data();
    void ratio_asTheLuminancesSay();
    void readableRed_nearestRedThatReachesTheFloor_data();
    void readableRed_nearestRedThatReachesTheFloor();
    void readableBackground_asLittleChangedAsTheFloorAllows_data();
    void readableBackground_asLittleChangedAsTheFloorAllows();
};

void TestContrast::ratio_asTheLuminancesSay_data()
{
    QTest::addColumn<Rgb>("a");
    QTest::addColumn<Rgb>("b");
    QTest::addColumn<double>("ratio");
    QTest::newRow("black on white") << hex("000000") << hex("ffffff") << 21.0;
    QTest::newRow("white on black") << hex("ffffff") << hex("000000") << 21.0;
    QTest::newRow("equal colours") << hex("ff0000") << hex("ff0000") << 1.0;
    QTest::newRow("pure red on white") << hex("ff0000") << hex("ffffff") << 3.998;
    QTest::newRow("pure red on light grey") << hex("ff0000") << hex("efefef") << 3.477;
    QTest::newRow("pure red on a dark window") << hex("ff0000") << hex("222020") << 4.054;
    QTest::newRow("grey that just passes") << hex("767676") << hex("ffffff") << 4.542;
    QTest::newRow("dark channel, linear part") << hex("0a0a0a") << hex("000000") << 1.061;
}

void TestContrast::ratio_asTheLuminancesSay()
{
    QFETCH(Rgb, a);
    QFETCH(Rgb, b);
    QFETCH(double, ratio);
    QVERIFY2(qAbs(ContrastRatio(a, b) - ratio) < 0.001, qPrintable(QString::number(ContrastRatio(a, b))));
}

void TestContrast::readableRed_nearestRedThatReachesTheFloor_data()
{
    QTest::addColumn<Rgb>("background");
    QTest::addColumn<double>("floor");
    QTest::addColumn<Rgb>("red");
    QTest::newRow("white: a little darker") << hex("ffffff") << 4.5 << hex("ee0000");
    QTest::newRow("light window grey: darker") << hex("efefef") << 4.5 << hex("dc0000");
    QTest::newRow("dark window: lighter") << hex("222020") << 4.5 << hex("ff3636");
    QTest::newRow("dark grey: lighter still") << hex("353535") << 4.5 << hex("ff6e6e");
    QTest::newRow("black: pure red reads already") << hex("000000") << 4.5 << hex("ff0000");
    QTest::newRow("mid grey: only nearly black") << hex("777777") << 4.5 << hex("190000");
    QTest::newRow("large text on white: pure red") << hex("ffffff") << 3.0 << hex("ff0000");
    QTest::newRow("floor out of reach on white") << hex("ffffff") << 22.0 << hex("000000");
    QTest::newRow("floor out of reach on black") << hex("000000") << 22.0 << hex("ffffff");
}

void TestContrast::readableRed_nearestRedThatReachesTheFloor()
{
    QFETCH(Rgb, background);
    QFETCH(double, floor);
    QFETCH(Rgb, red);
    const Rgb got = ReadableRed(background, floor);
    QCOMPARE(name(got), name(red));
    if (floor <= 21.0) {
        QVERIFY(ContrastRatio(got, background) >= floor);
    }
}

void TestContrast::readableBackground_asLittleChangedAsTheFloorAllows_data()
{
    QTest::addColumn<Rgb>("background");
    QTest::addColumn<Rgb>("text");
    QTest::addColumn<Rgb>("readable");
    QTest::newRow("light selection, white text: darker") << hex("308cc6") << hex("ffffff") << hex("2b7caf");
    QTest::newRow("dark selection reads already") << hex("12608a") << hex("f9f9f9") << hex("12608a");
    QTest::newRow("yellow under white text") << hex("ffff00") << hex("ffffff") << hex("787800");
    QTest::newRow("dark grey under black text: lighter") << hex("333333") << hex("000000") << hex("767676");
}

void TestContrast::readableBackground_asLittleChangedAsTheFloorAllows()
{
    QFETCH(Rgb, background);
    QFETCH(Rgb, text);
    QFETCH(Rgb, readable);
    const Rgb got = ReadableBackground(background, text);
    QCOMPARE(name(got), name(readable));
    QVERIFY(ContrastRatio(got, text) >= NormalTextContrast);
}

QTEST_GUILESS_MAIN(TestContrast)
#include "tst_contrast.moc"
