// The version resource: embedded by the build, read back by ReadFileVersion.
#include "FileVersion.h"
#include "TestMain.h"
#include "VersionBlock.h"
#include "VersionInfo.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

class TestVersion : public QObject {
    Q_OBJECT

    static std::string readVersion(const QString& file)
    {
        return orv::os::ReadFileVersion(file.toStdString());
    }

    static void run(const QString& program, const QStringList& arguments)
    {
        QProcess process;
        process.start(program, arguments);
        QVERIFY2(process.waitForFinished(30000) && process.exitCode() == 0,
                 qPrintable(program + ": " + process.readAllStandardError()));
    }

    QTemporaryDir m_dir;

private slots:
    void builtProgramCarriesFileVersion()
    {
        QCOMPARE(readVersion(QCoreApplication::applicationFilePath()), "1.3.1.0");
        const QString program = qEnvironmentVariable("ORV_BUILD_DIR") + "/src/OrvTerm";
        if (QFile::exists(program))
            QCOMPARE(readVersion(program), "1.3.1.0");
    }

    void blockHoldsTheWholeResource()
    {
        const QString self = QCoreApplication::applicationFilePath();
        uint32_t handle = 0;
        const uint32_t size = orv::os::GetFileVersionInfoSizeA(self.toLocal8Bit(), &handle);
        QVERIFY(size > 0);
        std::vector<char> block(size);
        QVERIFY(orv::os::GetFileVersionInfoA(self.toLocal8Bit(), handle, size, block.data()));

        void* value = nullptr;
        unsigned length = 0;
        QVERIFY(orv::os::VerQueryValueA(block.data(), "\\StringFileInfo\\040904E4\\ProductVersion",
                                        &value, &length));
        QCOMPARE(static_cast<const char*>(value), "1.0.0.0");
        QVERIFY(
            orv::os::VerQueryValueA(block.data(), "\\VarFileInfo\\Translation", &value, &length));
        QCOMPARE(length, 4u);
        const auto* translation = static_cast<const uint8_t*>(value);
        QCOMPARE(translation[0] | translation[1] << 8, 0x0409);
        QCOMPARE(translation[2] | translation[3] << 8, 0x04E4);
        QVERIFY(orv::os::VerQueryValueA(block.data(), "\\", &value, &length));
        QCOMPARE(length, 52u); // the fixed part: file version 1.3.1.0
        const auto* fixed = static_cast<const uint32_t*>(value);
        QCOMPARE(fixed[0], 0xFEEF04BDu);
        QCOMPARE(fixed[2], 0x00010003u);
        QCOMPARE(fixed[3], 0x00010000u);
        QVERIFY(!orv::os::VerQueryValueA(block.data(), "\\StringFileInfo\\040904B0\\FileVersion",
                                         &value, &length));
    }

    void copyWithoutResourceReadsEmpty()
    {
        const QString copy = m_dir.filePath("stripped");
        run("objcopy", {"--remove-section", orv::os::kVersionSectionName,
                        QCoreApplication::applicationFilePath(), copy});
        QCOMPARE(readVersion(copy), "");
    }

    void copyWithOtherStringBlockReadsEmpty()
    {
        const QString blob = m_dir.filePath("other.bin");
        run(ORV_MKVERSIONBLOCK, {ORV_PROGRAM_VERSION_FILE, blob, "040904B0"});
        const QString copy = m_dir.filePath("other-block");
        run("objcopy", {"--update-section", QString(orv::os::kVersionSectionName) + "=" + blob,
                        QCoreApplication::applicationFilePath(), copy});
        QCOMPARE(readVersion(copy), "");
    }

    void filesWithoutVersionInformation_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("text file") << QByteArray("FileVersion 1.3.1.0\n");
        QTest::newRow("empty file") << QByteArray();
        QTest::newRow("truncated ELF header") << QByteArray("\x7f"
                                                            "ELF\x02\x01\x01",
                                                            7);
    }
    void filesWithoutVersionInformation()
    {
        QFETCH(QByteArray, content);
        QFile file(m_dir.filePath("not-a-program"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
        file.close();
        QCOMPARE(readVersion(file.fileName()), "");
        QCOMPARE(readVersion(m_dir.filePath("missing")), "");
    }

    void versionNumbersParse()
    {
        const auto n = orv::os::ParseVersionNumbers("1.3.1.0");
        QCOMPARE(n.major, 1);
        QCOMPARE(n.minor, 3);
        QVERIFY_THROWS_EXCEPTION(std::invalid_argument, orv::os::ParseVersionNumbers("1.3.1"));
        QVERIFY_THROWS_EXCEPTION(std::invalid_argument,
                                 orv::os::ParseVersionNumbers("1.3.1.70000"));
    }
};

ORV_TEST_MAIN(TestVersion)
#include "tst_version.moc"
