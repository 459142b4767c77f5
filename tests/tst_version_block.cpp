#include <QFile>
#include <QHash>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>
#include <algorithm>

// Compiles resources/ringlatch.rc with the MinGW resource compiler, as a
// Windows build would, and reads the compiled resources back: the version
// block's numbers and strings and the icon group.
class TestVersionBlock : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void fixedNumbers();
    void strings_data();
    void strings();
    void translation();
    void iconGroup();

private:
    struct Resource {
        quint16 type = 0;
        quint16 id = 0;
        quint16 language = 0;
        QByteArray data;
    };
    const Resource *find(quint16 type, quint16 id = 0) const;

    QList<Resource> resources_;
    QHash<QString, QByteArray> versionValues_;
};

namespace {

constexpr quint16 kRtIcon = 3;
constexpr quint16 kRtGroupIcon = 14;
constexpr quint16 kRtVersion = 16;

quint16 word(const QByteArray &b, qsizetype at)
{
    return qFromLittleEndian<quint16>(b.constData() + at);
}
quint32 dword(const QByteArray &b, qsizetype at)
{
    return qFromLittleEndian<quint32>(b.constData() + at);
}
qsizetype align4(qsizetype at)
{
    return (at + 3) & ~qsizetype(3);
}

// A resource type or name: 0xFFFF and a number, or a NUL-ended UTF-16 string.
quint16 ordinal(const QByteArray &b, qsizetype &at)
{
    if (word(b, at) == 0xFFFF) {
        at += 4;
        return word(b, at - 2);
    }
    while (word(b, at) != 0)
        at += 2;
    at += 2;
    return 0;
}

QString utf16z(const QByteArray &b, qsizetype &at)
{
    QString s;
    for (; word(b, at) != 0; at += 2)
        s += QChar(word(b, at));
    at += 2;
    return s;
}

// One node of a version block (length, value length, type, key, value,
// children), recorded under its key path, e.g. "StringFileInfo/040904B0/ProductName".
void readNode(const QByteArray &b, qsizetype at, const QString &parent,
              QHash<QString, QByteArray> &out)
{
    const qsizetype end = at + word(b, at);
    const quint16 valueLength = word(b, at + 2);
    const bool text = word(b, at + 4) == 1;
    qsizetype p = at + 6;
    const QString key = utf16z(b, p);
    const QString path = parent.isEmpty() ? key : parent + u'/' + key;
    p = align4(p);
    const qsizetype valueBytes = text ? valueLength * 2 : valueLength;
    out.insert(path, b.mid(p, valueBytes));
    for (p = align4(p + valueBytes); p < end; p = align4(p + word(b, p)))
        readNode(b, p, path, out);
}

QString textValue(const QByteArray &v)
{
    QString s;
    for (qsizetype i = 0; i + 1 < v.size() && word(v, i) != 0; i += 2)
        s += QChar(word(v, i));
    return s;
}

} // namespace

const TestVersionBlock::Resource *TestVersionBlock::find(quint16 type, quint16 id) const
{
    const auto it = std::find_if(resources_.cbegin(), resources_.cend(), [&](const Resource &r) {
        return r.type == type && (id == 0 || r.id == id);
    });
    return it == resources_.cend() ? nullptr : &*it;
}

void TestVersionBlock::initTestCase()
{
    const QString windres = qEnvironmentVariable("RINGLATCH_WINDRES");
    const QString rc = qEnvironmentVariable("RINGLATCH_RC");
    QVERIFY2(!windres.isEmpty() && QFile::exists(windres),
             "x86_64-w64-mingw32-windres not found (Debian: binutils-mingw-w64-x86-64)");
    QTemporaryDir dir;
    const QString res = dir.filePath(QStringLiteral("ringlatch.res"));
    // The host's C preprocessor stands in for MinGW's gcc; the script
    // defines what it needs when winver.h is not found.
    QProcess windresRun;
    windresRun.start(
        windres, {QStringLiteral("--preprocessor=cpp"), QStringLiteral("--preprocessor-arg=-xc"),
                  QStringLiteral("--preprocessor-arg=-DRC_INVOKED"), QStringLiteral("-O"),
                  QStringLiteral("res"), QStringLiteral("-i"), rc, QStringLiteral("-o"), res});
    QVERIFY(windresRun.waitForFinished(60000));
    QVERIFY2(windresRun.exitStatus() == QProcess::NormalExit && windresRun.exitCode() == 0,
             windresRun.readAllStandardError().constData());

    QFile file(res);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray b = file.readAll();
    for (qsizetype at = 0; at + 32 <= b.size();) {
        const quint32 dataSize = dword(b, at);
        const quint32 headerSize = dword(b, at + 4);
        qsizetype p = at + 8;
        Resource r;
        r.type = ordinal(b, p);
        r.id = ordinal(b, p);
        p = align4(p);
        r.language = word(b, p + 6);
        r.data = b.mid(at + headerSize, dataSize);
        if (r.type != 0)
            resources_ << r;
        at = align4(at + headerSize + dataSize);
    }
    const Resource *version = find(kRtVersion);
    QVERIFY(version);
    readNode(version->data, 0, QString(), versionValues_);
}

void TestVersionBlock::fixedNumbers()
{
    const QByteArray fixed = versionValues_.value(QStringLiteral("VS_VERSION_INFO"));
    QCOMPARE(fixed.size(), 52);
    QCOMPARE(dword(fixed, 0), 0xFEEF04BDu);
    QCOMPARE(dword(fixed, 8), 0x00010000u); // file version 1.0 …
    QCOMPARE(dword(fixed, 12), 0u);         // … .0.0
    QCOMPARE(dword(fixed, 16), 0x00010000u);
    QCOMPARE(dword(fixed, 20), 0u);
    QCOMPARE(dword(fixed, 32), 0x4u); // VOS__WINDOWS32
    QCOMPARE(dword(fixed, 36), 0x1u); // VFT_APP
}

void TestVersionBlock::strings_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");
    QTest::newRow("FileVersion") << "FileVersion"
                                 << "1.00";
    QTest::newRow("ProductVersion") << "ProductVersion"
                                    << "1.00";
    QTest::newRow("ProductName") << "ProductName"
                                 << "Ringlatch_1";
    QTest::newRow("InternalName") << "InternalName"
                                  << "Ringlatch_1";
    QTest::newRow("OriginalFilename") << "OriginalFilename"
                                      << "Ringlatch_1.exe";
}

void TestVersionBlock::strings()
{
    QFETCH(QString, key);
    QFETCH(QString, value);
    const QString path = QStringLiteral("VS_VERSION_INFO/StringFileInfo/040904B0/") + key;
    QVERIFY2(versionValues_.contains(path), qPrintable(path));
    QCOMPARE(textValue(versionValues_.value(path)), value);
}

void TestVersionBlock::translation()
{
    const QByteArray t =
        versionValues_.value(QStringLiteral("VS_VERSION_INFO/VarFileInfo/Translation"));
    QCOMPARE(t.size(), 4);
    QCOMPARE(word(t, 0), quint16(0x0409));
    QCOMPARE(word(t, 2), quint16(0x04B0));
}

void TestVersionBlock::iconGroup()
{
    const Resource *group = find(kRtGroupIcon);
    QVERIFY(group);
    const QByteArray &g = group->data;
    QCOMPARE(word(g, 2), quint16(1));
    QList<QSize> sizes;
    for (int i = 0; i < word(g, 4); ++i) {
        const qsizetype e = 6 + i * 14;
        const auto side = [](char c) { return c == 0 ? 256 : quint8(c); };
        sizes << QSize(side(g[e]), side(g[e + 1]));
        const Resource *image = find(kRtIcon, word(g, e + 12));
        QVERIFY(image);
        QCOMPARE(quint32(image->data.size()), dword(g, e + 8));
    }
    QCOMPARE(sizes, QList<QSize>({QSize(32, 32), QSize(16, 16)}));
}

QTEST_GUILESS_MAIN(TestVersionBlock)
#include "tst_version_block.moc"
