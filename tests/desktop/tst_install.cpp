// The installed program as the desktop sees it: `cmake --install` puts the program, its menu
// entry, icons, document types, AppStream data and man page in place; the desktop's own
// validators accept them; the type database names our files; the Debian package carries the
// same tree with its dependencies.
#include <QtTest>

#include <QImage>
#include <QProcess>
#include <QTemporaryDir>

namespace {

const QString kId = QStringLiteral("org.scrivelle.Scrivelle");

struct Run {
    int code = -1;
    QString out;
};

Run run(const QString &program, const QStringList &args, const QProcessEnvironment &env = QProcessEnvironment::systemEnvironment())
{
    QProcess p;
    p.setProcessEnvironment(env);
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, args);
    if (!p.waitForFinished(240000))
        return {-1, QStringLiteral("timed out")};
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, QString::fromUtf8(p.readAll())};
}

bool have(const QString &tool) { return !QStandardPaths::findExecutable(tool).isEmpty(); }

} // namespace

class TestInstall : public QObject {
    Q_OBJECT
private:
    QTemporaryDir m_dir;
    QString m_prefix;
    QString share(const QString &rel) const { return m_prefix + QStringLiteral("/share/") + rel; }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        m_prefix = m_dir.filePath(QStringLiteral("prefix"));
        const Run r = run(QStringLiteral(SCV_CMAKE), {"--install", SCV_BUILD_DIR, "--prefix", m_prefix});
        QVERIFY2(r.code == 0, qPrintable(r.out));
    }

    void treeHoldsProgramEntryIconsTypesAndManPage()
    {
        const QStringList files{
            m_prefix + QStringLiteral("/bin/scrivelle"),
            share(QStringLiteral("applications/%1.desktop").arg(kId)),
            share(QStringLiteral("metainfo/%1.metainfo.xml").arg(kId)),
            share(QStringLiteral("mime/packages/%1.xml").arg(kId)),
            share(QStringLiteral("icons/hicolor/scalable/apps/%1.svg").arg(kId)),
            share(QStringLiteral("man/man1/scrivelle.1"))};
        for (const QString &f : files)
            QVERIFY2(QFileInfo(f).isFile(), qPrintable(f));
        QVERIFY(QFileInfo(files[0]).isExecutable());
        for (int size : {16, 24, 32, 48, 64, 128, 256}) {
            const QImage png(share(QStringLiteral("icons/hicolor/%1x%1/apps/%2.png").arg(size).arg(kId)));
            QCOMPARE(png.size(), QSize(size, size));
            QVERIFY(png.hasAlphaChannel());
        }
        // The installed program runs from its new place.
        const Run version = run(files[0], {"--version"});
        QCOMPARE(version.code, 0);
        QVERIFY2(version.out.contains(QStringLiteral("Scrivelle")), qPrintable(version.out));
        // The man page is the --help text.
        QFile man(files.last());
        QVERIFY(man.open(QIODevice::ReadOnly));
        const QString page = QString::fromUtf8(man.readAll());
        QVERIFY(page.startsWith(QStringLiteral(".TH SCRIVELLE 1")));
        QVERIFY(page.contains(QStringLiteral("scrivelle \\-\\-convert INPUT OUTPUT")));
        QVERIFY(page.contains(QStringLiteral("WrdFileList.dat")));
    }

    void menuEntryOpensOurDocumentTypes()
    {
        // Key=value lines of the entry (QSettings would read ";" as a comment).
        QFile file(share(QStringLiteral("applications/%1.desktop").arg(kId)));
        QVERIFY(file.open(QIODevice::ReadOnly | QIODevice::Text));
        QHash<QString, QString> entry;
        for (const QString &line : QString::fromUtf8(file.readAll()).split(u'\n'))
            if (const qsizetype eq = line.indexOf(u'='); eq > 0)
                entry.insert(line.left(eq), line.mid(eq + 1));
        QCOMPARE(entry.value(QStringLiteral("Name")), QStringLiteral("Scrivelle"));
        QCOMPARE(entry.value(QStringLiteral("GenericName")), QStringLiteral("Word Processor"));
        QCOMPARE(entry.value(QStringLiteral("Exec")), QStringLiteral("scrivelle %f"));
        QCOMPARE(entry.value(QStringLiteral("Icon")), kId);
        QCOMPARE(entry.value(QStringLiteral("Categories")), QStringLiteral("Office;WordProcessor;"));
        const QStringList types = entry.value(QStringLiteral("MimeType")).split(u';');
        for (const char *t : {"application/rtf", "text/rtf", "application/x-scrivelle-rtc", "text/plain"})
            QVERIFY2(types.contains(QString::fromLatin1(t)), t);
    }

    void desktopValidatorsAreClean()
    {
        if (!have(QStringLiteral("desktop-file-validate")) || !have(QStringLiteral("appstreamcli")))
            QFAIL("desktop-file-utils and appstream are test packages of scripts/setup.sh");
        Run r = run(QStringLiteral("desktop-file-validate"), {share(QStringLiteral("applications/%1.desktop").arg(kId))});
        QVERIFY2(r.code == 0 && r.out.trimmed().isEmpty(), qPrintable(r.out));
        r = run(QStringLiteral("appstreamcli"), {"validate", "--no-net", share(QStringLiteral("metainfo/%1.metainfo.xml").arg(kId))});
        QVERIFY2(r.code == 0, qPrintable(r.out));
    }

    // Given the installed type package in a type database, our files are named by extension
    // and by content: .rtc and a compressed file without extension, Rich Text under ".doc".
    void typeDatabaseNamesOurFiles()
    {
        if (!have(QStringLiteral("update-mime-database")) || !have(QStringLiteral("xdg-mime")))
            QFAIL("shared-mime-info and xdg-utils are test packages of scripts/setup.sh");
        QVERIFY(QFile::copy(QStringLiteral("/usr/share/mime/packages/freedesktop.org.xml"),
                            share(QStringLiteral("mime/packages/freedesktop.org.xml"))));
        const Run db = run(QStringLiteral("update-mime-database"), {share(QStringLiteral("mime"))});
        QVERIFY2(db.code == 0, qPrintable(db.out));

        const QString docs = m_dir.filePath(QStringLiteral("docs"));
        QVERIFY(QDir().mkpath(docs));
        QFile rtf(docs + QStringLiteral("/letter.rtf"));
        QVERIFY(rtf.open(QIODevice::WriteOnly));
        rtf.write("{\\rtf1\\ansi Dear reader\\par}");
        rtf.close();
        QVERIFY(QFile::copy(rtf.fileName(), docs + QStringLiteral("/letter.doc")));
        const Run convert = run(QStringLiteral(SCV_BINARY), {"--convert", rtf.fileName(), docs + QStringLiteral("/letter.rtc")});
        QVERIFY2(convert.code == 0, qPrintable(convert.out));
        QVERIFY(QFile::copy(docs + QStringLiteral("/letter.rtc"), docs + QStringLiteral("/compressed")));

        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_DATA_HOME"), m_dir.filePath(QStringLiteral("home")));
        env.insert(QStringLiteral("XDG_DATA_DIRS"), share(QString()));
        env.remove(QStringLiteral("XDG_CURRENT_DESKTOP"));
        const QList<std::pair<QString, QString>> expected{
            {QStringLiteral("letter.rtc"), QStringLiteral("application/x-scrivelle-rtc")},
            {QStringLiteral("compressed"), QStringLiteral("application/x-scrivelle-rtc")},
            {QStringLiteral("letter.doc"), QStringLiteral("application/rtf")},
            {QStringLiteral("letter.rtf"), QStringLiteral("application/rtf")}};
        for (const auto &[name, type] : expected) {
            const Run q = run(QStringLiteral("xdg-mime"), {"query", "filetype", docs + u'/' + name}, env);
            QCOMPARE(q.out.trimmed(), type);
        }
    }

    void debianPackageCarriesTheTreeAndItsDependencies()
    {
        if (!have(QStringLiteral("dpkg-shlibdeps")) || !have(QStringLiteral("dpkg-deb")))
            QFAIL("dpkg-dev is a test package of scripts/setup.sh");
        const QString out = m_dir.filePath(QStringLiteral("package"));
        const Run pack = run(QStringLiteral(SCV_CPACK), {"-G", "DEB", "--config", SCV_BUILD_DIR "/CPackConfig.cmake", "-B", out});
        QVERIFY2(pack.code == 0, qPrintable(pack.out));
        const QStringList debs = QDir(out).entryList({QStringLiteral("scrivelle_*.deb")});
        QCOMPARE(debs.size(), 1);
        const QString deb = out + u'/' + debs.first();
        const Run fields = run(QStringLiteral("dpkg-deb"), {"-f", deb, "Package", "Depends", "Section"});
        QVERIFY2(fields.out.contains(QStringLiteral("Package: scrivelle")), qPrintable(fields.out));
        for (const char *dep : {"libqt6widgets6", "libqt6printsupport6", "zlib1g", "qt6-qpa-plugins", "fonts-liberation"})
            QVERIFY2(fields.out.contains(QString::fromLatin1(dep)), qPrintable(fields.out));
        const Run contents = run(QStringLiteral("dpkg-deb"), {"-c", deb});
        for (const QString &path : {QStringLiteral("./usr/bin/scrivelle"),
                                    QStringLiteral("./usr/share/applications/%1.desktop").arg(kId),
                                    QStringLiteral("./usr/share/mime/packages/%1.xml").arg(kId),
                                    QStringLiteral("./usr/share/icons/hicolor/48x48/apps/%1.png").arg(kId),
                                    QStringLiteral("./usr/share/man/man1/scrivelle.1")})
            QVERIFY2(contents.out.contains(path), qPrintable(path));
    }
};

QTEST_GUILESS_MAIN(TestInstall)
#include "tst_install.moc"
